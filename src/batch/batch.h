#pragma once
#include <filesystem>
#include <iosfwd>
#include <string>
#include <vector>

namespace orv {

struct BatchEnvironment {
    std::filesystem::path programDirectory;  // where `gemlib` and language files live
};

// Runs one orivanta-batch invocation (arguments without the program name). Results go to
// `out`, messages to `err`; the return value is the exit status.
int runBatch(const std::vector<std::string>& args, const BatchEnvironment& env, std::ostream& out,
             std::ostream& err);

}  // namespace orv
