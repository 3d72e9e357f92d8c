#include "curves/ready_made.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <numbers>

#include "curves/curve_kinds.h"
#include "model/document.h"
#include "model/objects.h"

namespace orv {

namespace {

constexpr double kDegree = std::numbers::pi / 180.0;

// A point in the view's screen axes (horizontal, vertical, depth) as a world point.
Point3 onAxes(const ViewAxes& axes, double h, double v, double d) {
    Point3 p;
    p[axes.axis[0]] = static_cast<float>(h);
    p[axes.axis[1]] = static_cast<float>(v);
    p[axes.axis[2]] = static_cast<float>(d);
    return p;
}

CurveResult addCurve(Document& doc, std::vector<Point3> cvs, bool closed) {
    auto curve = std::make_unique<CurveObject>();
    curve->setCvs(std::move(cvs));
    curve->closed = closed ? 1 : 0;
    curve->freeStart = curve->freeEnd = 0;
    curve->resolution = 8;
    curve->hideCv = false;
    return {static_cast<CurveObject*>(doc.addObject(std::move(curve), true)), {}};
}

std::string countError(const char* label, int n) {
    if (n >= 3 && n <= kMaxReadyMadeCvs) return {};
    return std::string(label) + " must be a whole number from 3 to " +
           std::to_string(kMaxReadyMadeCvs);
}

// The helix's g (CVs minus one) as a double, so huge products cannot overflow an int.
double helixSpans(const HelixArgs& a) {
    return std::trunc(a.noOfTurns * a.cvsPerTurn + 0.5);
}

const std::vector<std::pair<std::string, FirstCv>> kFirstCvChoices = {{"Vertex", FirstCv::Vertex},
                                                                      {"Flat", FirstCv::Flat}};

template <class Args>
std::vector<DialogField<Args>> firstCvFields() {
    return {choiceField("First CV", &Args::firstCv, kFirstCvChoices),
            radioField("Vertex", &Args::firstCv, FirstCv::Vertex, FirstCv::Flat),
            radioField("Flat", &Args::firstCv, FirstCv::Flat, FirstCv::Vertex)};
}

// The circle's size edit under either of its two list entries.
DialogField<CircleArgs> sizeField(const char* label, CircleArgs::Size size) {
    const double toDiameter = size == CircleArgs::Size::Radius ? 2.0 : 1.0;
    return {label,
            {},
            [size, toDiameter](CircleArgs& a, std::string_view t) -> std::string {
                auto v = parseNumber(t);
                if (!v) return "\"" + std::string(t) + "\" is not a number";
                a.size = size;
                a.diameter = *v * toDiameter;
                return {};
            },
            [toDiameter](const CircleArgs& a) { return formatNumber(a.diameter / toDiameter); }};
}

}  // namespace

// ---- Dialog fields ----

const std::vector<DialogField<LineArgs>>& LineArgs::fields() {
    static const auto list = withDefaults<LineArgs>(
        {numberField("Angle (degree) at horizontal axis ", &LineArgs::angle)});
    return list;
}

const std::vector<DialogField<CircleArgs>>& CircleArgs::fields() {
    static const auto list = [] {
        std::vector<DialogField<CircleArgs>> f = {
            integerField("No. of CV's:", &CircleArgs::noOfCvs),
            sizeField("Diameter", Size::Diameter), sizeField("Radius", Size::Radius)};
        for (auto& g : firstCvFields<CircleArgs>()) f.push_back(std::move(g));
        return withDefaults(std::move(f));
    }();
    return list;
}

const std::vector<DialogField<PolygonArgs>>& PolygonArgs::fields() {
    static const auto list = [] {
        std::vector<DialogField<PolygonArgs>> f = {
            integerField("No. of Sides:", &PolygonArgs::noOfSides)};
        for (auto& g : firstCvFields<PolygonArgs>()) f.push_back(std::move(g));
        return withDefaults(std::move(f));
    }();
    return list;
}

const std::vector<DialogField<HelixArgs>>& HelixArgs::fields() {
    static const auto list = withDefaults<HelixArgs>(
        {numberField("Radius 1", &HelixArgs::radius1), numberField("Radius 2", &HelixArgs::radius2),
         numberField("Length", &HelixArgs::length),
         numberField("No. of turns", &HelixArgs::noOfTurns),
         numberField("CV's per turn", &HelixArgs::cvsPerTurn),
         radioField("Anit-clockwise", &HelixArgs::turn, Turn::AntiClockwise, Turn::Clockwise),
         radioField("Clockwise", &HelixArgs::turn, Turn::Clockwise, Turn::AntiClockwise)});
    return list;
}

// ---- Validation ----

std::string validate(const LineArgs& args) {
    return std::isfinite(args.angle) ? std::string{} : "the angle must be a finite number";
}

std::string validate(const CircleArgs& args) {
    if (auto e = countError("No. of CV's", args.noOfCvs); !e.empty()) return e;
    if (!std::isfinite(args.diameter) || args.diameter <= 0.0)
        return args.size == CircleArgs::Size::Radius ? "the radius must be greater than 0"
                                                     : "the diameter must be greater than 0";
    return {};
}

std::string validate(const PolygonArgs& args) {
    return countError("No. of Sides", args.noOfSides);
}

std::string validate(const HelixArgs& args) {
    for (double v : {args.radius1, args.radius2, args.length, args.noOfTurns, args.cvsPerTurn})
        if (!std::isfinite(v)) return "every helix value must be a finite number";
    if (helixSpans(args) + 1 > kMaxReadyMadeCvs)
        return "a helix of more than " + std::to_string(kMaxReadyMadeCvs) +
               " CVs is refused: lower No. of turns or CV's per turn";
    return {};
}

// ---- Constructions ----

std::vector<Point3> lineCvs(const ViewAxes& axes, const LineArgs& args) {
    if (!validate(args).empty()) return {};
    double a = args.angle * kDegree;
    Point3 u = onAxes(axes, std::cos(a), std::sin(a), 0.0);
    return {-u, u};
}

std::vector<Point3> circleCvs(const ViewAxes& axes, const CircleArgs& args) {
    if (!validate(args).empty()) return {};
    const int q = args.noOfCvs;
    const double step = 2.0 * std::numbers::pi / q;
    const double R = 0.5 * args.diameter * ringCvFactor(step);
    std::vector<Point3> cvs;
    cvs.reserve(q);
    for (int i = 0; i < q; ++i) {
        if (args.firstCv == FirstCv::Vertex) {
            cvs.push_back(onAxes(axes, R * std::cos(i * step), R * std::sin(i * step), 0.0));
        } else {
            double a = (i + 0.5) * step;
            cvs.push_back(onAxes(axes, R * std::sin(a), -R * std::cos(a), 0.0));
        }
    }
    return cvs;
}

std::vector<Point3> polygonCvs(const ViewAxes& axes, const PolygonArgs& args) {
    if (!validate(args).empty()) return {};
    const int q = args.noOfSides;
    const double step = 2.0 * std::numbers::pi / q;
    const double c = 1.0 / std::cos(step / 2.0);
    std::vector<Point3> cvs;
    cvs.reserve(2 * static_cast<size_t>(q));
    for (int i = 0; i < q; ++i) {
        Point3 p;
        if (args.firstCv == FirstCv::Vertex) {
            p = onAxes(axes, std::cos(i * step), std::sin(i * step), 0.0);
        } else {
            double a = (i + 0.5) * step;
            p = onAxes(axes, c * std::sin(a), -c * std::cos(a), 0.0);
        }
        // Each corner twice: the B-spline runs straight along every edge.
        cvs.push_back(p);
        cvs.push_back(p);
    }
    return cvs;
}

std::vector<Point3> helixCvs(const ViewAxes& axes, const HelixArgs& args) {
    if (!validate(args).empty()) return {};
    const double spans = helixSpans(args);
    if (spans + 1 < 2) return {};
    const int g = static_cast<int>(spans);
    double delta = args.noOfTurns * 360.0 / g * kDegree;
    if (args.turn == HelixArgs::Turn::Clockwise) delta = -delta;
    const double radiusStep = (args.radius2 - args.radius1) / g;
    const double lengthStep = args.length / g;
    std::vector<Point3> cvs;
    cvs.reserve(g + 1);
    for (int i = 0; i <= g; ++i) {
        double rho = args.radius1 + i * radiusStep;
        cvs.push_back(onAxes(axes, rho * std::cos(i * delta) * axes.sign[0],
                             rho * std::sin(i * delta) * axes.sign[1],
                             i * lengthStep * axes.sign[2]));
    }
    return cvs;
}

CurveResult makeLine(Document& doc, const ViewAxes& axes, const LineArgs& args) {
    if (auto e = validate(args); !e.empty()) return {nullptr, e};
    return addCurve(doc, lineCvs(axes, args), false);
}

CurveResult makeCircle(Document& doc, const ViewAxes& axes, const CircleArgs& args) {
    if (auto e = validate(args); !e.empty()) return {nullptr, e};
    return addCurve(doc, circleCvs(axes, args), true);
}

CurveResult makePolygon(Document& doc, const ViewAxes& axes, const PolygonArgs& args) {
    if (auto e = validate(args); !e.empty()) return {nullptr, e};
    return addCurve(doc, polygonCvs(axes, args), true);
}

CurveResult makeHelix(Document& doc, const ViewAxes& axes, const HelixArgs& args) {
    if (auto e = validate(args); !e.empty()) return {nullptr, e};
    std::vector<Point3> cvs = helixCvs(axes, args);
    if (cvs.empty()) return {};
    return addCurve(doc, std::move(cvs), false);
}

// ---- Sketch ----

SketchSelection selectSketchPoints(std::span<const PixelPoint> trail) {
    constexpr int kCloseDistance = 8;  // pixels, per coordinate, strict
    constexpr int kDroppedOnClose = 8;
    constexpr int kMaxGap = 8;              // points between two kept ones
    constexpr long long kMaxTravel = 2500;  // squared pixels walked since the last kept point

    SketchSelection out;
    int size = static_cast<int>(std::min<size_t>(trail.size(), kMaxSketchTrail));
    if (size < 2) return out;
    const PixelPoint& first = trail[0];
    const PixelPoint& last = trail[size - 1];
    if (std::abs(last.x - first.x) < kCloseDistance &&
        std::abs(last.y - first.y) < kCloseDistance) {
        out.closed = true;
        size -= kDroppedOnClose;
        // A stroke that comes back within its own closing tail leaves nothing to draw.
        if (size < 2) return {};
    }
    out.kept.push_back(0);
    int lastKept = 0;
    long long travel = 0;
    for (int j = 1; j < size; ++j) {
        bool keep = j == size - 1 || static_cast<int>(out.kept.size()) == kMaxSketchCvs - 1 ||
                    j - lastKept > kMaxGap;
        if (!keep) {
            long long dx = trail[j].x - trail[j - 1].x, dy = trail[j].y - trail[j - 1].y;
            travel += dx * dx + dy * dy;
            keep = travel > kMaxTravel;
        }
        if (!keep) continue;
        out.kept.push_back(j);
        lastKept = j;
        travel = 0;
        if (static_cast<int>(out.kept.size()) == kMaxSketchCvs) break;
    }
    return out;
}

CurveResult makeSketch(Document& doc, std::span<const PixelPoint> trail,
                       const std::function<Point3(const PixelPoint&)>& toWorld) {
    if (!toWorld) return {nullptr, "no way to place screen points in the world"};
    SketchSelection sel = selectSketchPoints(trail);
    if (sel.kept.size() < 2) return {};
    std::vector<Point3> cvs;
    cvs.reserve(sel.kept.size());
    for (int i : sel.kept) cvs.push_back(toWorld(trail[i]));
    return addCurve(doc, std::move(cvs), sel.closed);
}

}  // namespace orv
