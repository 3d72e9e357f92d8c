#pragma once
#include <span>
#include <vector>

#include "view/view_camera.h"

namespace orv {

// The multi-view layouts: which direction each slot wants and where its frame goes.
namespace layoutcmd {
inline constexpr int kFourFront = 3300;   // front, right, top, 3D
inline constexpr int kFourBack = 3301;    // back, left, bottom, 3D
inline constexpr int kFrontRight = 3310;  // front, right
inline constexpr int kFrontTop = 3311;    // front, top
}  // namespace layoutcmd

// Wanted direction of each slot; empty for an id that is not a layout command.
std::span<const int> layoutDirections(int command);

struct FrameRect {
    int x = 0, y = 0, width = 0, height = 0;
    friend bool operator==(const FrameRect&, const FrameRect&) = default;
};
// Position of each slot's frame in a client area of w x h pixels, in slot order. The top (or
// bottom) view sits above the front (or back) view, the right (or left) view to its right.
std::vector<FrameRect> layoutFrames(int command, int w, int h);

struct LayoutResult {
    enum Status {
        NotALayout,  // the command is not a layout; nothing changed
        NeedViews,   // open `newViews` windows (newViewCamera), then run the layout again
        Arranged,    // every slot has its view
    };
    Status status = NotALayout;
    int newViews = 0;
    // Index into the views passed in, per slot (-1 for a slot still empty).
    std::vector<int> slotView;
    // The slot whose frame is activated at the end.
    int activeSlot = 0;
};

// Assigns the document's views (`views`, the invoking one at `invoking`) to the layout's
// slots and sets their directions. Views that already look the right way keep their slot;
// the rest fill the empty slots in order. When views are missing, the directions they need
// are queued in `shared` with the invoking view as template and NeedViews is returned; the
// caller opens the windows and calls again. Once every slot is filled each slot's view takes
// the invoking view's display mode, and the orthographic slots are set to their direction as
// seen from the invoking view's direction, so a panned position carries over consistently.
// Views beyond the layout's slots are left alone.
LayoutResult arrangeLayout(int command, std::span<ViewCamera* const> views, int invoking,
                           CameraShared& shared);

}  // namespace orv
