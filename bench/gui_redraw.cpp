// Full redraw time of a 1280 x 800 view of 200 surfaces in the desktop program, in normal
// wire frame and in fast shading. Run under a display (xvfb-run -a for Mesa's llvmpipe):
//   xvfb-run -a -s "-screen 0 1600x1200x24" build-rel/bench/gui_redraw
#include <QApplication>
#include <QMdiSubWindow>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "gui/app_context.h"
#include "gui/gl_format.h"
#include "gui/document_window.h"
#include "gui/main_window.h"
#include "gui/view_widget.h"
#include "model/objects.h"

using namespace orv;

namespace {

// 200 bumpy 8 x 10 surfaces in a 20 x 10 field, as in the core redraw benchmark.
void fill(Document& doc) {
    for (int k = 0; k < 200; ++k) {
        auto s = std::make_unique<SurfaceObject>();
        std::vector<Point3> net;
        float ox = float(k % 20) * 12.0f - 120.0f, oz = float(k / 20) * 10.0f - 50.0f;
        for (int r = 0; r < 8; ++r)
            for (int c = 0; c < 10; ++c)
                net.push_back({ox + float(c), float((r * c + k) % 5) * 0.4f, oz + float(r)});
        s->setCvs(net);
        s->rows = 8;
        s->columns = 10;
        doc.addObject(std::move(s), true)->state = 0;
    }
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    orv::gui::useCompatibilityGl();
    QApplication qapp(argc, argv);
    gui::AppContext app(std::filesystem::temp_directory_path());
    gui::MainWindow window(app);
    window.show();
    window.runCommand(57600);
    gui::DocumentWindow* doc = window.activeDocument();
    fill(doc->document());
    gui::ViewWidget* view = doc->activeView();
    view->setFixedSize(1280, 800);
    window.resize(1500, 1100);
    QApplication::processEvents();
    view->zoomAll();
    for (auto [command, name] : {std::pair{3101, "normal wire frame"}, std::pair{3103, "fast shading"}}) {
        window.runCommand(command);
        std::vector<double> times;
        for (int i = 0; i < 25; ++i) {
            view->grabFramebuffer();  // one full paint
            times.push_back(view->lastRedrawMs());
        }
        std::printf("%-18s 1280x800, 200 surfaces: median %.2f ms, best %.2f ms over %zu redraws\n", name,
                    median(times), *std::min_element(times.begin(), times.end()), times.size());
    }
    doc->document().modified = false;
    return 0;
}
