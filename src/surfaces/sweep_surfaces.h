#pragma once
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "curves/sweep_dialogs.h"
#include "kernel/matrix4.h"
#include "kernel/view_axes.h"

namespace orv {

class CurveObject;
class Document;
class SurfaceObject;

// ---- Orientation of CV nets ----

// Six times the volume enclosed by a CV net stored row by row (rows x columns), seen through
// the two triangles per quad that gridTriangles draws with orientation +1. A net closed in
// exactly one direction is capped at its two open boundary loops by fans from each loop's first
// CV, so an open tube counts as the solid it bounds. Zero when the net has fewer than 2 rows or
// columns, or fewer CVs than rows * columns.
double netVolumeTimesSix(std::span<const Point3> net, int rows, int columns, bool rowClosed,
                         bool columnClosed);
// +1 when that volume is >= 0, else -1: which side of the net faces out.
int netOrientation(std::span<const Point3> net, int rows, int columns, bool rowClosed,
                   bool columnClosed);

// ---- The sweep shared by every surface made from a curve ----

// The surface whose rows are `copies` images of the curve's polygon: row 0 the CVs scaled by
// `scale` per world coordinate, each later row the previous one times W (row vectors). The
// column fields come from the curve, the row fields are open with resolution 8 except
// `rowClosed`; the orientation follows netOrientation. Not added anywhere. A curve without
// CVs or a copy count below 1 gives nullptr.
std::unique_ptr<SurfaceObject> sweepNet(const CurveObject& curve, int copies, const Matrix4& W,
                                        const Point3& scale, bool rowClosed);
// sweepNet, added to the document as a new object, with the curve recorded and set aside as
// a removed curve. nullptr (and no change) where sweepNet gives none.
SurfaceObject* sweepCurve(Document& doc, CurveObject& curve, int copies, const Matrix4& W,
                          const Point3& scale, bool rowClosed);

// ---- The commands ----

// Extend surface: the Extend dialog with its own initial values (two rows one unit apart in
// depth).
struct ExtendSurfaceArgs : ExtendArgs {
    ExtendSurfaceArgs() { edits = {0.0, 0.0, 1.0}; }
    static const std::vector<DialogField<ExtendSurfaceArgs>>& fields();
};

// Vertical and horizontal revolve surfaces share one set of Revolve dialog values.
struct RevolveSurfaceArgs : RevolveArgs {
    RevolveSurfaceArgs() {
        number = 6;
        degree = 60.0;
    }
    static const std::vector<DialogField<RevolveSurfaceArgs>>& fields();
};

// The transform dialog's result: a world matrix (row vectors) and the copy count.
struct TransformSurfaceArgs {
    Matrix4 matrix = Matrix4::identity();
    int copies = 2;
};

// About which screen axis through the world origin a revolve surface turns.
enum class RevolveAxis { Vertical, Horizontal };

// Outcome of a surface command: the new surfaces in the order of their curves. Empty with no
// error when there was nothing to do: no picked curve, or a copy count of 1 (one row would only
// hide the curve behind a surface with nothing to draw).
struct SurfaceResult {
    std::vector<SurfaceObject*> surfaces;
    std::string error;
};

// The world motion from one row to the next.
Matrix4 extendSurfaceMatrix(const ViewAxes& axes, const ExtendArgs& args);
// Rotation by `degrees` about world axis `axis` through the origin, turning axis (a+1)%3
// towards (a+2)%3.
Matrix4 axisRotation(int axis, double degrees);

// Each sweeps every picked curve, in document order, into one new surface and sets the curve
// aside as a removed curve; other picked objects are ignored. All records go into the step the
// caller has begun, so one undo takes the whole command back. Invalid arguments change nothing
// and return the reason.
SurfaceResult makeExtendSurfaces(Document& doc, const ViewAxes& axes,
                                 const ExtendSurfaceArgs& args);
// Rows turn about the vertical or horizontal view axis by Degree (signed by the axis, negated
// for "Clockwise"); row 0 is the curve with its distance from the axis pre-scaled by
// 3 / (cos Degree + 2), so the surface passes through the curve at every row. Rows close when
// "Full revolution" is ticked.
SurfaceResult makeRevolveSurfaces(Document& doc, const ViewAxes& axes,
                                  const RevolveSurfaceArgs& args, RevolveAxis axis);
// Rows carried by the matrix as it is, no view conversion.
SurfaceResult makeTransformSurfaces(Document& doc, const TransformSurfaceArgs& args);

}  // namespace orv
