#pragma once
// Mouse-driven operations and the interaction state that runs them. Views forward their
// button, double-click and move events to the current operation through an Interaction; the
// operation edits the model (recording into the document's history), writes a prompt into
// the status line and draws a rubber band over the view through the feedback overlay, which
// the platform implements per view. Nothing here is a global: the application owns one
// Interaction.
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/ui_strings.h"
#include "kernel/bbox.h"
#include "kernel/pixel_point.h"
#include "kernel/point3.h"
#include "model/layers.h"
#include "view/display_settings.h"
#include "view/line_renderer.h"
#include "view/picking.h"
#include "view/snapping.h"
#include "view/view_camera.h"

namespace orv {

class Document;
class EditHistory;
class Interaction;

// Key flags passed to the mouse handlers: the buttons held, Shift and Ctrl.
namespace keyflag {
inline constexpr int kLeft = 1;
inline constexpr int kRight = 2;
inline constexpr int kShift = 4;
inline constexpr int kCtrl = 8;
inline constexpr int kMiddle = 16;
}  // namespace keyflag

namespace opcmd {
inline constexpr int kPick = 3600;
inline constexpr int kPickCv = 3601;
inline constexpr int kPickTLine = 3602;
inline constexpr int kZoomBox = 3412;
inline constexpr int kUndo = 57643;
inline constexpr int kRedo = 57644;
}  // namespace opcmd

// Feedback refresh types.
namespace feedback {
inline constexpr int kToggle = 0;     // erase or draw again, alternating
inline constexpr int kDraw = 1;       // draw over the current image (a drag starts)
inline constexpr int kSaveDraw = 2;   // take the image as the clean scene, then draw
inline constexpr int kEraseEnd = -2;  // erase for good
}  // namespace feedback

// A view as the interaction needs it; the platform implements it (the batch runner and the
// tests with HeadlessView).
class OperationView {
public:
    virtual ~OperationView() = default;
    virtual ViewCamera& camera() = 0;
    // The document shown, or nullptr.
    virtual Document* document() = 0;
    // Hidden behind a maximised sibling: feedback refreshes do nothing.
    virtual bool obscured() const { return false; }
    // The overlay: the window image without feedback is saved and copied back to erase.
    virtual void saveCleanScene() = 0;
    virtual void restoreCleanScene() = 0;
    // A renderer drawing straight onto the window image; the interaction binds it to the
    // applied camera before each use.
    virtual LineRenderer& overlay() = 0;
    // Called once the overlay drawing of a refresh is done (a platform may present it).
    virtual void overlayDone() {}
    // Redraws the scene (without feedback: the interaction adds it afterwards).
    virtual void redrawScene() = 0;
};

// What the interaction needs from the application.
class InteractionPlatform {
public:
    virtual ~InteractionPlatform() = default;
    virtual void showStatus(std::string_view text) = 0;
    // A message box with an OK button.
    virtual void message(std::string_view text) = 0;
    // A UI string by number.
    virtual std::string text(int id) = 0;
    // Every view showing `doc`, in any order.
    virtual std::vector<OperationView*> viewsOf(Document& doc) = 0;
    // Mouse capture on the window system, when there is one.
    virtual void capture(OperationView&, bool on) { (void)on; }
};

// Base of every mouse-driven operation. Handlers take the key flags and window pixels.
class Operation {
public:
    enum Level { kDefaultLevel = 0, kViewLevel = 1, kCommandLevel = 2 };

    explicit Operation(Interaction& host) : host_(host) {}
    virtual ~Operation() = default;
    Operation(const Operation&) = delete;
    Operation& operator=(const Operation&) = delete;

    // The command that started the operation.
    virtual int commandId() const { return 0; }
    virtual void onLeftDoubleClick(int flags, int x, int y) { (void)flags, (void)x, (void)y; }
    virtual void onLeftDown(int flags, int x, int y) { (void)flags, (void)x, (void)y; }
    virtual void onLeftUp(int flags, int x, int y) { (void)flags, (void)x, (void)y; }
    virtual void onRightDoubleClick(int flags, int x, int y) { (void)flags, (void)x, (void)y; }
    // The right button finishes like a double click unless an operation says otherwise.
    virtual void onRightDown(int flags, int x, int y) { onLeftDoubleClick(flags, x, y); }
    virtual void onRightUp(int flags, int x, int y) { (void)flags, (void)x, (void)y; }
    virtual void onMouseMove(int flags, int x, int y) { (void)flags, (void)x, (void)y; }
    // Draws the rubber band with the pen already set; `renderer` is bound to the view.
    virtual void drawFeedback(LineRenderer& renderer, int heldButtons) {
        (void)renderer, (void)heldButtons;
    }
    virtual void undo() {}
    virtual void redo() {}
    // World extent of the feedback, for zoom all; empty by default.
    virtual BoundingBox feedbackBounds() const { return {}; }
    // Called once on a command operation just before the interaction retires it (another
    // command replaces it, a new default operation is installed, or the command is ended),
    // so that it can commit work it holds outside the document. It is no longer the command
    // operation while this runs.
    virtual void finish() {}

    // The view the operation is bound to (nullptr: every view) and its history.
    OperationView* view = nullptr;
    EditHistory* history = nullptr;
    // The view's button bits, set before every button event.
    int buttons = 0;

protected:
    Interaction& host() const { return host_; }
    // The document of the bound view, else of the current view; nullptr when there is none.
    Document* document() const;

private:
    Interaction& host_;
};

// One drag, one undo step: an operation that re-applies its total change from the state at
// the start of the drag on every move undoes what the drag applied so far, then records the
// new total as a fresh step.
class DragStep {
public:
    // `change` records the objects it changes before changing them.
    void apply(Document& doc, const std::function<void(Document&)>& change);
    // Ends the drag: the next apply() starts a new step.
    void finish(Document& doc);
    bool open() const { return open_; }

private:
    bool open_ = false;
};

// A mouse event as the view hands it on (Tab gestures and the wheel go to the camera first,
// handleCameraInput).
struct PointerEvent {
    enum Kind { Down, Up, DoubleClick, Move };
    Kind kind = Move;
    int button = 0;  // 0 left, 1 right
    int x = 0, y = 0;
    bool shift = false, ctrl = false;
    // Another mouse message is waiting: moves are dropped to keep up.
    bool moreQueued = false;
};

// The interaction state of the program: the three installation levels, the current view,
// the snap and pick settings, posted commands. The application owns one.
class Interaction {
public:
    explicit Interaction(InteractionPlatform& platform);
    ~Interaction();
    Interaction(const Interaction&) = delete;
    Interaction& operator=(const Interaction&) = delete;

    InteractionPlatform& platform() { return platform_; }

    // ---- levels ----
    // The view operation if any, else the command operation if any, else the default.
    Operation* current() const;
    Operation* defaultOperation() const { return default_.get(); }
    Operation* commandOperation() const { return command_.get(); }
    Operation* viewOperation() const { return view_; }
    // Ends the running command, clears the view operation and replaces the default one; the
    // history's open step is closed.
    Operation* installDefault(std::unique_ptr<Operation> op);
    // Ends the running command and installs `op` in its place.
    Operation* installCommand(std::unique_ptr<Operation> op);
    // Ends the running command without installing another; it finishes first. The
    // application ends the command before it closes the document the command works on:
    // an interaction destroyed with a command running drops it without finishing.
    void endCommand();
    // A view operation lives elsewhere (for the whole run) and is installed by reference;
    // the one it replaces comes back when it finishes.
    void installViewOperation(Operation& op);
    // Removes the view operation; without one, posts "Pick", which ends the command.
    void finishViewOperation();
    // A view operation that is going away leaves no trace: taken out whether it is running
    // or waiting under another view operation (a zoom box started on top of it).
    void forgetViewOperation(Operation& op);

    // ---- views ----
    OperationView* currentView() const { return currentView_; }
    // Makes `view` current; the default operation follows it when bound to a view of the
    // same history.
    void setCurrentView(OperationView* view);
    // Forget a view that is being destroyed.
    void viewClosed(OperationView& view);
    // Every view of the current view's document, the current one last.
    std::vector<OperationView*> documentViews();

    // ---- mouse ----
    // Runs the mouse protocol for one event of `view`; true when an operation received it.
    bool pointer(OperationView& view, const PointerEvent& e);

    // ---- feedback and redraw ----
    void refreshFeedback(OperationView& view, int type);
    void refreshFeedbackAllViews(int type);
    // Redraws every view of the current document, each ending with its feedback (type 2).
    void redrawAllViews();
    void redrawView(OperationView& view);
    BoundingBox feedbackBounds() const;

    // ---- status and commands ----
    void showStatus(std::string_view text) { platform_.showStatus(text); }
    void showStatusId(int id) { platform_.showStatus(platform_.text(id)); }
    std::string text(int id) { return platform_.text(id); }
    // Queued to run after the current event: lets an operation end itself from inside its
    // own handler. The application drains the queue after every event.
    void postCommand(int id) { posted_.push_back(id); }
    std::vector<int> takePostedCommands();
    // The commands the interaction runs itself: Pick (3600), Pick CV (3601), Pick T-Line
    // (3602), Zoom Box (3412), Fine Snap (3002), Object Axis (5010), Undo (57643), Redo
    // (57644). False for others.
    bool runCommand(int id);
    // Undo and Redo go to the current operation.
    void undo();
    void redo();

    // ---- program-wide settings ----
    SnapState snap;
    PickSettings pick;
    DisplayColours colours;
    // Frame of the transform operations: 0 about the world origin, 2 about each object's own
    // axis ("Object Axis" switches it).
    int frameModeSetting = 0;
    // The application's layer table; a default table until set.
    void setLayers(const LayerTable* layers) { layers_ = layers ? layers : &defaultLayers_; }
    const LayerTable& layers() const { return *layers_; }

private:
    class Dispatch;
    void retire(std::unique_ptr<Operation> op);

    InteractionPlatform& platform_;
    std::unique_ptr<Operation> default_;
    std::unique_ptr<Operation> command_;
    Operation* view_ = nullptr;
    std::vector<Operation*> replacedViewOps_;
    std::unique_ptr<Operation> zoomBox_;

    OperationView* currentView_ = nullptr;
    OperationView* captured_ = nullptr;
    std::deque<int> posted_;

    // Operations replaced while a handler runs stay alive until the event is done.
    int dispatchDepth_ = 0;
    std::vector<std::unique_ptr<Operation>> retired_;

    LayerTable defaultLayers_;
    const LayerTable* layers_ = &defaultLayers_;
};

// ---- the pick operation ----

class PickOperation final : public Operation {
public:
    enum class Mode { Objects, Cvs, TLines };
    PickOperation(Interaction& host, Mode mode);

    int commandId() const override;
    // The prompt shown when it starts: "Picking...", "Picking CV's..." or "Picking T-Lines...".
    int promptId() const;
    Mode mode() const { return mode_; }

    void onLeftDown(int flags, int x, int y) override;
    void onMouseMove(int flags, int x, int y) override;
    void onLeftUp(int flags, int x, int y) override;
    void onLeftDoubleClick(int flags, int x, int y) override;
    void drawFeedback(LineRenderer& renderer, int heldButtons) override;
    void undo() override;
    void redo() override;

    bool dragging() const { return rectMode_ || lassoActive_; }
    const std::vector<PixelF>& lasso() const { return lasso_; }

private:
    bool cvPicking(int flags) const;
    PixelPoint clampToArea(int x, int y) const;
    void pickRect(int flags);
    void pickLasso(int flags);
    void objectPass(Document& doc, PickTester& tester, bool lastOnly);
    void showCount(int count);

    Mode mode_;
    OperationView* dragView_ = nullptr;
    bool rectMode_ = false;
    PixelPoint start_, corner_;
    bool lassoActive_ = false;
    std::vector<PixelF> lasso_;
};

// ---- the zoom box (a view operation) ----

class ZoomBoxOperation final : public Operation {
public:
    explicit ZoomBoxOperation(Interaction& host) : Operation(host) {}
    int commandId() const override { return opcmd::kZoomBox; }
    void onLeftDown(int flags, int x, int y) override;
    void onMouseMove(int flags, int x, int y) override;
    void onLeftUp(int flags, int x, int y) override;
    // A right click gives up the box without zooming.
    void onRightDown(int flags, int x, int y) override;
    void drawFeedback(LineRenderer& renderer, int heldButtons) override;

private:
    ZoomBoxDrag drag_;
};

// ---- headless platform ----

// A view without a window: the window image is the list of segments drawn into a recording
// canvas, and the clean scene a copy of it. For the batch runner and tests.
class HeadlessView final : public OperationView {
public:
    HeadlessView(Document* doc, int direction, int width, int height);
    ViewCamera& camera() override { return camera_; }
    Document* document() override { return doc_; }
    void saveCleanScene() override;
    void restoreCleanScene() override;
    LineRenderer& overlay() override { return renderer_; }
    void redrawScene() override;

    void setLayers(const LayerTable* layers) { renderer_.setLayers(layers); }
    const RecordingCanvas& image() const { return canvas_; }
    RecordingCanvas& image() { return canvas_; }
    int redraws() const { return redraws_; }

private:
    Document* doc_;
    ViewCamera camera_;
    RecordingCanvas canvas_;
    RecordingCanvas clean_;
    LineRenderer renderer_;
    int redraws_ = 0;
};

// Keeps the status texts and messages; views are registered by hand. UI strings come from
// `lookup` when set, otherwise "#<number>".
class HeadlessPlatform final : public InteractionPlatform {
public:
    void showStatus(std::string_view text) override { statuses.emplace_back(text); }
    void message(std::string_view text) override { messages.emplace_back(text); }
    std::string text(int id) override;
    std::vector<OperationView*> viewsOf(Document& doc) override;

    std::function<std::string(int)> lookup;
    std::vector<OperationView*> views;
    std::vector<std::string> statuses;
    std::vector<std::string> messages;
};

}  // namespace orv
