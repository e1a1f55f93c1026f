#!/usr/bin/env bash
# The window program's start-up time (process start to the main window's first paint) and its
# resident memory after the start-up search and "Get Parameters", against the simulated
# controller on Qt's offscreen platform. Targets: under 0.5 s and under 80 MB.
#   scripts/bench-gui.sh [--runs N]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=5
[[ ${1:-} == --runs ]] && runs=$2
build=${ZELT_BUILD_DIR:-build}
scripts/deps.sh
cmake -S . -B "$build" -G Ninja >/dev/null
cmake --build "$build" --target zelt_gui_bench kvrn-sim

demo=$(mktemp -d)
export ZELT_PORT_DIR="$demo/ports" QT_QPA_PLATFORM=offscreen
mkdir -p "$ZELT_PORT_DIR"
sim=""
trap 'kill "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true; rm -rf "$demo"' EXIT
source scripts/sim-start.sh
start_sim "$build" COM1

worst_ms=0
worst_kb=0
for run in $(seq "$runs"); do
    export ZELT_SETTINGS="$demo/settings-$run.reg"
    start=$(date +%s%N)
    out=$("$build"/bench/gui/zelt_gui_bench 2>/dev/null)
    paint=$(awk '/^first-paint-ns/ {print $2}' <<<"$out")
    kb=$(awk '/^rss-after-get-kb/ {print $2}' <<<"$out")
    saved=$(awk '/^saved-to-controller/ {print $2}' <<<"$out")
    ms=$(((paint - start) / 1000000))
    echo "run $run: first paint after ${ms} ms, resident after Get Parameters ${kb} kB (saved to controller: $saved)"
    ((ms > worst_ms)) && worst_ms=$ms
    ((kb > worst_kb)) && worst_kb=$kb
done
echo "worst of $runs: start-up ${worst_ms} ms (target < 500), memory $((worst_kb / 1024)) MB (target < 80)"
