#pragma once
#include <cstdio>
#include <string>

#include "kernel/progress.h"

namespace orv {

// Progress of a long batch task as one line on a terminal: "Estimating Volume... 42%",
// rewritten in place. Shows nothing when the stream is not a terminal (a log or a pipe gets
// no progress noise). Never cancels.
class TerminalProgress final : public Progress {
  public:
    // `stream` is normally stderr; `terminal` overrides the terminal test (for tests).
    explicit TerminalProgress(std::FILE* stream = stderr);
    TerminalProgress(std::FILE* stream, bool terminal) : stream_(stream), terminal_(terminal) {}
    ~TerminalProgress() override;

    void start(std::string_view task) override;
    bool update(double fraction) override;
    // Ends the line; also done by the destructor.
    void finish();

  private:
    std::FILE* stream_;
    bool terminal_;
    std::string task_;
    int shown_ = -1;
};

}  // namespace orv
