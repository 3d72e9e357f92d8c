#include "model/gem_library.h"

#include <vector>

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

const ModelObject* GemLibrary::resolve(uint32_t index, Matrix4& composite) {
    constexpr int kMaxChain = 16;
    composite = Matrix4::identity();
    std::vector<const Matrix4*> placements;
    const ModelObject* o = entry(index);
    while (o && o->classNumber() == kClassGem) {
        if (static_cast<int>(placements.size()) == kMaxChain) return nullptr;
        auto* gem = static_cast<const GemInstance*>(o);
        placements.push_back(&gem->placement);
        o = entry(gem->gemIndex);
    }
    // The outermost placement was met first; the innermost must apply first.
    for (auto it = placements.rbegin(); it != placements.rend(); ++it) composite = composite * **it;
    return o;
}

size_t GemLibrary::size() {
    if (!loaded_) load();
    return objects_.size();
}

}  // namespace orv
