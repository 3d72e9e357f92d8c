#pragma once
#include <QIcon>

namespace orv::gui {

// Toolbar icons drawn by the program itself: a small glyph per command, so that no artwork
// from elsewhere is needed and every size stays crisp.
QIcon commandIcon(int command);

}  // namespace orv::gui
