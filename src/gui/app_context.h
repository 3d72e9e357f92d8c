#pragma once
#include <QImage>
#include <QSettings>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

#include "app/dispatch.h"
#include "model/gem_library.h"
#include "app/language.h"
#include "ops/operation.h"
#include "app/ui_strings.h"
#include "model/layers.h"
#include "view/display_settings.h"
#include "view/view_camera.h"

namespace orv::gui {

// What the whole program shares: the gem library, remembered dialog values, camera state
// shared by all views. One per application, handed to every window.
class AppContext {
public:
    explicit AppContext(std::filesystem::path directory)
        : programDirectory(std::move(directory)),
          gems(std::make_shared<GemLibrary>(this->programDirectory / "gemlib")) {}

    std::filesystem::path programDirectory;
    std::shared_ptr<GemLibrary> gems;
    DialogMemory memory;
    CameraShared camera;
    DisplaySettings display;
    LayerTable layers;
    // The running operations of the program (owned by the main window) and what the main
    // window does after an operation took a mouse event (posted commands, status, menus).
    Interaction* interaction = nullptr;
    std::function<void()> afterPointer;
    // A command waits for a dialog that stays open beside the views: the designs it may work on
    // must not close under it.
    bool dialogOpen = false;
    // The background image of the wire-frame views ("Background"), when one is shown.
    QImage backgroundImage;
    // Drawn over the wire-frame scene of every view (the slice viewer's contours).
    std::function<void(LineRenderer&)> viewOverlay;
    bool showBackground = false;
    // The texts in use: built in, or from the selected language file.
    StringTable strings;
    std::optional<LanguageFile> language;
    std::string languageFile;  // its file name in the program directory, empty for English

    const LanguageFile* languageInUse() const { return language ? &*language : nullptr; }
    // Reads the profile: the selected language, layer names and colours, the colours.
    void loadSettings();
    void saveSettings();
    QSettings settings{QSettings::IniFormat, QSettings::UserScope, "Velmora", "Orivanta"};
};

}  // namespace orv::gui
