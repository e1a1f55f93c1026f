# Sourced by the window tests: zelt-utility.exe under wine on a virtual X screen of its own,
# against the Linux kvrn-sim on a COM link of a scratch wine prefix, driven with xdotool.
#   source tests/windows/window_lib.sh
#   wl_setup KVRN_SIM          scratch prefix, Xvfb + openbox, CJK font; exits 77 when wine or
#                              Xvfb cannot run here. Everything is torn down at exit.
#   wl_start_sim COMn [opts]   kvrn-sim on a pseudo-terminal, linked as the prefix's comN
#   wl_start_app EXE TITLE [args]   starts the program, waits for a window named TITLE (a regex);
#                              WL_WIN is its id, WL_APP its process
#   wl_click X Y [WIN]         left click at a window-relative point (default WL_WIN)
#   wl_type TEXT, wl_key KEY...   keyboard to the focused window
#   wl_wait_name REGEX [SECONDS]  waits for a window of that name, prints its id
#   wl_caption [WIN]           the window's caption
#   wl_reg KEY VALUE           a registry string value ("" when missing)
#   wl_screenshot FILE [WIN]   a PNG of the window (the whole screen without WIN)
#   wl_wait_state REGEX [SECONDS]   the first line of the program's --dump-state "$WL_STATE"
#                              that matches, once one does; wl_value KEY: one value of it
#   wl_click_id WHERE.ID       a click in the middle of that control or toolbar button there
#   wl_check NAME EXPECTED ACTUAL   counts failures in WL_FAILURES (1 on one); wl_done ends the test
#   wl_zpath UNIX_PATH         the file as wine's Z: drive names it
set -uo pipefail

WL_FAILURES=0
WL_SIMS=()
WL_PIDS=()
WL_APP=
WL_WIN=

wl_teardown() {
    [[ -n $WL_APP ]] && kill "$WL_APP" 2>/dev/null
    kill "${WL_SIMS[@]}" 2>/dev/null
    [[ -n ${WINEPREFIX:-} ]] && wineserver -k >/dev/null 2>&1
    kill "${WL_PIDS[@]}" 2>/dev/null
    wait 2>/dev/null
    [[ -n ${WL_SCRATCH:-} ]] && rm -rf "$WL_SCRATCH"
}

wl_skip() { echo "SKIP: $*"; exit 77; }

wl_setup() {
    WL_SIM=$1
    command -v xdotool >/dev/null && command -v Xvfb >/dev/null && command -v wine >/dev/null ||
        wl_skip "xdotool, Xvfb or wine missing"
    WL_SCRATCH=$(mktemp -d)
    WL_STATE=$WL_SCRATCH/state.txt
    trap wl_teardown EXIT
    export WINEPREFIX=$WL_SCRATCH/prefix WINEDEBUG=-all ZELT_PORT_DIR=$WL_SCRATCH/ports
    export LC_ALL=C.UTF-8 WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono / Gecko questions
    mkdir -p "$ZELT_PORT_DIR"
    wl_start_display
    wineboot -i >/dev/null 2>&1 || wl_skip "wine cannot make a prefix here"
    # One server for the whole run: a value "wine reg add" writes is never lost to a server that
    # was shutting down when the next program started.
    wineserver -p >/dev/null 2>&1
    wl_map_cjk_font
}

# The first free display number from :90 on; openbox gives the windows frames and focus.
wl_start_display() {
    local n
    for n in $(seq 90 140); do
        [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]] && continue
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
        WL_PIDS+=($!)
        for _ in $(seq 100); do [[ -e /tmp/.X11-unix/X$n ]] && break; sleep 0.05; done
        if DISPLAY=:$n xdotool getmouselocation >/dev/null 2>&1; then
            export DISPLAY=:$n
            openbox >/dev/null 2>&1 &
            WL_PIDS+=($!)
            sleep 0.5
            return 0
        fi
        kill "${WL_PIDS[-1]}" 2>/dev/null
    done
    wl_skip "no free X display"
}

# Chinese texts need a CJK font: the installed WenQuanYi face into the prefix's Fonts folder,
# linked behind the faces the dialogs and controls ask for.
wl_map_cjk_font() {
    local ttc=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc face key
    [[ -e $ttc ]] || return 0
    cp "$ttc" "$WINEPREFIX/drive_c/windows/Fonts/"
    key='HKLM\Software\Microsoft\Windows NT\CurrentVersion'
    for face in Tahoma Arial "MS Shell Dlg" "MS Shell Dlg 2" "Segoe UI" "Microsoft Sans Serif"; do
        wine reg add "$key\\FontLink\\SystemLink" /v "$face" /t REG_MULTI_SZ \
            /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f >/dev/null 2>&1
    done
    for face in PMingLiU MingLiU 新細明體 細明體; do
        wine reg add "$key\\FontSubstitutes" /v "$face" /d 'WenQuanYi Micro Hei' /f >/dev/null 2>&1
    done
}

# The port goes into wine's port table too, so the system's port list names it; wine reads
# the table when its server starts, so the next wl_start_app starts a new one.
wl_start_sim() {
    "$WL_SIM" --port "$1" "${@:2}" >"$WL_SCRATCH/$1.out" 2>&1 &
    WL_SIMS+=($!)
    for _ in $(seq 100); do [[ -e $ZELT_PORT_DIR/$1 ]] && break; sleep 0.05; done
    ln -sfn "$ZELT_PORT_DIR/$1" "$WINEPREFIX/dosdevices/${1,,}"
    wine reg add 'HKLM\Software\Wine\Ports' /v "$1" /d "$ZELT_PORT_DIR/$1" /f >/dev/null 2>&1
    WL_PORTS_ADDED=1
}

wl_wait_name() {  # wl_wait_name REGEX [SECONDS]: the id of the first window so named
    timeout "${2:-30}" xdotool search --sync --onlyvisible --name "$1" 2>/dev/null | head -1
}

wl_start_app() {
    local exe=$1 title=$2
    if [[ -n ${WL_PORTS_ADDED:-} ]]; then
        wineserver -k >/dev/null 2>&1
        wineserver -p >/dev/null 2>&1
        WL_PORTS_ADDED=
    fi
    wine "$exe" "${@:3}" >"$WL_SCRATCH/app.out" 2>&1 &
    WL_APP=$!
    WL_WIN=$(wl_wait_name "$title" 60)
    [[ -n $WL_WIN ]] || { echo "FAIL the window \"$title\" did not appear"; exit 1; }
}

# Waits for the program to end (after a close): 0 when it did within SECONDS.
wl_wait_exit() {
    local _
    for _ in $(seq $((${1:-20} * 10))); do kill -0 "$WL_APP" 2>/dev/null || { WL_APP=; return 0; }
        sleep 0.1; done
    return 1
}

wl_click() {
    xdotool mousemove --window "${3:-$WL_WIN}" "$1" "$2" click 1
    sleep 0.2
}
wl_type() { xdotool type --delay 30 -- "$1"; }
wl_key() { xdotool key --delay 50 "$@"; }
wl_caption() { xdotool getwindowname "${1:-$WL_WIN}"; }

wl_reg() {  # wl_reg KEY VALUE: the string data, or nothing
    wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' |
        sed -n "s/^ *$2 *REG_[A-Z_]* *//p"
}

wl_screenshot() {  # the window with its frame, as xwininfo places it on the screen
    local info ax ay rx ry w h
    if [[ -n ${2:-} ]]; then
        info=$(xwininfo -id "$2")
        ax=$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$info")
        ay=$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$info")
        rx=$(sed -n 's/.*Relative upper-left X: *//p' <<<"$info")
        ry=$(sed -n 's/.*Relative upper-left Y: *//p' <<<"$info")
        w=$(sed -n 's/.*Width: *//p' <<<"$info") h=$(sed -n 's/.*Height: *//p' <<<"$info")
        scrot -o -a "$((ax - rx)),$((ay - ry)),$((w + 2 * rx)),$((h + ry + rx))" "$1"
    else
        scrot -o "$1"
    fi
}

wl_wait_state() {
    local _
    for _ in $(seq $((${2:-20} * 10))); do
        grep -m1 -E "$1" "$WL_STATE" 2>/dev/null && return 0
        sleep 0.1
    done
    return 1
}
wl_value() { sed -n "s/^$1=//p" "$WL_STATE" | head -1; }
wl_click_id() {
    local l t r b
    IFS=, read -r l t r b <<<"$(wl_value "rect\\.$1")"
    xdotool mousemove $(((l + r) / 2)) $(((t + b) / 2)) click 1
    sleep 0.3
}

wl_check() {
    if [[ "$2" == "$3" ]]; then echo "ok   $1"; else
        echo "FAIL $1: expected [$2], got [$3]"; WL_FAILURES=$((WL_FAILURES + 1)); return 1; fi
}
wl_done() { ((WL_FAILURES == 0)); exit $?; }
wl_zpath() { echo "Z:${1//\//\\}"; }
