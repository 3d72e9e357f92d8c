#include "output/estimate.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/ui_strings.h"
#include "model/object_list.h"

namespace orv {

std::string specificGravityText(const SpecificGravity& g) {
    char buf[128];
    std::snprintf(buf, sizeof buf, "%6.3f  [%s]", g.value, std::string(uiText(g.nameId)).c_str());
    return buf;
}

double parseSpecificGravity(std::string_view text) {
    // strtod needs a terminated string and would also accept "inf", "nan" and hex numbers,
    // none of which is a specific gravity.
    std::string s(text);
    size_t i = s.find_first_not_of(" \t");
    if (i == std::string::npos) return 0.0;
    size_t j = i;
    if (s[j] == '+' || s[j] == '-') ++j;
    if (j >= s.size() || !(std::isdigit(static_cast<unsigned char>(s[j])) || s[j] == '.'))
        return 0.0;
    char* end = nullptr;
    const double v = std::strtod(s.c_str() + i, &end);
    if (end == s.c_str() + i || !std::isfinite(v)) return 0.0;
    return v;
}

const std::vector<DialogField<WeightArgs>>& WeightArgs::fields() {
    static const std::vector<DialogField<WeightArgs>> fields = [] {
        DialogField<WeightArgs> f;
        f.label = std::string(uiText(estimatemsg::kGravityLabel));
        f.defaultValue = specificGravityText(kSpecificGravities[0]);
        f.set = [](WeightArgs& a, std::string_view t) {
            a.gravityText = std::string(t);
            return std::string();
        };
        f.get = [](const WeightArgs& a) { return a.gravityText; };
        for (const auto& g : kSpecificGravities) f.choices.push_back(specificGravityText(g));
        return std::vector<DialogField<WeightArgs>>{f};
    }();
    return fields;
}

SolidEstimate estimateSolid(const ObjectList& objects, const EstimateOptions& options,
                            Progress* progress) {
    SolidEstimate result;
    const BoundingBox box = solidBoundingBox(objects, options.scan);
    const float r = options.cell;
    if (!validSolidBox(box) || !(r > 0.0f) || !std::isfinite(r)) return result;
    result.status = SolidEstimate::Status::Ok;
    const double nxd = std::ceil((double{box.hi.x} - box.lo.x) / r);
    const double nyd = std::ceil((double{box.hi.y} - box.lo.y) / r);
    // A grid beyond what an int counts is no design; refuse it rather than overflow.
    if (nxd > 1e8 || nyd > 1e8) {
        result.status = SolidEstimate::Status::NoBox;
        return result;
    }
    result.rows = static_cast<int>(nxd);
    result.slices = static_cast<int>(nyd);
    if (result.slices < 1 || result.rows < 1) return result;

    const ScanFrame frame = ScanFrame::grid(1, 0, 2, box.lo, {r, r, r}, result.rows);
    SolidEvaluator eval;
    if (!eval.build(objects, frame, options.scan)) {
        // Nothing solid: every slice is empty, but the user still sees the work end.
        reportProgress(progress, 1.0);
        return result;
    }
    double length = 0.0, mx = 0.0, my = 0.0, mz = 0.0;
    const int lastSlice = std::min(result.slices - 1, eval.lastSlice());
    const int firstSlice = std::max(0, eval.firstSlice());
    const bool centre = options.centre;
    const bool finished = scanSlices(eval, 0, result.slices - 1, progress, [&](int i) {
        if (i < firstSlice || i > lastSlice) return;
        for (int j = eval.firstRow(); j <= eval.lastRow(); ++j) {
            for (const ScanInterval& iv : eval.intervals(j)) {
                const double d = double{iv.hi.run} - iv.lo.run;
                length += d;
                if (centre) {
                    mx += d * j;
                    my += d * i;
                    mz += d * 0.5 * (double{iv.hi.run} + iv.lo.run);
                }
            }
        }
    });
    if (!finished) {
        result.status = SolidEstimate::Status::Cancelled;
        return result;
    }
    const double rd = r;
    result.length = length;
    result.volume = rd * rd * rd * length;
    if (centre && length > 0.0)
        result.centre = {static_cast<float>(box.lo.x + mx / length * rd),
                         static_cast<float>(box.lo.y + my / length * rd),
                         static_cast<float>(box.lo.z + mz / length * rd)};
    return result;
}

std::string volumeMessage(double volume) {
    char buf[256];
    std::snprintf(buf, sizeof buf, "%s = %g cubic %s",
                  std::string(uiText(estimatemsg::kVolume)).c_str(), volume, "mm");
    return buf;
}

std::string weightMessage(double grams) {
    char buf[256];
    const bool kilo = grams >= 1000.0;
    std::snprintf(buf, sizeof buf, "%s = %g %s", std::string(uiText(estimatemsg::kWeight)).c_str(),
                  kilo ? grams * 0.001 : grams, kilo ? "kilograms" : "grams");
    return buf;
}

std::string centreMessage(const Point3& c) {
    char buf[512];
    std::snprintf(buf, sizeof buf, "%s\n\n    X = %8.2f\n    Y = %8.2f\n    Z = %8.2f",
                  std::string(uiText(estimatemsg::kCentre)).c_str(), double{c.x}, double{c.y},
                  double{c.z});
    return buf;
}

std::string estimateProgressText(int what) {
    return std::string(uiText(estimatemsg::kEstimating)) + std::string(uiText(what)) + "...";
}

}  // namespace orv
