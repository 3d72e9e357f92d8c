#pragma once
#include <functional>

#include "kernel/bbox.h"
#include "kernel/view_axes.h"
#include "model/document.h"

namespace orv {

// The immediate commands that only change states and flags of objects. Each records every
// object before changing it; the caller opens the step (beginStep) and redraws afterwards.
// Each returns whether anything changed.
bool hideObjects(Document& doc);
bool unhideObjects(Document& doc);
bool swapHide(Document& doc);
bool restoreRemovedCurves(Document& doc);
// Deletes the picked objects, ageing earlier deletions; with nothing picked it undeletes
// instead. `damaged` receives the united boxes of what was deleted.
bool deleteObjects(Document& doc, BoundingBox* damaged = nullptr);
bool undeleteObjects(Document& doc);
bool setJewel(Document& doc, bool on);
bool setSuperSubtractor(Document& doc, bool on);
bool setNonDeformable(Document& doc, bool on);
bool setHideCv(Document& doc, bool hide);
bool hideJewels(Document& doc);
bool showJewels(Document& doc);

// A gem instance or an object flagged as jewel (never a curve or a T-line); a union or
// intersection when every child is one; a subtraction when its first child is.
bool isJewel(const ModelObject& o);

enum class QuarterTurn { Up, Down, Left, Right };
// The quarter turn about a screen axis, in world coordinates, for a view's axes.
Matrix4 quarterTurnMatrix(const ViewAxes& axes, QuarterTurn dir);
// Turns the picked objects by a quarter (about each object's own frame in object-axis mode).
bool flip90(Document& doc, const ViewAxes& axes, QuarterTurn dir);
// Turned copies of the picked objects; the originals stay, unpicked.
bool copyFlip90(Document& doc, const ViewAxes& axes, QuarterTurn dir);

}  // namespace orv

namespace orv {

// What "pick all" selects: a class number, every class but T-lines, or jewels.
enum class PickAllFilter : uint32_t {
    All = 1,
    Jewels = 1000,
};
// Selects every unselected (state 0) object of the filter on a pickable layer; `filter` is a
// class number or one of PickAllFilter. `layerPickable` may be empty (every layer pickable).
bool pickAll(Document& doc, uint32_t filter, const std::function<bool(int)>& layerPickable = {});
// Deselects every selected object except T-lines.
bool pickNone(Document& doc);

}  // namespace orv
