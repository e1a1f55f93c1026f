#!/usr/bin/env bash
# The main job: installs what is missing, builds, starts the simulated controller on COM7 in a
# private port folder, talks to it through zeltctl, then starts the window program on it: the
# seek dialog finds the controller and Get Parameters fills the window. Without a display the
# program runs on Qt's offscreen platform and saves the window as <build>/zelt-utility.png.
# ZELT_BUILD_DIR names the build folder (default: build).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${ZELT_BUILD_DIR:-build}
scripts/deps.sh
scripts/build.sh "$build"

demo=$(mktemp -d)
export ZELT_PORT_DIR="$demo/ports" ZELT_SETTINGS="$demo/settings.reg"
mkdir -p "$ZELT_PORT_DIR"
sim=""
trap 'kill "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true; rm -rf "$demo"' EXIT
source scripts/sim-start.sh
start_sim "$build" COM7
cat "$demo/sim.out"

zeltctl="$build"/tools/zeltctl/zeltctl
echo "\$ zeltctl detect"
"$zeltctl" detect
echo "\$ zeltctl --port COM7 status"
"$zeltctl" --port COM7 status

utility="$build"/src/app/zelt-utility
[[ -x "$utility" ]] || { echo "zelt-utility was not built (ZELT_BUILD_GUI=OFF?)"; exit 0; }
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
    shot="$PWD/$build/zelt-utility.png"
    echo "\$ zelt-utility --screenshot $shot   (no display: offscreen)"
    QT_QPA_PLATFORM=offscreen "$utility" --screenshot "$shot" 2>/dev/null
else
    echo "\$ zelt-utility"
    "$utility"
fi
