#include "curves/curve_kinds.h"

#include <algorithm>
#include <numbers>

#include "model/objects.h"

namespace orv {

namespace {

constexpr CurveKindInfo kKinds[] = {
    {CurveKind::Simple, 7000, 7030, 10077, 10086},
    {CurveKind::VerticalMirror, 7001, 7031, 10078, 10087},
    {CurveKind::HorizontalMirror, 7002, 7032, 10079, 10088},
    {CurveKind::Revolve180, 7003, 7033, 10080, 10089},
    {CurveKind::Cycle, 7004, 7034, 10081, 10090},
    {CurveKind::Extend, 7005, 7035, 10082, 10091},
    {CurveKind::Revolve, 7006, 7036, 10083, 10092},
    {CurveKind::Transform, 7010, 7040, 10084, 10093},
};

bool isMotionKind(CurveKind k) {
    return k == CurveKind::Extend || k == CurveKind::Revolve || k == CurveKind::Transform;
}

bool isMirrorKind(CurveKind k) {
    return k == CurveKind::VerticalMirror || k == CurveKind::HorizontalMirror ||
           k == CurveKind::Revolve180;
}

int clampCopies(int k) {
    return std::clamp(k, 1, kMaxSweepCopies);
}

}  // namespace

const CurveKindInfo& curveKindInfo(CurveKind kind) {
    for (const auto& info : kKinds)
        if (info.kind == kind) return info;
    return kKinds[0];
}

std::optional<CurveKind> curveKindForCommand(int command, bool* editing) {
    for (const auto& info : kKinds) {
        if (command == info.createCommand || command == info.editCommand) {
            if (editing) *editing = command == info.editCommand;
            return info.kind;
        }
    }
    return std::nullopt;
}

Matrix4 worldFromScreen(const Matrix4& screen, const ViewAxes& axes) {
    Matrix4 w;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j)
            w(axes.axis[i], axes.axis[j]) =
                static_cast<float>(axes.sign[i] * axes.sign[j]) * screen(i, j);
        w(3, axes.axis[i]) = static_cast<float>(axes.sign[i]) * screen(3, i);
    }
    w(3, 3) = 1.0f;
    return w;
}

Matrix4 screenFromWorld(const Matrix4& world, const ViewAxes& axes) {
    Matrix4 s;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j)
            s(i, j) =
                static_cast<float>(axes.sign[i] * axes.sign[j]) * world(axes.axis[i], axes.axis[j]);
        s(3, i) = static_cast<float>(axes.sign[i]) * world(3, axes.axis[i]);
    }
    s(3, 3) = 1.0f;
    return s;
}

// ---- CurveSymmetry ----

CurveSymmetry::CurveSymmetry(CurveKind kind) : kind_(kind) {
    switch (kind) {
        case CurveKind::VerticalMirror:
        case CurveKind::HorizontalMirror:
        case CurveKind::Revolve180:
            copies_ = 2;
            break;
        case CurveKind::Cycle:
            copies_ = 4;
            closed_ = true;
            break;
        default:
            copies_ = 1;
            break;
    }
}

CurveSymmetry CurveSymmetry::extend(const ExtendArgs& args) {
    CurveSymmetry s(CurveKind::Extend);
    s.copies_ = clampCopies(args.extendNumber);
    Point3 v = args.vector();
    s.screen_ = Matrix4::translation(v.x, v.y, v.z);
    s.setUpAxes(s.axes_);
    return s;
}

CurveSymmetry CurveSymmetry::revolve(const RevolveArgs& args) {
    CurveSymmetry s(CurveKind::Revolve);
    s.copies_ = clampCopies(args.number);
    s.closed_ = args.fullRevolution;
    double a = args.turn() * std::numbers::pi / 180.0;
    float c = static_cast<float>(std::cos(a)), sn = static_cast<float>(std::sin(a));
    s.screen_ = Matrix4::identity();
    s.screen_(0, 0) = s.screen_(1, 1) = c;
    s.screen_(0, 1) = sn;
    s.screen_(1, 0) = -sn;
    s.setUpAxes(s.axes_);
    return s;
}

CurveSymmetry CurveSymmetry::transform(const Matrix4& T, int copies, const ViewAxes& dialogView) {
    CurveSymmetry s(CurveKind::Transform);
    s.copies_ = clampCopies(copies);
    s.screen_ = screenFromWorld(T, dialogView);
    s.setUpAxes(s.axes_);
    return s;
}

void CurveSymmetry::setUpAxes(const ViewAxes& axes) {
    axes_ = axes;
    if (isMotionKind(kind_)) {
        world_ = worldFromScreen(screen_, axes_);
        inverse_ = inverse(world_);
    }
}

std::vector<Point3> CurveSymmetry::generate() const {
    const int n = static_cast<int>(stored_.size());
    std::vector<Point3> full(static_cast<size_t>(n) * copies_);
    if (n == 0) return full;
    std::copy(stored_.begin(), stored_.end(), full.begin());
    if (isMirrorKind(kind_)) {
        for (int j = 0; j < n; ++j) {
            Point3 p = stored_[j];
            if (kind_ == CurveKind::Revolve180) {
                int a = axes_.axis[2];
                p[(a + 1) % 3] = -p[(a + 1) % 3];
                p[(a + 2) % 3] = -p[(a + 2) % 3];
            } else {
                int a = axes_.axis[kind_ == CurveKind::VerticalMirror ? 0 : 1];
                p[a] = -p[a];
            }
            full[2 * n - 1 - j] = p;
        }
    } else if (kind_ == CurveKind::Cycle) {
        const int h = axes_.axis[0], v = axes_.axis[1];
        for (int j = 0; j < n; ++j) {
            Point3 p = stored_[j];
            p[v] = -p[v];
            full[2 * n - 1 - j] = p;
        }
        for (int j = 0; j < 2 * n; ++j) {
            Point3 p = full[j];
            p[h] = -p[h];
            full[4 * n - 1 - j] = p;
        }
    } else if (isMotionKind(kind_)) {
        for (int c = 1; c < copies_; ++c)
            for (int j = 0; j < n; ++j)
                full[c * n + j] = transformPoint(full[(c - 1) * n + j], world_);
    }
    return full;
}

void CurveSymmetry::generate(CurveObject& curve) const {
    curve.setCvs(generate());
}

CvSource CurveSymmetry::locate(int i) const {
    const int n = static_cast<int>(stored_.size());
    if (n == 0 || i < 0 || i >= n * copies_) return {};
    int c = i / n, r = i % n;
    bool reversed = (isMirrorKind(kind_) && c != 0) || (kind_ == CurveKind::Cycle && c % 2 != 0);
    return {c, reversed ? n - 1 - r : r};
}

Point3 CurveSymmetry::mapBack(int copy, const Point3& p) const {
    Point3 q = p;
    if (isMirrorKind(kind_)) {
        if (copy == 0) return q;
        if (kind_ == CurveKind::Revolve180) {
            int a = axes_.axis[2];
            q[(a + 1) % 3] = -q[(a + 1) % 3];
            q[(a + 2) % 3] = -q[(a + 2) % 3];
        } else {
            int a = axes_.axis[kind_ == CurveKind::VerticalMirror ? 0 : 1];
            q[a] = -q[a];
        }
    } else if (kind_ == CurveKind::Cycle) {
        if (copy > 1) q[axes_.axis[0]] = -q[axes_.axis[0]];
        if (copy == 1 || copy == 2) q[axes_.axis[1]] = -q[axes_.axis[1]];
    } else if (isMotionKind(kind_)) {
        for (int c = 0; c < copy; ++c) q = transformPoint(q, inverse_);
    }
    return q;
}

void CurveSymmetry::rederive(CurveObject& curve, const ViewAxes& axes) {
    const int total = curve.cvCount();
    const int n = (total + copies_ - 1) / copies_;
    stored_.assign(curve.cvs.begin(), curve.cvs.begin() + n);
    setUpAxes(axes);
    generate(curve);
}

}  // namespace orv
