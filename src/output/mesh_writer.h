#pragma once
#include <array>
#include <vector>

#include "kernel/matrix4.h"
#include "kernel/point3.h"
#include "model/model_object.h"

namespace orv {

class ObjectList;
class SurfaceObject;
class FacetObject;
class BooleanObject;
class GemInstance;

// A consumer of triangles: begin, any number of triangles, end. The triangles arrive already
// placed in world coordinates and wound so that their normal (b - a) x (c - a) faces out.
class MeshWriter {
public:
    virtual ~MeshWriter() = default;
    virtual void begin() = 0;
    virtual void triangle(const Point3& a, const Point3& b, const Point3& c) = 0;
    virtual void end() = 0;
};

// One facet as mesh files store it.
struct Facet {
    Point3 normal;
    std::array<Point3, 3> vertices;
};

// Rounds every coordinate to the 0.0001 grid: floor(c * 10000 + 0.5) * 0.0001.
float roundToGrid(float c);

// The cleaning all facet files share: rounds the vertices to the 0.0001 grid and computes the
// unit normal of (b - a) x (c - a). False, leaving `out` unspecified, when the rounded facet has
// no area (|e1|^2, |e2|^2 or |e1 x e2|^2 below 1e-16) or a coordinate is not finite.
bool prepareFacet(const Point3& a, const Point3& b, const Point3& c, Facet& out);

// A mesh writer that stores cleaned facets: dropped triangles never reach writeFacet.
class FacetWriter : public MeshWriter {
public:
    void triangle(const Point3& a, const Point3& b, const Point3& c) final {
        Facet f;
        if (prepareFacet(a, b, c, f)) writeFacet(f);
    }

protected:
    virtual void writeFacet(const Facet& facet) = 0;
};

struct MeshExportOptions {
    // Objects on a layer that is off, or on a layer number outside the table, are not written.
    std::array<bool, kLayerCount> layerOn = allLayersOn();

    static constexpr std::array<bool, kLayerCount> allLayersOn() {
        std::array<bool, kLayerCount> on{};
        on.fill(true);
        return on;
    }
};

// The walk every mesh export shares. It turns shown objects into triangles for one writer:
// - surfaces: their grid triangles, plus end caps across every open direction;
// - facet objects: each face as a fan from its first vertex, in stored order whatever their
//   orientation; a face of fewer than three vertices or with an index outside the CVs is
//   skipped, and face sizes that run past the index list end the object;
// - Booleans: their shown children, not combined; a subtraction whose subtractors are hidden
//   writes only its first child;
// - gem instances: the library object they resolve to, through every placement on the way;
//   an instance that resolves to nothing writes nothing;
// - every other class writes nothing.
// Each surface grid is evaluated once. Nothing here allocates per triangle.
class MeshExporter {
public:
    explicit MeshExporter(MeshWriter& writer, const MeshExportOptions& options = {});

    // Every object of `objects` in list order whose state is Normal or Picked and whose layer
    // is on. Does not call begin or end.
    void exportList(const ObjectList& objects);
    // One object, whatever its state or layer.
    void exportObject(const ModelObject& object);

    // Points are transformed by the top of the stack; push makes the new top `m * top`, so
    // `m` applies first. While the top mirrors (negative determinant) every triangle is
    // turned over, so what faced out still faces out. Popping the last matrix does nothing.
    void pushMatrix(const Matrix4& m);
    void popMatrix();

private:
    void exportSurface(const SurfaceObject& s);
    void exportFacets(const FacetObject& f);
    void exportBoolean(const BooleanObject& b);
    void exportGem(const GemInstance& g);
    void cap(const std::vector<Point3>& polygon);
    void emit(const Point3& a, const Point3& b, const Point3& c) {
        if (stack_.back().mirrors)
            writer_.triangle(a, c, b);
        else
            writer_.triangle(a, b, c);
    }

    struct Placement {
        Matrix4 m;
        bool identity = true;
        bool mirrors = false;
    };

    MeshWriter& writer_;
    MeshExportOptions options_;
    std::vector<Placement> stack_;
    int orientation_ = 1;
    int depth_ = 0;
    std::vector<Point3> scratch_, rounded_;
};

// begin, the walk of exportList, end.
void writeMesh(const ObjectList& objects, MeshWriter& writer,
               const MeshExportOptions& options = {});

}  // namespace orv
