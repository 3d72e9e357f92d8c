#pragma once
// A document in one windowless view with an interaction of its own: the operation tests drive
// it with pointer events in window pixels.
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "kernel/pixel_point.h"
#include "model/document.h"
#include "ops/operation.h"
#include "view/view_camera.h"

namespace orv::test {

// 801 x 601 pixels at zoom 1: 12 pixels per unit, the world origin at pixel (400, 300), a snap
// step of 0.5 (6 pixels). In the front view +X is to the right and +Z up.
struct HeadlessScene {
    static constexpr int kPixelsPerUnit = 12;
    static constexpr int kStepPixels = 6;

    Document doc;
    HeadlessPlatform platform;
    Interaction interaction{platform};
    HeadlessView view;

    explicit HeadlessScene(int direction = viewdir::kFront) : view(&doc, direction, 801, 601) {
        platform.views.push_back(&view);
        interaction.setCurrentView(&view);
        interaction.runCommand(opcmd::kPick);
        interaction.redrawAllViews();
    }

    ModelObject* add(std::unique_ptr<ModelObject> o) { return doc.objects().append(std::move(o)); }

    // One pointer event: button 0 left, 1 right; `in` another view than the scene's own.
    void send(PointerEvent::Kind kind, int x, int y, int button = 0, bool shift = false,
              bool ctrl = false, OperationView* in = nullptr) {
        PointerEvent e;
        e.kind = kind;
        e.x = x, e.y = y;
        e.button = button;
        e.shift = shift, e.ctrl = ctrl;
        interaction.pointer(in ? *in : view, e);
    }
    // Press at the first point, moves through the rest, release at the last.
    void drag(const std::vector<PixelPoint>& path, int button = 0, bool shift = false,
              bool ctrl = false) {
        send(PointerEvent::Down, path.front().x, path.front().y, button, shift, ctrl);
        for (size_t i = 1; i < path.size(); ++i)
            send(PointerEvent::Move, path[i].x, path[i].y, button, shift, ctrl);
        send(PointerEvent::Up, path.back().x, path.back().y, button, shift, ctrl);
    }
    const std::string& status() const { return platform.statuses.back(); }

    // Pixels of a point (x, 0, z) in the front view.
    static PixelPoint at(float x, float z) {
        return {400 + int(std::lround(x * kPixelsPerUnit)),
                300 - int(std::lround(z * kPixelsPerUnit))};
    }
};

}  // namespace orv::test
