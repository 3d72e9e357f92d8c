#pragma once
#include <QString>

#include "kernel/progress.h"

class QProgressDialog;
class QWidget;

namespace orv::gui {

// The progress window of long output work: a window with a bar whose caption reads
// "<task> <percent>%". Cancel asks for confirmation; once confirmed every later update
// reports the cancellation, so the computation stops at its next check.
class ProgressWindow final : public Progress {
  public:
    ProgressWindow(QWidget* parent, QString task);
    ~ProgressWindow() override;
    void start(std::string_view task) override;
    bool update(double fraction) override;
    bool cancelled() const { return cancelled_; }

  private:
    void open();

    QWidget* parent_;
    QProgressDialog* dialog_ = nullptr;  // shown at the first update
    QString task_;
    bool cancelled_ = false;
    bool asking_ = false;
    int lastPercent_ = -1;
};

}  // namespace orv::gui
