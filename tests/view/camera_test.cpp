#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

#include "model/object_list.h"
#include "model/objects.h"
#include "view/layouts.h"
#include "view/view_camera.h"

namespace orv {
namespace {

constexpr float kDeg = std::numbers::pi_v<float> / 180.0f;

Point3 translationOf(const ViewCamera& c) {
    return {c.viewMatrix[12], c.viewMatrix[13], c.viewMatrix[14]};
}

void expectNear(const Point3& a, const Point3& b, float tol, const char* what = "") {
    EXPECT_NEAR(a.x, b.x, tol) << what;
    EXPECT_NEAR(a.y, b.y, tol) << what;
    EXPECT_NEAR(a.z, b.z, tol) << what;
}

void expectMatrixNear(const Matrix4& a, const Matrix4& b, float tol = 1e-5f) {
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(a[i], b[i], tol) << "element " << i;
}

ViewCamera sizedCamera(int dir, int w = 400, int h = 300) {
    ViewCamera c;
    c.direction = dir;
    c.resetView();
    c.setSize(w, h);
    return c;
}

std::unique_ptr<FacetObject> facetBox(Point3 lo, Point3 hi) {
    auto f = std::make_unique<FacetObject>();
    f->setCvs({lo, hi, {lo.x, hi.y, lo.z}});
    return f;
}

// ---- Zoom and snap step ----

TEST(CameraZoom, NiceStepTable) {
    struct Case {
        float zoom, step;
    };
    const Case cases[] = {
        {1.0f, 0.5f},
        {2.0f, 0.1f},
        {0.2f, 1.0f},
        {0.5f, 0.5f},
        {0.04f, 5.0f},
        {0.03f, 10.0f},
        {3.0f, 0.1f},
        {4.0f, 0.05f},
        {0.001f, 10.0f},
        {1000.0f, 0.001f},
        {0.0009f, 10.0f},
        {5000.0f, 0.001f},
        // Degenerate zooms give a limit instead of looping forever or a zero step.
        {0.0f, 10.0f},
        {-3.0f, 10.0f},
        {NAN, 10.0f},
        {INFINITY, 0.001f},
        {1e-44f, 10.0f},
    };
    for (const Case& c : cases) EXPECT_FLOAT_EQ(niceStep(c.zoom), c.step) << "zoom " << c.zoom;
}

TEST(CameraZoom, ScaleZoomRespectsLimitsTestedBeforeMultiplying) {
    struct Case {
        float zoom, factor, expected;
    };
    const Case cases[] = {
        {1000.5f, 1.01f, 1000.5f},                 // already past the top: no zoom in
        {1000.5f, 1.0f / 1.01f, 1000.5f / 1.01f},  // zoom out still works
        {0.0009f, 0.9f, 0.0009f},                  // past the bottom: no zoom out
        {0.0009f, 1.1f, 0.0009f * 1.1f},
        {999.0f, 2.0f, 1998.0f},  // one step may overshoot the limit
        {0.0011f, 0.5f, 0.00055f},
        {1.0f, 0.0f, 1.0f},  // a zero or undefined factor is ignored
        {1.0f, NAN, 1.0f},
    };
    for (const Case& c : cases) {
        ViewCamera cam;
        cam.zoom = c.zoom;
        cam.snapStep = -1.0f;
        cam.scaleZoom(c.factor);
        EXPECT_FLOAT_EQ(cam.zoom, c.expected) << c.zoom << " x " << c.factor;
        if (cam.zoom != c.zoom) {
            EXPECT_FLOAT_EQ(cam.snapStep, niceStep(cam.zoom));
        }
    }
}

TEST(CameraZoom, OneToOneUsesCalibrationAndRejectsNonsense) {
    CameraShared shared;
    ViewCamera cam;
    shared.calibrationZoom = 0.37f;
    cam.zoomOneToOne(shared);
    EXPECT_FLOAT_EQ(cam.zoom, 0.37f);
    EXPECT_FLOAT_EQ(cam.snapStep, niceStep(0.37f));
    for (float bad : {0.0f, -2.0f, NAN, INFINITY}) {
        shared.calibrationZoom = bad;
        cam.zoomOneToOne(shared);
        EXPECT_FLOAT_EQ(cam.zoom, 0.37f) << bad;
    }
}

// ---- Projection ----

TEST(CameraProjection, ViewportMapsEyeToPixels) {
    ViewCamera cam = sizedCamera(viewdir::kTop, 401, 201);
    cam.applyCamera();
    // Top view, zoom 1: 50 world units over 200 pixel rows, y flipped, origin at the centre.
    expectNear(cam.project({0, 0, 0}), {200, 100, 0}, 1e-4f);
    expectNear(cam.project({0, 25, 0}), {200, 0, 0}, 1e-4f);
    expectNear(cam.project({-25, -25, 2}), {100, 200, 8}, 1e-4f);
    expectMatrixNear(cam.transform, cam.fullTransform(), 0);
}

TEST(CameraProjection, ApplyCameraClipsDirtyRectangle) {
    ViewCamera cam = sizedCamera(viewdir::kFront, 300, 200);
    cam.markDirty(-20, 50, 100, 120);
    cam.markDirty(250, 10, 900, 400);
    cam.applyCamera();
    EXPECT_TRUE(cam.dirtyValid);
    EXPECT_EQ(cam.dirtyLeft, 0);
    EXPECT_EQ(cam.dirtyTop, 10);
    EXPECT_EQ(cam.dirtyRight, 300);
    EXPECT_EQ(cam.dirtyBottom, 200);
    cam.clearDirty();
    cam.markDirty(500, 0, 600, 10);  // wholly outside: clipped to nothing
    cam.applyCamera();
    EXPECT_TRUE(cam.dirtyEmpty());
}

TEST(CameraProjection, ScreenToPlaneRoundTrip) {
    CameraShared shared;
    std::vector<ViewCamera> cams;
    for (int d : {viewdir::kFront, viewdir::kTop, viewdir::kLeft, viewdir::kBottom})
        cams.push_back(sizedCamera(d));
    ViewCamera oblique = sizedCamera(viewdir::kThreeD, 640, 480);
    oblique.rotateScreen(0, 35);
    oblique.rotateScreen(1, -50);
    oblique.scaleZoom(37.0f);
    oblique.panEye(3, -2, 1);
    cams.push_back(oblique);
    ViewCamera tiny = sizedCamera(viewdir::kThreeD, 640, 480);
    tiny.rotateScreen(0, 20);
    tiny.zoomToBox({{-5e6f, -5e6f, -5e6f}, {5e6f, 5e6f, 5e6f}});  // zoom 5e-6
    cams.push_back(tiny);

    for (const ViewCamera& cam : cams) {
        float scale = 1.0f / cam.pixelScale();  // world units per pixel
        for (Point3 p : {Point3{1.5f, -2.25f, 0.75f}, Point3{-7, 3, 11}}) {
            Point3 s = cam.project(p);
            for (int axis = 0; axis < 3; ++axis) {
                Point3 guess{99, -99, 42};
                guess[axis] = p[axis];
                bool ok = cam.screenToPlane(axis, s.x, s.y, guess);
                int depthAxis = cam.dominantAxis(2);
                if (!ok) {
                    // Only an edge-on plane fails, and never the depth axis.
                    EXPECT_NE(axis, depthAxis);
                    Point3 back = cam.project(guess);
                    EXPECT_NEAR(back.x, s.x, 1e-2f);
                    EXPECT_NEAR(back.y, s.y, 1e-2f);
                    continue;
                }
                EXPECT_EQ(guess[axis], p[axis]);
                expectNear(guess, p, std::max(1e-3f, 1e-3f * scale), "round trip");
            }
        }
    }
}

// ---- Directions ----

TEST(CameraDirection, TranslationFollowsTheAxesAcrossOrthographicViews) {
    struct Case {
        int from, to;
        Point3 expected;  // from (1, 2, 3)
    };
    const Case cases[] = {
        {viewdir::kFront, viewdir::kRight, {3, 2, 1}},
        {viewdir::kBack, viewdir::kLeft, {3, 2, 1}},
        {viewdir::kFront, viewdir::kTop, {1, 3, 2}},
        {viewdir::kBack, viewdir::kBottom, {1, 3, 2}},
        {viewdir::kRight, viewdir::kFront, {3, 2, 1}},
        {viewdir::kLeft, viewdir::kBack, {3, 2, 1}},
        {viewdir::kRight, viewdir::kTop, {3, 1, 2}},
        {viewdir::kTop, viewdir::kFront, {1, 3, 2}},
        {viewdir::kTop, viewdir::kRight, {2, 3, 1}},
        {viewdir::kBottom, viewdir::kLeft, {2, 3, 1}},
        {viewdir::kFront, viewdir::kBack, {1, 2, 3}},
        {viewdir::kTop, viewdir::kBottom, {1, 2, 3}},
        {viewdir::kFront, viewdir::kThreeD, {1, 2, 3}},
        {viewdir::kThreeD, viewdir::kTop, {1, 2, 3}},
    };
    for (const Case& c : cases) {
        CameraShared shared;
        ViewCamera cam = sizedCamera(c.from);
        cam.viewMatrix[12] = 1, cam.viewMatrix[13] = 2, cam.viewMatrix[14] = 3;
        Matrix4 before = cam.viewMatrix;
        auto change = cam.setDirection(c.to, false, shared);
        EXPECT_TRUE(change.changed);
        EXPECT_EQ(cam.direction, c.to);
        expectNear(translationOf(cam), c.expected, 0, "translation");
        Matrix4 rot = c.to == viewdir::kThreeD ? before : directionRotation(c.to);
        for (int r = 0; r < 3; ++r)
            for (int k = 0; k < 3; ++k)
                EXPECT_EQ(cam.viewMatrix(r, k), rot(r, k)) << c.from << "->" << c.to;
        EXPECT_EQ(cam.viewMatrix[15], 1.0f);
    }
}

TEST(CameraDirection, PannedPointStaysCentredFrontRightTop) {
    CameraShared shared;
    ViewCamera cam = sizedCamera(viewdir::kFront);
    const Point3 p{5, -4, 7};
    // Pan the front view so that p sits in the window centre.
    Point3 e = transformPoint(p, cam.viewMatrix);
    cam.panEye(-e.x, -e.y, 0);
    auto centred = [&](const char* where) {
        Point3 eye = transformPoint(p, cam.viewMatrix);
        EXPECT_NEAR(eye.x, 0, 1e-5f) << where;
        EXPECT_NEAR(eye.y, 0, 1e-5f) << where;
    };
    centred("front");
    cam.setDirection(viewdir::kRight, false, shared);
    // The right view shares Z with the front view; Y was its depth and had no pan yet.
    EXPECT_NEAR(transformPoint(p, cam.viewMatrix).y, 0, 1e-5f);
    Point3 eye = transformPoint(p, cam.viewMatrix);
    cam.panEye(-eye.x, 0, 0);
    centred("right");
    cam.setDirection(viewdir::kTop, false, shared);
    centred("top");
}

TEST(CameraDirection, SavedThreeDMatrixIsSharedAndRestoredOnlyOnRequest) {
    CameraShared shared;
    ViewCamera a = sizedCamera(viewdir::kThreeD);
    a.rotateScreen(0, 30);
    a.rotateScreen(1, 40);
    a.panEye(1, 2, 3);
    const Matrix4 turned = a.viewMatrix;

    // Leaving 3D saves the orientation for every view.
    a.setDirection(viewdir::kFront, true, shared);
    EXPECT_EQ(shared.saved3DMatrix, turned);

    // Another view sent to 3D by the command gets it back, translation included.
    ViewCamera b = sizedCamera(viewdir::kTop);
    ViewResponse r;
    ASSERT_TRUE(runViewCommand(b, shared, viewcmd::kThreeDView, r));
    EXPECT_EQ(b.direction, viewdir::kThreeD);
    EXPECT_EQ(b.viewMatrix, turned);
    EXPECT_TRUE(r.captionChanged);
    EXPECT_TRUE(r.maximize);

    // Switching to 3D without the request continues from the orthographic orientation.
    ViewCamera c = sizedCamera(viewdir::kTop);
    c.setDirection(viewdir::kThreeD, false, shared);
    EXPECT_EQ(c.viewMatrix, directionRotation(viewdir::kTop));

    // Same direction: nothing changes, maximise still requested.
    auto same = c.setDirection(viewdir::kThreeD, true, shared);
    EXPECT_FALSE(same.changed);
    EXPECT_TRUE(same.maximize);
    EXPECT_FALSE(c.setDirection(9, true, shared).changed);
    EXPECT_EQ(c.direction, viewdir::kThreeD);
}

TEST(CameraDirection, FirstThreeDRestoreIsTheResetThreeDView) {
    CameraShared shared;
    ViewCamera cam = sizedCamera(viewdir::kTop);
    cam.panEye(4, 5, 6);
    cam.setDirection(viewdir::kThreeD, true, shared);
    EXPECT_EQ(cam.viewMatrix, directionRotation(viewdir::kThreeD));
}

// ---- Zoom box and zoom all ----

TEST(CameraZoomAll, BoxFramedInsideTheViewport) {
    struct Case {
        const char* name;
        int dir, w, h;
        float turnX, turnY;
    };
    const Case cases[] = {
        {"front landscape", viewdir::kFront, 640, 480, 0, 0},
        {"top landscape", viewdir::kTop, 800, 300, 0, 0},
        {"right", viewdir::kRight, 640, 480, 0, 0},
        {"front portrait", viewdir::kFront, 300, 700, 0, 0},
        {"3D oblique", viewdir::kThreeD, 640, 480, 35, 45},
        {"3D oblique portrait", viewdir::kThreeD, 200, 600, -60, 20},
    };
    const BoundingBox box{{-3, 10, 2}, {17, 14, 4}};  // elongated along X
    for (const Case& c : cases) {
        ViewCamera cam = sizedCamera(c.dir, c.w, c.h);
        cam.rotateScreen(0, c.turnX);
        cam.rotateScreen(1, c.turnY);
        cam.panEye(50, -20, 0);
        cam.zoomToBox(box);
        float minX = 1e9f, maxX = -1e9f, minY = 1e9f, maxY = -1e9f;
        for (int i = 0; i < 8; ++i) {
            Point3 s = cam.project({(i & 1) ? box.hi.x : box.lo.x, (i & 2) ? box.hi.y : box.lo.y,
                                    (i & 4) ? box.hi.z : box.lo.z});
            minX = std::min(minX, s.x), maxX = std::max(maxX, s.x);
            minY = std::min(minY, s.y), maxY = std::max(maxY, s.y);
        }
        EXPECT_GE(minX, -1e-2f) << c.name;
        EXPECT_LE(maxX, c.w - 1 + 1e-2f) << c.name;
        EXPECT_GE(minY, -1e-2f) << c.name;
        EXPECT_LE(maxY, c.h - 1 + 1e-2f) << c.name;
        // The box centre comes to the window centre.
        Point3 centre = cam.project({7, 12, 3});
        EXPECT_NEAR(centre.x, (c.w - 1) / 2.0f, 1e-2f) << c.name;
        EXPECT_NEAR(centre.y, (c.h - 1) / 2.0f, 1e-2f) << c.name;
    }
}

TEST(CameraZoomAll, LandscapeAxisViewUsesTheLargestHalfExtent) {
    ViewCamera cam = sizedCamera(viewdir::kFront, 640, 480);
    cam.zoomToBox({{-3, 10, 2}, {17, 14, 4}});
    EXPECT_FLOAT_EQ(cam.zoom, 2.5f);  // 25 / 10
    EXPECT_FLOAT_EQ(cam.snapStep, niceStep(2.5f));
    // Tiny and empty boxes: zoom 1 on the box centre, or on the origin.
    cam.zoomToBox({{3, 4, 5}, {3.0005f, 4, 5}});
    EXPECT_FLOAT_EQ(cam.zoom, 1.0f);
    expectNear(cam.project({3.00025f, 4, 5}), {319.5f, 239.5f, 0}, 1e-3f);
    cam.zoomToBox(BoundingBox{});
    EXPECT_FLOAT_EQ(cam.zoom, 1.0f);
    expectNear(translationOf(cam), {0, 0, 0}, 0);
}

TEST(CameraZoomAll, LeavesOutTLinesAndHiddenButKeepsFacetObjects) {
    ObjectList list;
    list.append(facetBox({0, 0, 0}, {10, 6, 2}));
    auto tline = std::make_unique<TLineObject>();
    tline->axis = 2;
    list.append(std::move(tline));
    auto hidden = facetBox({900, 900, 900}, {901, 901, 901});
    hidden->state = objstate::kHidden;
    list.append(std::move(hidden));
    auto otherLayer = facetBox({-500, 0, 0}, {-499, 1, 1});
    otherLayer->layer = 7;
    list.append(std::move(otherLayer));
    auto picked = facetBox({2, 2, 0.5f}, {3, 3, 1.5f});
    picked->state = objstate::kPicked;
    list.append(std::move(picked));

    ViewCamera cam = sizedCamera(viewdir::kFront, 640, 480);
    ZoomAllOptions options;
    options.layerVisible = [](int layer) { return layer != 7; };
    zoomAll(cam, list, options);
    EXPECT_FLOAT_EQ(cam.zoom, 5.0f);  // 25 / half of 10
    expectNear(cam.project({5, 3, 1}), {319.5f, 239.5f, 0}, 1e-3f);

    // The feedback of the current operation counts as well.
    options.feedback.grow(Point3{-10, 0, 0});
    zoomAll(cam, list, options);
    EXPECT_FLOAT_EQ(cam.zoom, 2.5f);
    expectNear(cam.project({0, 3, 1}), {319.5f, 239.5f, 0}, 1e-3f);
}

TEST(CameraZoomAll, NothingToShowGivesZoomOneOnTheOrigin) {
    auto onlyTLine = [] {
        ObjectList l;
        auto t = std::make_unique<TLineObject>();
        t->axisFrame = Matrix4::translation(40, 40, 40);
        l.append(std::move(t));
        return l;
    };
    auto damaged = [] {
        ObjectList l;
        l.append(facetBox({-INFINITY, 0, 0}, {1, 1, 1}));
        return l;
    };
    const ObjectList lists[] = {ObjectList{}, onlyTLine(), damaged()};
    for (const ObjectList& list : lists) {
        ViewCamera cam = sizedCamera(viewdir::kThreeD, 640, 480);
        cam.rotateScreen(0, 30);
        cam.panEye(7, 8, 9);
        cam.zoom = 40.0f;
        zoomAll(cam, list);
        EXPECT_FLOAT_EQ(cam.zoom, 1.0f);
        EXPECT_FLOAT_EQ(cam.snapStep, 0.5f);
        expectNear(translationOf(cam), {0, 0, 0}, 0);
    }
}

TEST(CameraZoomBox, DragCentresAndZoomsTheBox) {
    ViewCamera cam = sizedCamera(viewdir::kTop, 401, 201);
    const Point3 target = cam.unproject({100, 50, 0});
    ZoomBoxDrag drag;
    drag.press(100, 50, cam.width, cam.height);
    drag.move(160, 55);
    EXPECT_EQ(drag.halfWidth(), 60);
    EXPECT_EQ(drag.halfHeight(), 30);  // the window's aspect ratio
    drag.move(104, 150);               // tall drag: the width follows
    EXPECT_EQ(drag.halfHeight(), 100);
    EXPECT_EQ(drag.halfWidth(), 200);
    drag.move(160, 55);
    ASSERT_TRUE(drag.release(cam));
    EXPECT_FALSE(drag.active());
    EXPECT_FLOAT_EQ(cam.zoom, 200.0f / 60.0f);
    Point3 s = cam.project(target);
    EXPECT_NEAR(s.x, 200, 1e-3f);
    EXPECT_NEAR(s.y, 100, 1e-3f);
}

TEST(CameraZoomBox, HalfWidthOfOnePixelOrLessChangesNothing) {
    for (int dx : {0, 1, -1}) {
        ViewCamera cam = sizedCamera(viewdir::kFront);
        const Matrix4 before = cam.viewMatrix;
        ZoomBoxDrag drag;
        drag.press(100, 50, cam.width, cam.height);
        drag.move(100 + dx, 50);
        EXPECT_FALSE(drag.release(cam));
        EXPECT_EQ(cam.viewMatrix, before);
        EXPECT_FLOAT_EQ(cam.zoom, 1.0f);
    }
}

// ---- Mouse ----

MouseEvent ev(MouseEvent::Type type, int x = 0, int y = 0, int button = 0, bool ctrl = false) {
    MouseEvent e;
    e.type = type;
    e.x = x;
    e.y = y;
    e.button = button;
    e.ctrl = ctrl;
    return e;
}

MouseEvent key(MouseEvent::Type type) {
    MouseEvent e;
    e.type = type;
    e.key = kKeyTab;
    return e;
}

TEST(CameraMouse, TabFlipDragTurnsTopViewInto3D) {
    CameraShared shared;
    ViewCamera cam = sizedCamera(viewdir::kTop, 300, 200);

    // Without Tab a press belongs to the operation.
    ViewResponse r = handleCameraInput(cam, shared, ev(MouseEvent::ButtonDown, 10, 10));
    EXPECT_TRUE(r.capture);
    EXPECT_FALSE(r.consumed);
    MouseEvent up = ev(MouseEvent::ButtonUp, 10, 10);
    EXPECT_FALSE(handleCameraInput(cam, shared, up).consumed);

    EXPECT_TRUE(handleCameraInput(cam, shared, key(MouseEvent::KeyDown)).showHelpBox);
    EXPECT_FALSE(
        handleCameraInput(cam, shared, key(MouseEvent::KeyDown)).showHelpBox);  // auto-repeat

    r = handleCameraInput(cam, shared, ev(MouseEvent::ButtonDown, 50, 20));
    EXPECT_TRUE(r.consumed);
    EXPECT_EQ(cam.buttons, 1);
    // Dragging 0.9 of the height down turns 90 degrees about the screen x axis.
    r = handleCameraInput(cam, shared, ev(MouseEvent::Move, 50, 200));
    EXPECT_TRUE(r.consumed && r.redraw && r.interactive && r.captionChanged);
    EXPECT_EQ(cam.direction, viewdir::kThreeD);
    expectMatrixNear(cam.viewMatrix,
                     orv::rotateScreen(directionRotation(viewdir::kTop), 0, 90 * kDeg));
    int sign = 0;
    EXPECT_EQ(cam.dominantAxis(2, &sign), 1);  // world Y now points at the viewer
    EXPECT_EQ(sign, 1);

    cam.renderMode = 104;
    MouseEvent release = ev(MouseEvent::ButtonUp, 50, 200);
    r = handleCameraInput(cam, shared, release);
    EXPECT_TRUE(r.consumed && r.redraw && r.releaseCapture);
    EXPECT_FALSE(r.interactive);
    EXPECT_EQ(cam.buttons, 0);
    EXPECT_EQ(shared.viewDragFlags, dragflag::kTab);

    handleCameraInput(cam, shared, key(MouseEvent::KeyUp));
    EXPECT_EQ(shared.viewDragFlags, 0);
    EXPECT_FALSE(handleCameraInput(cam, shared, ev(MouseEvent::Move, 80, 80)).consumed);
}

TEST(CameraMouse, DragGestures) {
    struct Case {
        const char* name;
        int button;
        bool ctrl;
        int dx, dy;
        float zoom;
        int direction;
        Point3 translation;
        float rollDegrees;
    };
    const float k = 2 * 25.0f / 200;  // pan: world units a pixel at zoom 1, height 200
    const Case cases[] = {
        {"zoom right", 1, false, 20, 3, 1.1f, viewdir::kFront, {}, 0},
        {"zoom up", 1, false, 3, -40, 1.1f * 1.1f, viewdir::kFront, {}, 0},
        {"zoom down", 1, false, 0, 20, 1 / 1.1f, viewdir::kFront, {}, 0},
        {"pan", 0, true, 10, -4, 1, viewdir::kFront, {10 * k, 4 * k, 0}, 0},
        {"roll, vertical wins", 1, true, 6, 30, 1, viewdir::kThreeD, {}, 15},
        {"roll, horizontal wins", 1, true, -40, 30, 1, viewdir::kThreeD, {}, -20},
    };
    for (const Case& c : cases) {
        CameraShared shared;
        ViewCamera cam = sizedCamera(viewdir::kFront, 300, 200);
        const Matrix4 before = cam.viewMatrix;
        handleCameraInput(cam, shared, key(MouseEvent::KeyDown));
        handleCameraInput(cam, shared, ev(MouseEvent::ButtonDown, 100, 100, c.button, c.ctrl));
        ViewResponse r = handleCameraInput(
            cam, shared, ev(MouseEvent::Move, 100 + c.dx, 100 + c.dy, c.button, c.ctrl));
        EXPECT_TRUE(r.consumed && r.interactive) << c.name;
        EXPECT_EQ(shared.lastDragX, 100 + c.dx) << c.name;
        EXPECT_NEAR(cam.zoom, c.zoom, 1e-6f) << c.name;
        EXPECT_EQ(cam.direction, c.direction) << c.name;
        Matrix4 expected = orv::rotateScreen(before, 2, c.rollDegrees * kDeg);
        expected[12] = c.translation.x, expected[13] = c.translation.y,
        expected[14] = c.translation.z;
        expectMatrixNear(cam.viewMatrix, expected);
    }
}

TEST(CameraMouse, WheelWholeNotchesOnly) {
    CameraShared shared;
    ViewCamera cam = sizedCamera(viewdir::kFront, 300, 200);
    MouseEvent w = ev(MouseEvent::Wheel);
    w.wheelDelta = 60;
    ViewResponse r = handleCameraInput(cam, shared, w);
    EXPECT_FALSE(r.redraw);
    EXPECT_FLOAT_EQ(cam.zoom, 1.0f);
    w.wheelDelta = 60;  // the earlier half notch was not carried over
    handleCameraInput(cam, shared, w);
    EXPECT_FLOAT_EQ(cam.zoom, 1.0f);

    w.wheelDelta = 300;  // summed queue: two notches, remainder dropped
    r = handleCameraInput(cam, shared, w);
    EXPECT_TRUE(r.redraw && r.interactive);
    EXPECT_FLOAT_EQ(cam.zoom, 1.1f * 1.1f);
    w.wheelDelta = -250;
    handleCameraInput(cam, shared, w);
    EXPECT_NEAR(cam.zoom, 1.0f, 1e-6f);

    // Ctrl rolls, switching an orthographic view to 3D first.
    w.ctrl = true;
    w.wheelDelta = -120;
    r = handleCameraInput(cam, shared, w);
    EXPECT_TRUE(r.captionChanged);
    EXPECT_EQ(cam.direction, viewdir::kThreeD);
    expectMatrixNear(cam.viewMatrix,
                     orv::rotateScreen(directionRotation(viewdir::kFront), 2, -10 * kDeg));
    cam.renderMode = 105;
    EXPECT_FALSE(handleCameraInput(cam, shared, w).interactive);
}

// ---- View commands ----

TEST(CameraCommands, StepsScaleWithTheRepeatFactor) {
    CameraShared shared;
    ViewCamera cam = sizedCamera(viewdir::kFront);
    cam.zoom = 2.0f;
    shared.stepMultiplier = 3.0f;
    ViewResponse r;
    ASSERT_TRUE(runViewCommand(cam, shared, viewcmd::kPanUp, r));
    EXPECT_TRUE(r.redraw);
    runViewCommand(cam, shared, viewcmd::kPanLeft, r);
    expectNear(translationOf(cam), {-0.15f, 0.15f, 0}, 1e-6f);

    shared.stepMultiplier = 101.0f;  // capped at 16 steps
    runViewCommand(cam, shared, viewcmd::kZoomIn, r);
    EXPECT_FLOAT_EQ(cam.zoom, 2.0f * std::pow(1.01f, 16.0f));
    runViewCommand(cam, shared, viewcmd::kZoomOut, r);
    EXPECT_NEAR(cam.zoom, 2.0f, 1e-5f);

    // Turning an orthographic view only makes it 3D; the next step turns (capped at 10).
    r = {};
    runViewCommand(cam, shared, viewcmd::kFlipUp, r);
    EXPECT_TRUE(r.captionChanged);
    EXPECT_EQ(cam.direction, viewdir::kThreeD);
    Matrix4 front = cam.viewMatrix;
    runViewCommand(cam, shared, viewcmd::kFlipUp, r);
    expectMatrixNear(cam.viewMatrix, orv::rotateScreen(front, 0, -5 * kDeg));
    shared.stepMultiplier = 1.0f;
    Matrix4 m = cam.viewMatrix;
    runViewCommand(cam, shared, viewcmd::kRollLeft, r);
    expectMatrixNear(cam.viewMatrix, orv::rotateScreen(m, 2, 0.5f * kDeg));

    cam.setSize(320, 240);
    runViewCommand(cam, shared, viewcmd::kResetView, r);
    EXPECT_EQ(cam.viewMatrix, directionRotation(viewdir::kThreeD));
    EXPECT_FLOAT_EQ(cam.zoom, 1.0f);
    EXPECT_TRUE(cam.dirtyValid);
    EXPECT_EQ(cam.dirtyRight, 320);
    EXPECT_EQ(cam.dirtyBottom, 240);

    EXPECT_FALSE(runViewCommand(cam, shared, viewcmd::kZoomAll, r));
}

TEST(CameraCommands, ToolbarRepeatFactor) {
    CameraShared shared;
    ToolbarRepeat rep;
    rep.press(1000, shared);
    EXPECT_FLOAT_EQ(shared.stepMultiplier, 1.0f);
    EXPECT_FALSE(rep.poll(1500, shared));  // not yet more than 500 ms
    EXPECT_TRUE(rep.poll(1501, shared));
    EXPECT_FLOAT_EQ(shared.stepMultiplier, 1.0f);
    EXPECT_FALSE(rep.poll(1551, shared));  // then every 50 ms
    EXPECT_FLOAT_EQ(shared.stepMultiplier, 6.0f);
    EXPECT_TRUE(rep.poll(1552, shared));
    long long t = 1552;
    while (rep.count() < 200) ASSERT_TRUE(rep.poll(t += 51, shared));
    rep.poll(t + 1, shared);
    EXPECT_FLOAT_EQ(shared.stepMultiplier, 1000.0f);
    rep.release();
    EXPECT_FALSE(rep.poll(t + 5000, shared));
    EXPECT_FLOAT_EQ(shared.stepMultiplier, 1000.0f);  // kept until the next press
    rep.press(t + 6000, shared);
    EXPECT_FLOAT_EQ(shared.stepMultiplier, 1.0f);
}

// ---- New windows and layouts ----

TEST(CameraWindows, NewViewTakesPendingDirectionAndTemplate) {
    CameraShared shared;
    ViewCamera plain = newViewCamera(shared);
    EXPECT_EQ(plain.direction, viewdir::kFront);
    EXPECT_EQ(plain.viewMatrix, directionRotation(viewdir::kFront));

    ViewCamera top = sizedCamera(viewdir::kTop);
    top.renderMode = 103;
    requestWindowLike(top, shared);
    ViewCamera copy = newViewCamera(shared);
    EXPECT_EQ(copy.direction, viewdir::kTop);
    EXPECT_EQ(copy.viewMatrix, directionRotation(viewdir::kTop));
    EXPECT_EQ(copy.renderMode, 103);
    EXPECT_FALSE(shared.templateView.has_value());
    EXPECT_TRUE(shared.pendingDirections.empty());

    // The stack holds ten; a push beyond replaces the top.
    for (int i = 0; i < 12; ++i) shared.pendingDirections.push(i % 7);
    EXPECT_EQ(shared.pendingDirections.size(), 10);
    EXPECT_EQ(shared.pendingDirections.pop(), 11 % 7);
    EXPECT_EQ(shared.pendingDirections.pop(), 8 % 7);
}

TEST(CameraLayouts, SlotsAndFrames) {
    struct Case {
        int command;
        std::vector<int> dirs;
        std::vector<FrameRect> frames;  // in 1000 x 800
    };
    const Case cases[] = {
        {layoutcmd::kFourFront,
         {1, 2, 3, 0},
         {{0, 400, 500, 400}, {500, 400, 500, 400}, {0, 0, 500, 400}, {500, 0, 500, 400}}},
        {layoutcmd::kFourBack,
         {4, 5, 6, 0},
         {{0, 400, 500, 400}, {500, 400, 500, 400}, {0, 0, 500, 400}, {500, 0, 500, 400}}},
        {layoutcmd::kFrontRight, {1, 2}, {{0, 0, 500, 800}, {500, 0, 500, 800}}},
        {layoutcmd::kFrontTop, {1, 3}, {{0, 400, 1000, 400}, {0, 0, 1000, 400}}},
        {3200, {}, {}},
    };
    for (const Case& c : cases) {
        auto d = layoutDirections(c.command);
        EXPECT_EQ(std::vector<int>(d.begin(), d.end()), c.dirs) << c.command;
        EXPECT_EQ(layoutFrames(c.command, 1000, 800), c.frames) << c.command;
    }
}

TEST(CameraLayouts, FourViewsFromOneFrontViewOpensThreeWindows) {
    CameraShared shared;
    std::vector<std::unique_ptr<ViewCamera>> owned;
    owned.push_back(std::make_unique<ViewCamera>(sizedCamera(viewdir::kFront)));
    owned[0]->renderMode = 3;
    auto pointers = [&] {
        std::vector<ViewCamera*> v;
        for (auto& c : owned) v.push_back(c.get());
        return v;
    };

    auto views = pointers();
    LayoutResult r = arrangeLayout(layoutcmd::kFourFront, views, 0, shared);
    ASSERT_EQ(r.status, LayoutResult::NeedViews);
    EXPECT_EQ(r.newViews, 3);
    EXPECT_EQ(shared.pendingDirections.size(), 3);
    ASSERT_TRUE(shared.templateView.has_value());
    for (int i = 0; i < r.newViews; ++i)
        owned.push_back(std::make_unique<ViewCamera>(newViewCamera(shared)));
    EXPECT_FALSE(shared.templateView.has_value());
    EXPECT_TRUE(shared.pendingDirections.empty());

    views = pointers();
    r = arrangeLayout(layoutcmd::kFourFront, views, 0, shared);
    ASSERT_EQ(r.status, LayoutResult::Arranged);
    EXPECT_EQ(r.slotView[0], 0);
    EXPECT_EQ(r.activeSlot, 0);
    const int wanted[] = {1, 2, 3, 0};
    std::vector<bool> used(owned.size(), false);
    for (int s = 0; s < 4; ++s) {
        ASSERT_GE(r.slotView[s], 0);
        EXPECT_FALSE(used[r.slotView[s]]);
        used[r.slotView[s]] = true;
        const ViewCamera& cam = *owned[r.slotView[s]];
        EXPECT_EQ(cam.direction, wanted[s]);
        EXPECT_EQ(cam.renderMode, 3);
        if (wanted[s] != viewdir::kThreeD) {
            EXPECT_EQ(cam.viewMatrix, directionRotation(wanted[s]));
        }
    }
}

TEST(CameraLayouts, ExistingViewsKeepMatchingSlotsAndThreeDOrientationSurvives) {
    CameraShared shared;
    const Matrix4 saved = shared.saved3DMatrix;
    ViewCamera threeD = sizedCamera(viewdir::kThreeD), top = sizedCamera(viewdir::kTop),
               right = sizedCamera(viewdir::kRight), back = sizedCamera(viewdir::kBack);
    threeD.rotateScreen(0, 25);
    const Matrix4 turned = threeD.viewMatrix;
    std::vector<ViewCamera*> views{&top, &back, &threeD, &right};

    // Invoked from the 3D view: the back view fills the free front slot; the 3D view keeps
    // its orientation and the saved 3D matrix is not replaced by an orthographic one.
    LayoutResult r = arrangeLayout(layoutcmd::kFourFront, views, 2, shared);
    ASSERT_EQ(r.status, LayoutResult::Arranged);
    EXPECT_EQ(r.slotView, (std::vector<int>{1, 3, 0, 2}));
    EXPECT_EQ(r.activeSlot, 3);
    EXPECT_EQ(back.direction, viewdir::kFront);
    EXPECT_EQ(threeD.viewMatrix, turned);
    EXPECT_EQ(shared.saved3DMatrix, saved);

    // Front and top from the top view: it keeps its slot, another view becomes front, and
    // the extra views are left alone.
    r = arrangeLayout(layoutcmd::kFrontTop, views, 0, shared);
    ASSERT_EQ(r.status, LayoutResult::Arranged);
    EXPECT_EQ(r.slotView, (std::vector<int>{1, 0}));
    EXPECT_EQ(r.activeSlot, 1);
    EXPECT_EQ(threeD.direction, viewdir::kThreeD);
    EXPECT_EQ(right.direction, viewdir::kRight);

    EXPECT_EQ(arrangeLayout(3440, views, 0, shared).status, LayoutResult::NotALayout);
}

}  // namespace
}  // namespace orv
