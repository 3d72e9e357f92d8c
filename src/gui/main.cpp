#include <QApplication>
#include <filesystem>

#include "gui/app_context.h"
#include "gui/gl_format.h"
#include "gui/main_window.h"

int main(int argc, char** argv) {
    orv::gui::useCompatibilityGl();

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
