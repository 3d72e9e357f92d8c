#pragma once
// Cutting the shown solid into horizontal slices and writing them as an SLC file.
#include <array>
#include <cstdint>
#include <filesystem>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "curves/dialog_fields.h"
#include "kernel/bbox.h"
#include "kernel/progress.h"
#include "model/model_object.h"
#include "output/scanline.h"
#include "output/slc.h"

namespace orv {

class ObjectList;

// ---- the "Cutting into Slices" dialog ----

enum class ThicknessUnit { Mm = 0, Inch = 1 };
enum class StlFormat { Ascii = 0, Binary = 1 };

// One rapid-prototyping machine and the slice thicknesses it offers, in millimetres.
struct RpMachine {
    std::string_view name;
    std::span<const double> presets;  // non-empty, each > 0
};
// The six machines in the order of the dialog's list.
std::span<const RpMachine> rpMachines();
// A machine's presets in `unit`: millimetres, or divided by 25.4 for inches.
std::vector<double> thicknessPresets(int machine, ThicknessUnit unit);

// The dialog's values. Invariants kept by the field setters: machine is 0-5. The numbers are
// range-checked by validate() (0.0001 to 10000 each), not by the setters, as the dialog checks
// them only when it is confirmed.
struct SliceSettings {
    std::string fileName = "orva";  // without the default extension
    ThicknessUnit unit = ThicknessUnit::Mm;
    double thickness = 0.0127;  // in `unit`; starts as the first preset of machine 0
    int machine = 0;
    bool advanced = false;
    // Used only while `advanced` is on.
    double xyResolution = 0.0254;  // millimetres
    bool autoXyOffset = false;
    bool autoZOffset = false;
    bool alsoStl = false;
    StlFormat stlFormat = StlFormat::Ascii;

    // Choosing a machine also sets the thickness to its first preset; choosing the unit keeps
    // the thickness text as it is (it is then read in the new unit) unless it is not
    // positive, when the first preset is taken.
    void setMachine(int index);
    void setUnit(ThicknessUnit u);

    // What slicing uses: without advanced settings, 0.0254 mm XY, no offsets and no STL.
    double effectiveXy() const { return advanced ? xyResolution : 0.0254; }
    bool effectiveAutoXy() const { return advanced && autoXyOffset; }
    bool effectiveAutoZ() const { return advanced && autoZOffset; }
    bool effectiveStl() const { return advanced && alsoStl; }
    double thicknessMm() const {
        return unit == ThicknessUnit::Inch ? thickness * 25.4 : thickness;
    }

    // Labels as the dialog shows them: "Slice File", "Unit" (mm / inch), "Slice thickness",
    // "RP Machine" (by name), "Advanced Settings", "XY resolution", "Auto XY offset",
    // "Auto  Z  offset", "Also output STL file", "ASCII", "Binary".
    static const std::vector<DialogField<SliceSettings>>& fields();
};

// Empty when the values can be sliced with, otherwise what is wrong.
std::string validate(const SliceSettings& s);

// ---- slicing ----

// One slicing run, all lengths in millimetres.
struct SliceJob {
    bool inch = false;  // the file's unit; coordinates are written divided by 25.4
    double thickness = 0.0254;
    double xy = 0.0254;         // cell size along X and Y
    bool autoXyOffset = false;  // the grid starts 2000 cells from the file's origin
    bool autoZOffset = false;   // the first layer with material is written at Z = 0
    SliceFrame frame = SliceFrame::AcrossZ;
    ScanOptions scan;  // layers in use; pickedOnly is ignored (all shown objects)

    static SliceJob from(const SliceSettings& s);
};

// The box slicing uses: shown surfaces, Booleans, jewels, blocks and facet objects on layers
// that are on (curves and T-lines do not count), in the job's frame. Sliceable only when it
// has extent along every axis.
BoundingBox sliceBox(const ObjectList& objects, const SliceJob& job);

struct SliceReport {
    OutputStatus status = OutputStatus::Ok;
    int slices = 0;         // slice planes visited
    int layersWritten = 0;  // layer records with contours
    int64_t vertices = 0;   // contour vertices written, repeats included
};

// Slices the shown objects into an SLC image on `out` (which must be seekable: the header is
// rewritten at the end with the extents of what was written). Progress advances one step per
// slice. On NothingToSlice, BadSettings or Cancelled the stream holds no usable file.
SliceReport sliceObjects(const ObjectList& objects, const SliceJob& job, std::ostream& out,
                         Progress* progress = nullptr);
// The same into a file, written whole or not at all: a refused, failed or cancelled run leaves
// any earlier file as it was.
SliceReport sliceToFile(const ObjectList& objects, const SliceJob& job,
                        const std::filesystem::path& path, Progress* progress = nullptr);

// ---- contour tracing (exposed for tests) ----

// One inside stretch of a row, lower end first, with what the tracer needs of each end.
struct TraceEnd {
    float x = 0;   // run position in cells
    float dx = 0;  // change of x per row along the end's segment
    uint32_t segment = 0;
};
struct TraceInterval {
    TraceEnd lo, hi;
};

// Turns the inside intervals of consecutive rows into closed contours around their union.
// Outer contours come out anticlockwise and holes clockwise (x to the right, rows up); corners
// between two segments are placed where their lines meet, and vertices along one segment are
// merged. Points are (x, row) in cells; each contour repeats its first point at the end.
class ContourTracer {
  public:
    // Starts a new slice; contours of the previous one are dropped.
    void clear();
    // The intervals of the next row, in increasing x, not overlapping. Rows must be given in
    // increasing order; a skipped row counts as empty.
    void addRow(int row, std::span<const TraceInterval> intervals);
    // Closes every chain still open.
    void finish();

    // The closed contours, laid end to end: contour c holds points[starts[c]] up to the next
    // start (or the end).
    const std::vector<SlcPoint>& points() const { return points_; }
    const std::vector<uint32_t>& starts() const { return starts_; }
    size_t contourCount() const { return starts_.size(); }

  private:
    struct EndState {
        float lastX = 0, lastDx = 0;  // the crossing that gave the end's last vertex
        uint32_t segment = 0;
        bool twice = false;  // the last two vertices came from that segment
    };
    struct Chain {
        std::vector<SlcPoint> front;  // prepended vertices, nearest the tail last
        std::vector<SlcPoint> back;   // the rest in path order
        EndState tail, head;
        int mergedInto = -1;
    };
    // A chain end waiting at an interval of the previous row.
    struct Open {
        float lo = 0, hi = 0;  // the interval's ends
        int tailChain = -1;    // chain whose tail is the interval's low end
        int headChain = -1;    // chain whose head is the interval's high end
    };

    int resolve(int chain);
    int newChain(int row, const TraceEnd& first, const TraceEnd& last);
    void extendHead(int chain, int row, const TraceEnd& e);
    void extendTail(int chain, int row, const TraceEnd& e);
    // Where an end's next vertex goes; true when it replaces the end's last vertex (three
    // vertices in a row along one segment).
    static bool step(EndState& s, int row, const TraceEnd& e, SlcPoint& p);
    // Joins the head of `a` to the tail of `b`; closes the contour when they are one chain.
    void join(int a, int b);
    void closeRow();

    std::vector<Chain> chains_;
    std::vector<Open> open_, next_;
    int lastRow_ = 0;
    bool any_ = false;
    std::vector<SlcPoint> points_;
    std::vector<uint32_t> starts_;
};

}  // namespace orv
