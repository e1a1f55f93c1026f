#!/usr/bin/env bash
# The program as a desktop sees it, from its Debian package: builds the package from a built
# folder (scripts/package.sh), lets lintian look for errors, for programs built without
# Debian's hardening flags and for programs without a man page, unpacks it and checks
#  - the man pages: each renders without a groff or man warning;
#  - the MIME type: a .cfg with the signature is application/x-zelt-cfg, a text .cfg is not,
#    and the desktop entry opens the type; .chm files go to xchm;
#  - the unpacked zelt-utility --screenshot against the unpacked kvrn-sim;
#  - under Xvfb with openbox: the outer frame is 670 x 738 at (140, 0), and a file named on
#    the command line is opened after the start-up search (a bad one raises the Error box).
#   scripts/check-desktop.sh [BUILD_DIR]     (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
scratch=$(mktemp -d)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$scratch"
}
trap cleanup EXIT
fail() { echo "check-desktop: $*" >&2; exit 1; }

deb=$(ZELT_BUILD_DIR=$build scripts/package.sh 2>"$scratch/package.log" | tail -1) ||
    { cat "$scratch/package.log" >&2; fail "the package did not build"; }
echo "package: $deb"
report=$(lintian --fail-on error --display-info "$deb" 2>/dev/null) ||
    { echo "$report" >&2; fail "lintian reports errors"; }
if grep -E 'hardening-|no-manual-page' <<<"$report" >&2; then fail "lintian: see above"; fi
root=$scratch/root
dpkg-deb -x "$deb" "$root"
usr=$root/usr
for page in "$usr"/share/man/man1/*.1.gz; do
    warnings=$({ zcat "$page" | groff -man -ww -z; MANWIDTH=80 man --warnings -l "$page" >/dev/null; } 2>&1)
    [[ -z $warnings ]] || fail "$(basename "$page"): $warnings"
done
echo "lintian: no errors, hardening tags or missing man pages; man pages render without warnings"

# The MIME database and the desktop entries of the package, beside the system's.
export XDG_DATA_HOME=$scratch/data XDG_CONFIG_HOME=$scratch/config XDG_DATA_DIRS=$usr/share:/usr/share
update-mime-database "$usr/share/mime"
update-desktop-database "$usr/share/applications"
desktop-file-validate "$usr/share/applications/zelt-utility.desktop"
"$usr/bin/zeltctl" cfg new -o "$scratch/site.cfg" >/dev/null
printf 'baud=19200\n' >"$scratch/text.cfg"
type_of() { gio info -a standard::content-type "$1" | sed -n 's/^ *standard::content-type: //p'; }
[[ $(type_of "$scratch/site.cfg") == application/x-zelt-cfg ]] || fail "site.cfg: $(type_of "$scratch/site.cfg")"
[[ $(type_of "$scratch/text.cfg") == text/plain ]] || fail "text.cfg: $(type_of "$scratch/text.cfg")"
[[ $(xdg-mime query default application/x-zelt-cfg) == zelt-utility.desktop ]] || fail "no program for .cfg"
[[ $(xdg-mime query default application/vnd.ms-htmlhelp) == xchm.desktop ]] || fail "xchm does not open .chm"
echo "MIME: signature-matched .cfg opens zelt-utility, .chm opens xchm"

# The unpacked programs against each other, offscreen.
export ZELT_PORT_DIR=$scratch/ports ZELT_SETTINGS=$scratch/settings.reg
mkdir -p "$ZELT_PORT_DIR"
"$usr/bin/kvrn-sim" --port COM1 >"$scratch/sim.out" 2>&1 &
pids+=($!)
for _ in $(seq 100); do [[ -e $ZELT_PORT_DIR/COM1 ]] && break; sleep 0.05; done
QT_QPA_PLATFORM=offscreen timeout 60 "$usr/bin/zelt-utility" --screenshot "$scratch/shot.png" \
    >/dev/null 2>&1 || fail "the unpacked zelt-utility --screenshot failed"
[[ -s $scratch/shot.png ]] || fail "no screenshot"
echo "unpacked zelt-utility --screenshot: ok"

# A real X server and window manager.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$scratch/display" >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do [[ -s $scratch/display ]] && break; sleep 0.1; done
[[ -s $scratch/display ]] || fail "Xvfb did not start"
export DISPLAY=:$(<"$scratch/display")
openbox >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q window && break; sleep 0.1; done
printf 'not a configuration file' >"$scratch/bad.cfg"
"$usr/bin/zelt-utility" "$scratch/bad.cfg" >/dev/null 2>&1 &
pids+=($!)
window_named() { { xwininfo -root -tree 2>/dev/null || true; } | awk -v n="\"$1\"" 'index($0, n) { print $1; exit }'; }
main=""
for _ in $(seq 100); do main=$(window_named "Tessaly Solar Controller Utility"); [[ -n $main ]] && break; sleep 0.1; done
[[ -n $main ]] || fail "the main window did not appear"
error=""
for _ in $(seq 200); do error=$(window_named Error); [[ -n $error ]] && break; sleep 0.1; done
[[ -n $error ]] || fail "the file on the command line was not opened (no Error box)"
read -r l r t b < <(xprop -id "$main" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')
geometry() { xwininfo -id "$main" | awk -v k="$1" -F: 'index($1, k) { gsub(/ /, "", $2); print $2 }'; }
x=$(($(geometry "Absolute upper-left X") - l)) y=$(($(geometry "Absolute upper-left Y") - t))
w=$(($(geometry "Width") + l + r)) h=$(($(geometry "Height") + t + b))
echo "frame under openbox: ${w} x ${h} at ($x, $y), borders $l $r $t $b"
[[ "$w $h $x $y" == "670 738 140 0" ]] || fail "the outer frame is not 670 x 738 at (140, 0)"
((t > 0)) || fail "openbox gave no frame"
