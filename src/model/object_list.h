#pragma once
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

#include "model/model_object.h"

namespace orv {

// Ordered, owning list of model objects: a document's list or a Boolean's children.
// Copying deep-copies every object through clone(), so a copied Boolean never shares
// children with its source. Object addresses are stable while they stay in a list.
class ObjectList {
public:
    ObjectList() = default;
    ObjectList(const ObjectList& other);
    ObjectList& operator=(const ObjectList& other);
    ObjectList(ObjectList&&) noexcept = default;
    ObjectList& operator=(ObjectList&&) noexcept = default;
    ~ObjectList();

    size_t size() const { return items_.size(); }
    bool empty() const { return items_.empty(); }
    ModelObject& operator[](size_t i) { return *items_[i]; }
    const ModelObject& operator[](size_t i) const { return *items_[i]; }
    ModelObject& back() { return *items_.back(); }

    ModelObject* append(std::unique_ptr<ModelObject> object);
    void appendAll(ObjectList&& other);
    std::unique_ptr<ModelObject> takeAt(size_t i);
    // Detaches `n` objects from position `first` on (fewer at the end), keeping their order.
    ObjectList takeRange(size_t first, size_t n);
    void clear();
    // Destroys every object whose state is greater than `limit`.
    void removeObjectsAbove(int limit);

    // Iteration used by every command. A cursor starts at the head and stops at the object
    // that was last when the iteration began, so objects appended meanwhile are not visited.
    struct Cursor {
        size_t next = 0;
        size_t end = std::numeric_limits<size_t>::max();
    };
    // Next object whose state equals `stateFilter` (any state when negative) and, when
    // `classFilter` is non-zero, whose class number equals it; nullptr at the end.
    ModelObject* nextObject(Cursor& cursor, int stateFilter, uint32_t classFilter = 0);

    template <class F>
    void forEach(F&& f) {
        for (auto& p : items_) f(*p);
    }
    template <class F>
    void forEach(F&& f) const {
        for (const auto& p : items_) f(static_cast<const ModelObject&>(*p));
    }

private:
    std::vector<std::unique_ptr<ModelObject>> items_;
};

}  // namespace orv
