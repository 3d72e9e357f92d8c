#!/usr/bin/env bash
# Builds Orivanta and runs it on the shipped sample design.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
scripts/install-deps
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build
sample="${1:-examples/ring.ovd}"
echo "== $sample"
build/src/orivanta-batch info "$sample"
