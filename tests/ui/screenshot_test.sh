#!/usr/bin/env bash
# zelt-utility --screenshot against a controller whose Get Parameters ends in its failure box:
# the run must end by itself, save the window, exit 1 and put the box's text on stderr.
# Usage: screenshot_test.sh ZELT_UTILITY KVRN_SIM
set -u
work=$(mktemp -d)
export ZELT_PORT_DIR="$work/ports" ZELT_SETTINGS="$work/settings.reg" QT_QPA_PLATFORM=offscreen
mkdir "$ZELT_PORT_DIR"
"$2" --port COM1 --fault wrong-leader --fault-fraction 0.3 >/dev/null 2>&1 &
sim=$!
trap 'kill $sim; rm -rf "$work"' EXIT
for _ in $(seq 100); do [[ -e "$ZELT_PORT_DIR/COM1" ]] && break; sleep 0.05; done
timeout 60 "$1" --screenshot "$work/shot.png" >/dev/null 2>"$work/err"
status=$?
[[ $status == 1 && -s "$work/shot.png" ]] || { echo "status $status"; cat "$work/err"; exit 1; }
grep -q "the screenshot time ran out: .*Failed to get parameters" "$work/err" || { cat "$work/err"; exit 1; }
