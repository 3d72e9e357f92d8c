#include "view/layouts.h"

namespace orv {

std::span<const int> layoutDirections(int command) {
    static constexpr int kFourFront[] = {viewdir::kFront, viewdir::kRight, viewdir::kTop,
                                         viewdir::kThreeD};
    static constexpr int kFourBack[] = {viewdir::kBack, viewdir::kLeft, viewdir::kBottom,
                                        viewdir::kThreeD};
    static constexpr int kFrontRight[] = {viewdir::kFront, viewdir::kRight};
    static constexpr int kFrontTop[] = {viewdir::kFront, viewdir::kTop};
    switch (command) {
        case layoutcmd::kFourFront:
            return kFourFront;
        case layoutcmd::kFourBack:
            return kFourBack;
        case layoutcmd::kFrontRight:
            return kFrontRight;
        case layoutcmd::kFrontTop:
            return kFrontTop;
        default:
            return {};
    }
}

std::vector<FrameRect> layoutFrames(int command, int w, int h) {
    switch (command) {
        case layoutcmd::kFourFront:
        case layoutcmd::kFourBack:
            return {{0, h / 2, w / 2, h / 2},
                    {w / 2, h / 2, w / 2, h / 2},
                    {0, 0, w / 2, h / 2},
                    {w / 2, 0, w / 2, h / 2}};
        case layoutcmd::kFrontRight:
            return {{0, 0, w / 2, h}, {w / 2, 0, w / 2, h}};
        case layoutcmd::kFrontTop:
            return {{0, h / 2, w, h / 2}, {0, 0, w, h / 2}};
        default:
            return {};
    }
}

LayoutResult arrangeLayout(int command, std::span<ViewCamera* const> views, int invoking,
                           CameraShared& shared) {
    LayoutResult result;
    std::span<const int> wanted = layoutDirections(command);
    if (wanted.empty() || invoking < 0 || invoking >= int(views.size())) return result;

    const int slots = int(wanted.size());
    result.slotView.assign(slots, -1);
    std::vector<bool> placed(views.size(), false);
    auto place = [&](int view, int slot) {
        result.slotView[slot] = view;
        placed[view] = true;
    };
    auto firstFree = [&](int dir) {  // first empty slot wanting `dir`, or any when dir < 0
        for (int s = 0; s < slots; ++s)
            if (result.slotView[s] < 0 && (dir < 0 || wanted[s] == dir)) return s;
        return -1;
    };

    // Views already looking the right way keep it, the invoking view first.
    if (int s = firstFree(views[invoking]->direction); s >= 0) place(invoking, s);
    for (int v = 0; v < int(views.size()); ++v) {
        if (placed[v]) continue;
        if (int s = firstFree(views[v]->direction); s >= 0) place(v, s);
    }
    for (int v = 0; v < int(views.size()); ++v) {
        if (placed[v]) continue;
        int s = firstFree(-1);
        if (s < 0) break;
        place(v, s);
        views[v]->setDirection(wanted[s], false, shared);
    }

    const ViewCamera& source = *views[invoking];
    int missing = 0;
    for (int s = 0; s < slots; ++s) {
        if (result.slotView[s] >= 0) continue;
        shared.pendingDirections.push(wanted[s]);
        ++missing;
    }
    if (missing > 0) {
        shared.templateView = ViewTemplate{source.direction, source.renderMode};
        result.status = LayoutResult::NeedViews;
        result.newViews = missing;
        return result;
    }

    for (int s = 0; s < slots; ++s) views[result.slotView[s]]->renderMode = source.renderMode;
    // Set the orthographic slots as if each had been switched from the invoking view's
    // direction, so the translation permutation is the same for all of them. From a 3D view
    // there is no permutation to take, and leaving 3D again would overwrite the saved 3D
    // orientation with an orthographic one; the directions set above already stand.
    const int from = source.direction;
    if (from != viewdir::kThreeD) {
        for (int s = 0; s < slots; ++s) {
            if (wanted[s] == viewdir::kThreeD || wanted[s] == from) continue;
            ViewCamera& cam = *views[result.slotView[s]];
            cam.direction = from;
            cam.setDirection(wanted[s], false, shared);
        }
    }

    result.status = LayoutResult::Arranged;
    result.activeSlot = 0;
    for (int s = 0; s < slots; ++s)
        if (wanted[s] == from) {
            result.activeSlot = s;
            break;
        }
    return result;
}

}  // namespace orv
