#include "model/boolean_commands.h"

#include <vector>

namespace orv {

namespace {

// The shared body of union, intersect and subtract. `first` is the object subtracted from, or
// nullptr to take the first operand met.
BooleanObject* combine(Document& doc, uint32_t operation, ModelObject* first) {
    // Decide everything before touching the document, so that a refused combination leaves
    // neither changes nor an empty step behind.
    std::vector<ModelObject*> operands;
    ObjectList::Cursor c;
    while (ModelObject* o = doc.objects().nextObject(c, objstate::kPicked)) {
        if (o == first || !isBooleanOperand(*o)) continue;
        if (!first) {
            first = o;
            continue;
        }
        operands.push_back(o);
    }
    if (!first || operands.empty()) return nullptr;

    ObjectList others;
    for (ModelObject* o : operands) {
        others.append(o->clone());
        doc.record(o, RecordType::StateChanged);
        o->state = -objstate::kConsumedShift;
    }

    auto made = std::make_unique<BooleanObject>();
    made->operation = operation;
    auto* b = static_cast<BooleanObject*>(doc.addObject(std::move(made), true));
    b->materialName.clear();

    auto head = first->clone();
    head->state = objstate::kPicked;
    b->children.append(std::move(head));
    b->children.appendAll(std::move(others));
    doc.record(first, RecordType::StateChanged);
    first->state = -objstate::kConsumedShift;
    return b;
}

bool inDocumentList(const Document& doc, const ModelObject* o) {
    bool found = false;
    doc.objects().forEach([&](const ModelObject& x) { found |= &x == o; });
    return found;
}

}  // namespace

bool isBooleanOperand(const ModelObject& o) {
    return (o.kind() == 1 || o.kind() == 2) && o.classNumber() != kClassCurve;
}

bool acceptsSubtractBase(const Document& doc, const ModelObject* picked) {
    return picked && isBooleanOperand(*picked) && picked->visible() && inDocumentList(doc, picked);
}

BooleanObject* unionObjects(Document& doc) {
    return combine(doc, kUnion, nullptr);
}

BooleanObject* intersectObjects(Document& doc) {
    return combine(doc, kIntersect, nullptr);
}

BooleanObject* subtractObjects(Document& doc, ModelObject& base) {
    if (!acceptsSubtractBase(doc, &base)) return nullptr;
    return combine(doc, kSubtract, &base);
}

bool disBoolean(Document& doc) {
    bool changed = false;
    // The cursor stops at the object that was last when it started, so the children appended
    // here are not visited again and nested Booleans stay whole.
    ObjectList::Cursor c;
    while (ModelObject* o = doc.objects().nextObject(c, objstate::kPicked, kClassBoolean)) {
        auto& b = static_cast<BooleanObject&>(*o);
        doc.record(&b, RecordType::BooleanTakenApart);
        takeBooleanApart(b, doc.objects());
        changed = true;
    }
    return changed;
}

bool setShowSubtractors(Document& doc, bool show) {
    bool changed = false;
    ObjectList::Cursor c;
    while (ModelObject* o = doc.objects().nextObject(c, objstate::kPicked, kClassBoolean)) {
        auto& b = static_cast<BooleanObject&>(*o);
        if (b.operation != kSubtract || b.showSubtractors == show) continue;
        doc.record(&b, RecordType::StateChanged);
        b.showSubtractors = show;
        changed = true;
    }
    return changed;
}

}  // namespace orv
