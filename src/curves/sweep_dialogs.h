#pragma once
#include <array>
#include <string>
#include <vector>

#include "curves/dialog_fields.h"
#include "kernel/point3.h"
#include "kernel/view_axes.h"

namespace orv {

// Copy counts beyond this are refused: the extend spin stops here, and nothing larger makes a
// usable curve, surface or copy series.
inline constexpr int kMaxSweepCopies = 10000;

// Values of the Extend dialog, shared by the extend curve, the extend surface and the extend
// copy. The vector is in screen terms (horizontal, vertical, depth); whoever uses it turns it
// into world axes with the view's axes and signs.
struct ExtendArgs {
    // "Extend Number": how many copies, the original included.
    int extendNumber = 2;
    // The three edits as shown. Cartesian entry: horizontal, vertical and depth component,
    // labelled "--", "|", "+". Polar entry: length L and angles phi, psi in degrees, labelled
    // "/", "<", ">".
    std::array<double, 3> edits{1.0, 0.0, 0.0};
    // "<": polar entry.
    bool polar = false;

    // The vector the edits describe. Polar: (L cos phi, L sin phi, L cos phi tan psi) with
    // tan psi clamped to +-99999.
    Point3 vector() const;
    // Ticks or clears "<", converting the shown values so the vector stays the same. Returns
    // false and changes nothing when polar entry cannot express the vector: one with a depth
    // component but no horizontal one (its depth would become 0).
    bool setPolar(bool on);
    // A drag in a view while the dialog is open: `worldDelta` is end minus start point. Each
    // screen component is rounded to `gridStep` (no rounding when gridStep <= 0) and signed by
    // its view axis; polar entry gets the length and phi. The depth edit becomes 0.
    void applyDrag(const Point3& worldDelta, const ViewAxes& axes, double gridStep);

    // "Extend Number", "--", "|", "+", "<". The polar labels "/" and ">" find the first and
    // third edit too; "<" always names the check box.
    static const std::vector<DialogField<ExtendArgs>>& fields();
};

// Empty when the values can be used; otherwise what is wrong. An Extend Number of 1 is valid
// and means "no copies".
std::string validate(const ExtendArgs& args);

// Values of the Revolve dialog, shared by the revolve curve, the revolve surfaces and the
// revolve copy.
struct RevolveArgs {
    // "Number": how many copies, the original included.
    int number = 4;
    // "Degree": the turn from one copy to the next.
    double degree = 90.0;
    // "Full revolution": the copies close the circle; ticked anew each time the dialog opens.
    bool fullRevolution = true;
    // "Clockwise": the turn is negated.
    bool clockwise = false;

    // Typing or choosing a value. With "Full revolution" a Number writes Degree = 360 / Number,
    // and a Degree of magnitude >= 0.001 writes Number = the integer part of 360 / Degree.
    // A Number of 0 leaves Degree alone (validate reports it).
    void setNumber(int n);
    void setDegree(double d);
    // A drag in a view turned by `turnDegrees`: brought into (-180, 180]; turns under 1 degree
    // are ignored (returns false). Negative turns tick "Clockwise"; Degree gets the magnitude,
    // with "Full revolution" rounded to 360 / g, g = int(360 / angle + 0.5) written to Number.
    bool applyDrag(double turnDegrees);
    // The signed turn per copy in degrees.
    double turn() const { return clockwise ? -degree : degree; }

    // "Number", "Degree", "Full revolution", "Clockwise". Setting Number or Degree couples
    // as setNumber / setDegree do.
    static const std::vector<DialogField<RevolveArgs>>& fields();
};

std::string validate(const RevolveArgs& args);

}  // namespace orv
