#include "model/gem_library.h"

#include "model/design_file.h"
#include "model/objects.h"

namespace orv {

void GemLibrary::load() {
    loaded_ = true;
    std::vector<uint8_t> bytes;
    if (!readFileBytes(file_, bytes)) return;
    ReadResult r = readRecords(bytes, ReadContext{});
    if (r.count <= 0) return;
    objects_ = std::move(r.objects);
    objects_.forEach([](ModelObject& o) {
        if (auto* cv = dynamic_cast<CvObject*>(&o)) cv->hideCv = true;
    });
}

const ModelObject* GemLibrary::entry(uint32_t index) {
    if (!loaded_) load();
    return index < objects_.size() ? &objects_[index] : nullptr;
}

size_t GemLibrary::size() {
    if (!loaded_) load();
    return objects_.size();
}

}  // namespace orv
