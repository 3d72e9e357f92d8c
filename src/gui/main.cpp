#include <QApplication>
#include <QSurfaceFormat>
#include <filesystem>

#include "gui/app_context.h"
#include "gui/main_window.h"

int main(int argc, char** argv) {
    // Fixed-function shading needs a compatibility context with a deep depth buffer.
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setVersion(2, 1);
    format.setDepthBufferSize(24);
    QSurfaceFormat::setDefaultFormat(format);

    QApplication qapp(argc, argv);
    QApplication::setOrganizationName("Velmora");
    QApplication::setApplicationName("Orivanta");
    orv::gui::AppContext app(std::filesystem::path(QApplication::applicationDirPath().toStdString()));
    app.loadSettings();
    orv::gui::MainWindow window(app);
    window.show();
    QStringList args = QApplication::arguments();
    if (args.size() > 1) {
        window.openFile(args[1].toStdString());
    } else {
        window.runCommand(57600);
    }
    return qapp.exec();
}
