#include "model/document.h"

#include "model/objects.h"

namespace orv {

ModelObject* Document::addObject(std::unique_ptr<ModelObject> object, bool isNew) {
    ModelObject* o = objects_.append(std::move(object));
    if (isNew) {
        o->state = objstate::kPicked;
        o->layer = currentLayer;
        o->materialName = "Gold";
        o->mappingMode = 0;
        o->mappingMatrix = Matrix4::identity();
        o->nonDeformable = o->jewel = o->superSubtractor = false;
        o->serial = takeSerial();
    }
    if (auto* gem = dynamic_cast<GemInstance*>(o); gem && !gem->library) gem->library = gems_;
    record(o, RecordType::Added);
    return o;
}

void Document::record(ModelObject* object, RecordType type) {
    history_.record(object, type);
    modified = true;
}

bool Document::undo() {
    bool done = history_.undo(objects_);
    if (done) modified = true;
    return done;
}

bool Document::redo() {
    bool done = history_.redo(objects_);
    if (done) modified = true;
    return done;
}

void Document::reset() {
    history_.clear();
    objects_.clear();
    nextSerial_ = 0;
    modified = false;
}

}  // namespace orv
