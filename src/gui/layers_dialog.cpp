#include "gui/layers_dialog.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/ui_strings.h"
#include "gui/qt_canvas.h"
#include "gui/qt_platform.h"

namespace orv::gui {

namespace {
enum Column { kCurrent, kName, kColour, kVisible, kPickable, kColumns };
}

LayersDialog::LayersDialog(const LayerTable& table, QWidget* parent) : QDialog(parent), edited_(table) {
    setWindowTitle("Layers");
    auto* layout = new QVBoxLayout(this);
    table_ = new QTableWidget(kLayerCount, kColumns, this);
    table_->setHorizontalHeaderLabels({"Current", "Name", "Colour", "Visible", "Pickable"});
    table_->horizontalHeader()->setSectionResizeMode(kName, QHeaderView::Stretch);
    layout->addWidget(table_);
    changePicked_ = new QCheckBox("Move picked objects to the current layer", this);
    layout->addWidget(changePicked_);
    auto* files = new QHBoxLayout;
    auto* load = new QPushButton("Load...", this);
    auto* save = new QPushButton("Save...", this);
    files->addWidget(load);
    files->addWidget(save);
    files->addStretch();
    layout->addLayout(files);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        readBack();
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto report = [this](FileStatus s) {
        if (s != FileStatus::Ok)
            QMessageBox::warning(this, "Layers", QString::fromUtf8(uiText(messageId(s)).data()));
    };
    connect(load, &QPushButton::clicked, this, [this, report] {
        QString f = QFileDialog::getOpenFileName(this, "Load Layers", {}, qtFilter(kLayerFileFilter));
        if (f.isEmpty()) return;
        readBack();
        report(loadLayerFile(f.toStdString(), edited_));
        fill();
    });
    connect(save, &QPushButton::clicked, this, [this, report] {
        QString f = QFileDialog::getSaveFileName(this, "Save Layers", {}, qtFilter(kLayerFileFilter));
        if (f.isEmpty()) return;
        if (!f.contains('.')) f += ".lyr";
        readBack();
        report(saveLayerFile(f.toStdString(), edited_));
    });
    fill();
    resize(560, 640);
}

bool LayersDialog::changePicked() const { return changePicked_->isChecked(); }

void LayersDialog::fill() {
    for (int i = 0; i < kLayerCount; ++i) {
        const Layer& l = edited_.at(i);
        auto* current = new QRadioButton(this);
        current->setChecked(edited_.current() == i);
        current->setAutoExclusive(false);
        connect(current, &QRadioButton::toggled, this, [this, i](bool on) {
            if (!on) return;
            for (int k = 0; k < kLayerCount; ++k)
                if (k != i) qobject_cast<QRadioButton*>(table_->cellWidget(k, kCurrent))->setChecked(false);
            readBack();
            edited_.setCurrent(i);
            fill();
        });
        table_->setCellWidget(i, kCurrent, current);
        table_->setItem(i, kName, new QTableWidgetItem(QString::fromStdString(l.name)));
        auto* colour = new QPushButton(this);
        colour->setStyleSheet(QStringLiteral("background: %1").arg(qtColour(l.colour).name()));
        connect(colour, &QPushButton::clicked, this, [this, i] {
            QColor c = QColorDialog::getColor(qtColour(edited_.at(i).colour), this);
            if (!c.isValid()) return;
            readBack();
            edited_.at(i).colour = packRgb(c.red(), c.green(), c.blue());
            fill();
        });
        table_->setCellWidget(i, kColour, colour);
        for (int col : {kVisible, kPickable}) {
            auto* item = new QTableWidgetItem;
            item->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled);
            bool on = col == kVisible ? l.visible : l.pickable;
            item->setCheckState(on ? Qt::Checked : Qt::Unchecked);
            table_->setItem(i, col, item);
        }
    }
}

void LayersDialog::readBack() {
    for (int i = 0; i < kLayerCount; ++i) {
        Layer& l = edited_.at(i);
        l.name = table_->item(i, kName)->text().toStdString();
        l.visible = table_->item(i, kVisible)->checkState() == Qt::Checked;
        l.pickable = table_->item(i, kPickable)->checkState() == Qt::Checked;
    }
}

}  // namespace orv::gui
