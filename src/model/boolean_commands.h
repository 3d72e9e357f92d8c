#pragma once
#include "model/document.h"
#include "model/objects.h"

namespace orv {

// The Boolean commands. Like the other immediate commands they act on the picked objects,
// record every object before changing it and leave opening the step (beginStep) and redrawing
// to the caller.

struct UiMessage {
    int id;
    const char* text;
};
// Shown while the subtract command waits for the object to subtract from; a refused pick
// leaves it standing.
inline constexpr UiMessage kPickSubtractBase{10113, "Pick the object to subtract from..."};

// Objects that can take part in a Boolean: those with control points or a placement, except
// curves, which bound no solid.
bool isBooleanOperand(const ModelObject& o);
// Whether `picked` can be the object subtracted from: an operand that is a drawn (state 0 or
// 1) object of the document's own list, not a child inside some Boolean.
bool acceptsSubtractBase(const Document& doc, const ModelObject* picked);

// Combines the picked operands into one new, picked Boolean on the current layer; the
// operands are copied into it and the originals consumed (state -99), so that one undo brings
// them back. Returns the new Boolean, or nullptr (nothing changed) with fewer than two
// operands.
BooleanObject* unionObjects(Document& doc);
BooleanObject* intersectObjects(Document& doc);
// `base` becomes the first child, the picked operands (other than `base`) are subtracted from
// it. nullptr when the base is refused (see acceptsSubtractBase) or nothing is subtracted.
BooleanObject* subtractObjects(Document& doc, ModelObject& base);

// Takes every picked Boolean apart: its children become top-level objects at the end of the
// list. Children that are Booleans themselves stay whole.
bool disBoolean(Document& doc);
// Shows or hides the subtracted children of every picked subtraction whose setting changes.
bool setShowSubtractors(Document& doc, bool show);

}  // namespace orv
