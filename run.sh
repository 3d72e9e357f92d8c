#!/usr/bin/env bash
# Builds Orivanta and starts it on the shipped sample design. Without a display it runs the
# batch pipeline on the sample instead: list it, rebuild it from its script, export it.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
scripts/install-deps
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build
sample="${1:-examples/ring.ovd}"
if [[ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]]; then
  exec build/src/gui/orivanta "$sample"
fi
out="${TMPDIR:-/tmp}/orivanta-sample"
mkdir -p "$out"
echo "== no display: running the batch pipeline on $sample (outputs in $out)"
build/src/orivanta-batch info "$sample"
build/src/orivanta-batch script examples/ring.ovs --save "$out/ring.ovd"
build/src/orivanta-batch export "$sample" "$out/ring.stl"
ls -l "$out"
