#pragma once
#include <filesystem>
#include <memory>

#include "model/edit_history.h"
#include "model/object_list.h"

namespace orv {

class GemLibrary;

// One design: its objects, its history and the little state that goes with them. Nothing here
// is program-wide; the gem library is shared between documents by pointer.
class Document {
public:
    Document() = default;
    explicit Document(std::shared_ptr<GemLibrary> gems) : gems_(std::move(gems)) {}
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    ObjectList& objects() { return objects_; }
    const ObjectList& objects() const { return objects_; }
    EditHistory& history() { return history_; }
    const std::shared_ptr<GemLibrary>& gems() const { return gems_; }

    // Records the addition and appends. A new object becomes picked, on the current layer,
    // in "Gold", with the next serial; a non-new one keeps its fields.
    ModelObject* addObject(std::unique_ptr<ModelObject> object, bool isNew);
    // Every change goes through here so that it can be undone and marks the document modified.
    void record(ModelObject* object, RecordType type);
    void beginStep() { history_.beginStep(); }
    bool undo();
    bool redo();

    // Empties the document as for File > New.
    void reset();
    int takeSerial() { return nextSerial_++; }
    int nextSerial() const { return nextSerial_; }
    void setNextSerial(int s) { nextSerial_ = s; }

    bool modified = false;
    int currentLayer = 0;
    bool objectAxisMode = false;
    std::filesystem::path path;

private:
    ObjectList objects_;
    EditHistory history_;
    int nextSerial_ = 0;
    std::shared_ptr<GemLibrary> gems_;
};

}  // namespace orv
