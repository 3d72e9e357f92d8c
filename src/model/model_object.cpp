#include "model/model_object.h"

#include <cmath>

#include "model/record_io.h"

namespace orv {

namespace {

// Keeps at most 1023 UTF-8 characters, cutting on a character boundary.
std::string limitMaterialName(std::string s) {
    size_t chars = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        if ((static_cast<uint8_t>(s[i]) & 0xC0) != 0x80 && ++chars > 1023) {
            s.resize(i);
            break;
        }
    }
    return s;
}

}  // namespace

void ModelObject::transform(const Matrix4& M, bool /*all*/) {
    mappingMatrix = mappingMatrix * M;
    Point3 origin = transformPoint(axisFrame.row(3), M);
    // The frame turns with the object but keeps unit axes: scale is stripped from M first.
    Matrix4 unit = M;
    for (int r = 0; r < 3; ++r) {
        Point3 row = unit.row(r);
        if (length(row) < tol::kShortAxisRow) {
            Point3 axis;
            axis[r] = 1.0f;
            unit.setRow(r, axis);
        } else {
            unit.setRow(r, normalize(row));
        }
    }
    axisFrame = axisFrame * unit;
    axisFrame.setRow(3, origin);
}

BoundingBox ModelObject::boundingBox(const Matrix4&) const { return {}; }

void ModelObject::readRoot(RecordReader& in) {
    uint32_t stateWord = in.u32();
    storedState = static_cast<uint16_t>(stateWord & 0xFFFF);
    state = storedState;
    layer = static_cast<int16_t>(stateWord >> 16);
    // Layers index fixed tables; a stored number outside them is corruption, not a layer.
    if (layer < 0 || layer >= kLayerCount) layer = 0;
    axisFrame = in.matrix();
    uint32_t flags = in.u32();
    mappingMode = static_cast<int>(flags & 0xFF);
    nonDeformable = (flags >> 8) & 1;
    jewel = (flags >> 9) & 1;
    superSubtractor = (flags >> 10) & 1;
    classFlags = flags & 0xFFFF0000u;
    mappingMatrix = in.matrix();
    materialName = limitMaterialName(in.string());
}

void ModelObject::writeRoot(RecordWriter& out, uint32_t classBits) const {
    out.u32(classNumber());
    int s = state;
    int l = layer;
    if (out.pendingStateShift != 0) {
        s += out.pendingStateShift;
        l = 0;
        out.pendingStateShift = 0;
    }
    out.u32((static_cast<uint32_t>(s) & 0xFFFF) | (static_cast<uint32_t>(static_cast<uint16_t>(l)) << 16));
    out.matrix(axisFrame);
    uint32_t flags = (static_cast<uint32_t>(mappingMode) & 0xFF) | (nonDeformable ? 1u << 8 : 0) |
                     (jewel ? 1u << 9 : 0) | (superSubtractor ? 1u << 10 : 0) | classBits;
    out.u32(flags);
    out.matrix(mappingMatrix);
    out.string(materialName);
}

void ModelObject::read(RecordReader& in, const ReadContext&) { readRoot(in); }

void ModelObject::write(RecordWriter& out) const { writeRoot(out, classFlags); }

void CvObject::setCvs(std::vector<Point3> points, std::vector<uint32_t> flags) {
    cvs = std::move(points);
    cvFlags = std::move(flags);
    cvFlags.resize(cvs.size(), 0);
}

void CvObject::transform(const Matrix4& M, bool all) {
    // Moving a few picked CVs does not move the object: its frame and mapping stay.
    if (all) ModelObject::transform(M, all);
    if (!all && hideCv) return;
    for (size_t i = 0; i < cvs.size(); ++i)
        if (all || cvFlags[i] != 0) cvs[i] = transformPoint(cvs[i], M);
}

BoundingBox CvObject::boundingBox(const Matrix4& M) const {
    BoundingBox box;
    for (const Point3& p : cvs) box.grow(transformPoint(p, M));
    return box;
}

void CvObject::readCvs(RecordReader& in) {
    int32_t n = in.i32();
    cvs.clear();
    cvFlags.clear();
    if (n <= 0) return;
    if (!in.fits(static_cast<uint64_t>(n), 16)) {
        in.markDamaged();
        return;
    }
    cvs.resize(static_cast<size_t>(n));
    cvFlags.resize(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i) {
        cvs[i] = in.point();
        cvFlags[i] = in.u32();
    }
}

void CvObject::writeCvs(RecordWriter& out) const {
    out.i32(static_cast<int32_t>(cvs.size()));
    for (size_t i = 0; i < cvs.size(); ++i) {
        out.point(cvs[i]);
        out.u32(cvFlags[i]);
    }
}

void PlacedObject::transform(const Matrix4& M, bool all) {
    if (!all) return;
    ModelObject::transform(M, all);
    placement = placement * M;
}

}  // namespace orv
