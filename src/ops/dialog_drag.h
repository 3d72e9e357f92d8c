#pragma once
// Dragging values into the modeless Extend and Revolve dialogs. While such a dialog is open
// its drag operation is installed as the view operation: a drag in any view sets the
// dialog's vector (Extend) or angle (Revolve) instead of picking, and the views show a
// preview of it. The dialog owns the values; the operation writes them and calls back so the
// dialog can show them.
#include <functional>
#include <vector>

#include "curves/sweep_dialogs.h"
#include "kernel/view_axes.h"
#include "ops/operation.h"

namespace orv {

// The angle in degrees of world point `p` about the origin in the screen plane of a view
// with `axes`, from screen right toward screen up, in (-180, 180].
double screenAngle(const Point3& p, const ViewAxes& axes);
// The world point at screen angle `degrees` and distance `radius` from the origin in that
// plane (depth 0).
Point3 screenPoint(double degrees, double radius, const ViewAxes& axes);
// A vector given in screen terms (horizontal, vertical, depth) as a world vector.
Point3 screenToWorld(const Point3& screen, const ViewAxes& axes);

// Common part: the values of a dialog changed by a drag in a view. A view operation: it
// lives as long as its dialog and is installed by reference (openDialogDrag).
class DialogDragOperation : public Operation {
  public:
    // `command` is the command whose dialog this is; `changed` runs after every change.
    DialogDragOperation(Interaction& host, int command, std::function<void()> changed);
    // Takes itself out of the interaction when it is still the view operation.
    ~DialogDragOperation() override;

    int commandId() const override { return command_; }
    void onLeftDown(int, int x, int y) override { press(0, x, y); }
    void onRightDown(int, int x, int y) override { press(1, x, y); }
    void onLeftUp(int flags, int x, int y) override;
    void onRightUp(int flags, int x, int y) override;
    void onMouseMove(int flags, int x, int y) override;

    bool dragging() const { return button_ >= 0; }
    // The view axes the values are read in: those of the view last dragged in, or of the
    // view current when the operation was made.
    const ViewAxes& axes() const { return axes_; }

  protected:
    // The press of `button` (0 left, 1 right) at (x, y) on the applied camera.
    virtual void start(ViewCamera& camera, int button, int x, int y) = 0;
    // A move: works out the dialog's values for the pointer; true when they differ from the
    // dialog's own.
    virtual bool track(ViewCamera& camera, int x, int y) = 0;
    // Stores what track() worked out in the dialog's values.
    virtual void commit() = 0;
    // track(), then, when the values change, the preview is erased, commit() runs, the
    // preview is drawn again and the dialog is told.
    void changeValues(ViewCamera& camera, int x, int y);

    ViewAxes axes_;

  private:
    void press(int button, int x, int y);

    int command_;
    std::function<void()> changed_;
    int button_ = -1;
    OperationView* dragView_ = nullptr;
};

// The Extend dialog's vector from a drag: the start point with the left button at the
// snapped point under the pointer, with the right button on the plane through the origin
// facing the viewer; the end point minus the start point, rounded to the snap step, gives
// the horizontal and vertical components (or length and angle in polar entry) and the depth
// becomes 0. The preview is the arrow of the vector from the start point.
class ExtendDragOperation final : public DialogDragOperation {
  public:
    ExtendDragOperation(Interaction& host, ExtendArgs& args, int command = 0,
                        std::function<void()> changed = {});
    void drawFeedback(LineRenderer& renderer, int heldButtons) override;

    // Where the arrow starts (the world origin until the first drag).
    const Point3& startPoint() const { return start_; }
    // The arrow's world end point for the dialog's current vector.
    Point3 arrowTip() const;

  protected:
    void start(ViewCamera& camera, int button, int x, int y) override;
    bool track(ViewCamera& camera, int x, int y) override;
    void commit() override;

  private:
    ExtendArgs& args_;
    ExtendArgs pending_;
    Point3 start_{0, 0, 0};
};

// The Revolve dialog's angle from a drag: the press takes the angle and distance of the
// pressed point about the origin in the view plane; each move sets the turned angle (see
// RevolveArgs::applyDrag). The preview is the Number + 1 rays of the copies, from the
// origin at the pressed angle turning by the dialog's angle.
class RevolveDragOperation final : public DialogDragOperation {
  public:
    RevolveDragOperation(Interaction& host, RevolveArgs& args, int command = 0,
                         std::function<void()> changed = {});
    void drawFeedback(LineRenderer& renderer, int heldButtons) override;

    double startAngle() const { return startAngle_; }
    // The length of the rays: the pressed point's distance from the origin, 0 before the
    // first press (the preview then takes a length from the view).
    double radius() const { return radius_; }
    // The end points of the rays for a ray length `length`.
    std::vector<Point3> rayEnds(double length) const;

  protected:
    void start(ViewCamera& camera, int button, int x, int y) override;
    bool track(ViewCamera& camera, int x, int y) override;
    void commit() override;

  private:
    RevolveArgs& args_;
    RevolveArgs pending_;
    double startAngle_ = 0.0;
    double radius_ = 0.0;
};

// Installs `op` as the view operation (the one it replaces comes back when it goes) and
// draws its preview over the views of the current document.
void openDialogDrag(Interaction& interaction, DialogDragOperation& op);
// Erases the preview and takes `op` out again; nothing when it is not the view operation.
void closeDialogDrag(Interaction& interaction, DialogDragOperation& op);

}  // namespace orv
