#pragma once
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "model/model_object.h"
#include "kernel/surface_grid.h"
#include "model/object_list.h"

namespace orv {

// Integer fields that the file stores as uint32 keep their stored value (not just 0/1), so a
// design resaves byte for byte; code tests them for zero / non-zero.

// Uniform cubic B-spline curve through its CVs.
class CurveObject final : public CvObject {
public:
    uint32_t classNumber() const override { return kClassCurve; }
    std::unique_ptr<ModelObject> clone() const override;
    void read(RecordReader& in, const ReadContext& ctx) override;
    void write(RecordWriter& out) const override;
    BoundingBox boundingBox(const Matrix4& M) const override;
    void swapContents(ModelObject& other) override;

    // Points on the curve at its own resolution (at most the evaluation limit).
    PointArray points() const;

    uint32_t freeStart = 0, freeEnd = 0, closed = 0;
    uint32_t resolution = 8;
};

// Bicubic B-spline surface over a rows x columns CV net stored row by row.
// Invariant of a valid surface: rows * columns == cvCount(); a surface read otherwise is
// marked invalid, since evaluating it would read past its CVs.
class SurfaceObject final : public CvObject {
public:
    SurfaceObject() { hideCv = true; }
    uint32_t classNumber() const override { return kClassSurface; }
    std::unique_ptr<ModelObject> clone() const override;
    void read(RecordReader& in, const ReadContext& ctx) override;
    void write(RecordWriter& out) const override;
    BoundingBox boundingBox(const Matrix4& M) const override;
    void swapContents(ModelObject& other) override;

    bool netValid() const;
    // Point grid at the surface's resolutions (capped), seams made exact.
    PointGrid grid(bool derivatives = false) const;

    struct IndexPairList {
        uint32_t tag = 0;
        std::vector<std::array<uint32_t, 2>> pairs;
        friend bool operator==(const IndexPairList&, const IndexPairList&) = default;
    };

    uint32_t rows = 0, columns = 0;
    uint32_t rowFreeStart = 0, rowFreeEnd = 0, rowClosed = 0, rowResolution = 8,
             rowResolution2 = 8;
    uint32_t columnFreeStart = 0, columnFreeEnd = 0, columnClosed = 0, columnResolution = 8,
             columnResolution2 = 8;
    int orientation = 1;
    bool surfaceOption = false;
    std::vector<IndexPairList> indexPairLists;
};

// Imported or generated mesh: faces index into the CV array.
// Invariant of a valid facet object: every index < cvCount().
class FacetObject final : public CvObject {
public:
    FacetObject() { hideCv = true; }
    uint32_t classNumber() const override { return kClassFacet; }
    std::unique_ptr<ModelObject> clone() const override;
    void read(RecordReader& in, const ReadContext& ctx) override;
    void write(RecordWriter& out) const override;
    void swapContents(ModelObject& other) override;

    size_t faceCount() const { return faceSizes.size(); }

    std::vector<uint32_t> faceSizes;
    std::vector<uint32_t> faceIndices;
    bool flatShaded = true;
    int orientation = 1;
};

// Extruded outline. Stores its profile pieces; the surfaces it generates are rebuilt after
// reading and are not part of the record.
class BlockObject final : public PlacedObject {
public:
    uint32_t classNumber() const override { return kClassBlock; }
    std::unique_ptr<ModelObject> clone() const override;
    void read(RecordReader& in, const ReadContext& ctx) override;
    void write(RecordWriter& out) const override;
    BoundingBox boundingBox(const Matrix4& M) const override;
    void swapContents(ModelObject& other) override;

    struct Piece {
        uint32_t pointCount = 0;
        uint32_t tag = 0;
        friend bool operator==(const Piece&, const Piece&) = default;
    };

    std::array<uint32_t, 3> axes{0, 2, 1};  // across, up, depth
    uint32_t startEndKind = 0, endEndKind = 0, extraSetting = 0;
    float endSize = 0.0f;
    std::vector<Piece> pieces;
    std::vector<Point3> points;  // all pieces' points, one piece after the other
    // Generated from the profile; not stored.
    ObjectList generatedSides, generatedEnds;
};

enum BooleanOperation : uint32_t { kUnion = 2, kIntersect = 3, kSubtract = 4 };
// Added to `operation` while a Boolean is taken apart.
inline constexpr uint32_t kTakenApartShift = 10;

class BooleanObject final : public PlacedObject {
public:
    uint32_t classNumber() const override { return kClassBoolean; }
    std::unique_ptr<ModelObject> clone() const override;
    void transform(const Matrix4& M, bool all) override;
    void read(RecordReader& in, const ReadContext& ctx) override;
    void write(RecordWriter& out) const override;
    BoundingBox boundingBox(const Matrix4& M) const override;
    // Exchanges the children's contents pair by pair, so the child objects keep their
    // identities (history records may point at them); lists of different lengths are
    // exchanged whole.
    void swapContents(ModelObject& other) override;

    uint32_t operation = kUnion;
    ObjectList children;
    bool showSubtractors = false;
    // While taken apart: how many children went to the document list, and from where. Later
    // objects may follow them (an undone addition stays in the list), so rebuilding takes
    // exactly that range back.
    size_t detachedChildCount = 0;
    size_t detachedAt = 0;
};

// Construction plane perpendicular to `axis` through the axis-frame origin.
class TLineObject final : public ModelObject {
public:
    uint32_t classNumber() const override { return kClassTLine; }
    std::unique_ptr<ModelObject> clone() const override;
    void read(RecordReader& in, const ReadContext& ctx) override;
    void write(RecordWriter& out) const override;
    BoundingBox boundingBox(const Matrix4& M) const override;
    void swapContents(ModelObject& other) override;

    uint32_t axis = 0;
};

// A gem of the gem library drawn through `placement`. An index outside the library draws
// and exports nothing.
class GemInstance final : public PlacedObject {
public:
    uint32_t classNumber() const override { return kClassGem; }
    std::unique_ptr<ModelObject> clone() const override;
    void read(RecordReader& in, const ReadContext& ctx) override;
    void write(RecordWriter& out) const override;
    BoundingBox boundingBox(const Matrix4& M) const override;
    void swapContents(ModelObject& other) override;

    // The library entry, or nullptr when there is none.
    const ModelObject* gem() const;
    // The non-gem object this instance finally draws, with `composite` set to every placement
    // on the way, innermost first and this instance's own last; nullptr when there is none.
    const ModelObject* resolve(Matrix4& composite) const;

    uint32_t gemIndex = 0;
    std::shared_ptr<GemLibrary> library;
};

// Tool path display of an NC program. Never registered: a saved one is written with class
// number 0 and skipped when read.
class NcPathObject final : public ModelObject {
public:
    uint32_t classNumber() const override { return kClassNcPath; }
    std::unique_ptr<ModelObject> clone() const override;
    void swapContents(ModelObject& other) override;

    std::string ncFile;
    float scale = 1.0f;
};

// Class registry: a new default object for a stored class number, or nullptr.
std::unique_ptr<ModelObject> createByNumber(uint32_t classNumber);

// Limits that keep evaluation of hostile or corrupt values bounded.
inline constexpr int kMaxEvaluationResolution = 64;
inline constexpr int kMaxBooleanDepth = 200;

}  // namespace orv
