#include "model/layers.h"

#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "model/document.h"
#include "model/record_io.h"

namespace orv {

namespace {

constexpr uint32_t kDefaultColours[kLayerCount] = {
    packRgb(159, 159, 223), packRgb(159, 223, 159), packRgb(223, 223, 159),
    packRgb(223, 159, 159), packRgb(175, 175, 175), packRgb(0, 0, 175),
    packRgb(0, 175, 0),     packRgb(175, 175, 0),   packRgb(175, 0, 0),
    packRgb(127, 127, 127), packRgb(0, 0, 255),     packRgb(0, 255, 0),
    packRgb(255, 255, 0),   packRgb(255, 0, 0),     packRgb(63, 63, 63),
    packRgb(0, 255, 255),   packRgb(159, 255, 159), packRgb(255, 255, 95),
    packRgb(255, 0, 255),   packRgb(0, 0, 0),
};

bool inTable(int layer) { return layer >= 0 && layer < kLayerCount; }

std::string numbered(const char* format, int layer) {
    char buf[32];
    std::snprintf(buf, sizeof buf, format, layer);
    return buf;
}

bool isValidUtf8(std::string_view s) {
    for (size_t i = 0; i < s.size();) {
        unsigned char b = static_cast<unsigned char>(s[i]);
        int n = b < 0x80 ? 1 : (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : (b >> 3) == 0x1E ? 4 : 0;
        if (n == 0 || i + n > s.size()) return false;
        uint32_t c = n == 1 ? b : b & (0x7F >> n);
        for (int k = 1; k < n; ++k) {
            unsigned char cont = static_cast<unsigned char>(s[i + k]);
            if ((cont & 0xC0) != 0x80) return false;
            c = (c << 6) | (cont & 0x3F);
        }
        static constexpr uint32_t kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
        if (c < kMinimum[n] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
        i += n;
    }
    return true;
}

// Windows-1252, the narrow character set layer files from older systems were written in;
// its five unassigned bytes become U+FFFD.
std::string fromWindows1252(std::string_view s) {
    static constexpr char16_t kHigh[32] = {
        0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD,
        0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178,
    };
    std::string out;
    for (char ch : s) {
        unsigned char b = static_cast<unsigned char>(ch);
        uint32_t c = b >= 0x80 && b < 0xA0 ? kHigh[b - 0x80] : b;
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// Unpicks (and with `moveTo` >= 0 moves) the picked objects `which` selects, as one step.
template <class Which>
int unpick(Document& doc, Which&& which, int moveTo) {
    int changed = 0;
    ObjectList::Cursor c;
    while (ModelObject* o = doc.objects().nextObject(c, objstate::kPicked)) {
        if (!which(*o)) continue;
        if (changed == 0) doc.beginStep();
        doc.record(o, RecordType::StateChanged);
        o->state = objstate::kNormal;
        if (moveTo >= 0) o->layer = moveTo;
        ++changed;
    }
    return changed;
}

}  // namespace

LayerTable::LayerTable() {
    for (int i = 0; i < kLayerCount; ++i) layers_[i] = {defaultName(i), defaultColour(i), true, true};
}

std::string LayerTable::defaultName(int layer) { return numbered("Layer %d", layer + 1); }

uint32_t LayerTable::defaultColour(int layer) {
    return inTable(layer) ? kDefaultColours[layer] : 0;
}

int LayerTable::checked(int layer) {
    if (!inTable(layer)) throw std::out_of_range("layer " + std::to_string(layer));
    return layer;
}

bool LayerTable::visible(int layer) const {
    return inTable(layer) && (layer == current_ || layers_[layer].visible);
}

bool LayerTable::pickable(int layer) const {
    return inTable(layer) &&
           (layer == current_ || (layers_[layer].visible && layers_[layer].pickable));
}

std::array<bool, kLayerCount> LayerTable::visibleLayers() const {
    std::array<bool, kLayerCount> on{};
    for (int i = 0; i < kLayerCount; ++i) on[i] = visible(i);
    return on;
}

uint32_t LayerTable::unpickedColour(int layer) const {
    return inTable(layer) ? layers_[layer].colour : 0;
}

bool LayerTable::setCurrent(int layer) {
    if (!inTable(layer)) return false;
    current_ = layer;
    layers_[layer].visible = layers_[layer].pickable = true;
    return true;
}

void LayerTable::normalise() {
    for (Layer& l : layers_)
        if (!l.visible) l.pickable = false;
    layers_[current_].visible = layers_[current_].pickable = true;
}

std::string layerNameKey(int layer) { return numbered("LayerName%03d", layer); }
std::string layerColourKey(int layer) { return numbered("ColorUnPk%03d", layer); }

LayerDialogResult applyLayerDialog(LayerTable& table, const LayerTable& edited, bool changePicked,
                                   Document& active, std::span<Document* const> others) {
    table = edited;
    table.normalise();
    LayerDialogResult result;
    const int current = table.current();
    auto locked = [&](const ModelObject& o) { return !table.pickable(o.layer); };
    // Moving lets go of every picked object of the active document, so nothing is left there
    // for the second rule; either way the document gets one undo step.
    if (changePicked)
        result.moved = unpick(active, [](const ModelObject&) { return true; }, current);
    else
        result.unpicked += unpick(active, locked, -1);
    active.currentLayer = current;
    for (Document* doc : others) {
        if (!doc || doc == &active) continue;
        result.unpicked += unpick(*doc, locked, -1);
        doc->currentLayer = current;
    }
    return result;
}

std::vector<uint8_t> layerFileBytes(const LayerTable& table) {
    BufferWriter out;
    out.put(reinterpret_cast<const uint8_t*>(kLayerMagic), sizeof kLayerMagic - 1);
    out.i32(kLayerCount);
    for (int i = 0; i < kLayerCount; ++i) {
        out.i32(i);
        out.string(table.at(i).name);
        out.u32(table.at(i).colour);
    }
    out.i32(-1);
    return std::move(out.out);
}

FileStatus readLayerBytes(std::span<const uint8_t> bytes, LayerTable& table) {
    constexpr size_t kMagicSize = sizeof kLayerMagic - 1;
    if (bytes.size() < kMagicSize || std::memcmp(bytes.data(), kLayerMagic, kMagicSize) != 0)
        return FileStatus::InvalidFormat;
    RecordReader in(bytes.subspan(kMagicSize));
    in.i32();  // the layer count: records say which layer they are for
    while (true) {
        int32_t index = in.i32();
        if (in.exhausted() || index < 0) break;
        std::string name = in.string();
        uint32_t colour = in.u32();
        // A record cut short is not a layer; the ones before it are kept.
        if (in.damaged()) break;
        // A record for a layer this table does not have would land outside it.
        if (index >= kLayerCount) continue;
        Layer& l = table.at(index);
        l.name = isValidUtf8(name) ? std::move(name) : fromWindows1252(name);
        l.colour = colour & 0xFFFFFF;
    }
    return FileStatus::Ok;
}

FileStatus loadLayerFile(const std::filesystem::path& path, LayerTable& table) {
    std::vector<uint8_t> bytes;
    if (!readFileBytes(path, bytes)) return FileStatus::CannotOpen;
    return readLayerBytes(bytes, table);
}

FileStatus saveLayerFile(const std::filesystem::path& path, const LayerTable& table) {
    return replaceFile(path, layerFileBytes(table), false);
}

}  // namespace orv
