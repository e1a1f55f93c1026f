#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: once in a plain build and once
# under AddressSanitizer and UndefinedBehaviorSanitizer. The link tests run on real time
# over pseudo-terminals; a case that misses a 30 ms reply window on a loaded machine gets one
# more run.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh build
(cd build && ctest -j "$(nproc)" --output-on-failure --repeat until-pass:2)
scripts/build.sh build-asan -DZELT_SANITIZE=ON -DZELT_BUILD_BENCH=OFF
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest -j "$(nproc)" --output-on-failure --repeat until-pass:2)
