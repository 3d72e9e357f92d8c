#include "app/platform.h"

#include "curves/dialog_fields.h"

namespace orv {

const DialogControl* DialogRequest::find(std::string_view label) const {
    for (bool loose : {false, true}) {
        auto match = [&](const std::string& l) { return loose ? sameLabel(l, label) : l == label; };
        for (const auto& c : controls)
            if (match(c.label)) return &c;
        for (const auto& c : controls)
            for (const auto& other : c.otherLabels)
                if (match(other)) return &c;
    }
    return nullptr;
}

std::string DialogRequest::labels() const {
    std::string out;
    for (const auto& c : controls) out += (out.empty() ? "\"" : ", \"") + c.label + "\"";
    return out;
}

FileStatus DirectFileStore::replace(const std::filesystem::path& path,
                                    std::span<const uint8_t> bytes, bool keepBackup) {
    return replaceFile(path, bytes, keepBackup);
}

}  // namespace orv
