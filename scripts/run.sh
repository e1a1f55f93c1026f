#!/usr/bin/env bash
# The main job: installs what is missing, builds, starts the simulated controller on COM7 in a
# private port folder and talks to it through the core: find it, read its version and status.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh build

demo=$(mktemp -d)
export ZELT_PORT_DIR="$demo/ports" ZELT_SETTINGS="$demo/settings.reg"
mkdir -p "$ZELT_PORT_DIR"
build/tools/kvrn-sim/kvrn-sim --port COM7 >"$demo/sim.out" &
sim=$!
trap 'kill "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true; rm -rf "$demo"' EXIT
for _ in $(seq 100); do
    [[ -s "$demo/sim.out" ]] && break
    sleep 0.05
done
cat "$demo/sim.out"

zeltctl=build/tools/zeltctl/zeltctl
echo "\$ zeltctl detect"
"$zeltctl" detect
echo "\$ zeltctl --port COM7 status"
"$zeltctl" --port COM7 status
