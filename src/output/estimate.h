#pragma once
// Volume, weight and centre of gravity of the piece as it would be cast: the solid of the shown
// objects (Booleans, super subtractors and jewels as every solid output sees them) sampled on
// a regular grid of cubic cells.
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "curves/dialog_fields.h"
#include "kernel/point3.h"
#include "kernel/progress.h"
#include "output/scanline.h"

namespace orv {

class ObjectList;

// Message numbers of the estimates.
namespace estimatemsg {
inline constexpr int kEstimating = 10131;  // "Estimating "
inline constexpr int kVolume = 10132;
inline constexpr int kWeight = 10133;
inline constexpr int kCentre = 10136;
inline constexpr int kDialogCaption = 32900;  // "Estimate Weight"
inline constexpr int kGravityLabel = 32901;   // "Specific gravity"
}  // namespace estimatemsg

// Edge of the sampling cell of the estimate commands, in millimetres.
inline constexpr float kEstimateCell = 0.05f;

// One entry of the specific-gravity list: the number the weight uses and the name shown next
// to it (whose own figure may differ: the alloys' numbers are the ones used).
struct SpecificGravity {
    double value;
    int nameId;
};
inline constexpr std::array<SpecificGravity, 7> kSpecificGravities{{
    {19.3, 32910},
    {18.1800698, 32911},
    {16.47650237, 32912},
    {14.51900223, 32913},
    {12.8, 32914},
    {10.5, 32915},
    {21.4, 32916},
}};

// The list entry as the dialog shows it, "%6.3f  [%s]": "19.300  [Gold(24K) 19.3]".
std::string specificGravityText(const SpecificGravity& g);
// The decimal number at the start of `text` (leading blanks skipped, anything after the
// number ignored); 0 when the text does not start with a number or the number is not finite.
double parseSpecificGravity(std::string_view text);

// The "Estimate Weight" dialog: an editable list of the entries above; any text may be typed.
struct WeightArgs {
    // Kept as typed and shown again the next time; the first entry at first.
    std::string gravityText = specificGravityText(kSpecificGravities[0]);
    double gravity() const { return parseSpecificGravity(gravityText); }
    // "Specific gravity".
    static const std::vector<DialogField<WeightArgs>>& fields();
};
// Every text is accepted (one without a number weighs nothing).
inline std::string validate(const WeightArgs&) {
    return {};
}

struct EstimateOptions {
    float cell = kEstimateCell;
    // Also sum the moments for the centre of gravity.
    bool centre = false;
    // Which objects take part (shown ones on visible layers by default).
    ScanOptions scan{};
};

struct SolidEstimate {
    enum class Status {
        Ok,         // volume (and centre) computed; the volume may be 0
        NoBox,      // nothing shown with a positive extent along all three axes
        Cancelled,  // the user stopped it
    };
    Status status = Status::NoBox;
    double volume = 0.0;  // mm^3
    // Model coordinates; (0, 0, 0) unless the status is Ok and the volume positive.
    Point3 centre;
    // Sampled cells along scan lines (the running length) and grid size, for reports.
    double length = 0.0;
    int rows = 0, slices = 0;

    bool ok() const { return status == Status::Ok; }
    // Grams for the given specific gravity (g/cm^3).
    double weight(double gravity) const { return gravity * volume * 0.001; }
};

// Samples the solid on cells of `options.cell`: slices along Y, rows along X, runs along Z,
// starting at the minimum corner of the solid's box; slice i and row j sample y = min.y + i*c,
// x = min.x + j*c. Sums are kept in double: a float running sum of millions of cells drops the
// fractions of what it adds (at 8 million cells its step is half a cell) and the moments lose
// more. Progress is reported once per slice. A grid of more than 1e8 rows or slices counts as
// no box.
SolidEstimate estimateSolid(const ObjectList& objects, const EstimateOptions& options = {},
                            Progress* progress = nullptr);

// The texts of the result boxes.
// "Volume = 812.5 cubic mm"
std::string volumeMessage(double volume);
// "Weight = 12.5 grams", or kilograms from 1000 g on.
std::string weightMessage(double grams);
// "Center of Gravity\n\n    X = %8.2f\n    Y = ..."
std::string centreMessage(const Point3& centre);
// The progress text, e.g. "Estimating Volume...".
std::string estimateProgressText(int what);

}  // namespace orv
