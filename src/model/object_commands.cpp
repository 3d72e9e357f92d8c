#include "model/object_commands.h"

#include "model/objects.h"

namespace orv {

namespace {

template <class F>
bool forEachObject(Document& doc, int stateFilter, F&& f) {
    bool changed = false;
    ObjectList::Cursor c;
    while (ModelObject* o = doc.objects().nextObject(c, stateFilter)) changed |= f(*o);
    return changed;
}

bool isCurveOrTLine(const ModelObject& o) {
    return o.classNumber() == kClassCurve || o.classNumber() == kClassTLine;
}

// Sets a flag on the picked objects whose flag actually changes.
bool setFlag(Document& doc, bool ModelObject::*flag, bool on, bool skipCurves) {
    return forEachObject(doc, objstate::kPicked, [&](ModelObject& o) {
        if (o.*flag == on || (skipCurves && on && isCurveOrTLine(o))) return false;
        doc.record(&o, RecordType::StateChanged);
        o.*flag = on;
        return true;
    });
}

void setHideCvDeep(ModelObject& o, bool hide) {
    if (auto* cv = dynamic_cast<CvObject*>(&o)) cv->hideCv = hide;
    if (auto* b = dynamic_cast<BooleanObject*>(&o))
        b->children.forEach([&](ModelObject& c) { setHideCvDeep(c, hide); });
}

// The children a jewel rule descends into: every child of a union, the first of a subtraction.
template <class F>
void jewelChildren(BooleanObject& b, F&& f) {
    if (b.operation == kUnion) {
        b.children.forEach(f);
    } else if (b.operation == kSubtract && !b.children.empty()) {
        f(b.children[0]);
    }
}

bool hideJewelRule(Document& doc, ModelObject& x, ModelObject& recorded) {
    if (isJewel(x) && x.visible()) {
        doc.record(&recorded, RecordType::StateChanged);
        x.state += 2;
        return true;
    }
    bool changed = false;
    if (auto* b = dynamic_cast<BooleanObject*>(&x))
        jewelChildren(*b, [&](ModelObject& c) { changed |= hideJewelRule(doc, c, recorded); });
    return changed;
}

bool showJewelRule(Document& doc, ModelObject& x, ModelObject& recorded) {
    if (isJewel(x) && x.state > 1) {
        doc.record(&recorded, RecordType::StateChanged);
        x.state -= 2;
        return true;
    }
    bool changed = false;
    auto* b = dynamic_cast<BooleanObject*>(&x);
    if (b && b->state == objstate::kPicked)
        jewelChildren(*b, [&](ModelObject& c) { changed |= showJewelRule(doc, c, recorded); });
    return changed;
}

}  // namespace

bool hideObjects(Document& doc) {
    return forEachObject(doc, objstate::kPicked, [&](ModelObject& o) {
        doc.record(&o, RecordType::StateChanged);
        o.state += 2;
        return true;
    });
}

bool unhideObjects(Document& doc) {
    return forEachObject(doc, -1, [&](ModelObject& o) {
        if (o.state != objstate::kHidden && o.state != objstate::kHiddenPicked) return false;
        doc.record(&o, RecordType::StateChanged);
        o.state -= 2;
        return true;
    });
}

bool swapHide(Document& doc) {
    return forEachObject(doc, -1, [&](ModelObject& o) {
        if (o.state < 0 || o.state > 3) return false;
        doc.record(&o, RecordType::StateChanged);
        o.state = o.state < 2 ? o.state + 2 : o.state - 2;
        return true;
    });
}

bool restoreRemovedCurves(Document& doc) {
    return forEachObject(doc, -1, [&](ModelObject& o) {
        if (o.state != objstate::kRemovedCurve) return false;
        doc.record(&o, RecordType::StateChanged);
        o.state = objstate::kPicked;
        return true;
    });
}

bool deleteObjects(Document& doc, BoundingBox* damaged) {
    bool anyPicked = false;
    doc.objects().forEach([&](const ModelObject& o) { anyPicked |= o.state == objstate::kPicked; });
    if (!anyPicked) return undeleteObjects(doc);
    forEachObject(doc, -1, [&](ModelObject& o) {
        if (o.state >= 0) return false;
        doc.record(&o, RecordType::Aged);
        o.state -= 1;
        return true;
    });
    BoundingBox box;
    forEachObject(doc, objstate::kPicked, [&](ModelObject& o) {
        doc.record(&o, RecordType::StateChanged);
        box.grow(o.boundingBox(Matrix4::identity()));
        o.state = -1;
        return true;
    });
    if (damaged) *damaged = box;
    return true;
}

bool undeleteObjects(Document& doc) {
    return forEachObject(doc, -1, [&](ModelObject& o) {
        if (o.state < -1) {
            doc.record(&o, RecordType::AgeUndone);
            o.state += 1;
            return true;
        }
        if (o.state == -1) {
            doc.record(&o, RecordType::StateChanged);
            o.state = objstate::kPicked;
            return true;
        }
        return false;
    });
}

bool setJewel(Document& doc, bool on) { return setFlag(doc, &ModelObject::jewel, on, true); }
bool setSuperSubtractor(Document& doc, bool on) {
    return setFlag(doc, &ModelObject::superSubtractor, on, true);
}
bool setNonDeformable(Document& doc, bool on) {
    return setFlag(doc, &ModelObject::nonDeformable, on, false);
}

bool setHideCv(Document& doc, bool hide) {
    return forEachObject(doc, objstate::kPicked, [&](ModelObject& o) {
        if (o.kind() != 1 && o.classNumber() != kClassBoolean) return false;
        doc.record(&o, RecordType::StateChanged);
        setHideCvDeep(o, hide);
        return true;
    });
}

bool isJewel(const ModelObject& o) {
    if (auto* b = dynamic_cast<const BooleanObject*>(&o)) {
        if (b->children.empty()) return false;
        if (b->operation == kSubtract) return isJewel(b->children[0]);
        bool all = true;
        b->children.forEach([&](const ModelObject& c) { all = all && isJewel(c); });
        return all;
    }
    if (isCurveOrTLine(o)) return false;
    return o.classNumber() == kClassGem || o.jewel;
}

bool hideJewels(Document& doc) {
    return forEachObject(doc, objstate::kPicked,
                         [&](ModelObject& o) { return hideJewelRule(doc, o, o); });
}

bool showJewels(Document& doc) {
    return forEachObject(doc, -1, [&](ModelObject& o) {
        return o.state > 0 && showJewelRule(doc, o, o);
    });
}

Matrix4 quarterTurnMatrix(const ViewAxes& axes, QuarterTurn dir) {
    bool vertical = dir == QuarterTurn::Up || dir == QuarterTurn::Down;
    int i = axes.axis[vertical ? 1 : 0];
    int si = axes.sign[vertical ? 1 : 0];
    int b = axes.axis[2];
    int sb = axes.sign[2];
    int s = (dir == QuarterTurn::Up || dir == QuarterTurn::Right) ? -1 : 1;
    float a = static_cast<float>(s * sb * si);
    Matrix4 R = Matrix4::identity();
    R(i, i) = 0.0f;
    R(b, b) = 0.0f;
    R(i, b) = a;
    R(b, i) = -a;
    return R;
}

namespace {
Matrix4 turnFor(const Document& doc, const ModelObject& o, const Matrix4& R) {
    return doc.objectAxisMode ? inverse(o.axisFrame) * R * o.axisFrame : R;
}
}  // namespace

bool flip90(Document& doc, const ViewAxes& axes, QuarterTurn dir) {
    Matrix4 R = quarterTurnMatrix(axes, dir);
    return forEachObject(doc, objstate::kPicked, [&](ModelObject& o) {
        doc.record(&o, RecordType::Transformed);
        o.transform(turnFor(doc, o, R), true);
        return true;
    });
}

bool copyFlip90(Document& doc, const ViewAxes& axes, QuarterTurn dir) {
    Matrix4 R = quarterTurnMatrix(axes, dir);
    return forEachObject(doc, objstate::kPicked, [&](ModelObject& o) {
        doc.record(&o, RecordType::StateChanged);
        auto copy = o.clone();
        copy->state = objstate::kPicked;
        copy->layer = doc.currentLayer;
        copy->serial = doc.takeSerial();
        copy->transform(turnFor(doc, o, R), true);
        doc.addObject(std::move(copy), false);
        o.state = objstate::kNormal;
        return true;
    });
}

}  // namespace orv

namespace orv {

bool pickAll(Document& doc, uint32_t filter, const std::function<bool(int)>& layerPickable) {
    auto wanted = [filter](const ModelObject& o) {
        switch (filter) {
            case static_cast<uint32_t>(PickAllFilter::All): return o.classNumber() != kClassTLine;
            case static_cast<uint32_t>(PickAllFilter::Jewels): return isJewel(o);
            default: return o.classNumber() == filter;
        }
    };
    ObjectList::Cursor c;
    bool changed = false;
    while (ModelObject* o = doc.objects().nextObject(c, objstate::kNormal)) {
        if (!wanted(*o) || (layerPickable && !layerPickable(o->layer))) continue;
        doc.record(o, RecordType::StateChanged);
        o->state = objstate::kPicked;
        changed = true;
    }
    return changed;
}

bool pickNone(Document& doc) {
    ObjectList::Cursor c;
    bool changed = false;
    while (ModelObject* o = doc.objects().nextObject(c, objstate::kPicked)) {
        if (o->classNumber() == kClassTLine) continue;
        doc.record(o, RecordType::StateChanged);
        o->state = objstate::kNormal;
        changed = true;
    }
    return changed;
}

}  // namespace orv
