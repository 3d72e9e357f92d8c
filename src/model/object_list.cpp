#include "model/object_list.h"

#include <algorithm>

namespace orv {

ObjectList::ObjectList(const ObjectList& other) {
    items_.reserve(other.items_.size());
    for (const auto& p : other.items_) items_.push_back(p->clone());
}

ObjectList& ObjectList::operator=(const ObjectList& other) {
    if (this != &other) {
        ObjectList copy(other);
        *this = std::move(copy);
    }
    return *this;
}

ObjectList::~ObjectList() = default;

ModelObject* ObjectList::append(std::unique_ptr<ModelObject> object) {
    items_.push_back(std::move(object));
    return items_.back().get();
}

void ObjectList::appendAll(ObjectList&& other) {
    for (auto& p : other.items_) items_.push_back(std::move(p));
    other.items_.clear();
}

ObjectList ObjectList::takeRange(size_t first, size_t n) {
    first = std::min(first, items_.size());
    n = std::min(n, items_.size() - first);
    ObjectList out;
    auto from = items_.begin() + static_cast<std::ptrdiff_t>(first);
    auto to = from + static_cast<std::ptrdiff_t>(n);
    for (auto it = from; it != to; ++it) out.items_.push_back(std::move(*it));
    items_.erase(from, to);
    return out;
}

std::unique_ptr<ModelObject> ObjectList::takeAt(size_t i) {
    auto p = std::move(items_[i]);
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(i));
    return p;
}

void ObjectList::clear() { items_.clear(); }

void ObjectList::removeObjectsAbove(int limit) {
    std::erase_if(items_, [limit](const auto& p) { return p->state > limit; });
}

ModelObject* ObjectList::nextObject(Cursor& cursor, int stateFilter, uint32_t classFilter) {
    if (cursor.end > items_.size()) cursor.end = items_.size();
    while (cursor.next < cursor.end) {
        ModelObject* o = items_[cursor.next++].get();
        if (stateFilter >= 0 && o->state != stateFilter) continue;
        if (classFilter != 0 && o->classNumber() != classFilter) continue;
        return o;
    }
    return nullptr;
}

}  // namespace orv
