#pragma once
#include <QSurfaceFormat>

namespace orv::gui {

// Fixed-function shading needs a compatibility context with a deep depth buffer; set before
// the QApplication exists so that every view gets it.
inline void useCompatibilityGl() {
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setVersion(2, 1);
    format.setDepthBufferSize(24);
    QSurfaceFormat::setDefaultFormat(format);
}

}  // namespace orv::gui
