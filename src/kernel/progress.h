#pragma once
#include <string_view>

namespace orv {

// Reports how far a long computation has come and lets the user stop it. The desktop shows a
// progress window, the batch tool a line on a terminal; the core layers only call update().
class Progress {
  public:
    virtual ~Progress();
    // A new task begins; `task` is its text as the user reads it ("Estimating Volume...").
    virtual void start(std::string_view task) { (void)task; }
    // `fraction` runs from 0 to 1. False when the user cancelled: the caller stops as soon as
    // it can and reports the work as cancelled.
    virtual bool update(double fraction) = 0;
};

// Never cancels and shows nothing.
class NullProgress final : public Progress {
  public:
    bool update(double) override { return true; }
};

// Calls `progress->update(fraction)` when there is a progress, true otherwise.
inline bool reportProgress(Progress* progress, double fraction) {
    return progress == nullptr || progress->update(fraction);
}

}  // namespace orv
