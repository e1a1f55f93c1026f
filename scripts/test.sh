#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test, in two builds:
#  - build: the plain build (g++) of the core, the tools, the window program and the
#    benchmarks, with every suite, the window program's included; its Debian package is built
#    and checked as a desktop sees it (scripts/check-desktop.sh: lintian, MIME type, the
#    unpacked programs, the frame under Xvfb with openbox);
#  - build-asan: clang with AddressSanitizer and UndefinedBehaviorSanitizer, without the
#    window program. It proves that the core and the tools build and link without Qt (the
#    configure check in src/CMakeLists.txt), runs the same core and tool suites, and doubles
#    as the fuzz build: each libFuzzer target runs for ZELT_FUZZ_SECONDS (20) from its seeds
#    as a CTest case (scripts/fuzz.sh runs them longer);
#  - build-windows: the core, zeltctl and the core suites cross-built with mingw-w64
#    (scripts/build-windows.sh) and run under wine: zeltctl.exe against the plain build's
#    kvrn-sim through a COM port of a wine prefix that the test makes for itself; and the MSI
#    (scripts/package-windows.sh) installed, upgraded and uninstalled in another.
# The link tests run on real time over pseudo-terminals; a case that fails gets one more run,
# and every case that needed it is named at the end of its build's run: a retry that passes
# hides a timing assumption, which is a fault to mend.
set -euo pipefail
cd "$(dirname "$0")/.."
start=$SECONDS
lap() { printf '[test.sh] %-28s %4d s\n' "$1" $((SECONDS - start)); }

# ctest in the current folder with one retry of a failed case; names the cases that failed
# once and then passed, and ends with ctest's status.
run_ctest() {
    local log status=0
    log=$(mktemp)
    ctest -j "$(nproc)" --output-on-failure --repeat until-pass:2 2>&1 | tee "$log" || status=$?
    awk 'match($0, /^ *([0-9]+\/[0-9]+ )?Test +#[0-9]+: [^ ]+/) {
             name = substr($0, RSTART, RLENGTH); sub(/.*#[0-9]+: /, "", name)
             if (index($0, "***")) failed[name] = 1; else if ($0 ~ / Passed /) passed[name] = 1
         }
         END { for (name in failed) if (name in passed) print "[test.sh] needed a retry: " name }' \
        "$log" | sort
    rm -f "$log"
    return "$status"
}

scripts/deps.sh --fuzz
lap "dependencies"
# Both builds leave out full debug information: on two cores it is a third of the build time,
# and the sanitizers' reports still name file and line.
scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -DNDEBUG"
lap "plain build"
(cd build && run_ctest)
lap "plain tests"
scripts/check-desktop.sh build
lap "package and desktop check"

clang=$(command -v clang++-14 || command -v clang++)
scripts/build.sh build-asan -DCMAKE_CXX_COMPILER="$clang" -DZELT_SANITIZE=ON \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -gline-tables-only -DNDEBUG" \
    -DZELT_BUILD_GUI=OFF -DZELT_BUILD_BENCH=OFF -DZELT_FUZZ=ON
lap "sanitizer and fuzz build"
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 run_ctest)
lap "sanitizer tests and fuzz runs"

scripts/build-windows.sh build-windows -DZELT_LINUX_BUILD="$PWD/build" >/dev/null
scripts/package-windows.sh build-windows >/dev/null  # the MSI windows.InstallerUnderWine installs
lap "Windows build"
(cd build-windows && run_ctest)
lap "Windows tests under wine"
