#pragma once
// Display modes, the view colours with their defaults, and the grid spacing. Colours are
// packed red + 256 * green + 65536 * blue throughout (0x00BBGGRR written in hex).
#include <array>
#include <cstdint>
#include <string_view>

namespace orv {

// Values of ViewCamera::renderMode.
namespace rendermode {
inline constexpr int kQuickWire = 10;
inline constexpr int kNormalWire = 0;
inline constexpr int kMeshWire = 20;
inline constexpr int kFastShading = 100;
inline constexpr int kShadingInColour = 300;
inline constexpr int kRendering = 400;
}  // namespace rendermode

// Commands of the display menu.
namespace displaycmd {
inline constexpr int kColours = 1100;
inline constexpr int kBackground = 3000;
inline constexpr int kGridSettings = 3001;
inline constexpr int kQuickWire = 3100;
inline constexpr int kNormalWire = 3101;
inline constexpr int kMeshWire = 3102;
inline constexpr int kFastShading = 3103;
inline constexpr int kShadingInColour = 3104;
inline constexpr int kRendering = 3105;
}  // namespace displaycmd

// The display mode a mode command selects, or -1 for any other command.
constexpr int renderModeForCommand(int command) {
    switch (command) {
        case displaycmd::kQuickWire: return rendermode::kQuickWire;
        case displaycmd::kNormalWire: return rendermode::kNormalWire;
        case displaycmd::kMeshWire: return rendermode::kMeshWire;
        case displaycmd::kFastShading: return rendermode::kFastShading;
        case displaycmd::kShadingInColour: return rendermode::kShadingInColour;
        case displaycmd::kRendering: return rendermode::kRendering;
        default: return -1;
    }
}

// The mode command whose menu item is checked for `mode`, or -1.
constexpr int commandForRenderMode(int mode) {
    for (int c = displaycmd::kQuickWire; c <= displaycmd::kRendering; ++c)
        if (renderModeForCommand(c) == mode) return c;
    return -1;
}

// Pen colours of operation feedback: the running command's and the default operation's.
inline constexpr uint32_t kCommandFeedbackColour = 0x880000;
inline constexpr uint32_t kDefaultFeedbackColour = 0xFF0000;

struct DisplayColours {
    uint32_t back = 0xC8C8C8;  // background of wire modes; clear colour of fast shading
    uint32_t axis = 0x808080;  // the two world axis lines of the grid
    uint32_t grid = 0xA0A0A0;
    uint32_t pick = 0xFFFFFF;  // picked objects and CVs
    uint32_t text = 0x888888;  // kept in the configuration, drawn nowhere
    friend constexpr bool operator==(const DisplayColours&, const DisplayColours&) = default;
};

// Configuration keys (section "Config") of the colours, in the order of DisplayColours.
inline constexpr std::array<std::string_view, 5> kColourKeys = {
    "ColorBack", "ColorAxis", "ColorGrid", "ColorPick", "ColorText"};

// The fields of DisplayColours in the order of kColourKeys, for loading and storing by key.
inline constexpr std::array<uint32_t DisplayColours::*, 5> kColourFields = {
    &DisplayColours::back, &DisplayColours::axis, &DisplayColours::grid, &DisplayColours::pick,
    &DisplayColours::text};

inline constexpr float kDefaultGridSpacing = 10.0f;
// Spacings at or below this draw no grid lines (the axes are still drawn).
inline constexpr float kMinGridSpacing = 0.001f;

struct DisplaySettings {
    DisplayColours colours;
    float gridSpacing = kDefaultGridSpacing;  // world units; 0 means no grid
    bool gridShown() const { return gridSpacing > kMinGridSpacing; }
};

// The "Grid Setting" dialog's values; it shows the last ones again when reopened.
struct GridDialogValues {
    bool noGrid = false;
    float spacing = kDefaultGridSpacing;
};
constexpr float gridSpacingFrom(const GridDialogValues& v) { return v.noGrid ? 0.0f : v.spacing; }

// Red, green and blue of a packed colour as 0..1 floats with alpha 1, for OpenGL.
constexpr std::array<float, 4> colourToFloats(uint32_t c) {
    return {static_cast<float>(c & 0xFF) / 255.0f, static_cast<float>((c >> 8) & 0xFF) / 255.0f,
            static_cast<float>((c >> 16) & 0xFF) / 255.0f, 1.0f};
}

}  // namespace orv
