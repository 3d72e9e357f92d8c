#include "gui/qt_canvas.h"

#include <GL/gl.h>

namespace orv::gui {

void QtCanvas::setPen(uint32_t colour) {
    QPen pen(qtColour(colour));
    pen.setWidth(1);
    pen.setCosmetic(true);
    p_.setPen(pen);
}

void QtCanvas::moveTo(int x, int y) { at_ = QPoint(x, y); }

void QtCanvas::lineTo(int x, int y) {
    QPoint to(x, y);
    p_.drawLine(at_, to);
    at_ = to;
}

void QtCanvas::fillRect(int left, int top, int right, int bottom, uint32_t colour) {
    p_.fillRect(QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)), qtColour(colour));
}

void QtCanvas::polyline(const PixelPoint* points, size_t n) {
    run_.resize(n);
    for (size_t i = 0; i < n; ++i) run_[i] = QPoint(points[i].x, points[i].y);
    p_.drawPolyline(run_.data(), static_cast<int>(n));
    if (n) at_ = run_.back();
}

void GlShadedSink::drawShaded(const ShadedScene& scene) {
    if (beginNative) beginNative();
    const ShadingSetup& s = scene.setup;
    glViewport(0, 0, s.width, s.height);
    glClearColor(s.clearColour[0], s.clearColour[1], s.clearColour[2], s.clearColour[3]);
    glClearDepth(s.clearDepth);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(s.depthGreaterEqual ? GL_GEQUAL : GL_LESS);
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(s.projection.data());
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    // The light stays with the viewer: set it before the view matrix.
    glLightfv(GL_LIGHT0, GL_POSITION, s.lightPosition.data());
    glLightfv(GL_LIGHT0, GL_AMBIENT, s.lightAmbient.data());
    glLightfv(GL_LIGHT0, GL_DIFFUSE, s.lightDiffuse.data());
    glLightfv(GL_LIGHT0, GL_SPECULAR, s.lightSpecular.data());
    glLoadMatrixf(s.modelView.data());
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_TRUE);
    if (s.normalize) glEnable(GL_NORMALIZE);
    glDisable(GL_CULL_FACE);
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, s.materialAmbient.data());
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, s.materialSpecular.data());
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    for (const ShadedMesh& m : scene.meshes) {
        if (m.indices.empty()) continue;
        QColor c = qtColour(m.colour);
        GLfloat diffuse[4] = {float(c.redF()), float(c.greenF()), float(c.blueF()), 1.0f};
        glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, diffuse);
        glVertexPointer(3, GL_FLOAT, 0, m.positions.data());
        glNormalPointer(GL_FLOAT, 0, m.normals.data());
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(m.indices.size()), GL_UNSIGNED_INT,
                       m.indices.data());
    }
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    if (depthOut) {
        depthOut->resize(static_cast<size_t>(s.width) * static_cast<size_t>(s.height));
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, s.width, s.height, GL_DEPTH_COMPONENT, GL_FLOAT, depthOut->data());
    }
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_NORMALIZE);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    if (endNative) endNative();
}

}  // namespace orv::gui
