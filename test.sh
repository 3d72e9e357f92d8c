#!/usr/bin/env bash
# Builds Orivanta and runs every test.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
scripts/install-deps
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORIVANTA_TESTS=ON >/dev/null
cmake --build build
ctest --test-dir build --output-on-failure -j"$(nproc)"
