#!/bin/sh
# Slices the sample ring at 0.0254 mm layers with orivanta-batch and, beside it, with
# PrusaSlicer's SLA slicer from the ring's STL at the same layer height, and prints the wall
# times and their ratio. Both runs are whole program runs (start-up, reading, slicing, writing).
#
#   bench/compare_slicing.sh [BUILD_DIR] [RUNS]
#
# Needs prusa-slicer on the PATH (a local install; not part of CI). Uses hyperfine when it is
# installed, otherwise the best of RUNS runs (default 5) timed here.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$root/build"}
runs=${2:-5}
batch="$build/src/orivanta-batch"
ring="$root/examples/ring.ovd"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

[ -x "$batch" ] || { echo "no $batch: build orivanta-batch first" >&2; exit 1; }
command -v prusa-slicer >/dev/null || { echo "prusa-slicer is not installed" >&2; exit 1; }

"$batch" export "$ring" "$work/ring.stl"

ours="'$batch' slice '$ring' '$work/ring.slc' --thickness 0.0254 --xy 0.0254"
peer="prusa-slicer --export-sla --printer-technology=SLA --layer-height=0.0254 \
--no-supports-enable --no-pad-enable --output '$work/ring.sl1' '$work/ring.stl'"

# Best wall time of a command over $runs runs, in seconds.
best() {
    b=""
    i=0
    while [ "$i" -lt "$runs" ]; do
        s=$(date +%s.%N)
        sh -c "$1" >/dev/null 2>&1
        e=$(date +%s.%N)
        t=$(echo "$e - $s" | bc -l)
        if [ -z "$b" ] || [ "$(echo "$t < $b" | bc -l)" -eq 1 ]; then b=$t; fi
        i=$((i + 1))
    done
    echo "$b"
}

if command -v hyperfine >/dev/null; then
    hyperfine --warmup 1 --runs "$runs" -n orivanta "$ours" -n prusa-slicer "$peer"
    exit 0
fi

t_ours=$(best "$ours")
t_peer=$(best "$peer")
printf 'orivanta-batch slice  %8.3f s (best of %d)\n' "$t_ours" "$runs"
printf 'prusa-slicer SLA      %8.3f s (best of %d)\n' "$t_peer" "$runs"
printf 'prusa-slicer / orivanta = %.1f\n' "$(echo "$t_peer / $t_ours" | bc -l)"
