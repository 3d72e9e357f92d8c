#pragma once
// Drawing and editing curves with the mouse. The curve operation holds a working curve
// outside the document together with the CVs the user placed (the stored CVs of a curve
// kind) and rebuilds the full polygon from them after every change; the sketch operation
// turns a mouse trail into a curve.
//
// Undo while a curve operation runs. The working curve is not in the document until the
// operation finishes it, and an edited original is only marked deleted meanwhile; nothing is
// recorded in the document's history before finishing, so that finishing is exactly one step.
// Undo and Redo therefore act on the working curve first: every gesture that changed it (a
// press with its drag, a double click, a deletion, closing or opening it) is taken back or
// done again as a whole. With no gesture left to take back, Undo gives up editing a picked
// curve (the original comes back untouched); with nothing held at all, Undo and Redo go to the
// document, which is then in a consistent state (no working curve, no original set aside).
// Redo never reaches the document while a curve is held, so a redone step can never bring
// back an object the running edit has set aside.
#include <memory>
#include <span>
#include <vector>

#include "curves/curve_kinds.h"
#include "kernel/pixel_point.h"
#include "ops/operation.h"

namespace orv {

class CurveObject;
class Document;

namespace curvecmd {
inline constexpr int kSketch = 7011;
inline constexpr int kSketchPrompt = 10085;
}  // namespace curvecmd

// A press this close to an edge of the full polygon (in pixels, perpendicular) inserts a CV
// there instead of adding one at an end.
inline constexpr float kInsertEdgePixels = 25.0f;

// The commands that start a curve operation: 7000-7006 and 7010 make curves, 7030-7036 and
// 7040 edit them, 7011 sketches.
bool isCurveOperationCommand(int command);

// Index of the CV of `cvs` under pixel (x, y): the one nearest to it among those whose
// projection lies within `aperture` pixels in x and in y, the lowest index on a tie (so the
// first of coincident CVs); -1 when there is none. `camera` must have been applied.
int cvIndexAt(const ViewCamera& camera, std::span<const Point3> cvs, int x, int y, int aperture);

// Where a CV goes when a press lands near an edge of the polygon `pixels` (screen positions of
// the full polygon's CVs): the full index k of the CV after the edge (the new CV goes between
// k - 1 and k), or -1 when no inner edge is near enough. An edge qualifies when the foot of the
// perpendicular from `mouse` falls strictly inside it, its distance is under
// kInsertEdgePixels and under the distance to the nearer end CV (open) or to the closing edge
// (closed).
int insertionEdge(std::span<const PixelF> pixels, bool closed, PixelF mouse);

// The curve operation. This class is the simple kind (one copy, stored CVs = full polygon);
// the kinds with symmetry derive from it and answer the five kind operations from their
// CurveSymmetry.
class CurveOperation : public Operation {
  public:
    // `editing`: started by an edit command, waiting for a curve to be picked.
    CurveOperation(Interaction& host, bool editing);
    ~CurveOperation() override;

    int commandId() const override { return 7000; }
    void onLeftDoubleClick(int flags, int x, int y) override;
    void onLeftDown(int flags, int x, int y) override;
    void onLeftUp(int flags, int x, int y) override;
    // With the left button held: deletes the current CV. Alone it does nothing (it does not
    // act as a double click here).
    void onRightDown(int flags, int x, int y) override;
    void onRightUp(int flags, int x, int y) override;
    void onMouseMove(int flags, int x, int y) override;
    void drawFeedback(LineRenderer& renderer, int heldButtons) override;
    void undo() override;
    void redo() override;
    BoundingBox feedbackBounds() const override;
    // The operation ends: finishCurve().
    void finish() override;

    // ---- the kind ----
    // m: how many copies of the stored CVs the full polygon holds.
    virtual int copyCount() const { return 1; }
    // Freezes the kind's axes for the view in which the curve is started or picked.
    virtual void setUpAxes(const ViewAxes& axes) { (void)axes; }
    // The copy and stored CV that produce full index i.
    virtual CvSource locate(int fullIndex) const;
    // The stored CV that puts copy `copy` at `p`.
    virtual Point3 mapBack(int copy, const Point3& p) const {
        (void)copy;
        return p;
    }
    // Fills the curve's CV list from the stored CVs.
    virtual void generate(CurveObject& curve) const;

    // ---- state, for the curve edit commands and tests ----
    // The curve being drawn (not in the document); never null.
    const CurveObject& workingCurve() const { return *working_; }
    const std::vector<Point3>& storedCvs() const { return symmetry_.stored(); }
    // The curve picked for editing, set aside in its document until finishing; or null.
    ModelObject* originalCurve() const { return original_; }
    // The document the working curve belongs to; null until the first press binds it.
    Document* workingDocument() const { return doc_; }
    bool editMode() const { return editMode_; }
    int currentCv() const { return current_; }
    int runLength() const { return run_; }
    // The status prompt: the kind's edit prompt while waiting for a curve to edit, else its
    // creation prompt.
    int promptId() const;
    // "Close" and "Open" while the operation runs: sets the working curve's closed flag;
    // false when it already had that value. Undoable as one gesture; nothing is recorded in
    // the document before finishing.
    bool setWorkingClosed(bool closed);
    // Finishes the working curve and starts a new one, staying in the operation. A new curve
    // with CVs is added as a new object; an edited one replaces its original, which becomes
    // deleted, in one history step (and without CVs the original is only deleted). A new
    // curve without CVs is dropped.
    void finishCurve();

  protected:
    CurveOperation(Interaction& host, bool editing, CurveSymmetry symmetry);
    CurveSymmetry& symmetry() { return symmetry_; }
    const CurveSymmetry& symmetry() const { return symmetry_; }

  private:
    struct Snapshot {
        std::vector<Point3> stored;
        uint32_t closed = 0;
        friend bool operator==(const Snapshot&, const Snapshot&) = default;
    };

    int storedCount() const { return static_cast<int>(symmetry_.stored().size()); }
    std::vector<Point3>& stored() { return symmetry_.stored(); }
    // Whether the copy runs through the stored CVs backwards (mirror images, odd cycle
    // quarters).
    bool reversedCopy(int copy) const;
    void startNewCurve();
    void startEditing(Document& doc, CurveObject& original, const ViewAxes& axes);
    void bind(Document& doc);
    void press(OperationView& where, int x, int y);
    void deleteCurrent();
    void dragTo(OperationView& where, int x, int y);
    // Inserts the stored CV that puts copy `copy` at `placed` at stored position `pos`, and
    // makes the full CV it produces in that copy current.
    void insertStored(int pos, int copy, const Point3& placed);
    int fullIndexOf(int copy, int storedIndex) const;
    int runFrom(int index, const Point3& p) const;
    void regenerate();

    // Gesture bookkeeping for undo while running.
    Snapshot snapshot() const;
    void restore(const Snapshot& s);
    void beginGesture();
    void endGesture();
    void clearLocalHistory();

    // Feedback refresh over the views of the working curve's document.
    void refresh(int type);
    void redrawDocumentViews(Document& doc);

    CurveSymmetry symmetry_;
    std::unique_ptr<CurveObject> working_;
    ModelObject* original_ = nullptr;
    int originalState_ = 0;
    Document* doc_ = nullptr;
    bool editCommand_ = false;
    bool editMode_ = false;
    int current_ = -1;
    int run_ = 0;

    bool gestureOpen_ = false;
    Snapshot gestureStart_;
    std::vector<Snapshot> undo_, redo_;
};

// Vertical mirror (mode 0), horizontal mirror (1) and revolve 180 (2).
class MirrorCurveOperation final : public CurveOperation {
  public:
    MirrorCurveOperation(Interaction& host, bool editing, int mode);
    int commandId() const override { return 7001 + mode_; }
    int mode() const { return mode_; }
    int copyCount() const override { return symmetry().copyCount(); }
    void setUpAxes(const ViewAxes& axes) override { symmetry().setUpAxes(axes); }
    CvSource locate(int fullIndex) const override { return symmetry().locate(fullIndex); }
    Point3 mapBack(int copy, const Point3& p) const override { return symmetry().mapBack(copy, p); }
    void generate(CurveObject& curve) const override { symmetry().generate(curve); }

  private:
    int mode_;
};

// Mirrored about both screen lines; closed.
class CycleCurveOperation final : public CurveOperation {
  public:
    CycleCurveOperation(Interaction& host, bool editing);
    int commandId() const override { return 7004; }
    int copyCount() const override { return symmetry().copyCount(); }
    void setUpAxes(const ViewAxes& axes) override { symmetry().setUpAxes(axes); }
    CvSource locate(int fullIndex) const override { return symmetry().locate(fullIndex); }
    Point3 mapBack(int copy, const Point3& p) const override { return symmetry().mapBack(copy, p); }
    void generate(CurveObject& curve) const override { symmetry().generate(curve); }
};

// Extend, revolve and transform: copies under the dialog's motion. `kind` carries the copy
// count and the matrix in screen terms (CurveSymmetry::extend, revolve or transform).
class MotionCurveOperation final : public CurveOperation {
  public:
    MotionCurveOperation(Interaction& host, bool editing, const CurveSymmetry& kind);
    int commandId() const override;
    // The dialog's motion from one copy to the next in screen terms, and its copy count.
    const Matrix4& screenMatrix() const { return symmetry().screenMatrix(); }
    int copyCount() const override { return symmetry().copyCount(); }
    void setUpAxes(const ViewAxes& axes) override { symmetry().setUpAxes(axes); }
    CvSource locate(int fullIndex) const override { return symmetry().locate(fullIndex); }
    Point3 mapBack(int copy, const Point3& p) const override { return symmetry().mapBack(copy, p); }
    void generate(CurveObject& curve) const override { symmetry().generate(curve); }
};

// Sketching: each stroke with the left button becomes one curve, as one undo step; the
// operation stays for the next stroke.
class SketchOperation final : public Operation {
  public:
    explicit SketchOperation(Interaction& host) : Operation(host) {}
    int commandId() const override { return curvecmd::kSketch; }
    void onLeftDown(int flags, int x, int y) override;
    void onMouseMove(int flags, int x, int y) override;
    void onLeftUp(int flags, int x, int y) override;
    // The right button does nothing here.
    void onRightDown(int flags, int x, int y) override { (void)flags, (void)x, (void)y; }
    void drawFeedback(LineRenderer& renderer, int heldButtons) override;
    // The document's undo and redo: a sketch holds nothing between strokes.
    void undo() override;
    void redo() override;

    const std::vector<PixelPoint>& trail() const { return trail_; }

  private:
    OperationView* strokeView_ = nullptr;
    std::vector<PixelPoint> trail_;
};

// A curve operation for a create or edit command, or null for any other command. The Extend,
// Revolve and Transform kinds (7005, 7006, 7010 and their edit commands) take their copies
// and motion from `dialogKind`, which must then be given.
std::unique_ptr<CurveOperation> makeCurveOperation(Interaction& host, int command,
                                                   const CurveSymmetry* dialogKind);

// Starts the operation of `command` (a curve command or the sketch) as the running command
// and shows its prompt. Null when the command is not one of them or its kind is missing.
Operation* startCurveOperation(Interaction& host, int command, const CurveSymmetry* dialogKind);

// The curve operation that is running, if any: the close and open commands act on its
// working curve instead of on the picked curves.
CurveOperation* runningCurveOperation(Interaction& host);

}  // namespace orv
