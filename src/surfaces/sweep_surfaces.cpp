#include "surfaces/sweep_surfaces.h"

#include <cmath>
#include <numbers>

#include "curves/curve_kinds.h"
#include "model/document.h"
#include "model/objects.h"

namespace orv {

namespace {

struct Vec {
    double x, y, z;
};
Vec vec(const Point3& p) {
    return {p.x, p.y, p.z};
}
Vec operator-(const Vec& a, const Vec& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
double triple(const Vec& a, const Vec& b, const Vec& c) {
    return a.x * (b.y * c.z - b.z * c.y) + a.y * (b.z * c.x - b.x * c.z) +
           a.z * (b.x * c.y - b.y * c.x);
}

bool finiteMatrix(const Matrix4& m) {
    for (float v : m.m)
        if (!std::isfinite(v)) return false;
    return true;
}

// Sweeps every picked curve with the same motion; the cursor does not reach the surfaces
// appended on the way.
SurfaceResult sweepPicked(Document& doc, int copies, const Matrix4& W, const Point3& scale,
                          bool rowClosed) {
    SurfaceResult result;
    ObjectList::Cursor cursor;
    while (ModelObject* o = doc.objects().nextObject(cursor, objstate::kPicked, kClassCurve)) {
        auto& curve = static_cast<CurveObject&>(*o);
        if (SurfaceObject* s = sweepCurve(doc, curve, copies, W, scale, rowClosed))
            result.surfaces.push_back(s);
    }
    return result;
}

}  // namespace

// ---- Orientation ----

double netVolumeTimesSix(std::span<const Point3> net, int rows, int columns, bool rowClosed,
                         bool columnClosed) {
    if (rows < 2 || columns < 2 || net.size() < static_cast<size_t>(rows) * columns) return 0.0;
    auto P = [&](int i, int j) {
        return vec(net[static_cast<size_t>(i % rows) * columns + j % columns]);
    };
    double sum = 0.0;
    const int iEnd = rowClosed ? rows : rows - 1;
    const int jEnd = columnClosed ? columns : columns - 1;
    for (int i = 0; i < iEnd; ++i)
        for (int j = 0; j < jEnd; ++j) {
            Vec A = P(i, j), B = P(i, j + 1), C = P(i + 1, j), D = P(i + 1, j + 1);
            sum += triple(D - A, B, C);
        }
    // Caps over the open ends, wound against the quads that share their edges: the quads run
    // along row-direction edges at j = 0 with increasing i, so that cap runs with decreasing i;
    // likewise for the other three borders.
    if (rowClosed && !columnClosed) {
        for (int i = 1; i + 1 < rows; ++i) {
            sum += triple(P(0, 0), P(i + 1, 0), P(i, 0));
            sum += triple(P(0, columns - 1), P(i, columns - 1), P(i + 1, columns - 1));
        }
    } else if (columnClosed && !rowClosed) {
        for (int j = 1; j + 1 < columns; ++j) {
            sum += triple(P(0, 0), P(0, j), P(0, j + 1));
            sum += triple(P(rows - 1, 0), P(rows - 1, j + 1), P(rows - 1, j));
        }
    }
    return sum;
}

int netOrientation(std::span<const Point3> net, int rows, int columns, bool rowClosed,
                   bool columnClosed) {
    return netVolumeTimesSix(net, rows, columns, rowClosed, columnClosed) >= 0.0 ? 1 : -1;
}

// ---- Sweep ----

std::unique_ptr<SurfaceObject> sweepNet(const CurveObject& curve, int copies, const Matrix4& W,
                                        const Point3& scale, bool rowClosed) {
    const int n = curve.cvCount();
    if (n == 0 || copies < 1) return nullptr;
    auto s = std::make_unique<SurfaceObject>();
    std::vector<Point3> net(static_cast<size_t>(copies) * n);
    for (int j = 0; j < n; ++j) {
        const Point3& p = curve.cvs[j];
        net[j] = {scale.x * p.x, scale.y * p.y, scale.z * p.z};
    }
    for (int i = 1; i < copies; ++i)
        for (int j = 0; j < n; ++j)
            net[static_cast<size_t>(i) * n + j] =
                transformPoint(net[static_cast<size_t>(i - 1) * n + j], W);
    s->setCvs(std::move(net));
    s->rows = static_cast<uint32_t>(copies);
    s->columns = static_cast<uint32_t>(n);
    s->rowFreeStart = s->rowFreeEnd = 0;
    s->rowResolution = 8;
    s->rowClosed = rowClosed ? 1 : 0;
    s->columnFreeStart = curve.freeStart;
    s->columnFreeEnd = curve.freeEnd;
    s->columnClosed = curve.closed;
    s->columnResolution = curve.resolution;
    s->orientation = netOrientation(s->cvs, copies, n, rowClosed, curve.closed != 0);
    return s;
}

SurfaceObject* sweepCurve(Document& doc, CurveObject& curve, int copies, const Matrix4& W,
                          const Point3& scale, bool rowClosed) {
    std::unique_ptr<SurfaceObject> s = sweepNet(curve, copies, W, scale, rowClosed);
    if (!s) return nullptr;
    auto* added = static_cast<SurfaceObject*>(doc.addObject(std::move(s), true));
    doc.record(&curve, RecordType::StateChanged);
    curve.state = objstate::kRemovedCurve;
    return added;
}

// ---- Commands ----

const std::vector<DialogField<ExtendSurfaceArgs>>& ExtendSurfaceArgs::fields() {
    static const auto list = fieldsAs<ExtendSurfaceArgs>(ExtendArgs::fields());
    return list;
}

const std::vector<DialogField<RevolveSurfaceArgs>>& RevolveSurfaceArgs::fields() {
    static const auto list = fieldsAs<RevolveSurfaceArgs>(RevolveArgs::fields());
    return list;
}

Matrix4 extendSurfaceMatrix(const ViewAxes& axes, const ExtendArgs& args) {
    Point3 v = args.vector();
    return worldFromScreen(Matrix4::translation(v.x, v.y, v.z), axes);
}

Matrix4 axisRotation(int axis, double degrees) {
    const int c = (axis + 1) % 3, e = (axis + 2) % 3;
    const double a = degrees * std::numbers::pi / 180.0;
    const float cs = static_cast<float>(std::cos(a)), sn = static_cast<float>(std::sin(a));
    Matrix4 W;
    W(c, c) = W(e, e) = cs;
    W(c, e) = sn;
    W(e, c) = -sn;
    W(axis, axis) = W(3, 3) = 1.0f;
    return W;
}

SurfaceResult makeExtendSurfaces(Document& doc, const ViewAxes& axes,
                                 const ExtendSurfaceArgs& args) {
    if (auto e = validate(args); !e.empty()) return {{}, e};
    if (args.extendNumber <= 1) return {};
    return sweepPicked(doc, args.extendNumber, extendSurfaceMatrix(axes, args), {1, 1, 1}, false);
}

SurfaceResult makeRevolveSurfaces(Document& doc, const ViewAxes& axes,
                                  const RevolveSurfaceArgs& args, RevolveAxis which) {
    if (auto e = validate(args); !e.empty()) return {{}, e};
    // One row would hide the curve behind a surface with nothing to draw.
    if (args.number <= 1) return {};
    const int slot = which == RevolveAxis::Vertical ? 1 : 0;
    const int a = axes.axis[slot];
    const Matrix4 W = axisRotation(a, args.turn() * axes.sign[slot]);
    const float f = static_cast<float>(ringCvFactor(args.degree * std::numbers::pi / 180.0));
    Point3 scale{f, f, f};
    scale[a] = 1.0f;
    return sweepPicked(doc, args.number, W, scale, args.fullRevolution);
}

SurfaceResult makeTransformSurfaces(Document& doc, const TransformSurfaceArgs& args) {
    if (args.copies < 1 || args.copies > kMaxSweepCopies)
        return {
            {},
            "the copy count must be a whole number from 1 to " + std::to_string(kMaxSweepCopies)};
    if (!finiteMatrix(args.matrix))
        return {{}, "the transformation must be made of finite numbers"};
    if (args.copies == 1) return {};
    return sweepPicked(doc, args.copies, args.matrix, {1, 1, 1}, false);
}

}  // namespace orv
