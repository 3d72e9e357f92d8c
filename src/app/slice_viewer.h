#pragma once
// The slice viewer's model: one slice file loaded from disk, the layer being looked at, and the
// drawing of its contours through the line layer. The desktop wraps it in a small window with
// a scroll bar, "Open" and ">"; tests and scripts use it directly.
#include <cstdint>
#include <filesystem>
#include <string>

#include "output/slc.h"

namespace orv {

class LineRenderer;

// Contours are drawn in this colour (red + 256 green + 65536 blue: blue on screen).
inline constexpr uint32_t kSliceColour = 0xFF0000;
inline constexpr std::string_view kSliceFilter = "Slice Files (*.slc)|*.slc|All Files (*.*)|*.*|";
inline constexpr std::string_view kShowSlicesFilter =
    "Slices Files (*.slc)|*.slc|All Files (*.*)|*.*|";

// Invariant: 0 <= current < file.layers.size() whenever the file has layers, else current == 0.
struct SliceViewer {
    // The file "Cut into Slices" wrote last, or the one loaded.
    std::filesystem::path path;
    SliceFile file;
    bool loaded = false;
    int current = 0;
    // File units to display units: millimetres, or inches when the program shows inches.
    float factor = 1.0f;

    // Loads `name` (with the default extension "slc" when it has none). Only files that
    // begin with "-SLC" and read whole are accepted; on failure the viewer is left empty and
    // the result is the negative SlcReadError. Otherwise the number of layers.
    int64_t open(const std::filesystem::path& name, bool displayInch = false);
    int layerCount() const { return static_cast<int>(file.layers.size()); }
    // Moves to a layer, clamped to the file's layers.
    void setLayer(int layer);
    // Arrow clicks move by one layer, page clicks by ten.
    void scroll(int layers) { setLayer(current + layers); }
    // "Show Slices : ring.slc [ 3 / 120 ]"; just "Show Slices" while nothing is loaded.
    std::string title() const;
};

// The contours of one layer as closed polylines at the layer's height, in kSliceColour.
// Nothing for a layer number outside the file.
void drawSliceLayer(const SliceViewer& viewer, int layer, LineRenderer& renderer);
// Every layer in turn (the ">" button).
void drawAllSliceLayers(const SliceViewer& viewer, LineRenderer& renderer);

}  // namespace orv
