// Feeds arbitrary bytes to the design-file reader, then exercises what it read: bounding
// boxes evaluate the geometry, and a write / read / write cycle must be stable.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "model/design_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    orv::ReadResult r = orv::readRecords(std::span<const uint8_t>(data, size));
    r.objects.forEach([](const orv::ModelObject& o) { (void)o.boundingBox(orv::Matrix4::identity()); });
    auto once = orv::designBytes(r.objects);
    auto twice = orv::designBytes(orv::readRecords(once).objects);
    if (once != twice) std::abort();
    return 0;
}
