#!/usr/bin/env bash
# Builds the benchmarks and prints their figures: "Get Parameters" and "Set Parameters" in
# both modes against the simulated controller at 19200 baud, compared with the protocol's own
# floor, and the time discovery takes.   scripts/bench.sh [--runs N] [--quick]
# scripts/bench.sh --windows [--runs N]: zeltctl.exe under wine against kvrn-sim on a COM port
# of a wine prefix of its own: get (the read-all) and set (set and verify) in both framings,
# against the floor zelt_bench counts for the same sequences, beside the Linux figures.
set -euo pipefail
cd "$(dirname "$0")/.."
windows=0 runs=3 args=()
while (($#)); do
    case $1 in
        --windows) windows=1 ;;
        --runs) runs=$2 args+=("$1" "$2"); shift ;;
        *) args+=("$1") ;;
    esac
    shift
done
scripts/deps.sh
cmake -S . -B build -G Ninja >/dev/null
if ((windows == 0)); then
    cmake --build build --target zelt_bench
    exec build/bench/zelt_bench "${args[@]}"
fi

cmake --build build --target zelt_bench kvrn-sim >/dev/null
linux=$(build/bench/zelt_bench "${args[@]}" --quick)
exe=$(scripts/build-windows.sh build-windows | tail -1)/zeltctl.exe
scratch=$(mktemp -d)
export WINEPREFIX=$scratch/prefix WINEDEBUG=-all ZELT_PORT_DIR=$scratch/ports
mkdir -p "$ZELT_PORT_DIR"
sim=
trap '[[ -n $sim ]] && kill "$sim"; wineserver -k 2>/dev/null; rm -rf "$scratch"' EXIT
wineboot -i >/dev/null 2>&1
wineserver -p || true  # one server for every run: its start is not the program's time
build/tools/kvrn-sim/kvrn-sim --port COM5 >"$scratch/sim.out" 2>&1 &
sim=$!
for _ in $(seq 100); do [[ -e $ZELT_PORT_DIR/COM5 ]] && break; sleep 0.05; done
ln -sfn "$ZELT_PORT_DIR/COM5" "$WINEPREFIX/dosdevices/com5"
record="Z:${scratch//\//\\}\\a.cfg"

# The median wall time in ms of runs of zeltctl.exe with these arguments.
wall_ms() {
    for _ in $(seq "$runs"); do
        local start=$(date +%s%N)
        wine "$exe" "$@" >/dev/null 2>"$scratch/err" || {
            echo "bench: zeltctl.exe $* failed: $(cat "$scratch/err")" >&2
            exit 1
        }
        echo $((($(date +%s%N) - start) / 1000000))
    done | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}
# The Linux figure's column (2 wall ms, 3 floor ms, 4 ratio) of the named sequence.
linux_figure() { awk -v name="$1" -v col="$2" '$1 " " $2 == name { print $(col + 1); exit }' <<<"$linux"; }

startup=$(wall_ms settings)
echo "zeltctl.exe under wine against kvrn-sim at 19200 baud (median of $runs; wine's start-up,"
echo "${startup} ms for zeltctl.exe settings, is taken off the wall time):"
printf '%-24s %9s %9s %9s %6s %5s   %s\n' figure "wall ms" "net ms" "floor ms" ratio "" \
    "Linux: wall ms ratio"
for mode in RS232 RS485; do
    framing=()
    [[ $mode == RS485 ]] && framing=(--rs485 --id 250)
    for step in "get read-all" "set set+verify"; do
        command=${step% *} sequence="${step#* } $mode"
        if [[ $command == get ]]; then
            wall=$(wall_ms --port COM5 "${framing[@]}" get -o "$record")
        else
            wall=$(wall_ms --port COM5 "${framing[@]}" set "$record")
        fi
        floor=$(linux_figure "$sequence" 3)
        net=$((wall - startup))
        ratio=$(awk -v n="$net" -v f="$floor" 'BEGIN { printf "%.3f", n / f }')
        verdict=$(awk -v r="$ratio" 'BEGIN { print (r <= 1.10 ? "PASS" : "MISS") }')
        printf '%-24s %9d %9d %9.1f %6s %5s   %9.1f %6.3f\n' "$command $mode ($sequence)" \
            "$wall" "$net" "$floor" "$ratio" "$verdict" "$(linux_figure "$sequence" 2)" \
            "$(linux_figure "$sequence" 4)"
    done
done
echo "target: net wall <= 1.10 x floor (the floor: zelt_bench's pacing and line time of the same sequence)"
