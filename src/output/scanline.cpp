#include "output/scanline.h"

#include "model/object_list.h"

namespace orv {

ScanFrame ScanFrame::grid(int sliceAxis, int rowAxis, int runAxis, const Point3& origin,
                          const std::array<float, 3>& cell, int rowCount, const Matrix4& matrix) {
    ScanFrame f;
    f.matrix = matrix;
    f.axis = {sliceAxis, rowAxis, runAxis};
    for (int k = 0; k < 3; ++k) {
        f.scale[k] = 1.0f / cell[k];
        f.offset[k] = -origin[f.axis[k]] * f.scale[k];
    }
    f.rowCount = rowCount;
    return f;
}

FramePoint ScanFrame::toFrame(const Point3& model) const {
    const Point3 p = transformPoint(model, matrix);
    return {p[axis[0]] * scale[0] + offset[0], p[axis[1]] * scale[1] + offset[1],
            p[axis[2]] * scale[2] + offset[2]};
}

Point3 ScanFrame::toModel(const FramePoint& f) const {
    Point3 p;
    const float c[3] = {f.slice, f.row, f.run};
    for (int k = 0; k < 3; ++k) p[axis[k]] = (c[k] - offset[k]) / scale[k];
    return transformPoint(p, inverse(matrix));
}

Matrix4 ScanFrame::composite() const {
    Matrix4 m;  // turned point -> frame
    for (int k = 0; k < 3; ++k) {
        m(axis[k], k) = scale[k];
        m(3, k) = offset[k];
    }
    m(3, 3) = 1.0f;
    return matrix * m;
}

struct SolidEvaluator::Impl {};

SolidEvaluator::SolidEvaluator() = default;
SolidEvaluator::~SolidEvaluator() {
    release();
}

bool SolidEvaluator::build(const ObjectList&, const ScanFrame&, const ScanOptions&) {
    release();
    return false;
}
void SolidEvaluator::release() {
    impl_.reset();
}
bool SolidEvaluator::empty() const {
    return !impl_;
}
int SolidEvaluator::firstSlice() const {
    return 0;
}
int SolidEvaluator::lastSlice() const {
    return -1;
}
bool SolidEvaluator::advance(int) {
    return false;
}
int SolidEvaluator::currentSlice() const {
    return -1;
}
int SolidEvaluator::firstRow() const {
    return 0;
}
int SolidEvaluator::lastRow() const {
    return -1;
}
std::span<const ScanInterval> SolidEvaluator::intervals(int) {
    return {};
}
std::span<const ScanAttributes> SolidEvaluator::attributes() const {
    return {};
}
ScanCounts SolidEvaluator::counts() const {
    return {};
}
std::string SolidEvaluator::describe() const {
    return {};
}

int solidEvaluationsInProgress() {
    return 0;
}

}  // namespace orv
