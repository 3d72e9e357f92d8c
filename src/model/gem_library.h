#pragma once
#include <filesystem>

#include "model/object_list.h"

namespace orv {

// The gem library: a design file of stones, read the first time a gem instance needs it.
// Shared by every document of the program. Gem instances inside the library itself are read
// without a library, so a library can never refer to itself.
class GemLibrary {
public:
    explicit GemLibrary(std::filesystem::path file) : file_(std::move(file)) {}

    // Entry `index`, or nullptr when the index is outside the library (or it failed to load).
    const ModelObject* entry(uint32_t index);
    // Follows entries that are themselves gem instances (within this library, a bounded number
    // of times, so a cycle ends) to a non-gem object. `composite` receives the placements
    // met on the way, innermost first; nullptr when the chain leaves the library or cycles.
    const ModelObject* resolve(uint32_t index, Matrix4& composite);
    size_t size();
    const std::filesystem::path& file() const { return file_; }

private:
    void load();

    std::filesystem::path file_;
    bool loaded_ = false;
    ObjectList objects_;
};

}  // namespace orv
