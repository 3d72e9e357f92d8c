#pragma once
#include <QDialog>

#include "model/layers.h"

class QTableWidget;
class QCheckBox;

namespace orv::gui {

// The Layers dialog: edits a copy of the layer table (names, colours, visible and pickable
// switches, the current layer), loads and saves layer files; the caller applies the copy.
class LayersDialog : public QDialog {
    Q_OBJECT
public:
    LayersDialog(const LayerTable& table, QWidget* parent = nullptr);
    const LayerTable& edited() const { return edited_; }
    bool changePicked() const;

private:
    void fill();
    void readBack();

    LayerTable edited_;
    QTableWidget* table_ = nullptr;
    QCheckBox* changePicked_ = nullptr;
};

}  // namespace orv::gui
