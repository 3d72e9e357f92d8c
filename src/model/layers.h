#pragma once
// The layer table: every object belongs to one of kLayerCount layers, each with a name, the
// colour its unpicked objects are drawn in, and pickable / visible switches.
#include <array>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/design_file.h"
#include "model/model_object.h"

namespace orv {

class Document;

inline constexpr char kLayerMagic[] = "OrivantaLayer050";  // 16 bytes, no terminator stored
inline constexpr std::string_view kLayerFileFilter =
    "Orivanta Layer Files (*.lyr)|*.lyr|All Files (*.*)|*.*|";

// Colours are packed red + 256 * green + 65536 * blue.
constexpr uint32_t packRgb(int red, int green, int blue) {
    return static_cast<uint32_t>(red & 0xFF) | static_cast<uint32_t>(green & 0xFF) << 8 |
           static_cast<uint32_t>(blue & 0xFF) << 16;
}

struct Layer {
    std::string name;  // UTF-8
    uint32_t colour = 0;
    bool pickable = true;
    bool visible = true;
    friend bool operator==(const Layer&, const Layer&) = default;
};

// A value: the application owns one table; the Layers dialog edits a copy of it.
class LayerTable {
public:
    // Layers named "Layer 1" ... "Layer 20" in their default colours, all pickable and
    // visible, the first one current.
    LayerTable();
    static std::string defaultName(int layer);
    static uint32_t defaultColour(int layer);

    // The stored entry, for editing; throws std::out_of_range outside 0..kLayerCount-1.
    Layer& at(int layer) { return layers_.at(static_cast<size_t>(checked(layer))); }
    const Layer& at(int layer) const { return layers_.at(static_cast<size_t>(checked(layer))); }

    // What drawing, picking and outputs go by. Layers outside the table are neither visible
    // nor pickable; the current layer is always both, and a layer that is not visible is not
    // pickable, whatever the stored switches say.
    bool visible(int layer) const;
    bool pickable(int layer) const;
    std::array<bool, kLayerCount> visibleLayers() const;
    // The colour of an unpicked object on `layer`; black outside the table.
    uint32_t unpickedColour(int layer) const;

    // The layer new objects go to.
    int current() const { return current_; }
    // False (and nothing changes) outside the table. The new current layer's stored switches
    // are turned on so that it stays shown after it stops being current.
    bool setCurrent(int layer);
    // Brings the stored switches in line with the rules: hidden layers not pickable, the
    // current layer visible and pickable.
    void normalise();

    friend bool operator==(const LayerTable&, const LayerTable&) = default;

private:
    static int checked(int layer);

    std::array<Layer, kLayerCount> layers_;
    int current_ = 0;
};

// Profile keys of a layer's persisted name and colour ("LayerName007", "ColorUnPk007").
std::string layerNameKey(int layer);
std::string layerColourKey(int layer);

struct LayerDialogResult {
    int moved = 0;     // picked objects moved to the current layer
    int unpicked = 0;  // picked objects let go because their layer is now hidden or locked
};

// The Layers dialog's OK, to be called once the running operation has ended: `edited` (the
// dialog's copy, its current layer being the chosen one) becomes `table` under the rules of
// the table; with `changePicked` every picked object of `active` is unpicked and moved to
// the current layer; then every picked object, in `active` and in `others`, whose layer is
// not pickable (a hidden layer never is) is unpicked. Every document gets the current layer for its new objects. Object
// changes are recorded as one undo step per document.
LayerDialogResult applyLayerDialog(LayerTable& table, const LayerTable& edited,
                                   bool changePicked, Document& active,
                                   std::span<Document* const> others = {});

// Layer files hold every layer's name and colour. Names are written as UTF-8; a name that is
// not valid UTF-8 is read as Windows-1252, the narrow character set of older files.
std::vector<uint8_t> layerFileBytes(const LayerTable& table);
// Takes names and colours from a layer file image into `table`: Ok even when the file ends
// after some records (those layers change); InvalidFormat for another magic, and then
// `table` is unchanged. Records for layers outside the table are skipped.
FileStatus readLayerBytes(std::span<const uint8_t> bytes, LayerTable& table);
// The same from a file: CannotOpen (10018) or InvalidFormat (10016) leave `table` unchanged.
FileStatus loadLayerFile(const std::filesystem::path& path, LayerTable& table);
// CannotWrite (10015) when the file cannot be written; an old file then stays as it was.
FileStatus saveLayerFile(const std::filesystem::path& path, const LayerTable& table);

}  // namespace orv
