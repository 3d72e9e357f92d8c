#pragma once
#include <QSettings>
#include <filesystem>
#include <memory>

#include "app/dispatch.h"
#include "model/gem_library.h"
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
    QSettings settings{QSettings::IniFormat, QSettings::UserScope, "Velmora", "Orivanta"};
};

}  // namespace orv::gui
