#pragma once
#include <cmath>
#include <optional>
#include <vector>

#include "curves/sweep_dialogs.h"
#include "kernel/matrix4.h"
#include "kernel/point3.h"
#include "kernel/view_axes.h"

namespace orv {

class CurveObject;

// Distance of a ring of CVs spaced by `stepRadians`, relative to the radius that the closed
// uniform cubic B-spline through them passes at the CV angles: the curve point at a CV is
// (P[i-1] + 4 P[i] + P[i+1]) / 6. Never divides by zero (cos + 2 >= 1).
inline double ringCvFactor(double stepRadians) {
    return 3.0 / (std::cos(stepRadians) + 2.0);
}

// How the full control polygon of a curve is generated from the CVs the user places. The kind
// is not stored with the curve: only the full polygon is.
enum class CurveKind {
    Simple,
    VerticalMirror,    // mirrored about the vertical screen line (horizontal axis negated)
    HorizontalMirror,  // mirrored about the horizontal screen line (vertical axis negated)
    Revolve180,        // half a turn about the depth axis
    Cycle,             // mirrored about both screen lines; closed
    Extend,            // copies moved by the Extend dialog's vector
    Revolve,           // copies turned about the depth axis by the Revolve dialog's degree
    Transform,         // copies carried by the transform dialog's matrix
};

// Command numbers and status prompts (UI string numbers) of a kind.
struct CurveKindInfo {
    CurveKind kind;
    int createCommand;
    int editCommand;
    int createPrompt;
    int editPrompt;
};
const CurveKindInfo& curveKindInfo(CurveKind kind);
// The kind a create or edit command makes; `editing` tells which of the two it was.
std::optional<CurveKind> curveKindForCommand(int command, bool* editing = nullptr);

// Where a CV of the full polygon comes from: its copy number and its stored CV.
struct CvSource {
    int copy = -1;
    int stored = -1;
    bool valid() const { return stored >= 0; }
    friend bool operator==(const CvSource&, const CvSource&) = default;
};

// A matrix written in screen coordinates (rows / columns 0 horizontal, 1 vertical, 2 depth,
// row 3 translation) expressed in world axes for a view, and back. Signs are applied on both
// sides, so the two are inverse to each other for the same view. Column 3 becomes (0,0,0,1).
Matrix4 worldFromScreen(const Matrix4& screen, const ViewAxes& axes);
Matrix4 screenFromWorld(const Matrix4& world, const ViewAxes& axes);

// The symmetry state of a curve being drawn or edited: the stored CVs and the kind's
// parameters. The mouse operations drive it: they edit stored(), and call generate, locate and
// mapBack; it holds no view and no document.
class CurveSymmetry {
  public:
    // A kind with its fixed copy count. The Extend, Revolve and Transform kinds made this way
    // have one copy and no motion; use the factories below for them.
    explicit CurveSymmetry(CurveKind kind = CurveKind::Simple);
    // Extend Number copies, each moved by the dialog's vector (screen terms).
    static CurveSymmetry extend(const ExtendArgs& args);
    // Number copies, each turned by the signed Degree about the depth axis through the origin;
    // new curves are closed when "Full revolution" is ticked.
    static CurveSymmetry revolve(const RevolveArgs& args);
    // `copies` copies under the transform dialog's world matrix T, rewritten into the screen
    // terms of `dialogView` (the view active when the dialog closed), so that the curve's own
    // view turns it back into T whenever both are the same view.
    static CurveSymmetry transform(const Matrix4& T, int copies, const ViewAxes& dialogView);

    CurveKind kind() const { return kind_; }
    // m: 1, 2, 4 or the dialog's copy count (at least 1).
    int copyCount() const { return copies_; }
    // The closed flag a new curve of this kind gets.
    bool closedWhenCreated() const { return closed_; }

    // Freezes the world axes of the mirror planes, the half turn or the motion W for the view
    // in which the curve is started or picked for editing. Later view changes do not matter.
    void setUpAxes(const ViewAxes& axes);
    void setUpAxes(const Matrix4& viewRotation) { setUpAxes(dominantAxes(viewRotation)); }
    const ViewAxes& axes() const { return axes_; }
    // The motion of the transform family, in screen terms, in world terms, and inverted.
    const Matrix4& screenMatrix() const { return screen_; }
    const Matrix4& worldMatrix() const { return world_; }
    const Matrix4& inverseWorldMatrix() const { return inverse_; }

    // The CVs the user placed, in placement order.
    std::vector<Point3>& stored() { return stored_; }
    const std::vector<Point3>& stored() const { return stored_; }

    // The full polygon: n * m CVs (empty when nothing is stored).
    std::vector<Point3> generate() const;
    // The same into the curve's CV list; every CV flag is cleared, other fields are kept.
    void generate(CurveObject& curve) const;
    // The copy and stored CV that produce full index i; invalid (-1, -1) when i is outside
    // the full polygon.
    CvSource locate(int fullIndex) const;
    // The stored CV that makes copy `copy` land at `p`. Copies outside 0..m-1 are treated as
    // for their kind's formula (the transform family applies the inverse that many times).
    Point3 mapBack(int copy, const Point3& p) const;
    // Takes an existing curve for editing: the stored CVs become its first ceil(N / m) CVs,
    // the axes are set up for `axes` and the curve's polygon is regenerated at once, so its
    // CVs from position n on are replaced and it grows when N is not a multiple of m. The
    // curve's closed and end flags are kept.
    void rederive(CurveObject& curve, const ViewAxes& axes);

  private:
    CurveKind kind_;
    int copies_ = 1;
    bool closed_ = false;
    ViewAxes axes_;
    Matrix4 screen_ = Matrix4::identity();
    Matrix4 world_ = Matrix4::identity();
    Matrix4 inverse_ = Matrix4::identity();
    std::vector<Point3> stored_;
};

}  // namespace orv
