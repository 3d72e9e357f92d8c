#include <unistd.h>

#include <iostream>

#include "batch/batch.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    orv::BatchEnvironment env;
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    env.programDirectory = ec ? std::filesystem::current_path() : exe.parent_path();
    return orv::runBatch(args, env, std::cout, std::cerr);
}
