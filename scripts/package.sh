#!/usr/bin/env bash
# Builds the Debian package zelt-utility_<version>_amd64.deb with CPack and prints its path as
# the last line. ZELT_BUILD_DIR names a build folder to package (the test command passes its
# own, already built); by default a release build without tests goes to build-package.
#   scripts/package.sh            then: sudo apt install ./zelt-utility_<version>_amd64.deb
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
build=${ZELT_BUILD_DIR:-build-package}
if [[ -z ${ZELT_BUILD_DIR:-} ]]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZELT_BUILD_TESTS=OFF \
        -DZELT_BUILD_BENCH=OFF >/dev/null
fi
cmake --build "$build" -j "$(nproc)" >&2
(cd "$build" && cpack -G DEB >&2)
deb=$(ls -t "$PWD/$build"/zelt-utility_*_amd64.deb | head -1)
echo "$deb"
