#pragma once
// Outside programs from the tests: the third-party readers that check what we write.
#include <cstdio>
#include <string>

namespace orv::test {

// What `cmd` prints on stdout and stderr together; empty when it cannot be started.
inline std::string commandOutput(const std::string& cmd) {
    std::string text;
    FILE* p = ::popen((cmd + " 2>&1").c_str(), "r");
    if (!p) return text;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) text.append(buf, n);
    ::pclose(p);
    return text;
}

inline bool haveProgram(const std::string& name) {
    return !commandOutput("command -v " + name).empty();
}

}  // namespace orv::test
