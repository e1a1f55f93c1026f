#!/usr/bin/env bash
# The window program idle against kvrn-sim: the share of one core it uses while the panel
# timer shows the clocks every second and polls the live readings every fifth second.
#   scripts/bench_panel_idle.sh [--seconds N] [--build DIR]
# Prints the CPU share, the polls seen in the trace, and the target (< 2 %).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=60
build=build
while [[ $# -gt 0 ]]; do
  case "$1" in
    --seconds) seconds="$2"; shift 2 ;;
    --build) build="$2"; shift 2 ;;
    *) echo "usage: $0 [--seconds N] [--build DIR]" >&2; exit 2 ;;
  esac
done

cmake -S . -B "$build" -G Ninja >/dev/null
cmake --build "$build" --target zelt-utility kvrn-sim >/dev/null

scratch=$(mktemp -d)
sim=""
program=""
cleanup() {
  [[ -n "$program" ]] && kill "$program" 2>/dev/null || true
  [[ -n "$sim" ]] && kill "$sim" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT
mkdir "$scratch/ports"
export ZELT_PORT_DIR="$scratch/ports" ZELT_SETTINGS="$scratch/settings.reg"
export QT_QPA_PLATFORM=offscreen ZELT_TRACE=1

source scripts/sim-start.sh
start_sim "$build" COM3

"$build/src/app/zelt-utility" 2>"$scratch/trace.txt" &
program=$!

# The start-up search and its "Get Parameters" (which ends with the clock's drift check) come
# first; the idle window is what follows.
for _ in $(seq 300); do grep -q "^RTC sec=" "$scratch/trace.txt" && break; sleep 0.1; done
cpu_ticks() { awk '{print $14 + $15}' "/proc/$program/stat"; }
hz=$(getconf CLK_TCK)
lines_before=$(wc -l <"$scratch/trace.txt")
ticks_before=$(cpu_ticks)
sleep "$seconds"
ticks_after=$(cpu_ticks)
tail -n +"$((lines_before + 1))" "$scratch/trace.txt" >"$scratch/window.txt"

polls=$(grep -c '^-----------------------------------------$' "$scratch/window.txt" || true)
awk -v t="$((ticks_after - ticks_before))" -v hz="$hz" -v s="$seconds" -v polls="$polls" 'BEGIN {
  share = 100 * t / hz / s
  printf "idle window: %d s, CPU %.2f %% of one core (%d ticks at %d Hz), target < 2 %%\n", s, share, t, hz
  printf "polls: %d (expected about %d)\n", polls, s / 5
  exit share < 2 ? 0 : 1
}'
