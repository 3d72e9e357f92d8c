#pragma once
// Move, Size, Flip and Roll with the mouse. Each is installed as the default operation and
// stays until another default operation replaces it; every drag in a view transforms what is
// picked (selected objects, and the picked CVs of unselected ones) and leaves exactly one
// undo step holding the total change of that drag.
#include <string>

#include "kernel/matrix4.h"
#include "kernel/point3.h"
#include "ops/operation.h"

namespace orv {

namespace xformcmd {
inline constexpr int kMove = 5000;
inline constexpr int kSize = 5001;
inline constexpr int kFlip = 5002;
inline constexpr int kRoll = 5003;
inline constexpr int kObjectAxis = 5010;
}  // namespace xformcmd

// Values of Interaction::frameModeSetting, and of TransformOperation::frameMode.
namespace framemode {
inline constexpr int kWorldOriginSetting = 0;
inline constexpr int kObjectAxisSetting = 2;
inline constexpr int kWorldOrigin = 0;
inline constexpr int kObjectAxis = 1;
}  // namespace framemode

// The name of a frame mode as the status line shows it: "World Origin" or "Object Axis".
const char* frameModeName(int frameMode);

// Base of the four transform kinds. A drag runs: button down anchors it (beginLeftDrag or
// beginRightDrag), every move maps the pointer to a snapped displacement from the anchor
// (trackPointer), builds the matrix of the whole drag from it (buildMatrix) and re-applies
// that matrix to the state at the start of the drag; button up ends it (endDrag).
//
// Invariants: dragState is 0 between drags; while it is not, `offset` and `lastOffset` are
// displacements from `anchor`, and stepMatrix is the total change the drag has applied.
class TransformOperation : public Operation {
  public:
    enum { kIdle = 0, kLeftDrag = 1, kRightDrag = 2 };

    TransformOperation(Interaction& host, int initialFrame)
        : Operation(host), frameMode(initialFrame) {}

    void onLeftDoubleClick(int, int, int) override {}
    void onRightDoubleClick(int, int, int) override {}
    void onLeftDown(int flags, int x, int y) override;
    void onLeftUp(int flags, int x, int y) override;
    void onRightDown(int flags, int x, int y) override;
    void onRightUp(int flags, int x, int y) override;
    void onMouseMove(int flags, int x, int y) override;
    // While a drag runs: markers at the anchor and the pointer with a line between them and,
    // in wire modes, the objects being transformed in the pick colour.
    void drawFeedback(LineRenderer& renderer, int heldButtons) override;
    // The document's undo and redo, not while a drag runs; the next status starts its totals
    // anew.
    void undo() override;
    void redo() override;

    // Ends interactive drawing and redraws all views.
    virtual void endDrag();
    virtual void beginLeftDrag(int x, int y) = 0;
    virtual void beginRightDrag(int x, int y) = 0;
    // Puts the pointer's world point into `offset`.
    virtual void trackPointer(int x, int y) = 0;
    // Builds stepMatrix (and the kind's current values) from `offset`.
    virtual void buildMatrix() = 0;
    // Appends the kind's part of the status line.
    virtual void formatStatus(std::string& text) = 0;

    // "<World Origin> Moving" and the like: the prompt shown when the command starts.
    std::string prompt() const;
    // The kind's name: "Moving", "Sizing", "Flipping", "Rolling".
    virtual const char* kindName() const = 0;

    // Set while a drag runs: shaded views redraw on their fast path.
    bool interactiveDrawing() const { return interactive_; }

    int dragState = kIdle;
    // framemode::kWorldOrigin or kObjectAxis.
    int frameMode = framemode::kWorldOrigin;
    Matrix4 stepMatrix = Matrix4::identity();
    // Where the drag started (snapped), and the snapped displacement of the pointer from it.
    Point3 anchor{0, 0, 0};
    Point3 offset{0, 0, 0};
    Point3 lastOffset{0, 0, 0};
    // The view's depth axis at drag start and its sign.
    int depthAxis = 2;
    int depthSign = 1;
    // The world axis the drag is locked to; -(axis + 1) while not yet decided.
    int lockedAxis = kNoLock;
    // Undo and Redo inside the operation count here; the next status restarts its totals.
    int undoCount = 0;

  protected:
    // The camera of the view the drag runs in, applied. nullptr without one.
    ViewCamera* dragCamera() const;
    // The coarse snap step of the drag's view (1 when there is no view).
    float coarseStep() const;
    // Left-drag anchors and tracking: the snapped pointer point with axis locking.
    Point3 snapAnchor(int x, int y);
    Point3 snapTrack(int x, int y);
    // The pointer on the plane through the world origin facing the viewer, rounded to the
    // snap step (right-drag anchors).
    Point3 originPlaneAnchor(int x, int y);
    // The pointer on the plane through the anchor facing the viewer (right-drag tracking).
    Point3 anchorPlanePoint(int x, int y);
    // The locked axis decoded: the candidate while the lock is not yet decided.
    int lockAxis() const { return lockedAxis >= 0 ? lockedAxis : -(lockedAxis + 1); }

  private:
    void beginDrag(int state, int x, int y);
    void finishDrag(int state);

    OperationView* dragView_ = nullptr;
    DragStep step_;
    bool interactive_ = false;
};

class MoveOperation final : public TransformOperation {
  public:
    using TransformOperation::TransformOperation;
    int commandId() const override { return xformcmd::kMove; }
    const char* kindName() const override { return "Moving"; }
    void beginLeftDrag(int x, int y) override;
    void beginRightDrag(int x, int y) override;
    void trackPointer(int x, int y) override;
    void buildMatrix() override;
    void formatStatus(std::string& text) override;

    Point3 current{0, 0, 0};
    Point3 accumulated{0, 0, 0};
};

class SizeOperation final : public TransformOperation {
  public:
    enum { kUniform = 1, kSingleAxis = 2 };
    using TransformOperation::TransformOperation;
    int commandId() const override { return xformcmd::kSize; }
    const char* kindName() const override { return "Sizing"; }
    void beginLeftDrag(int x, int y) override;
    void beginRightDrag(int x, int y) override;
    void trackPointer(int x, int y) override;
    void buildMatrix() override;
    void formatStatus(std::string& text) override;

    int mode = kUniform;
    Point3 current{1, 1, 1};
    Point3 accumulated{1, 1, 1};
};

class FlipOperation final : public TransformOperation {
  public:
    using TransformOperation::TransformOperation;
    int commandId() const override { return xformcmd::kFlip; }
    const char* kindName() const override { return "Flipping"; }
    void beginLeftDrag(int x, int y) override;
    void beginRightDrag(int x, int y) override;
    void trackPointer(int x, int y) override;
    void buildMatrix() override;
    void formatStatus(std::string& text) override;

    // Left drags: the angle about `axis` in degrees. Right drags: the angles about every
    // world axis (the depth axis' stays 0).
    float current = 0.0f;
    Point3 currentAngles{0, 0, 0};
    float accumulated = 0.0f;
    // The world axis of `current`, and the one `accumulated` belongs to (-1: none).
    int axis = -1;
    int accumulatedAxis = -1;
};

class RollOperation final : public TransformOperation {
  public:
    using TransformOperation::TransformOperation;
    int commandId() const override { return xformcmd::kRoll; }
    const char* kindName() const override { return "Rolling"; }
    void beginLeftDrag(int x, int y) override { begin(x, y); }
    void beginRightDrag(int x, int y) override { begin(x, y); }
    void trackPointer(int x, int y) override;
    void buildMatrix() override;
    void formatStatus(std::string& text) override;

    float current = 0.0f;
    float accumulated = 0.0f;
    int accumulatedAxis = -1;

  private:
    void begin(int x, int y);
};

// The rotation about world axis `axis` by `degrees`, right-handed: axis + 1 turns toward
// axis + 2.
Matrix4 axisRotation(int axis, float degrees);

// Starts Move, Size, Flip or Roll (5000-5003) as the default operation, which ends any
// running command; its frame follows the program-wide setting, and the document of the
// current view takes the same setting (the quarter turns read it there). Shows the prompt.
// nullptr for any other command.
TransformOperation* startTransformOperation(Interaction& interaction, int command);

// "Object Axis": switches the program-wide frame between the world origin and each object's
// own axis. A running transform operation follows at once; the current view's document takes
// the new setting. Returns the new setting.
int toggleObjectAxis(Interaction& interaction);

}  // namespace orv
