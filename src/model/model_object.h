#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "kernel/bbox.h"
#include "kernel/matrix4.h"

namespace orv {

class RecordReader;
class RecordWriter;
class GemLibrary;

// Persistent class numbers: the first field of every stored record.
enum ClassNumber : uint32_t {
    kClassNcPath = 0,
    kClassCurve = 2,
    kClassSurface = 3,
    kClassFacet = 4,
    kClassBlock = 5,
    kClassBoolean = 32,
    kClassTLine = 90,
    kClassGem = 99,
};

// Display states. Only Normal and Picked objects are drawn, picked, exported and measured;
// negative states stay in memory for undelete and undo but are never saved.
namespace objstate {
inline constexpr int kNormal = 0;
inline constexpr int kPicked = 1;
inline constexpr int kHidden = 2;
inline constexpr int kHiddenPicked = 3;
inline constexpr int kRemovedCurve = 4;
inline constexpr int kConsumedShift = 99;  // lowered by this when consumed or un-added
inline constexpr int kInvalid = -9999;     // read without geometry
inline constexpr int kMaxKeptOnRead = 90;  // records stored above this are dropped
}  // namespace objstate

inline constexpr int kLayerCount = 20;

// What readers need beyond the bytes: the gem library that gem instances draw from.
struct ReadContext {
    std::shared_ptr<GemLibrary> gems;
};

// Root of the model-object family. Copyable as a value: clone() is the copy constructor, and
// swapContents() exchanges everything, which is how undo restores an object in place without
// disturbing anybody holding a pointer to it.
class ModelObject {
public:
    virtual ~ModelObject() = default;

    // 0: takes part in no modelling operation; 1: owns control points; 2: placed object.
    virtual int kind() const { return 0; }
    // Applies M (row-vector convention). `all` false moves only picked CVs where that means
    // something; the axis frame follows the motion but never scales.
    virtual void transform(const Matrix4& M, bool all);
    virtual uint32_t classNumber() const = 0;
    virtual std::unique_ptr<ModelObject> clone() const = 0;
    // Reads the record body after its class number; the state may come back as kInvalid.
    virtual void read(RecordReader& in, const ReadContext& ctx);
    // Writes the whole record starting with the class number.
    virtual void write(RecordWriter& out) const;
    // Box of the geometry transformed by M; empty when there is none.
    virtual BoundingBox boundingBox(const Matrix4& M) const;
    // Exchanges every field with `other`, which must be of the same class.
    virtual void swapContents(ModelObject& other) = 0;

    bool visible() const { return state == objstate::kNormal || state == objstate::kPicked; }

    int state = objstate::kNormal;
    bool nonDeformable = false;
    bool jewel = false;
    bool superSubtractor = false;
    int serial = 0;
    Matrix4 axisFrame = Matrix4::identity();
    int mappingMode = 0;
    Matrix4 mappingMatrix = Matrix4::zeroAffine();
    // UTF-8; empty means no material.
    std::string materialName;
    int layer = 0;
    // Bits 16-31 of the stored flags word; kept so that other writers' bits survive a resave.
    uint32_t classFlags = 0;

    // Raw low 16 bits of the state word as read, before any class adjusted `state`; a
    // subtraction reads its shown-subtractor mark from its first child here.
    uint16_t storedState = 0;

protected:
    ModelObject() = default;
    ModelObject(const ModelObject&) = default;
    ModelObject& operator=(const ModelObject&) = default;
    ModelObject(ModelObject&&) = default;
    ModelObject& operator=(ModelObject&&) = default;

    void readRoot(RecordReader& in);
    void writeRoot(RecordWriter& out, uint32_t classBits) const;
};

// Classes with control points: curves, surfaces, facet objects.
class CvObject : public ModelObject {
public:
    int kind() const override { return 1; }
    void transform(const Matrix4& M, bool all) override;
    BoundingBox boundingBox(const Matrix4& M) const override;

    int cvCount() const { return static_cast<int>(cvs.size()); }
    // Replaces the CVs; flags default to all zero. Invariant: cvFlags.size() == cvs.size().
    void setCvs(std::vector<Point3> points, std::vector<uint32_t> flags = {});

    std::vector<Point3> cvs;
    std::vector<uint32_t> cvFlags;
    bool hideCv = false;

protected:
    void readCvs(RecordReader& in);
    void writeCvs(RecordWriter& out) const;
};

// Objects drawn through a placement matrix: blocks, Booleans, gem instances.
class PlacedObject : public ModelObject {
public:
    int kind() const override { return 2; }
    void transform(const Matrix4& M, bool all) override;

    Matrix4 placement = Matrix4::identity();
};

}  // namespace orv
