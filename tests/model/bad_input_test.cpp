#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "fixtures.h"

namespace orv {
namespace {

using test::Bytes;

std::vector<uint32_t> classesOf(const ObjectList& list) {
    std::vector<uint32_t> v;
    list.forEach([&](const ModelObject& o) { v.push_back(o.classNumber()); });
    return v;
}

TEST(BadInput, EveryTruncationReadsAPrefixAndSaysSo) {
    Document doc;
    test::fillEveryClass(doc);
    auto full = designBytes(doc.objects());
    auto allClasses = classesOf(doc.objects());
    for (size_t n = 0; n < full.size(); ++n) {
        std::span<const uint8_t> cut(full.data(), n);
        ReadResult r = readRecords(cut);
        if (n < 16) {
            EXPECT_EQ(r.count, -1) << n;
            continue;
        }
        auto got = classesOf(r.objects);
        ASSERT_LE(got.size(), allClasses.size()) << n;
        EXPECT_TRUE(std::equal(got.begin(), got.end(), allClasses.begin())) << n;
        // Cut inside a record: reported. Cut on a record boundary (the end of input closes
        // a child list too): simply fewer objects.
        bool boundary = n == 16 || full[n] == ':' || full[n] == '#' || full[n] == '%';
        if (!boundary) {
            EXPECT_TRUE(r.damaged) << n;
        }
    }
}

// Counts that claim more than the file holds must be refused before anything is sized by them.
TEST(BadInput, LyingCountsAreRefusedWithoutAllocating) {
    auto curveCount = [](uint32_t n) {
        Bytes f;
        f.magic().u8(':').root(2, 0, 0).u32(n).f32(1).f32(2);
        return f.b;
    };
    auto facetFaces = [](uint32_t faces, uint32_t size) {
        Bytes f;
        f.magic().u8(':').root(4, 0, 0).u32(1).f32(0).f32(0).f32(0).u32(0).u32(faces).u32(size);
        return f.b;
    };
    auto surfacePairs = [](uint32_t n) {
        Bytes f;
        f.magic().u8(':').root(3, 0, 0).u32(0);
        for (int i = 0; i < 12; ++i) f.u32(1);
        f.u32(1).u16(0).u32(n).u32(0);
        return f.b;
    };
    auto blockPieces = [](uint32_t pieces, uint32_t points) {
        Bytes f;
        f.magic().u8(':').root(5, 0, 0).identity().u32(pieces);
        for (int i = 0; i < 6; ++i) f.u32(0);
        f.f32(0).u32(points).u32(0);
        return f.b;
    };
    auto nameLength = [](uint32_t n) {
        Bytes f;
        f.magic().u8(':').u32(90).u32(0).identity().u32(0).identity().u32(n).raw("abc");
        return f.b;
    };
    const std::vector<std::vector<uint8_t>> cases = {
        curveCount(0x7FFFFFFF), curveCount(0x10000000), facetFaces(0xFFFFFFFF, 3),
        facetFaces(1, 0xFFFFFFFF), surfacePairs(0x7FFFFFFE), blockPieces(0xFFFFFFFF, 1),
        blockPieces(1, 0xFFFFFFFF), nameLength(0xFFFFFFFF),
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        ReadResult r = readRecords(cases[i]);
        EXPECT_EQ(r.count, 0) << i;
        EXPECT_TRUE(r.damaged) << i;
    }
}

TEST(BadInput, FacetIndicesPastTheVerticesInvalidateTheObject) {
    Bytes f;
    f.magic().u8(':').root(4, 0, 0).u32(2);
    f.f32(0).f32(0).f32(0).u32(0).f32(1).f32(0).f32(0).u32(0);
    f.u32(1).u32(3).u32(0).u32(1).u32(2).u8('#');
    ReadResult r = readRecords(f.b);
    ASSERT_EQ(r.count, 1);
    EXPECT_EQ(r.objects[0].state, objstate::kInvalid);
}

TEST(BadInput, SurfaceNetThatDoesNotMatchItsCvsIsInvalid) {
    auto s = test::makeSurface(4, 5);
    s->rows = 7;  // would read past the CVs
    ObjectList list;
    list.append(std::move(s));
    ReadResult r = readRecords(designBytes(list));
    ASSERT_EQ(r.count, 1);
    EXPECT_EQ(r.objects[0].state, objstate::kInvalid);
    EXPECT_TRUE(r.objects[0].boundingBox(Matrix4::identity()).empty());
}

std::vector<uint8_t> nestedBooleans(int depth) {
    Bytes f;
    f.magic();
    for (int i = 0; i < depth; ++i) f.u8(':').root(32, 0, 0).identity().u16(2);
    f.u8(':').root(90, 0, 0).u32(1);
    for (int i = 0; i < depth; ++i) f.u8('%');
    f.u8('#');
    return f.b;
}

TEST(BadInput, DeepNesting) {
    ReadResult shallow = readRecords(nestedBooleans(50));
    ASSERT_EQ(shallow.count, 1);
    EXPECT_FALSE(shallow.damaged);
    EXPECT_EQ(designBytes(shallow.objects), nestedBooleans(50));

    // Far deeper than any design: refused as damage rather than recursed into.
    ReadResult deep = readRecords(nestedBooleans(1000));
    EXPECT_TRUE(deep.damaged);
    EXPECT_EQ(deep.count, 0);
}

TEST(BadInput, RandomGarbageAfterTheMagicNeverCrashes) {
    std::mt19937 rng(20261211);
    Document doc;
    test::fillEveryClass(doc);
    auto valid = designBytes(doc.objects());
    for (int round = 0; round < 2000; ++round) {
        std::vector<uint8_t> b;
        if (round % 2 == 0) {
            Bytes m;
            m.magic();
            b = m.b;
            size_t n = rng() % 400;
            for (size_t i = 0; i < n; ++i) {
                uint32_t pick = rng() % 8;
                b.push_back(pick == 0 ? ':' : pick == 1 ? '%' : static_cast<uint8_t>(rng()));
            }
        } else {
            b = valid;  // flip a few bytes of a real file
            for (int k = 0; k < 4; ++k) b[16 + rng() % (b.size() - 16)] = static_cast<uint8_t>(rng());
        }
        ReadResult r = readRecords(b);
        ASSERT_GE(r.count, 0);
        // Whatever was read must survive being written, read and written again.
        auto once = designBytes(r.objects);
        EXPECT_EQ(designBytes(readRecords(once).objects), once) << round;
        r.objects.forEach([](const ModelObject& o) { (void)o.boundingBox(Matrix4::identity()); });
    }
}

TEST(BadInput, BrokenFileCorpus) {
    namespace fs = std::filesystem;
    fs::path dir = fs::path(ORV_TEST_DATA) / "broken";
    size_t files = 0;
    for (const auto& e : fs::directory_iterator(dir)) {
        std::vector<uint8_t> b;
        ASSERT_TRUE(readFileBytes(e.path(), b));
        ReadResult r = readRecords(b);
        r.objects.forEach([](const ModelObject& o) { (void)o.boundingBox(Matrix4::identity()); });
        (void)designBytes(r.objects);
        ++files;
    }
    EXPECT_GT(files, 0u);
}

}  // namespace
}  // namespace orv
