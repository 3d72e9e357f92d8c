#include "model/record_io.h"

#include <bit>
#include <cstring>

namespace orv {

uint8_t RecordReader::u8() {
    if (pos_ >= data_.size()) {
        exhausted_ = true;
        return 0;
    }
    return data_[pos_++];
}

uint16_t RecordReader::u16() {
    if (remaining() < 2) {
        pos_ = data_.size();
        exhausted_ = true;
        return 0;
    }
    uint16_t v = static_cast<uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
    pos_ += 2;
    return v;
}

uint32_t RecordReader::u32() {
    if (remaining() < 4) {
        pos_ = data_.size();
        exhausted_ = true;
        return 0;
    }
    uint32_t v = static_cast<uint32_t>(data_[pos_]) | (static_cast<uint32_t>(data_[pos_ + 1]) << 8) |
                 (static_cast<uint32_t>(data_[pos_ + 2]) << 16) |
                 (static_cast<uint32_t>(data_[pos_ + 3]) << 24);
    pos_ += 4;
    return v;
}

float RecordReader::f32() { return std::bit_cast<float>(u32()); }

Point3 RecordReader::point() {
    Point3 p;
    p.x = f32();
    p.y = f32();
    p.z = f32();
    return p;
}

Matrix4 RecordReader::matrix() {
    Matrix4 m;
    for (float& f : m.m) f = f32();
    return m;
}

std::string RecordReader::string() {
    uint32_t n = u32();
    if (!fits(n, 1)) {
        damaged_ = true;
        pos_ = data_.size();
        return {};
    }
    std::string s(reinterpret_cast<const char*>(data_.data() + pos_), n);
    pos_ += n;
    return s;
}

void RecordWriter::u16(uint16_t v) {
    uint8_t b[2] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)};
    put(b, 2);
}

void RecordWriter::u32(uint32_t v) {
    uint8_t b[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8),
                    static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 24)};
    put(b, 4);
}

void RecordWriter::f32(float v) { u32(std::bit_cast<uint32_t>(v)); }

void RecordWriter::string(const std::string& s) {
    u32(static_cast<uint32_t>(s.size()));
    for (char c : s) u8(static_cast<uint8_t>(c));
}

namespace {
constexpr uint8_t kViewerKey[8] = {0x5E, 0x03, 0xB7, 0x41, 0xD2, 0x6A, 0x18, 0xF9};
}

void ScramblingWriter::put(const uint8_t* bytes, size_t n) {
    uint8_t c = static_cast<uint8_t>(rng_() & 0xFF);
    uint8_t out[5];
    std::vector<uint8_t> big;
    uint8_t* dst = out;
    if (n + 1 > sizeof out) {
        big.resize(n + 1);
        dst = big.data();
    }
    size_t k = 0;
    uint8_t d = 0;
    for (size_t i = n; i-- > 0;) {
        d = static_cast<uint8_t>(bytes[i] ^ kViewerKey[i % 8]);
        dst[k++] = static_cast<uint8_t>((d >> 4) | (c << 4));
        c = d;
    }
    dst[k++] = d;
    sink_.put(dst, k);
}

}  // namespace orv
