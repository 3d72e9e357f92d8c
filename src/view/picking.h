#pragma once
// Picking by drawing: objects are drawn again through the line layer with a PickTester
// attached, which tests every segment against a region in window pixels and records the
// objects that touch it. CV picking projects the CVs and tests them directly.
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "kernel/point3.h"
#include "view/line_renderer.h"

namespace orv {

class BooleanObject;
class CvObject;
class LayerTable;
class LineRenderer;
class ModelObject;
class ObjectList;
class ViewCamera;

struct PixelF {
    float x = 0, y = 0;
};

// Half size in pixels of the square a click picks in. Program-wide: the application owns
// one (through its Interaction).
struct PickSettings {
    static constexpr int kDefaultAperture = 2;
    // CV picking while editing curves needs a larger target; it stays once set.
    static constexpr int kCvEditAperture = 5;
    int aperture = kDefaultAperture;
};

// Even-odd rule: an edge counts when y lies in [lower y, upper y) of its ends and the edge
// meets that height to the right of x. Fewer than three vertices enclose nothing.
bool pointInPolygon(std::span<const PixelF> polygon, float x, float y);

// The segment tester of a pick pass.
class PickTester final : public SegmentTester {
public:
    // The square of half size `aperture` around (x, y).
    void beginPoint(int x, int y, int aperture);
    // Right and bottom inclusive.
    void beginRect(int left, int top, int right, int bottom);
    // The lasso's bounding rectangle with the lasso itself, when the rectangle is more than
    // a pixel either side of its centre in both directions and there are three vertices or
    // more; otherwise the aperture square around the rectangle's centre.
    void beginPolygon(std::span<const PixelF> vertices, int aperture);

    // The object about to be drawn; it is recorded at most once.
    void registerObject(ModelObject* object);
    // Ends the pass; the number of hits.
    int endPick();
    bool active() const { return active_; }
    const std::vector<ModelObject*>& hits() const { return hits_; }
    ModelObject* hitAt(size_t i) const { return i < hits_.size() ? hits_[i] : nullptr; }

    void moveTo(float x, float y) override;
    void lineTo(float x, float y) override;
    bool satisfied() const override { return objectHit_; }

    int left() const { return left_; }
    int top() const { return top_; }
    int right() const { return right_; }
    int bottom() const { return bottom_; }
    bool usesPolygon() const { return !polygon_.empty(); }

private:
    void start();
    int code(float v, int lo, int hi) const { return v < float(lo) ? -1 : v > float(hi) ? 1 : 0; }
    bool crossesPolygon(float x0, float y0, float x1, float y1) const;
    void hit();

    int left_ = 0, top_ = 0, right_ = 0, bottom_ = 0;
    std::vector<PixelF> polygon_;
    std::vector<ModelObject*> hits_;
    ModelObject* current_ = nullptr;
    bool objectHit_ = false;
    bool active_ = false;
    float lastX_ = 0, lastY_ = 0;
    int lastCx_ = 0, lastCy_ = 0;
};

// Class filter of pickPass: every class but T-lines.
inline constexpr uint32_t kPickAnyClass = 0;

// Draws every object of `objects` that can be picked (normal or picked state, pickable
// layer, class equal to `classFilter`, or any but T-lines for kPickAnyClass) in the view's
// wire mode (mode 0 for shaded modes) through `renderer` with `tester` attached. The
// renderer must be bound to the applied camera; the tester must have begun a region.
void pickPass(PickTester& tester, LineRenderer& renderer, ObjectList& objects,
              const LayerTable& layers, int renderMode, uint32_t classFilter);

// The object under pixel (x, y), the last one the pass hit, or nullptr. Applies the camera.
ModelObject* pickObjectAt(ViewCamera& camera, ObjectList& objects, const LayerTable& layers,
                          const PickSettings& settings, int x, int y, uint32_t classFilter);
// The same among the children of a Boolean (children whose class equals the filter or that
// are Booleans themselves; of a subtraction with hidden subtractors only the first),
// descending while the hit is a Boolean.
ModelObject* pickChildAt(BooleanObject& boolean, ViewCamera& camera, const LayerTable& layers,
                         const PickSettings& settings, int x, int y, uint32_t classFilter);
// Draws `object` at once in `colour` (values above 0xFFFFFF mean red) to show what was
// picked. A negative colour draws nothing.
void highlightObject(const ModelObject& object, LineRenderer& renderer, int renderMode,
                     int64_t colour);

// ---- CV picking ----

// Where a CV lies in window pixels, and whether the region takes it.
using CvRegion = std::function<bool(float x, float y)>;

// Toggles the flags of the CVs of unselected, pickable objects (and of the shown children of
// their Booleans) whose projection `region` takes. CVs hidden with hideCv are left alone.
// Each object that changes is recorded (geometry step) first. Returns the number of CVs
// toggled. `camera` must have been applied.
int toggleCvsIn(ObjectList& objects, const LayerTable& layers, const ViewCamera& camera,
                const CvRegion& region, const std::function<void(ModelObject&)>& record);
// Clears every CV flag of unselected objects, recording each object that has one set.
// Returns the number of objects changed.
int clearCvFlags(ObjectList& objects, const std::function<void(ModelObject&)>& record);

// Objects in state picked on a pickable layer: the count of the pick status.
int pickedCount(const ObjectList& objects, const LayerTable& layers);

}  // namespace orv
