#include "batch/terminal_progress.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>

namespace orv {

TerminalProgress::TerminalProgress(std::FILE* stream)
    : stream_(stream), terminal_(stream && ::isatty(::fileno(stream)) == 1) {}

TerminalProgress::~TerminalProgress() {
    finish();
}

void TerminalProgress::start(std::string_view task) {
    finish();
    task_ = std::string(task);
    shown_ = -1;
}

bool TerminalProgress::update(double fraction) {
    if (!terminal_ || !stream_) return true;
    const double f = std::isfinite(fraction) ? std::clamp(fraction, 0.0, 1.0) : 0.0;
    const int percent = static_cast<int>(f * 100.0);
    if (percent == shown_) return true;  // a line per percent, not per slice
    shown_ = percent;
    std::fprintf(stream_, "\r%s %3d%%", task_.c_str(), percent);
    std::fflush(stream_);
    return true;
}

void TerminalProgress::finish() {
    if (!terminal_ || !stream_ || shown_ < 0) return;
    std::fputc('\n', stream_);
    std::fflush(stream_);
    shown_ = -1;
}

}  // namespace orv
