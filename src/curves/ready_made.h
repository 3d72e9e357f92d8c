#pragma once
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "curves/dialog_fields.h"
#include "kernel/pixel_point.h"
#include "kernel/point3.h"
#include "kernel/view_axes.h"

namespace orv {

class CurveObject;
class Document;

// Outcome of a ready-made curve command. `curve` is the curve added to the document, nullptr
// when nothing was added: then `error` says why the arguments were refused, or is empty when
// the arguments describe no curve at all (a helix under 2 CVs, a sketch under 2 points), which
// the command passes over silently.
struct CurveResult {
    CurveObject* curve = nullptr;
    std::string error;
};

// Ring and polygon counts outside 3..this are refused, as are helices of more CVs.
inline constexpr int kMaxReadyMadeCvs = 10000;

// Where the first CV of a circle or polygon sits: on the horizontal screen axis ("Vertex"), or
// half a step round so that the first span or edge lies flat at the bottom ("Flat").
enum class FirstCv { Vertex, Flat };

// Line dialog.
struct LineArgs {
    // "Angle (degree) at horizontal axis ": towards the vertical screen axis.
    double angle = 0.0;
    static const std::vector<DialogField<LineArgs>>& fields();
};

// Circle dialog. The dialog shows either the diameter or the radius; the value is kept as a
// diameter whichever is shown.
struct CircleArgs {
    enum class Size { Diameter, Radius };
    // "No. of CV's:"
    int noOfCvs = 6;
    // The "Diameter" / "Radius" list: which one the size edit shows.
    Size size = Size::Diameter;
    double diameter = 1.0;
    // "First CV": "Vertex" or "Flat".
    FirstCv firstCv = FirstCv::Flat;

    // "No. of CV's:", "Diameter" and "Radius" (each sets the list and the size edit: Radius=9
    // means diameter 18), "First CV" (value "Vertex" or "Flat"), and the radio buttons
    // "Vertex" and "Flat".
    static const std::vector<DialogField<CircleArgs>>& fields();
};

// Polygon dialog.
struct PolygonArgs {
    // "No. of Sides:"
    int noOfSides = 4;
    // "First CV": "Vertex" or "Flat".
    FirstCv firstCv = FirstCv::Flat;
    // "No. of Sides:", "First CV", "Vertex", "Flat".
    static const std::vector<DialogField<PolygonArgs>>& fields();
};

// Helix dialog.
struct HelixArgs {
    enum class Turn { AntiClockwise, Clockwise };
    double radius1 = 0.0;             // "Radius 1": at the first CV
    double radius2 = 10.0;            // "Radius 2": at the last CV
    double length = 0.0;              // "Length": along the depth direction
    double noOfTurns = 1.0;           // "No. of turns"
    double cvsPerTurn = 6.0;          // "CV's per turn"
    Turn turn = Turn::AntiClockwise;  // "Anit-clockwise" / "Clockwise" as seen on the screen
    // "Radius 1", "Radius 2", "Length", "No. of turns", "CV's per turn", and the radio buttons
    // "Anit-clockwise" and "Clockwise" (labels exactly as the dialog spells them).
    static const std::vector<DialogField<HelixArgs>>& fields();
};

// Empty when the values make a curve (or, for a helix, possibly none); otherwise what is wrong.
std::string validate(const LineArgs& args);
std::string validate(const CircleArgs& args);
std::string validate(const PolygonArgs& args);
std::string validate(const HelixArgs& args);

// The control polygons, laid out in the view's axes; pipes and primitives reuse them. Invalid
// arguments give an empty polygon. Line, circle and polygon use the bare axes (no signs) and
// lie in the plane through the origin; the helix uses the signs so that it turns as seen.
std::vector<Point3> lineCvs(const ViewAxes& axes, const LineArgs& args);
std::vector<Point3> circleCvs(const ViewAxes& axes, const CircleArgs& args);
std::vector<Point3> polygonCvs(const ViewAxes& axes, const PolygonArgs& args);
// Empty also when the helix has fewer than 2 CVs.
std::vector<Point3> helixCvs(const ViewAxes& axes, const HelixArgs& args);

// Each adds one new curve (picked, on the current layer) with one addObject, so that it is one
// undoable step once the caller has begun the step. Nothing changes when the result carries no
// curve.
CurveResult makeLine(Document& doc, const ViewAxes& axes, const LineArgs& args);
CurveResult makeCircle(Document& doc, const ViewAxes& axes, const CircleArgs& args);
CurveResult makePolygon(Document& doc, const ViewAxes& axes, const PolygonArgs& args);
CurveResult makeHelix(Document& doc, const ViewAxes& axes, const HelixArgs& args);

// ---- Sketch ----


// Trail points beyond this many are ignored; a sketch keeps at most kMaxSketchCvs of them.
inline constexpr int kMaxSketchTrail = 10000;
inline constexpr int kMaxSketchCvs = 256;

// Which trail points become CVs. Fewer than 2 points, or fewer than 2 left once a closing trail
// has lost its last 8 points, give no indices.
struct SketchSelection {
    std::vector<int> kept;  // indices into the trail, increasing
    bool closed = false;
};
SketchSelection selectSketchPoints(std::span<const PixelPoint> trail);

// Turns a mouse trail (screen pixels) into a curve: `toWorld` gives the world position of a
// screen point on the plane through the origin perpendicular to the depth axis, snapped.
CurveResult makeSketch(Document& doc, std::span<const PixelPoint> trail,
                       const std::function<Point3(const PixelPoint&)>& toWorld);

}  // namespace orv
