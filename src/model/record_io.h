#pragma once
#include <cstddef>
#include <cstdint>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "kernel/matrix4.h"

namespace orv {

// Little-endian reader over bytes already in memory. Reading past the end never fails loudly:
// it yields zeros and sets `exhausted`, so a truncated record is detected by its caller after
// the fact. Counts from the file are checked against `remaining()` before anything is sized
// from them, so a lying count can never allocate more than the file could hold.
class RecordReader {
public:
    explicit RecordReader(std::span<const uint8_t> bytes) : data_(bytes) {}

    bool atEnd() const { return pos_ >= data_.size(); }
    size_t remaining() const { return pos_ < data_.size() ? data_.size() - pos_ : 0; }
    size_t position() const { return pos_; }
    bool exhausted() const { return exhausted_; }
    // Set when a record was structurally impossible (a count larger than the bytes left,
    // nesting deeper than any real design). Reading stops at the first such record.
    bool damaged() const { return damaged_ || exhausted_; }
    void markDamaged() { damaged_ = true; }

    uint8_t u8();
    uint16_t u16();
    uint32_t u32();
    int32_t i32() { return static_cast<int32_t>(u32()); }
    float f32();
    Point3 point();
    Matrix4 matrix();
    // Length-prefixed string: uint32 length, then that many bytes.
    std::string string();
    // True when `count` items of `itemSize` bytes can still be read.
    bool fits(uint64_t count, uint64_t itemSize) const {
        return itemSize == 0 || count <= remaining() / itemSize;
    }

    int depth = 0;  // Boolean nesting while reading

private:
    std::span<const uint8_t> data_;
    size_t pos_ = 0;
    bool exhausted_ = false;
    bool damaged_ = false;
};

// Byte sink for object records. Every field is one request; the viewer file's scrambling
// writer depends on that granularity, so multi-byte strings go out one byte per request.
class RecordWriter {
public:
    virtual ~RecordWriter() = default;
    virtual void put(const uint8_t* bytes, size_t n) = 0;

    void u8(uint8_t v) { put(&v, 1); }
    void u16(uint16_t v);
    void u32(uint32_t v);
    void i32(int32_t v) { u32(static_cast<uint32_t>(v)); }
    void f32(float v);
    void point(const Point3& p) {
        f32(p.x);
        f32(p.y);
        f32(p.z);
    }
    void matrix(const Matrix4& m) {
        for (float f : m.m) f32(f);
    }
    void string(const std::string& s);

    // Shift applied to the state of the next object record written, with its layer forced
    // to 0: how a subtraction marks that its subtractors are shown.
    int pendingStateShift = 0;
};

class BufferWriter final : public RecordWriter {
public:
    void put(const uint8_t* bytes, size_t n) override { out.insert(out.end(), bytes, bytes + n); }
    std::vector<uint8_t> out;
};

// Scrambles every request into n + 1 bytes for the outside viewer program. The key and the
// chaining are fixed by that program; the random byte only needs to vary.
class ScramblingWriter final : public RecordWriter {
public:
    ScramblingWriter(RecordWriter& sink, uint32_t seed) : sink_(sink), rng_(seed) {}
    void put(const uint8_t* bytes, size_t n) override;

private:
    RecordWriter& sink_;
    std::minstd_rand rng_;
};

}  // namespace orv
