#pragma once
// An independent reader of the SLC layout for tests: it walks the bytes by the published
// layout only, checking every structural rule on the way, and shares no code with the
// program's own reader.
#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace orv::test {

struct Parsed {
    std::string header;  // up to and including the byte 26
    std::vector<std::array<float, 4>> sampling;
    struct Layer {
        float z = 0;
        std::vector<std::vector<std::array<float, 2>>> boundaries;
    };
    std::vector<Layer> layers;
    float terminatorZ = NAN;
    size_t size = 0;  // bytes up to the end of the terminator
};

struct Bytes {
    const std::string& b;
    size_t at = 0;
    bool ok = true;
    uint32_t u32() {
        if (at + 4 > b.size()) {
            ok = false;
            return 0;
        }
        uint32_t v = 0;
        for (int k = 3; k >= 0; --k) v = (v << 8) | static_cast<uint8_t>(b[at + k]);
        at += 4;
        return v;
    }
    float f32() { return std::bit_cast<float>(u32()); }
};

inline Parsed parse(const std::string& b) {
    Parsed p;
    const size_t end = b.find('\x1a');
    if (end == std::string::npos) {
        ADD_FAILURE() << "no header end";
        return p;
    }
    p.header = b.substr(0, end + 1);
    EXPECT_EQ(b.substr(end - 2, 2), "\r\n");
    Bytes in{b, end + 1};
    EXPECT_EQ(b.substr(in.at, 256), std::string(256, ' ')) << "reserved block";
    in.at += 256;
    const int entries = static_cast<uint8_t>(b.at(in.at++));
    for (int i = 0; i < entries; ++i)
        p.sampling.push_back({in.f32(), in.f32(), in.f32(), in.f32()});
    for (int guard = 0; in.ok && guard < 1000000; ++guard) {
        const float z = in.f32();
        const uint32_t n = in.u32();
        if (n == 0xFFFFFFFFu) {
            p.terminatorZ = z;
            break;
        }
        Parsed::Layer& layer = p.layers.emplace_back();
        layer.z = z;
        for (uint32_t i = 0; i < n && in.ok; ++i) {
            const uint32_t vertices = in.u32();
            EXPECT_EQ(in.u32(), 0u) << "gap count";
            auto& boundary = layer.boundaries.emplace_back();
            for (uint32_t v = 0; v < vertices && in.ok; ++v)
                boundary.push_back({in.f32(), in.f32()});
            EXPECT_GE(boundary.size(), 4u) << "three vertices and the repeat at least";
            if (!boundary.empty()) {
                EXPECT_EQ(boundary.front(), boundary.back()) << "first vertex repeated";
            }
        }
    }
    EXPECT_TRUE(in.ok) << "file ends before its terminator";
    p.size = in.at;
    return p;
}

}  // namespace orv::test
