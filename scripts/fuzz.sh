#!/usr/bin/env bash
# Builds the libFuzzer targets with AddressSanitizer and UBSan (clang) and runs each in turn:
#   scripts/fuzz.sh [SECONDS] [TARGET...]     (default 60 seconds each, every target)
# Targets: cfg settings json replies probes. FUZZ_RUNS=N also stops a target after N inputs;
# FUZZ_BUILD_DIR picks the build folder (default build-fuzz). Each target starts from its seed
# corpus in tests/fuzz/corpus and keeps what it learns in the build folder. Prints every
# target's run count and findings; a finding (its input is kept beside the log) fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
targets=("$@")
((${#targets[@]})) || targets=(cfg settings json replies probes)
dir=${FUZZ_BUILD_DIR:-build-fuzz}

scripts/deps.sh --fuzz
compiler=$(command -v clang++-14 || command -v clang++)
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$dir" -G Ninja -DCMAKE_CXX_COMPILER="$compiler" "${launcher[@]}" \
    -DZELT_SANITIZE=ON -DZELT_FUZZ=ON -DZELT_BUILD_GUI=OFF -DZELT_BUILD_BENCH=OFF >/dev/null
cmake --build "$dir" -j "$(nproc)" --target "${targets[@]/#/fuzz_}"

out="$dir/tests/fuzz"
runs=()
[[ -n ${FUZZ_RUNS:-} ]] && runs=(-runs="$FUZZ_RUNS")
findings=0
summary=()
for t in "${targets[@]}"; do
    corpus="$out/corpus/$t"
    mkdir -p "$corpus"
    rm -f "$out/$t"-crash-* "$out/$t"-leak-* "$out/$t"-timeout-* "$out/$t"-oom-*
    echo "fuzz_$t: ${seconds}s${FUZZ_RUNS:+ or $FUZZ_RUNS runs}, log $out/$t.log"
    status=0
    ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
        "$out/fuzz_$t" -max_total_time="$seconds" "${runs[@]}" -timeout=10 -print_final_stats=1 \
        -artifact_prefix="$out/$t-" "$corpus" "tests/fuzz/corpus/$t" >"$out/$t.log" 2>&1 ||
        status=$?
    executed=$(sed -n 's/^stat::number_of_executed_units: *//p' "$out/$t.log" | tail -1)
    found=$(find "$out" -maxdepth 1 -name "$t-*" -type f | sort)
    if ((status != 0)) || [[ -n $found ]]; then
        findings=$((findings + 1))
        summary+=("fuzz_$t: ${executed:-?} runs, FINDING (exit $status): ${found:-see the log}")
        grep -m3 -E 'ERROR|SUMMARY|runtime error' "$out/$t.log" || true
    else
        summary+=("fuzz_$t: ${executed:-?} runs, no findings")
    fi
done
printf '%s\n' "${summary[@]}"
((findings == 0))
