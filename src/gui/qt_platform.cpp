#include "gui/qt_platform.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QEventLoop>
#include <QVBoxLayout>

#include "ops/dialog_drag.h"

namespace orv::gui {

Gathered QtDialogSource::gather(DialogRequest& request, std::string&) {
    QDialog dialog(parent_);
    dialog.setWindowTitle(QString::fromStdString(request.caption));
    auto* layout = new QVBoxLayout(&dialog);
    auto* form = new QFormLayout;
    layout->addLayout(form);
    std::vector<QLineEdit*> edits;
    for (const auto& c : request.controls) {
        const QString label = QString::fromStdString(c.label);
        QLineEdit* edit = nullptr;
        if (c.choices.empty()) {
            edit = new QLineEdit(QString::fromStdString(c.get()));
            form->addRow(label, edit);
        } else {
            // An editable drop-down: its line edit takes the text like any other control.
            auto* combo = new QComboBox;
            combo->setEditable(true);
            for (const std::string& choice : c.choices) combo->addItem(QString::fromStdString(choice));
            combo->setEditText(QString::fromStdString(c.get()));
            combo->setObjectName(label + " list");
            edit = combo->lineEdit();
            form->addRow(label, combo);
        }
        edit->setObjectName(label);
        edits.push_back(edit);
    }
    auto* problem = new QLabel;
    problem->setStyleSheet("color: #a00000");
    layout->addWidget(problem);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, [&] {
        for (size_t i = 0; i < edits.size(); ++i) {
            const auto& c = request.controls[i];
            if (edits[i]->text().toStdString() == c.get()) continue;
            if (std::string e = c.set(edits[i]->text().toStdString()); !e.empty()) {
                problem->setText(QString::fromStdString(c.label + ": " + e));
                edits[i]->setFocus();
                return;
            }
        }
        if (request.validate) {
            if (std::string e = request.validate(); !e.empty()) {
                problem->setText(QString::fromStdString(e));
                return;
            }
        }
        dialog.accept();
    });
    if (!request.dragInput || !interaction) return dialog.exec() == QDialog::Accepted ? Gathered::Ok : Gathered::Cancelled;

    // Beside the views: a drag in a view sets the values while the dialog is open. The rest of
    // the window waits (modelessState), so no other command runs in the middle of this one.
    auto refresh = [&] {
        for (size_t i = 0; i < edits.size(); ++i) edits[i]->setText(QString::fromStdString(request.controls[i].get()));
    };
    std::unique_ptr<Operation> drag = request.dragInput(*interaction, refresh);
    auto* dialogDrag = dynamic_cast<DialogDragOperation*>(drag.get());
    if (dialogDrag) openDialogDrag(*interaction, *dialogDrag);
    if (modelessState) modelessState(true);
    dialog.setModal(false);
    dialog.show();
    QEventLoop loop;
    QObject::connect(&dialog, &QDialog::finished, &loop, &QEventLoop::quit);
    loop.exec();
    if (dialogDrag) closeDialogDrag(*interaction, *dialogDrag);
    if (modelessState) modelessState(false);
    return dialog.result() == QDialog::Accepted ? Gathered::Ok : Gathered::Cancelled;
}

void QtMessageSink::message(std::string_view text) {
    QMessageBox::information(parent_, QStringLiteral("Orivanta"), QString::fromUtf8(text.data(), static_cast<int>(text.size())));
}

QString qtFilter(std::string_view filter) {
    QStringList parts = QString::fromUtf8(filter.data(), static_cast<int>(filter.size())).split('|', Qt::SkipEmptyParts);
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString text = parts[i];
        if (!text.contains('(')) text += " (" + parts[i + 1] + ")";
        out << text;
    }
    return out.join(";;");
}

std::optional<std::filesystem::path> QtFileChooser::choose(FileRole role, std::string_view filter) {
    if (preset) {
        auto p = preset;
        preset.reset();
        return p;
    }
    QString name;
    QString f = qtFilter(filter);
    switch (role) {
        case FileRole::Open: name = QFileDialog::getOpenFileName(parent_, "Open", {}, f); break;
        case FileRole::Insert: name = QFileDialog::getOpenFileName(parent_, "Insert", {}, f); break;
        case FileRole::SaveAs: name = QFileDialog::getSaveFileName(parent_, "Save As", {}, f); break;
        case FileRole::Export: name = QFileDialog::getSaveFileName(parent_, "Export", {}, f); break;
    }
    if (name.isEmpty()) return std::nullopt;
    return std::filesystem::path(name.toStdString());
}

}  // namespace orv::gui
