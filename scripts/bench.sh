#!/usr/bin/env bash
# Builds the benchmarks and prints their figures: "Get Parameters" and "Set Parameters" in
# both modes against the simulated controller at 19200 baud, compared with the protocol's own
# floor, and the time discovery takes.   scripts/bench.sh [--runs N] [--quick]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build -G Ninja >/dev/null
cmake --build build --target zelt_bench
build/bench/zelt_bench "$@"
