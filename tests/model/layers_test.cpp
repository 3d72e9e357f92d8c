#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <fstream>

#include "fixtures.h"
#include "model/layers.h"

namespace orv {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::makeCurve;

class LayerDir : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("orv_layers_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    void write(const fs::path& p, const std::vector<uint8_t>& bytes) {
        std::ofstream(p, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    fs::path dir;
};

// A layer file record as another program would write it.
Bytes& record(Bytes& b, int32_t index, const std::string& name, uint32_t colour) {
    return b.u32(uint32_t(index)).u32(uint32_t(name.size())).raw(name).u32(colour);
}

TEST(Layers, Defaults) {
    LayerTable t;
    EXPECT_EQ(t.current(), 0);
    struct Case {
        int layer;
        const char* name;
        uint32_t colour;
    } cases[] = {
        {0, "Layer 1", packRgb(159, 159, 223)},
        {5, "Layer 6", packRgb(0, 0, 175)},
        {17, "Layer 18", packRgb(255, 255, 95)},
        {19, "Layer 20", packRgb(0, 0, 0)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(t.at(c.layer).name, c.name);
        EXPECT_EQ(t.unpickedColour(c.layer), c.colour);
    }
    EXPECT_EQ(packRgb(1, 2, 3), 1u + 256u * 2 + 65536u * 3);
    for (int i = 0; i < kLayerCount; ++i) EXPECT_TRUE(t.visible(i) && t.pickable(i)) << i;
    EXPECT_EQ(layerNameKey(7), "LayerName007");
    EXPECT_EQ(layerColourKey(19), "ColorUnPk019");
}

TEST(Layers, LayersOutsideTheTableAreNeitherVisibleNorPickable) {
    LayerTable t;
    for (int layer : {-1, kLayerCount, 1000, INT_MIN, INT_MAX}) {
        EXPECT_FALSE(t.visible(layer)) << layer;
        EXPECT_FALSE(t.pickable(layer)) << layer;
        EXPECT_EQ(t.unpickedColour(layer), 0u) << layer;
        EXPECT_FALSE(t.setCurrent(layer)) << layer;
        EXPECT_THROW(t.at(layer), std::out_of_range) << layer;
    }
    EXPECT_EQ(t.current(), 0);
}

TEST(Layers, RulesOfTheSwitches) {
    LayerTable t;
    ASSERT_TRUE(t.setCurrent(3));
    // The current layer stays visible and pickable whatever its stored switches say.
    t.at(3).visible = t.at(3).pickable = false;
    EXPECT_TRUE(t.visible(3));
    EXPECT_TRUE(t.pickable(3));
    // A hidden layer cannot be picked from.
    t.at(4).visible = false;
    t.at(4).pickable = true;
    EXPECT_FALSE(t.visible(4));
    EXPECT_FALSE(t.pickable(4));
    // A locked layer is still drawn.
    t.at(5).pickable = false;
    EXPECT_TRUE(t.visible(5));
    EXPECT_FALSE(t.pickable(5));
    auto on = t.visibleLayers();
    EXPECT_TRUE(on[3]);
    EXPECT_FALSE(on[4]);

    // Becoming current switches a layer on for good.
    ASSERT_TRUE(t.setCurrent(4));
    ASSERT_TRUE(t.setCurrent(0));
    EXPECT_TRUE(t.visible(4) && t.pickable(4));
    // The old current layer keeps what its switches said once normalised.
    t.setCurrent(3);
    t.at(3).visible = false;
    t.setCurrent(0);
    t.normalise();
    EXPECT_FALSE(t.visible(3));
    EXPECT_FALSE(t.at(3).pickable);
}

struct DialogScene {
    Document doc;
    Document other;
    ModelObject* pickedOn2;
    ModelObject* pickedOn5;
    ModelObject* normalOn5;
    ModelObject* pickedOutside;
    ModelObject* otherPickedOn5;
    ModelObject* otherPickedOn6;

    DialogScene() {
        auto add = [](Document& d, int layer, int state) {
            ModelObject* o = d.addObject(makeCurve({{0, 0, 0}, {1, 1, 1}}), true);
            o->layer = layer;
            o->state = state;
            return o;
        };
        pickedOn2 = add(doc, 2, objstate::kPicked);
        pickedOn5 = add(doc, 5, objstate::kPicked);
        normalOn5 = add(doc, 5, objstate::kNormal);
        pickedOutside = add(doc, 25, objstate::kPicked);
        otherPickedOn5 = add(other, 5, objstate::kPicked);
        otherPickedOn6 = add(other, 6, objstate::kPicked);
        doc.modified = other.modified = false;
    }
};

TEST(LayersDialog, OkMovesPickedObjectsToTheChosenLayer) {
    DialogScene s;
    LayerTable table;
    LayerTable edited = table;
    edited.setCurrent(7);
    edited.at(7).visible = false;  // unticked in the dialog: the rule wins
    edited.at(5).visible = false;
    Document* others[] = {&s.other};

    LayerDialogResult r = applyLayerDialog(table, edited, true, s.doc, others);
    EXPECT_EQ(table.current(), 7);
    EXPECT_TRUE(table.at(7).visible && table.at(7).pickable);
    EXPECT_FALSE(table.at(5).pickable);
    EXPECT_EQ(r.moved, 3);
    for (ModelObject* o : {s.pickedOn2, s.pickedOn5, s.pickedOutside}) {
        EXPECT_EQ(o->layer, 7);
        EXPECT_EQ(o->state, objstate::kNormal);
    }
    EXPECT_EQ(s.normalOn5->layer, 5);
    // The other document's picks on the hidden layer are let go, but nothing moves there.
    EXPECT_EQ(r.unpicked, 1);
    EXPECT_EQ(s.otherPickedOn5->state, objstate::kNormal);
    EXPECT_EQ(s.otherPickedOn5->layer, 5);
    EXPECT_EQ(s.otherPickedOn6->state, objstate::kPicked);
    EXPECT_EQ(s.doc.currentLayer, 7);
    EXPECT_EQ(s.other.currentLayer, 7);
    EXPECT_TRUE(s.doc.modified);

    // One undo step brings the objects back where they were.
    ASSERT_TRUE(s.doc.undo());
    EXPECT_EQ(s.pickedOn2->layer, 2);
    EXPECT_EQ(s.pickedOn5->layer, 5);
    EXPECT_EQ(s.pickedOutside->layer, 25);
    EXPECT_EQ(s.pickedOn2->state, objstate::kPicked);
}

TEST(LayersDialog, OkWithoutMovingLetsGoOfPicksTheTableNowHides) {
    DialogScene s;
    LayerTable table;
    LayerTable edited = table;
    edited.at(5).visible = false;
    edited.at(2).pickable = false;

    LayerDialogResult r = applyLayerDialog(table, edited, false, s.doc);
    EXPECT_EQ(r.moved, 0);
    EXPECT_EQ(r.unpicked, 3);  // layer 2 locked, layer 5 hidden, layer 25 does not exist
    EXPECT_EQ(s.pickedOn2->state, objstate::kNormal);
    EXPECT_EQ(s.pickedOn5->state, objstate::kNormal);
    EXPECT_EQ(s.pickedOutside->state, objstate::kNormal);
    EXPECT_EQ(s.pickedOn2->layer, 2);
    // Not passed in: left as it was.
    EXPECT_EQ(s.otherPickedOn5->state, objstate::kPicked);

    // Nothing to change: no undo step, the document stays unmodified.
    Document empty;
    LayerTable same = table;
    applyLayerDialog(table, same, false, empty);
    EXPECT_FALSE(empty.modified);
    EXPECT_FALSE(empty.undo());
}

TEST_F(LayerDir, FileRoundTripKeepsNamesAndColoursOnly) {
    LayerTable t;
    t.at(0).name = "Gr\u00FCn \u2013 \u91D1";  // outside any narrow character set
    t.at(0).colour = packRgb(1, 2, 3);
    t.at(19).name = "";
    t.at(19).colour = packRgb(255, 255, 255);
    t.at(4).visible = false;
    t.setCurrent(6);
    fs::path p = dir / "mine.lyr";
    ASSERT_EQ(saveLayerFile(p, t), FileStatus::Ok);

    std::vector<uint8_t> bytes;
    ASSERT_TRUE(readFileBytes(p, bytes));
    Bytes start;
    start.raw("OrivantaLayer050").u32(20);
    record(start, 0, t.at(0).name, packRgb(1, 2, 3));
    ASSERT_GE(bytes.size(), start.b.size() + 4);
    EXPECT_TRUE(std::equal(start.b.begin(), start.b.end(), bytes.begin()));
    EXPECT_EQ(std::vector<uint8_t>(bytes.end() - 4, bytes.end()),
              (std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xFF}));

    LayerTable back;
    ASSERT_EQ(loadLayerFile(p, back), FileStatus::Ok);
    for (int i = 0; i < kLayerCount; ++i) {
        EXPECT_EQ(back.at(i).name, t.at(i).name) << i;
        EXPECT_EQ(back.at(i).colour, t.at(i).colour) << i;
    }
    EXPECT_TRUE(back.visible(4));
    EXPECT_EQ(back.current(), 0);
}

TEST_F(LayerDir, UnusableFilesGiveTheirMessageAndChangeNothing) {
    write(dir / "foreign.lyr", Bytes().raw("OrivantaLayer051").u32(20).b);
    write(dir / "short.lyr", Bytes().raw("OrivantaLay").b);
    write(dir / "empty.lyr", {});
    fs::create_directory(dir / "folder.lyr");
    struct Case {
        const char* file;
        int message;
    } cases[] = {
        {"missing.lyr", 10018}, {"folder.lyr", 10018}, {"foreign.lyr", 10016},
        {"short.lyr", 10016},   {"empty.lyr", 10016},
    };
    LayerTable t;
    t.at(3).name = "Mine";
    const LayerTable before = t;
    for (const auto& c : cases) {
        EXPECT_EQ(messageId(loadLayerFile(dir / c.file, t)), c.message) << c.file;
        EXPECT_EQ(t, before) << c.file;
    }
    EXPECT_EQ(messageId(saveLayerFile(dir / "no" / "such" / "dir.lyr", t)), 10015);
}

TEST_F(LayerDir, PartialAndOddFilesChangeOnlyTheLayersTheyName) {
    struct Case {
        const char* what;
        Bytes bytes;
        std::vector<std::pair<int, std::string>> named;  // layers expected to change
    };
    auto file = [] {
        Bytes b;
        b.raw("OrivantaLayer050").u32(99);  // the count is not what reading goes by
        return b;
    };
    std::vector<Case> cases;
    {
        Bytes b = file();
        record(b, 7, "Seven", 7);
        record(b, 2, "Two", 2);  // any order; no end marker: the file just ends
        cases.push_back({"records in any order", b, {{7, "Seven"}, {2, "Two"}}});
    }
    {
        Bytes b = file();
        record(b, 1, "One", 1);
        b.u32(4).u32(100).raw("cut");  // a name longer than what is left
        cases.push_back({"record cut short", b, {{1, "One"}}});
    }
    {
        Bytes b = file();
        record(b, 1, "One", 1);
        b.u32(4).u32(3).raw("Fou");  // the colour is missing
        cases.push_back({"colour missing", b, {{1, "One"}}});
    }
    {
        Bytes b = file();
        record(b, 25, "Nowhere", 25);
        record(b, 3, "Three", 3);
        b.u32(uint32_t(-1));
        record(b, 4, "After the end", 4);
        cases.push_back({"unknown layer skipped, end marker stops", b, {{3, "Three"}}});
    }
    {
        Bytes b = file();
        record(b, 8, "Gr\xFCn \x80", 8);
        b.u32(uint32_t(-1));
        cases.push_back({"narrow character set", b, {{8, "Gr\u00FCn \u20AC"}}});
    }
    {
        Bytes b;
        b.raw("OrivantaLayer050");
        cases.push_back({"magic only", b, {}});
    }
    for (const auto& c : cases) {
        LayerTable t;
        const LayerTable defaults;
        ASSERT_EQ(readLayerBytes(c.bytes.b, t), FileStatus::Ok) << c.what;
        for (int i = 0; i < kLayerCount; ++i) {
            auto it = std::find_if(c.named.begin(), c.named.end(),
                                   [&](const auto& n) { return n.first == i; });
            if (it == c.named.end()) {
                EXPECT_EQ(t.at(i), defaults.at(i)) << c.what << " layer " << i;
            } else {
                EXPECT_EQ(t.at(i).name, it->second) << c.what;
                EXPECT_EQ(t.at(i).colour, uint32_t(i)) << c.what;
            }
        }
    }
}

}  // namespace
}  // namespace orv
