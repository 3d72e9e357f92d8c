#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "fixtures.h"
#include "model/record_io.h"

namespace orv {
namespace {

namespace fs = std::filesystem;
using test::Bytes;

class TempDir : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("orv_design_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override {
        fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(dir);
    }
    fs::path dir;
};

std::vector<uint8_t> fileBytes(const fs::path& p) {
    std::vector<uint8_t> v;
    EXPECT_TRUE(readFileBytes(p, v)) << p;
    return v;
}

void writeBytes(const fs::path& p, const std::vector<uint8_t>& b) {
    std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), b.size());
}

TEST(DesignFile, EveryClassRoundTripsByteForByte) {
    Document doc;
    test::fillEveryClass(doc);
    auto first = designBytes(doc.objects());
    ReadResult r = readRecords(first);
    ASSERT_EQ(r.count, 7);
    EXPECT_FALSE(r.damaged);
    EXPECT_EQ(designBytes(r.objects), first);
    for (size_t i = 0; i < r.objects.size(); ++i)
        EXPECT_EQ(r.objects[i].classNumber(), doc.objects()[i].classNumber());
}

// A file laid out by hand, as another program would write it: every field must land where
// the layout puts it, and a resave must reproduce the bytes exactly.
TEST(DesignFile, ReadsForeignFileAndResavesIdentically) {
    Bytes f;
    f.magic();
    // Curve on layer 19, picked, jewel + non-deformable flags, material "Plati".
    f.u8(':').root(2, 1, 19, (1u << 8) | (1u << 9) | 3, "Plati");
    f.u32(2);
    f.f32(1).f32(2).f32(3).u32(0).f32(4).f32(5).f32(6).u32(1);
    f.u32(1).u32(0).u32(0).u32(4).u16(1);
    // Surface 2 x 2 with an index-pair list; hideCv and surfaceOption bits.
    f.u8(':').root(3, 4, 0);
    f.u32(4);
    for (int i = 0; i < 4; ++i) f.f32(float(i)).f32(0).f32(0).u32(0);
    for (uint32_t v : {2u, 2u, 0u, 0u, 0u, 8u, 8u, 0u, 0u, 1u, 6u, 6u}) f.u32(v);
    f.u32(static_cast<uint32_t>(-1)).u16(3);
    f.u32(1).u32(77).u32(5).u32(6).u32(static_cast<uint32_t>(-1));
    // Facet object: reversed, smooth, CVs shown (bits 16..18 all set).
    f.u8(':').root(4, 0, 2, 0x70000);
    f.u32(3);
    for (int i = 0; i < 3; ++i) f.f32(float(i)).f32(float(i * i)).f32(1).u32(0);
    f.u32(1).u32(3).u32(0).u32(1).u32(2);
    // Subtraction showing its subtractors: first child stored with state - 99.
    f.u8(':').root(32, 0, 0).identity().u16(4);
    f.u8(':').root(90, static_cast<uint16_t>(1 - 99), 0).u32(1);
    f.u8(':').root(90, 0, 5).u32(2);
    f.u8('%');
    f.u8(':').root(99, 0, 0, 0, "Ruby").identity().u32(12);
    f.u8('#');

    ReadResult r = readRecords(f.b);
    ASSERT_EQ(r.count, 5);
    ASSERT_FALSE(r.damaged);
    auto& curve = dynamic_cast<CurveObject&>(r.objects[0]);
    EXPECT_EQ(curve.state, 1);
    EXPECT_EQ(curve.layer, 19);
    EXPECT_TRUE(curve.jewel);
    EXPECT_TRUE(curve.nonDeformable);
    EXPECT_FALSE(curve.superSubtractor);
    EXPECT_EQ(curve.mappingMode, 3);
    EXPECT_EQ(curve.materialName, "Plati");
    ASSERT_EQ(curve.cvCount(), 2);
    EXPECT_EQ(curve.cvs[1], (Point3{4, 5, 6}));
    EXPECT_EQ(curve.cvFlags[1], 1u);
    EXPECT_EQ(curve.freeStart, 1u);
    EXPECT_EQ(curve.resolution, 4u);
    EXPECT_TRUE(curve.hideCv);

    auto& surface = dynamic_cast<SurfaceObject&>(r.objects[1]);
    EXPECT_EQ(surface.state, objstate::kRemovedCurve);
    EXPECT_EQ(surface.columnClosed, 1u);
    EXPECT_EQ(surface.orientation, -1);
    EXPECT_TRUE(surface.hideCv);
    EXPECT_TRUE(surface.surfaceOption);
    ASSERT_EQ(surface.indexPairLists.size(), 1u);
    EXPECT_EQ(surface.indexPairLists[0].tag, 77u);

    auto& facet = dynamic_cast<FacetObject&>(r.objects[2]);
    EXPECT_FALSE(facet.hideCv);
    EXPECT_FALSE(facet.flatShaded);
    EXPECT_EQ(facet.orientation, -1);
    EXPECT_EQ(facet.layer, 2);

    auto& sub = dynamic_cast<BooleanObject&>(r.objects[3]);
    EXPECT_TRUE(sub.showSubtractors);
    ASSERT_EQ(sub.children.size(), 2u);
    EXPECT_EQ(sub.children[0].state, 1);
    EXPECT_EQ(sub.children[0].layer, 0);
    EXPECT_EQ(sub.children[1].layer, 5);
    auto& gem = dynamic_cast<GemInstance&>(r.objects[4]);
    EXPECT_EQ(gem.gemIndex, 12u);
    EXPECT_EQ(gem.materialName, "Ruby");

    EXPECT_EQ(designBytes(r.objects), f.b);
}

TEST(DesignFile, SkipsDropsAndInvalidatesAsDocumented) {
    Bytes f;
    f.magic();
    f.raw("junk");                                     // stray bytes between records
    f.u8(':').root(90, 91, 0).u32(0);                  // state above 90: dropped
    f.u8(':').u32(57).raw("whatever");                 // unknown class: scanned over
    f.u8(':').root(3, 0, 0).u32(0);                    // surface with no rows: invalid
    for (int i = 0; i < 12; ++i) f.u32(0);
    f.u32(1).u16(0).u32(static_cast<uint32_t>(-1));
    f.u8(':').root(32, 0, 0).identity().u16(2).u8('%');  // Boolean without children
    f.u8('%').root(90, 4, 0).u32(1);                   // '%' also opens a record
    f.u8('#').raw("trailing garbage");
    ReadResult r = readRecords(f.b);
    ASSERT_EQ(r.count, 3);
    EXPECT_FALSE(r.damaged);
    EXPECT_EQ(r.objects[0].state, objstate::kInvalid);
    EXPECT_EQ(r.objects[1].state, objstate::kInvalid);
    EXPECT_EQ(r.objects[2].state, objstate::kRemovedCurve);
    // Objects without geometry vanish from the next save.
    ReadResult again = readRecords(designBytes(r.objects));
    ASSERT_EQ(again.count, 1);
    EXPECT_EQ(again.objects[0].classNumber(), kClassTLine);
}

TEST(DesignFile, StoredFieldEncodings) {
    Document doc;
    auto curve = test::makeCurve({{0, 0, 0}, {1, 0, 0}});
    curve->materialName = "Gold2";
    curve->layer = 19;
    doc.addObject(std::move(curve), false);
    auto facet = test::makeFacet();
    facet->orientation = -1;
    doc.addObject(std::move(facet), false);
    auto bytes = designBytes(doc.objects());
    // Curve record: ':' at 16, class at 17, state word at 21, ..., name length at 21+4+64+4+64.
    size_t stateWord = 21, nameLen = stateWord + 4 + 64 + 4 + 64;
    EXPECT_EQ(bytes[stateWord + 2], 19);
    EXPECT_EQ(bytes[nameLen], 5);
    EXPECT_EQ(std::string(bytes.begin() + nameLen + 4, bytes.begin() + nameLen + 9), "Gold2");
    EXPECT_EQ(bytes[nameLen + 9], 2);  // the CV count follows the name directly
    ReadResult r = readRecords(bytes);
    ASSERT_EQ(r.count, 2);
    EXPECT_EQ(r.objects[0].layer, 19);
    EXPECT_NE(r.objects[1].classFlags & (1u << 18), 0u);
    EXPECT_EQ(dynamic_cast<FacetObject&>(r.objects[1]).orientation, -1);
}

TEST(DesignFile, NegativeStatesAreNotSaved) {
    Document doc;
    test::fillEveryClass(doc);
    auto before = readRecords(designBytes(doc.objects())).count;
    doc.objects()[0].state = -1;   // deleted
    doc.objects()[1].state = -99;  // consumed by a Boolean
    doc.objects()[2].state = objstate::kInvalid;
    EXPECT_EQ(readRecords(designBytes(doc.objects())).count, before - 3);
}

TEST(DesignFile, BackupNames) {
    struct Case {
        const char* path;
        const char* backup;
    } cases[] = {
        {"ring.ovd", "ring.bak"},       {"ring", "ring.bak"},
        {"a.b.design", "a.b.design.bak"}, {"dir.x/ring", "dir.x/ring.bak"},
        {"dir/a.b", "dir/a.bak"},       {"x", "x.bak"},
    };
    for (const auto& c : cases) EXPECT_EQ(backupPath(c.path).string(), c.backup) << c.path;
}

TEST_F(TempDir, SaveKeepsBackupAndReplacesFile) {
    Document doc;
    test::fillEveryClass(doc);
    fs::path p = dir / "ring.ovd";
    ASSERT_EQ(saveDesign(doc, p), FileStatus::Ok);
    auto firstSave = fileBytes(p);
    EXPECT_FALSE(doc.modified);
    doc.objects()[0].state = objstate::kHidden;
    ASSERT_EQ(saveDesign(doc, p), FileStatus::Ok);
    EXPECT_EQ(fileBytes(dir / "ring.bak"), firstSave);
    EXPECT_EQ(fileBytes(p), designBytes(doc.objects()));
    EXPECT_FALSE(fs::exists(dir / "ring.ovd.saving"));
}

TEST_F(TempDir, FailedSaveLeavesOldFileWhole) {
    if (::geteuid() == 0) {
        // Root ignores permission bits; a path under a regular file cannot be written by anyone.
        Document doc;
        test::fillEveryClass(doc);
        writeBytes(dir / "plain", {1, 2, 3});
        EXPECT_EQ(saveDesign(doc, dir / "plain" / "x.ovd"), FileStatus::CannotWrite);
        EXPECT_EQ(fileBytes(dir / "plain"), (std::vector<uint8_t>{1, 2, 3}));
        return;
    }
    Document doc;
    test::fillEveryClass(doc);
    fs::path p = dir / "ring.ovd";
    ASSERT_EQ(saveDesign(doc, p), FileStatus::Ok);
    auto old = fileBytes(p);
    fs::permissions(dir, fs::perms::owner_write, fs::perm_options::remove);
    doc.objects()[0].state = objstate::kHidden;
    EXPECT_EQ(saveDesign(doc, p), FileStatus::CannotWrite);
    fs::permissions(dir, fs::perms::owner_write, fs::perm_options::add);
    EXPECT_EQ(fileBytes(p), old);
    EXPECT_TRUE(doc.modified);
}

TEST_F(TempDir, OpenAndInsertResults) {
    fs::path empty = dir / "empty.ovd", bad = dir / "bad.ovd", good = dir / "good.ovd";
    writeBytes(empty, Bytes().magic().u8('#').b);
    writeBytes(bad, Bytes().raw("MORVELLASIGN0101#").b);
    Document source;
    test::fillEveryClass(source);
    source.objects()[1].state = objstate::kHidden;
    ASSERT_EQ(saveDesign(source, good), FileStatus::Ok);

    Document doc;
    EXPECT_EQ(openDesign(doc, empty), FileStatus::Ok);
    EXPECT_TRUE(doc.objects().empty());
    EXPECT_EQ(insertDesign(doc, empty), FileStatus::NoObjects);
    EXPECT_EQ(openDesign(doc, bad), FileStatus::InvalidFormat);
    EXPECT_EQ(insertDesign(doc, bad), FileStatus::NoObjects);
    EXPECT_EQ(openDesign(doc, dir / "missing.ovd"), FileStatus::CannotOpen);
    EXPECT_EQ(insertDesign(doc, dir / "missing.ovd"), FileStatus::CannotOpen);
    EXPECT_EQ(messageId(FileStatus::NoObjects), 10017);

    ASSERT_EQ(openDesign(doc, good), FileStatus::Ok);
    ASSERT_EQ(doc.objects().size(), 7u);
    EXPECT_EQ(doc.objects()[1].state, objstate::kHidden);  // stored states are kept
    EXPECT_EQ(doc.objects()[6].serial, 6);
    EXPECT_FALSE(doc.history().canUndo());

    doc.beginStep();
    ASSERT_EQ(insertDesign(doc, good), FileStatus::Ok);
    ASSERT_EQ(doc.objects().size(), 14u);
    EXPECT_EQ(doc.objects()[13].serial, 13);
    EXPECT_EQ(doc.objects()[8].state, objstate::kHidden);
    ASSERT_TRUE(doc.undo());  // the whole insert is one step
    EXPECT_EQ(designBytes(doc.objects()), fileBytes(good));
}

TEST(ViewerFile, ScramblesEveryRequestWithTheChainedKey) {
    // Two requests through the scrambler, decoded by hand: each n-byte request gives n + 1
    // bytes whose low nibbles chain the XOR-ed bytes from last to first.
    BufferWriter plain;
    ScramblingWriter w(plain, 1234);
    w.u8(0x41);
    w.u32(0x11223344);
    ASSERT_EQ(plain.out.size(), 2u + 5u);
    const uint8_t key[8] = {0x5E, 0x03, 0xB7, 0x41, 0xD2, 0x6A, 0x18, 0xF9};
    // Single byte: first output = (d >> 4) | (c << 4), then d itself.
    EXPECT_EQ(plain.out[1], 0x41 ^ key[0]);
    EXPECT_EQ(plain.out[0] & 0x0F, (0x41 ^ key[0]) >> 4);
    // Four bytes 44 33 22 11 walked from the last: d3, d2, d1, d0, and each output's low
    // nibble is the current d's high nibble, its high nibble the previous d's low nibble.
    uint8_t in[4] = {0x44, 0x33, 0x22, 0x11};
    uint8_t d[4];
    for (int i = 0; i < 4; ++i) d[i] = in[i] ^ key[i];
    const uint8_t* o = plain.out.data() + 2;
    EXPECT_EQ(o[0] & 0x0F, d[3] >> 4);
    for (int k = 1; k < 4; ++k)
        EXPECT_EQ(o[k], static_cast<uint8_t>((d[3 - k] >> 4) | (d[4 - k] << 4))) << k;
    EXPECT_EQ(o[4], d[0]);
}

TEST_F(TempDir, ViewerFileFraming) {
    Document doc;
    doc.addObject(test::makeCurve({{0, 0, 0}, {1, 1, 1}}), true);
    fs::path p = dir / "v.ovv";
    ASSERT_EQ(writeViewerFile(doc.objects(), p, 7), FileStatus::Ok);
    // 18 one-byte header requests, 3 delimiters, the record's requests, '&': all doubled or +1.
    struct Count : RecordWriter {
        size_t requests = 0, bytes = 0;
        void put(const uint8_t*, size_t n) override {
            ++requests;
            bytes += n;
        }
    } count;
    doc.objects()[0].write(count);
    size_t expected = 18 * 2 + 3 * 2 + count.bytes + count.requests + 2;
    EXPECT_EQ(fileBytes(p).size(), expected);
}

}  // namespace
}  // namespace orv
