#pragma once
#include <array>
#include <memory>
#include <vector>

#include "model/object_list.h"

namespace orv {

enum class RecordType : int {
    Added = 0,              // holds the live object
    AddUndone = 1,          // holds the live object
    StateChanged = 2,       // holds a copy from before the change
    Transformed = 3,        // holds a copy from before the change
    Aged = 4,               // deleted object pushed one level down; holds the live object
    AgeUndone = 5,          // holds the live object
    BooleanRebuilt = 6,     // holds the live Boolean
    BooleanTakenApart = 7,  // holds the live Boolean
};

// Undo ring of one document. A step is every record made between two beginStep() calls.
// Records either name the live object (pure state shifts, which invert by flipping their
// type) or own a copy taken before the change, which undo swaps with the live object.
// Invariant: the slot after `current` is always empty, so at most kSlots - 1 steps undo.
class EditHistory {
public:
    static constexpr int kSlots = 128;

    // Call before changing `object`. Opens a new step when one is pending, which discards
    // every redo step.
    void record(ModelObject* object, RecordType type);
    void beginStep() { stepPending_ = true; }
    // Undo / redo one step against the document's list; false when there is none.
    bool undo(ObjectList& documentList);
    bool redo(ObjectList& documentList);
    void clear();

    bool stepPending() const { return stepPending_; }
    int current() const { return current_; }
    bool canUndo() const { return !slots_[current_].empty(); }
    bool canRedo() const { return !slots_[(current_ + 1) % kSlots].empty(); }

private:
    struct Record {
        ModelObject* live = nullptr;
        std::unique_ptr<ModelObject> copy;  // copy types only
        RecordType type = RecordType::Added;
    };
    using Step = std::vector<Record>;  // oldest first in recording order

    void apply(Step& step, ObjectList& documentList);

    std::array<Step, kSlots> slots_;
    int current_ = 0;
    bool stepPending_ = false;
};

class BooleanObject;
// Dis-Boolean and its inverse: the children move to the end of the document list and back.
void takeBooleanApart(BooleanObject& b, ObjectList& documentList);
void rebuildBoolean(BooleanObject& b, ObjectList& documentList);

}  // namespace orv
