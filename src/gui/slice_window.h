#pragma once
#include <QDialog>
#include <filesystem>
#include <functional>

namespace orv {
class LineRenderer;
struct SliceViewer;
}  // namespace orv

class QScrollBar;

namespace orv::gui {

// "Show Slices": a small window beside the views with a scroll bar, "Open" and ">" that
// steps through the layers of a slice file; the views draw the contours of the current layer
// at its height. The viewer's state lives in the program's remembered values, so the window
// opens on the file "Cut into Slices" wrote last.
class SliceWindow final : public QDialog {
    Q_OBJECT
  public:
    SliceWindow(SliceViewer& viewer, QWidget* parent, std::function<void()> redrawViews);

    // Loads a slice file; false (with a message) when it is not one.
    bool load(const std::filesystem::path& path);
    void setCurrentLayer(int layer);
    // Every layer in turn, each drawn in the views.
    void playAll();
    // The current layer (or, while ">" runs, the layers so far) into a bound renderer.
    void draw(LineRenderer& renderer) const;
    // Shows the viewer's state (after it was changed elsewhere).
    void refresh();

  private:
    SliceViewer& viewer_;
    std::function<void()> redrawViews_;
    int playedUpTo_ = -1;
    QScrollBar* bar_;
};

}  // namespace orv::gui
