#pragma once
// Builders for model tests. `Bytes` writes the stored layout by hand, field by field, without
// the model's own writer, so a file built with it stands for one written by another program.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "model/design_file.h"
#include "model/document.h"
#include "model/objects.h"

namespace orv::test {

struct Bytes {
    std::vector<uint8_t> b;
    Bytes& u8(uint8_t v) {
        b.push_back(v);
        return *this;
    }
    Bytes& u16(uint16_t v) { return u8(v & 0xFF).u8(v >> 8); }
    Bytes& u32(uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
    Bytes& f32(float f) {
        uint32_t v;
        std::memcpy(&v, &f, 4);
        return u32(v);
    }
    Bytes& raw(const std::string& s) {
        b.insert(b.end(), s.begin(), s.end());
        return *this;
    }
    Bytes& matrix(const float (&m)[16]) {
        for (float f : m) f32(f);
        return *this;
    }
    Bytes& identity() {
        const float m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
        return matrix(m);
    }
    // Common part of a record: class, state word, frame, flags, mapping matrix, material.
    Bytes& root(uint32_t cls, uint16_t state, int16_t layer, uint32_t flags = 0,
                const std::string& material = "") {
        u32(cls).u32(state | (static_cast<uint32_t>(static_cast<uint16_t>(layer)) << 16));
        identity().u32(flags).identity();
        return u32(static_cast<uint32_t>(material.size())).raw(material);
    }
    Bytes& magic() { return raw("MORVELLASIGN0100"); }
};

inline std::unique_ptr<CurveObject> makeCurve(std::vector<Point3> cvs, bool closed = false) {
    auto c = std::make_unique<CurveObject>();
    c->setCvs(std::move(cvs));
    c->closed = closed;
    return c;
}

// A rows x columns net on a gentle bump, rows along Y, columns along X.
inline std::unique_ptr<SurfaceObject> makeSurface(int rows = 4, int columns = 5) {
    auto s = std::make_unique<SurfaceObject>();
    std::vector<Point3> net;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            net.push_back({float(c), float(r), float((r * c) % 3) * 0.5f});
    s->setCvs(net);
    s->rows = rows;
    s->columns = columns;
    return s;
}

inline std::unique_ptr<FacetObject> makeFacet() {
    auto f = std::make_unique<FacetObject>();
    f->setCvs({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}});
    f->faceSizes = {3, 3, 4};
    f->faceIndices = {0, 1, 2, 0, 1, 3, 1, 2, 3, 0};
    return f;
}

inline std::unique_ptr<BooleanObject> makeBoolean(uint32_t op, std::vector<std::unique_ptr<ModelObject>> kids) {
    auto b = std::make_unique<BooleanObject>();
    b->operation = op;
    for (auto& k : kids) b->children.append(std::move(k));
    return b;
}

inline std::vector<std::unique_ptr<ModelObject>> kids(std::unique_ptr<ModelObject> a,
                                                       std::unique_ptr<ModelObject> b) {
    std::vector<std::unique_ptr<ModelObject>> v;
    v.push_back(std::move(a));
    v.push_back(std::move(b));
    return v;
}

// One object of every stored class, each added as a new object.
inline void fillEveryClass(Document& doc) {
    doc.addObject(makeCurve({{0, 0, 0}, {1, 2, 0}, {3, 1, 0}, {4, 0, 1}, {5, 5, 5}}), true);
    doc.addObject(makeSurface(), true);
    doc.addObject(makeFacet(), true);
    auto block = std::make_unique<BlockObject>();
    block->pieces = {{3, 7}, {2, 1}};
    block->points = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {2, 2, 0}, {3, 2, 0}};
    block->endSize = 0.25f;
    doc.addObject(std::move(block), true);
    doc.addObject(makeBoolean(kSubtract, kids(makeSurface(4, 4), makeSurface(5, 4))), true);
    auto t = std::make_unique<TLineObject>();
    t->axis = 2;
    doc.addObject(std::move(t), true);
    auto g = std::make_unique<GemInstance>();
    g->gemIndex = 3;
    doc.addObject(std::move(g), true);
}

}  // namespace orv::test
