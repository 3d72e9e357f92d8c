#include "model/objects.h"

#include <algorithm>
#include <utility>

#include "model/gem_library.h"
#include "model/record_io.h"

namespace orv {

namespace {

template <class T>
std::unique_ptr<ModelObject> cloneAs(const T& self) {
    return std::make_unique<T>(self);
}

// Whole-object exchange for classes without owned sub-objects.
template <class T>
void swapAs(T& self, ModelObject& other) {
    std::swap(self, static_cast<T&>(other));
}

bool hasNoRows(uint32_t v) { return static_cast<int32_t>(v) <= 0; }

// Halves the larger resolution until the grid stays within a fixed number of points, so a
// hostile resolution or a huge net cannot exhaust memory when evaluated.
void boundResolutions(int& rowRes, int& colRes, int rowSpans, int colSpans) {
    constexpr int64_t kMaxGridPoints = int64_t{1} << 24;
    rowRes = std::clamp(rowRes, 0, kMaxEvaluationResolution);
    colRes = std::clamp(colRes, 0, kMaxEvaluationResolution);
    auto points = [&] {
        return (int64_t{std::max(rowRes, 1)} * rowSpans + 1) *
               (int64_t{std::max(colRes, 1)} * colSpans + 1);
    };
    while (points() > kMaxGridPoints && (rowRes > 1 || colRes > 1)) {
        if (rowRes >= colRes)
            rowRes /= 2;
        else
            colRes /= 2;
    }
}

}  // namespace

// ---- CurveObject ----

std::unique_ptr<ModelObject> CurveObject::clone() const { return cloneAs(*this); }
void CurveObject::swapContents(ModelObject& other) { swapAs(*this, other); }

void CurveObject::read(RecordReader& in, const ReadContext&) {
    readRoot(in);
    readCvs(in);
    freeStart = in.u32();
    freeEnd = in.u32();
    closed = in.u32();
    resolution = in.u32();
    hideCv = in.u16() != 0;
    if (cvs.empty()) state = objstate::kInvalid;
}

void CurveObject::write(RecordWriter& out) const {
    writeRoot(out, classFlags);
    writeCvs(out);
    out.u32(freeStart);
    out.u32(freeEnd);
    out.u32(closed);
    out.u32(resolution);
    out.u16(hideCv ? 1 : 0);
}

PointArray CurveObject::points() const {
    int res = static_cast<int>(std::min<uint32_t>(resolution, kMaxEvaluationResolution));
    return curvePoints(cvs.data(), cvCount(), freeStart != 0, freeEnd != 0, closed != 0, res);
}

BoundingBox CurveObject::boundingBox(const Matrix4& M) const {
    PointArray pts = points();
    if (pts.empty()) return CvObject::boundingBox(M);
    BoundingBox box;
    for (const Point3& p : pts) box.grow(transformPoint(p, M));
    return box;
}

// ---- SurfaceObject ----

std::unique_ptr<ModelObject> SurfaceObject::clone() const { return cloneAs(*this); }
void SurfaceObject::swapContents(ModelObject& other) { swapAs(*this, other); }

bool SurfaceObject::netValid() const {
    return !hasNoRows(rows) && !hasNoRows(columns) &&
           uint64_t{rows} * columns == static_cast<uint64_t>(cvs.size());
}

void SurfaceObject::read(RecordReader& in, const ReadContext&) {
    readRoot(in);
    readCvs(in);
    rows = in.u32();
    columns = in.u32();
    rowFreeStart = in.u32();
    rowFreeEnd = in.u32();
    rowClosed = in.u32();
    rowResolution = in.u32();
    rowResolution2 = in.u32();
    columnFreeStart = in.u32();
    columnFreeEnd = in.u32();
    columnClosed = in.u32();
    columnResolution = in.u32();
    columnResolution2 = in.u32();
    orientation = in.i32() < 0 ? -1 : 1;
    uint16_t bits = in.u16();
    surfaceOption = bits & 1;
    hideCv = (bits >> 1) & 1;
    indexPairLists.clear();
    while (!in.damaged()) {
        int32_t n = in.i32();
        if (n == -1) break;
        if (n < 0 || !in.fits(static_cast<uint64_t>(n) + 1, 8)) {
            in.markDamaged();
            break;
        }
        IndexPairList list;
        list.tag = in.u32();
        list.pairs.resize(static_cast<size_t>(n));
        for (auto& pr : list.pairs) pr = {in.u32(), in.u32()};
        indexPairLists.push_back(std::move(list));
    }
    if (!netValid()) state = objstate::kInvalid;
}

void SurfaceObject::write(RecordWriter& out) const {
    writeRoot(out, classFlags);
    writeCvs(out);
    for (uint32_t v : {rows, columns, rowFreeStart, rowFreeEnd, rowClosed, rowResolution,
                       rowResolution2, columnFreeStart, columnFreeEnd, columnClosed,
                       columnResolution, columnResolution2})
        out.u32(v);
    out.i32(orientation < 0 ? -1 : 1);
    out.u16(static_cast<uint16_t>((surfaceOption ? 1 : 0) | (hideCv ? 2 : 0)));
    for (const auto& list : indexPairLists) {
        out.i32(static_cast<int32_t>(list.pairs.size()));
        out.u32(list.tag);
        for (const auto& pr : list.pairs) {
            out.u32(pr[0]);
            out.u32(pr[1]);
        }
    }
    out.i32(-1);
}

PointGrid SurfaceObject::grid(bool derivatives) const {
    if (!netValid()) return {};
    NetEnds ends{rowFreeStart != 0,    rowFreeEnd != 0,    rowClosed != 0,
                 columnFreeStart != 0, columnFreeEnd != 0, columnClosed != 0};
    ExtendedNet net = extendNet(cvs.data(), static_cast<int>(rows), static_cast<int>(columns), ends);
    if (net.rows < 4 || net.columns < 4) return {};
    int rowRes = static_cast<int>(std::min<uint32_t>(rowResolution, kMaxEvaluationResolution));
    int colRes = static_cast<int>(std::min<uint32_t>(columnResolution, kMaxEvaluationResolution));
    boundResolutions(rowRes, colRes, net.rows - 3, net.columns - 3);
    PointGrid g = evaluateGrid(kBSplineBasis, net, rowRes, colRes, derivatives);
    fixSeams(g, rowClosed != 0, columnClosed != 0);
    return g;
}

BoundingBox SurfaceObject::boundingBox(const Matrix4& M) const {
    if (!netValid()) return {};
    PointGrid g = grid();
    if (g.empty()) return CvObject::boundingBox(M);
    BoundingBox box;
    for (const Point3& p : g.points) box.grow(transformPoint(p, M));
    return box;
}

// ---- FacetObject ----

namespace {
constexpr uint32_t kFacetShowCv = 1u << 16;
constexpr uint32_t kFacetSmooth = 1u << 17;
constexpr uint32_t kFacetReversed = 1u << 18;
constexpr uint32_t kFacetBits = kFacetShowCv | kFacetSmooth | kFacetReversed;
}  // namespace

std::unique_ptr<ModelObject> FacetObject::clone() const { return cloneAs(*this); }
void FacetObject::swapContents(ModelObject& other) { swapAs(*this, other); }

void FacetObject::read(RecordReader& in, const ReadContext&) {
    readRoot(in);
    hideCv = !(classFlags & kFacetShowCv);
    flatShaded = !(classFlags & kFacetSmooth);
    orientation = (classFlags & kFacetReversed) ? -1 : 1;
    readCvs(in);
    uint32_t faces = in.u32();
    faceSizes.clear();
    faceIndices.clear();
    if (!in.fits(faces, 4)) {
        in.markDamaged();
        return;
    }
    faceSizes.resize(faces);
    uint64_t total = 0;
    for (auto& s : faceSizes) total += (s = in.u32());
    if (!in.fits(total, 4)) {
        in.markDamaged();
        return;
    }
    faceIndices.resize(static_cast<size_t>(total));
    bool indicesValid = true;
    for (auto& i : faceIndices) {
        i = in.u32();
        if (i >= cvs.size()) indicesValid = false;
    }
    // A face pointing past the vertices would be read out of bounds by every consumer.
    if (cvs.empty() || !indicesValid) state = objstate::kInvalid;
}

void FacetObject::write(RecordWriter& out) const {
    uint32_t bits = (classFlags & ~kFacetBits) | (hideCv ? 0 : kFacetShowCv) |
                    (flatShaded ? 0 : kFacetSmooth) | (orientation < 0 ? kFacetReversed : 0);
    writeRoot(out, bits);
    writeCvs(out);
    out.u32(static_cast<uint32_t>(faceSizes.size()));
    for (uint32_t s : faceSizes) out.u32(s);
    for (uint32_t i : faceIndices) out.u32(i);
}

// ---- BlockObject ----

std::unique_ptr<ModelObject> BlockObject::clone() const { return cloneAs(*this); }
void BlockObject::swapContents(ModelObject& other) { swapAs(*this, other); }

void BlockObject::read(RecordReader& in, const ReadContext&) {
    readRoot(in);
    placement = in.matrix();
    uint32_t pieceCount = in.u32();
    for (auto& a : axes) a = in.u32();
    startEndKind = in.u32();
    endEndKind = in.u32();
    extraSetting = in.u32();
    endSize = in.f32();
    pieces.clear();
    points.clear();
    if (!in.fits(pieceCount, 8)) {
        in.markDamaged();
        return;
    }
    pieces.resize(pieceCount);
    uint64_t total = 0;
    for (auto& p : pieces) {
        p.pointCount = in.u32();
        p.tag = in.u32();
        total += p.pointCount;
    }
    if (!in.fits(total, 12)) {
        in.markDamaged();
        return;
    }
    points.resize(static_cast<size_t>(total));
    for (auto& p : points) p = in.point();
}

void BlockObject::write(RecordWriter& out) const {
    writeRoot(out, classFlags);
    out.matrix(placement);
    out.u32(static_cast<uint32_t>(pieces.size()));
    for (uint32_t a : axes) out.u32(a);
    out.u32(startEndKind);
    out.u32(endEndKind);
    out.u32(extraSetting);
    out.f32(endSize);
    for (const auto& p : pieces) {
        out.u32(p.pointCount);
        out.u32(p.tag);
    }
    for (const auto& p : points) out.point(p);
}

BoundingBox BlockObject::boundingBox(const Matrix4& M) const {
    BoundingBox box;
    Matrix4 full = placement * M;
    if (!generatedSides.empty()) {
        generatedSides.forEach([&](const ModelObject& o) { box.grow(o.boundingBox(full)); });
        return box;
    }
    for (const Point3& p : points) box.grow(transformPoint(p, full));
    return box;
}

// ---- BooleanObject ----

std::unique_ptr<ModelObject> BooleanObject::clone() const { return cloneAs(*this); }

void BooleanObject::swapContents(ModelObject& other) {
    auto& o = static_cast<BooleanObject&>(other);
    bool samePairs = children.size() == o.children.size();
    for (size_t i = 0; samePairs && i < children.size(); ++i)
        samePairs = children[i].classNumber() == o.children[i].classNumber();
    ObjectList mine = std::move(children), theirs = std::move(o.children);
    std::swap(*this, o);
    if (samePairs) {
        children = std::move(mine);
        o.children = std::move(theirs);
        for (size_t i = 0; i < children.size(); ++i) children[i].swapContents(o.children[i]);
    } else {
        children = std::move(theirs);
        o.children = std::move(mine);
    }
}

void BooleanObject::transform(const Matrix4& M, bool all) {
    PlacedObject::transform(M, all);
    for (size_t i = 0; i < children.size(); ++i) {
        ModelObject& c = children[i];
        if (all) {
            c.transform(M, true);
        } else if (c.visible()) {
            if (operation == kSubtract && !showSubtractors && i > 0) break;
            c.transform(M, false);
        }
    }
}

void BooleanObject::read(RecordReader& in, const ReadContext& ctx) {
    readRoot(in);
    placement = in.matrix();
    operation = in.u16();
    children.clear();
    showSubtractors = false;
    if (in.depth >= kMaxBooleanDepth) {
        // Deeper than any design could be built: treat as corruption rather than recurse on.
        in.markDamaged();
        state = objstate::kInvalid;
        return;
    }
    ++in.depth;
    while (!in.atEnd() && !in.damaged()) {
        uint8_t b = in.u8();
        if (b == '%' || b == 0xFF) break;
        if (b != ':') continue;
        auto child = createByNumber(in.u32());
        if (!child) continue;  // unknown class: scan on to the next delimiter
        child->read(in, ctx);
        if (in.damaged()) break;
        bool first = children.empty();
        bool subtractHead = first && operation == kSubtract;
        if (subtractHead && (child->storedState & 0x8000) && child->state == child->storedState) {
            showSubtractors = true;
            child->state = static_cast<int16_t>(child->storedState) + objstate::kConsumedShift;
            child->layer = 0;
        }
        if (child->state < 0 && !subtractHead) continue;
        children.append(std::move(child));
    }
    --in.depth;
    if (children.empty()) state = objstate::kInvalid;
}

void BooleanObject::write(RecordWriter& out) const {
    writeRoot(out, classFlags);
    out.matrix(placement);
    out.u16(static_cast<uint16_t>(operation));
    for (size_t i = 0; i < children.size(); ++i) {
        const ModelObject& c = children[i];
        bool subtractHead = i == 0 && operation == kSubtract;
        if (c.state < 0 && !subtractHead) continue;
        out.u8(':');
        if (subtractHead && showSubtractors) out.pendingStateShift = -objstate::kConsumedShift;
        if (c.state < 0) {
            // Keep the subtraction's structure without a state that reads back as a mark.
            auto copy = c.clone();
            copy->state = 0;
            copy->write(out);
        } else {
            c.write(out);
        }
    }
    out.u8('%');
}

BoundingBox BooleanObject::boundingBox(const Matrix4& M) const {
    BoundingBox box;
    for (size_t i = 0; i < children.size(); ++i) {
        if (operation == kSubtract && !showSubtractors && i > 0) break;
        if (children[i].visible()) box.grow(children[i].boundingBox(M));
    }
    return box;
}

// ---- TLineObject ----

std::unique_ptr<ModelObject> TLineObject::clone() const { return cloneAs(*this); }
void TLineObject::swapContents(ModelObject& other) { swapAs(*this, other); }

void TLineObject::read(RecordReader& in, const ReadContext&) {
    readRoot(in);
    axis = in.u32();
}

void TLineObject::write(RecordWriter& out) const {
    writeRoot(out, classFlags);
    out.u32(axis);
}

BoundingBox TLineObject::boundingBox(const Matrix4& M) const {
    constexpr float kReach = 10000.0f;
    int a = static_cast<int>(std::min<uint32_t>(axis, 2));
    float c = transformPoint(axisFrame.row(3), M)[a];
    BoundingBox box;
    box.lo = {-kReach, -kReach, -kReach};
    box.hi = {kReach, kReach, kReach};
    box.lo[a] = box.hi[a] = c;
    return box;
}

// ---- GemInstance ----

std::unique_ptr<ModelObject> GemInstance::clone() const { return cloneAs(*this); }
void GemInstance::swapContents(ModelObject& other) { swapAs(*this, other); }

void GemInstance::read(RecordReader& in, const ReadContext& ctx) {
    readRoot(in);
    placement = in.matrix();
    gemIndex = in.u32();
    library = ctx.gems;
}

void GemInstance::write(RecordWriter& out) const {
    writeRoot(out, classFlags);
    out.matrix(placement);
    out.u32(gemIndex);
}

const ModelObject* GemInstance::gem() const { return library ? library->entry(gemIndex) : nullptr; }

const ModelObject* GemInstance::resolve(Matrix4& composite) const {
    if (!library) return nullptr;
    const ModelObject* o = library->resolve(gemIndex, composite);
    composite = composite * placement;
    return o;
}

BoundingBox GemInstance::boundingBox(const Matrix4& M) const {
    Matrix4 composite;
    const ModelObject* g = resolve(composite);
    return g ? g->boundingBox(composite * M) : BoundingBox{};
}

// ---- NcPathObject ----

std::unique_ptr<ModelObject> NcPathObject::clone() const { return cloneAs(*this); }
void NcPathObject::swapContents(ModelObject& other) { swapAs(*this, other); }

// ---- registry ----

std::unique_ptr<ModelObject> createByNumber(uint32_t classNumber) {
    switch (classNumber) {
        case kClassBoolean: return std::make_unique<BooleanObject>();
        case kClassCurve: return std::make_unique<CurveObject>();
        case kClassGem: return std::make_unique<GemInstance>();
        case kClassFacet: return std::make_unique<FacetObject>();
        case kClassBlock: return std::make_unique<BlockObject>();
        case kClassSurface: return std::make_unique<SurfaceObject>();
        case kClassTLine: return std::make_unique<TLineObject>();
        default: return nullptr;
    }
}

}  // namespace orv
