#include "curves/sweep_dialogs.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace orv {

namespace {

constexpr double kDegree = std::numbers::pi / 180.0;
// tan psi is clamped so that psi = +-90 degrees still gives a finite depth.
constexpr double kMaxTan = 99999.0;

Point3 polarVector(double length, double phi, double psi) {
    double t = std::clamp(std::tan(psi * kDegree), -kMaxTan, kMaxTan);
    double c = length * std::cos(phi * kDegree);
    return {static_cast<float>(c), static_cast<float>(length * std::sin(phi * kDegree)),
            static_cast<float>(c * t)};
}

std::array<double, 3> toPolar(double x, double y, double z) {
    return {std::hypot(x, y), std::atan2(y, x) / kDegree, std::atan2(z, x) / kDegree};
}

double roundTo(double v, double step) {
    return step > 0.0 ? std::round(v / step) * step : v;
}

bool inCopyRange(int n) {
    return n >= 1 && n <= kMaxSweepCopies;
}

}  // namespace

// ---- ExtendArgs ----

Point3 ExtendArgs::vector() const {
    if (polar) return polarVector(edits[0], edits[1], edits[2]);
    return {static_cast<float>(edits[0]), static_cast<float>(edits[1]),
            static_cast<float>(edits[2])};
}

bool ExtendArgs::setPolar(bool on) {
    if (on == polar) return true;
    if (!on) {
        Point3 v = vector();
        edits = {v.x, v.y, v.z};
        polar = false;
        return true;
    }
    std::array<double, 3> p = toPolar(edits[0], edits[1], edits[2]);
    // Polar entry ties the depth to the horizontal component; refuse rather than lose a depth
    // that the horizontal component cannot carry.
    Point3 back = polarVector(p[0], p[1], p[2]);
    double scale = std::max({1.0, std::fabs(edits[0]), std::fabs(edits[1]), std::fabs(edits[2])});
    if (std::fabs(back.z - edits[2]) > 1e-4 * scale) return false;
    edits = p;
    polar = true;
    return true;
}

void ExtendArgs::applyDrag(const Point3& worldDelta, const ViewAxes& axes, double gridStep) {
    double h = roundTo(worldDelta[axes.axis[0]], gridStep) * axes.sign[0];
    double v = roundTo(worldDelta[axes.axis[1]], gridStep) * axes.sign[1];
    if (polar) {
        edits = {std::hypot(h, v), std::atan2(v, h) / kDegree, 0.0};
    } else {
        edits = {h, v, 0.0};
    }
}

const std::vector<DialogField<ExtendArgs>>& ExtendArgs::fields() {
    static const std::vector<DialogField<ExtendArgs>> list = [] {
        auto edit = [](std::string label, int i, std::string polarLabel) {
            return DialogField<ExtendArgs>{
                std::move(label),
                {},
                [i](ExtendArgs& a, std::string_view t) -> std::string {
                    auto v = parseNumber(t);
                    if (!v) return "\"" + std::string(t) + "\" is not a number";
                    a.edits[i] = *v;
                    return {};
                },
                [i](const ExtendArgs& a) { return formatNumber(a.edits[i]); },
                {std::move(polarLabel)}};
        };
        DialogField<ExtendArgs> polarBox{
            "<",
            {},
            [](ExtendArgs& a, std::string_view t) -> std::string {
                auto v = parseCheck(t);
                if (!v) return "\"" + std::string(t) + "\" is neither on nor off";
                if (!a.setPolar(*v))
                    return "polar entry cannot express a '+' (depth) part without a '--' part";
                return {};
            },
            [](const ExtendArgs& a) { return std::string(a.polar ? "1" : "0"); }};
        return withDefaults<ExtendArgs>({integerField("Extend Number", &ExtendArgs::extendNumber),
                                         edit("--", 0, "/"), edit("|", 1, "<"), edit("+", 2, ">"),
                                         polarBox});
    }();
    return list;
}

std::string validate(const ExtendArgs& args) {
    if (!inCopyRange(args.extendNumber))
        return "Extend Number must be a whole number from 1 to " + std::to_string(kMaxSweepCopies);
    for (double e : args.edits)
        if (!std::isfinite(e)) return "the extend vector must be made of finite numbers";
    Point3 v = args.vector();
    if (!std::isfinite(v.x) || !std::isfinite(v.y) || !std::isfinite(v.z))
        return "the extend vector is too long";
    return {};
}

// ---- RevolveArgs ----

void RevolveArgs::setNumber(int n) {
    number = n;
    if (fullRevolution && n != 0) degree = 360.0 / n;
}

void RevolveArgs::setDegree(double d) {
    degree = d;
    if (fullRevolution && std::fabs(d) >= 0.001) {
        double n = std::trunc(360.0 / d);
        number = static_cast<int>(std::clamp(n, -1e9, 1e9));
    }
}

bool RevolveArgs::applyDrag(double turnDegrees) {
    if (!std::isfinite(turnDegrees)) return false;
    double a = std::fmod(turnDegrees, 360.0);
    if (a > 180.0) a -= 360.0;
    if (a <= -180.0) a += 360.0;
    if (std::fabs(a) < 1.0) return false;
    clockwise = a < 0.0;
    degree = std::fabs(a);
    if (fullRevolution) {
        int g = static_cast<int>(360.0 / degree + 0.5);
        degree = 360.0 / g;
        number = g;
    }
    return true;
}

const std::vector<DialogField<RevolveArgs>>& RevolveArgs::fields() {
    static const std::vector<DialogField<RevolveArgs>> list = [] {
        DialogField<RevolveArgs> num{"Number",
                                     {},
                                     [](RevolveArgs& a, std::string_view t) -> std::string {
                                         auto v = parseInteger(t);
                                         if (!v)
                                             return "\"" + std::string(t) +
                                                    "\" is not a whole number";
                                         a.setNumber(*v);
                                         return {};
                                     },
                                     [](const RevolveArgs& a) { return std::to_string(a.number); }};
        DialogField<RevolveArgs> deg{"Degree",
                                     {},
                                     [](RevolveArgs& a, std::string_view t) -> std::string {
                                         auto v = parseNumber(t);
                                         if (!v)
                                             return "\"" + std::string(t) + "\" is not a number";
                                         a.setDegree(*v);
                                         return {};
                                     },
                                     [](const RevolveArgs& a) { return formatNumber(a.degree); }};
        return withDefaults<RevolveArgs>(
            {num, deg, checkField("Full revolution", &RevolveArgs::fullRevolution),
             checkField("Clockwise", &RevolveArgs::clockwise)});
    }();
    return list;
}

std::string validate(const RevolveArgs& args) {
    if (!inCopyRange(args.number))
        return "Number must be a whole number from 1 to " + std::to_string(kMaxSweepCopies);
    if (!std::isfinite(args.degree)) return "Degree must be a finite number";
    return {};
}

}  // namespace orv
