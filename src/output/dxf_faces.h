#pragma once
#include <ostream>

#include "output/mesh_writer.h"

namespace orv {

// A DXF file of 3DFACE entities, one per triangle, all on layer 1: the ENTITIES section only,
// one group code or value per line, coordinates as "%8.3f", the fourth corner repeating the
// third. The caller opens and closes the stream.
class DxfFaceWriter final : public MeshWriter {
  public:
    explicit DxfFaceWriter(std::ostream& out) : out_(out) {}
    void begin() override;
    void triangle(const Point3& a, const Point3& b, const Point3& c) override;
    void end() override;
    bool ok() const { return out_.good(); }

  private:
    std::ostream& out_;
};

}  // namespace orv
