#include "model/edit_history.h"

#include <algorithm>

#include "model/objects.h"

namespace orv {

void EditHistory::record(ModelObject* object, RecordType type) {
    if (stepPending_) {
        current_ = (current_ + 1) % kSlots;
        // Everything from the new slot on is redo history that this step replaces.
        for (int i = current_; !slots_[i].empty(); i = (i + 1) % kSlots) slots_[i].clear();
        slots_[(current_ + 1) % kSlots].clear();
        stepPending_ = false;
    }
    Record r;
    r.live = object;
    r.type = type;
    switch (type) {
        case RecordType::Added:
        case RecordType::AddUndone:
        case RecordType::Aged:
        case RecordType::AgeUndone:
        case RecordType::BooleanRebuilt:
        case RecordType::BooleanTakenApart: break;
        default: r.copy = object->clone(); break;
    }
    slots_[current_].push_back(std::move(r));
}

void EditHistory::apply(Step& step, ObjectList& documentList) {
    // Newest first; reversing afterwards makes the opposite direction replay oldest first.
    for (auto it = step.rbegin(); it != step.rend(); ++it) {
        Record& r = *it;
        switch (r.type) {
            case RecordType::Added:
                r.live->state -= objstate::kConsumedShift;
                r.type = RecordType::AddUndone;
                break;
            case RecordType::AddUndone:
                r.live->state += objstate::kConsumedShift;
                r.type = RecordType::Added;
                break;
            case RecordType::Aged:
                r.live->state += 1;
                r.type = RecordType::AgeUndone;
                break;
            case RecordType::AgeUndone:
                r.live->state -= 1;
                r.type = RecordType::Aged;
                break;
            case RecordType::BooleanRebuilt:
                takeBooleanApart(static_cast<BooleanObject&>(*r.live), documentList);
                r.type = RecordType::BooleanTakenApart;
                break;
            case RecordType::BooleanTakenApart:
                rebuildBoolean(static_cast<BooleanObject&>(*r.live), documentList);
                r.type = RecordType::BooleanRebuilt;
                break;
            default: r.live->swapContents(*r.copy); break;
        }
    }
    std::reverse(step.begin(), step.end());
}

bool EditHistory::undo(ObjectList& documentList) {
    if (slots_[current_].empty()) return false;
    apply(slots_[current_], documentList);
    current_ = (current_ + kSlots - 1) % kSlots;
    return true;
}

bool EditHistory::redo(ObjectList& documentList) {
    int next = (current_ + 1) % kSlots;
    if (slots_[next].empty()) return false;
    current_ = next;
    apply(slots_[current_], documentList);
    return true;
}

void EditHistory::clear() {
    for (auto& s : slots_) s.clear();
    stepPending_ = true;
}

void takeBooleanApart(BooleanObject& b, ObjectList& documentList) {
    b.state -= objstate::kConsumedShift;
    b.operation += kTakenApartShift;
    b.detachedChildCount = b.children.size();
    b.detachedAt = documentList.size();
    documentList.appendAll(std::move(b.children));
}

void rebuildBoolean(BooleanObject& b, ObjectList& documentList) {
    b.operation -= kTakenApartShift;
    b.state += objstate::kConsumedShift;
    b.children = documentList.takeRange(b.detachedAt, b.detachedChildCount);
    b.detachedChildCount = 0;
    b.detachedAt = 0;
}

}  // namespace orv
