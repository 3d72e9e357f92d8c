// The desktop program under a real (virtual) display: open the sample ring, switch layouts
// and display modes, and look at what the views actually show.
// ORV_SCREENSHOTS=DIR keeps the grabbed images for a human look.
#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QMenuBar>
#include <QScrollBar>
#include <QTimer>
#include <QtTest>
#include <filesystem>

#include "gui/app_context.h"
#include "gui/gl_format.h"
#include "gui/document_window.h"
#include "gui/main_window.h"
#include "gui/progress_window.h"
#include "gui/view_widget.h"
#include "model/design_file.h"
#include "model/objects.h"
#include "output/slicer.h"
#include "ops/curve_operation.h"

namespace fs = std::filesystem;
using namespace orv;
using namespace orv::gui;

namespace {

// Share of pixels that differ from the background colour.
double drawnShare(const QImage& image, QColor background) {
    if (image.isNull()) return 0;
    qint64 differ = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - background.red()) + std::abs(c.green() - background.green()) +
                    std::abs(c.blue() - background.blue()) > 24)
                ++differ;
        }
    return double(differ) / (double(image.width()) * image.height());
}

void keep(const QImage& image, const QString& name) {
    QByteArray dir = qgetenv("ORV_SCREENSHOTS");
    if (!dir.isEmpty()) image.save(QString::fromUtf8(dir) + "/" + name + ".png");
}

}  // namespace

class GuiTest : public QObject {
    Q_OBJECT
    std::unique_ptr<AppContext> app;
    std::unique_ptr<MainWindow> window;

private Q_SLOTS:
    void initTestCase() {
        app = std::make_unique<AppContext>(fs::temp_directory_path());
        window = std::make_unique<MainWindow>(*app);
        window->resize(1200, 900);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QVERIFY(window->openFile(fs::path(ORV_SOURCE_DIR) / "examples" / "ring.ovd"));
    }

    void ringInFourViewsWireAndShaded() {
        DocumentWindow* doc = window->activeDocument();
        QVERIFY(doc);
        QCOMPARE(doc->document().objects().size(), size_t(2));
        window->runCommand(3300);  // four views: front, right, top, 3D
        QCOMPARE(doc->views().size(), size_t(4));
        const QColor background(200, 200, 200);
        for (int mode : {3101, 3103}) {  // normal wire frame, fast shading
            for (ViewWidget* v : doc->views()) {
                doc->setActiveView(v);
                window->runCommand(mode);
            }
            QTest::qWait(50);
            int i = 0;
            for (ViewWidget* v : doc->views()) {
                QImage image = v->grabFramebuffer();
                keep(image, QStringLiteral("mode%1_view%2").arg(mode).arg(i++));
                double share = drawnShare(image, background);
                QVERIFY2(share > 0.005, qPrintable(QStringLiteral("view %1 in mode %2 shows only the background (%3)")
                                                       .arg(i).arg(mode).arg(share)));
            }
            keep(window->grab().toImage(), QStringLiteral("window_mode%1").arg(mode));
        }
    }

    // The point on the shaded surface under the pointer comes from the captured depth.
    void surfacePointFromShadedDepth() {
        DocumentWindow* doc = window->activeDocument();
        ViewWidget* front = doc->views()[0];
        doc->setActiveView(front);
        window->runCommand(3103);
        front->grabFramebuffer();
        front->camera().applyCamera();
        // The band's outside faces the front view at the middle of the window, 10.65 mm out.
        Point3 centre = front->camera().project({0, -10.65f, 0});
        auto p = surfacePoint(front->camera(), front->depthImage(), int(centre.x), int(centre.y));
        QVERIFY(p.has_value());
        QVERIFY2(std::abs(p->y + 10.65f) < 0.3f, qPrintable(QString::number(p->y)));
        QVERIFY(std::abs(p->x) < 0.5f && std::abs(p->z) < 0.5f);
        window->runCommand(3101);
    }

    // A rectangle dragged with the mouse picks what it covers, as one undo step.
    void rectanglePickAndUndo() {
        DocumentWindow* doc = window->activeDocument();
        QVERIFY(doc);
        ViewWidget* front = doc->views()[0];
        doc->setActiveView(front);
        window->runCommand(3101);
        ModelObject& ring = doc->document().objects()[1];
        QCOMPARE(ring.classNumber(), uint32_t(kClassSurface));
        QTest::mouseDClick(front, Qt::LeftButton, {}, QPoint(5, 5));  // deselect everything
        QCOMPARE(ring.state, 0);
        auto drag = [&](QPoint from, QPoint to) {
            QTest::mousePress(front, Qt::LeftButton, {}, from);
            QTest::mouseMove(front, (from + to) / 2);
            QTest::mouseMove(front, to);
            QTest::mouseRelease(front, Qt::LeftButton, {}, to);
        };
        drag(QPoint(3, 3), QPoint(12, 12));  // an empty corner
        QCOMPARE(ring.state, 0);
        drag(QPoint(2, 2), QPoint(front->width() - 3, front->height() - 3));
        QCOMPARE(ring.state, 1);
        window->runCommand(57643);
        QCOMPARE(ring.state, 0);
        window->runCommand(57644);
        QCOMPARE(ring.state, 1);
    }

    // A designer's first minutes: a closed cycle curve clicked in the front view, revolved with
    // the Revolve dialog, the surface moved with a drag, the move undone.
    void drawRevolveMoveUndo() {
        window->runCommand(57600);
        DocumentWindow* doc = window->activeDocument();
        QVERIFY(doc);
        Document& d = doc->document();
        QCOMPARE(d.objects().size(), size_t(0));
        ViewWidget* front = doc->views()[0];
        doc->setActiveView(front);
        window->runCommand(3201);
        window->runCommand(3101);
        QTest::qWait(20);

        window->runCommand(7004);  // cycle: mirrored about both screen lines, closed
        const QPoint c(front->width() / 2, front->height() / 2);
        // From the top round to the right, so that the four copies join into one loop.
        const QPoint clicks[] = {QPoint(15, -95), QPoint(70, -70), QPoint(90, -15)};
        for (QPoint p : clicks) {
            QTest::mousePress(front, Qt::LeftButton, {}, c + p);
            QTest::mouseRelease(front, Qt::LeftButton, {}, c + p);
        }
        window->runCommand(3600);  // the next command finishes the curve
        QCOMPARE(d.objects().size(), size_t(1));
        auto* curve = dynamic_cast<CurveObject*>(&d.objects()[0]);
        QVERIFY(curve);
        QCOMPARE(curve->cvCount(), 12);
        QCOMPARE(curve->closed, 1u);
        for (const Point3& p : curve->cvs) QCOMPARE(p.y, 0.0f);
        QCOMPARE(curve->state, 1);

        // The Revolve dialog stays open beside the views; press its OK once it shows.
        bool accepted = false;
        QTimer poll;
        connect(&poll, &QTimer::timeout, [&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* dlg = qobject_cast<QDialog*>(w); dlg && dlg->isVisible() && dlg->windowTitle() == "Revolve") {
                    dlg->accept();
                    accepted = true;
                    poll.stop();
                }
        });
        poll.start(20);
        window->runCommand(8001);
        QVERIFY(accepted);
        SurfaceObject* surface = nullptr;
        for (size_t i = 0; i < d.objects().size(); ++i)
            if (auto* s = dynamic_cast<SurfaceObject*>(&d.objects()[i])) surface = s;
        QVERIFY(surface);
        QCOMPARE(surface->state, 1);
        const std::vector<Point3> before = surface->cvs;

        window->runCommand(5000);  // Move
        QTest::mousePress(front, Qt::LeftButton, {}, c);
        for (int dx = 10; dx <= 60; dx += 10) QTest::mouseMove(front, c + QPoint(dx, 2));
        QTest::mouseRelease(front, Qt::LeftButton, {}, c + QPoint(60, 2));
        QCOMPARE(surface->cvs.size(), before.size());
        const float shift = surface->cvs[0].x - before[0].x;
        QVERIFY2(shift > 0.5f, qPrintable(QString::number(shift)));
        for (size_t i = 0; i < before.size(); ++i) {
            QVERIFY(std::abs(surface->cvs[i].x - before[i].x - shift) < 1e-3f);
            QCOMPARE(surface->cvs[i].y, before[i].y);
            QCOMPARE(surface->cvs[i].z, before[i].z);
        }
        window->runCommand(57643);
        QVERIFY(surface->cvs == before);
        keep(front->grabFramebuffer(), "revolved");
    }

    // The Revolve dialog of the revolve curve stays open beside the views: a drag in the front
    // view turning a quarter round sets its angle, and OK starts drawing with four copies.
    void revolveDialogTakesADragFromTheView() {
        window->runCommand(57600);
        DocumentWindow* doc = window->activeDocument();
        ViewWidget* front = doc->views()[0];
        doc->setActiveView(front);
        window->runCommand(3201);
        window->runCommand(3101);
        QTest::qWait(20);
        const QPoint c(front->width() / 2, front->height() / 2);
        QString degree, number;
        bool menusOff = false;
        QTimer poll;
        connect(&poll, &QTimer::timeout, [&] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto* dlg = qobject_cast<QDialog*>(w);
                if (!dlg || !dlg->isVisible() || dlg->windowTitle() != "Revolve") continue;
                poll.stop();
                menusOff = !window->menuBar()->isEnabled();
                QTest::mousePress(front, Qt::LeftButton, {}, c + QPoint(120, 0));
                QTest::mouseMove(front, c + QPoint(100, -60));
                QTest::mouseMove(front, c + QPoint(0, -118));
                QTest::mouseRelease(front, Qt::LeftButton, {}, c + QPoint(0, -118));
                degree = dlg->findChild<QLineEdit*>("Degree")->text();
                number = dlg->findChild<QLineEdit*>("Number")->text();
                dlg->accept();
            }
        });
        poll.start(20);
        window->runCommand(7006);
        QVERIFY(menusOff);
        QVERIFY(window->menuBar()->isEnabled());
        QCOMPARE(degree, QString("90"));
        QCOMPARE(number, QString("4"));
        QCOMPARE(app->memory.revolveCurve.number, 4);
        CurveOperation* op = runningCurveOperation(window->interaction());
        QVERIFY(op);
        QCOMPARE(op->copyCount(), 4);
        window->runCommand(3600);
    }

    // "Show slices" steps through a slice file of the ring; the views draw the current layer's
    // contours in blue at its height.
    void showSlicesOfTheRing() {
        ReadResult ring;
        std::vector<uint8_t> bytes;
        QVERIFY(readFileBytes(fs::path(ORV_SOURCE_DIR) / "examples" / "ring.ovd", bytes));
        ring = readRecords(bytes);
        SliceJob job;
        job.thickness = 0.5;
        job.xy = 0.05;
        const fs::path slc = fs::temp_directory_path() / "orv_gui_ring.slc";
        QVERIFY(sliceToFile(ring.objects, job, slc).status == OutputStatus::Ok);

        window->runCommand(57600);
        DocumentWindow* doc = window->activeDocument();
        ViewWidget* top = doc->views()[0];
        doc->setActiveView(top);
        window->runCommand(3203);  // top view: the layer's contours are two circles
        window->runCommand(3101);
        app->memory.sliceViewer.path = slc;
        window->runCommand(9111);
        auto* viewer = window->findChild<QDialog*>("SliceWindow");
        QVERIFY(viewer && viewer->isVisible());
        QVERIFY2(viewer->windowTitle().contains("orv_gui_ring.slc [ 1 / "), qPrintable(viewer->windowTitle()));
        auto* bar = viewer->findChild<QScrollBar*>();
        QVERIFY(bar && bar->maximum() > 5);
        bar->setValue(bar->maximum() / 2);
        QVERIFY(viewer->windowTitle().contains(QStringLiteral("[ %1 / ").arg(bar->maximum() / 2 + 1)));
        QTest::qWait(30);
        QImage image = top->grabFramebuffer();
        keep(image, "slices");
        int blue = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                QColor c = image.pixelColor(x, y);
                if (c.blue() > 200 && c.red() < 80 && c.green() < 80) ++blue;
            }
        QVERIFY2(blue > 200, qPrintable(QString::number(blue)));
        viewer->close();
        fs::remove(slc);
    }

    // Long work shows "<task> <percent>%"; Cancel asks first, and only a Yes stops the work.
    void progressWindowCancelsAfterConfirmation() {
        ProgressWindow progress(window.get(), "Estimating");
        QVERIFY(progress.update(0.25));
        auto* dialog = window->findChild<QProgressDialog*>();
        QVERIFY(dialog && dialog->isVisible());
        QCOMPARE(dialog->windowTitle(), QString("Estimating 25%"));
        progress.start("Estimating Volume...");
        QVERIFY(progress.update(0.5));
        QCOMPARE(dialog->windowTitle(), QString("Estimating Volume... 50%"));
        for (auto answer : {QMessageBox::No, QMessageBox::Yes}) {
            QTimer::singleShot(50, [answer] {
                for (QWidget* w : QApplication::topLevelWidgets())
                    if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible())
                        box->button(answer)->click();
            });
            auto* cancel = dialog->findChild<QPushButton*>();
            QVERIFY(cancel);
            cancel->click();
            const bool goOn = progress.update(0.6);
            QCOMPARE(goOn, answer == QMessageBox::No);
        }
    }

    void cleanupTestCase() {
        for (QMdiSubWindow* s : window->mdiArea()->subWindowList())
            if (auto* d = qobject_cast<DocumentWindow*>(s->widget())) d->document().modified = false;
        window.reset();
    }
};

int main(int argc, char** argv) {
    orv::gui::useCompatibilityGl();
    QApplication qapp(argc, argv);
    QApplication::setOrganizationName("Velmora");
    QApplication::setApplicationName("OrivantaTest");
    GuiTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "gui_test.moc"
