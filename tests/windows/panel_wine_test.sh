#!/usr/bin/env bash
# The Win32 parameter panel under wine against kvrn-sim, driven with xdotool: an LVR typed out
# of range is clamped when the field is left, a sector is drawn on the schedule with the
# mouse, and "Set Parameters" writes both (read back with the Linux zeltctl).
#   tests/windows/panel_wine_test.sh ZELT_UTILITY_EXE KVRN_SIM LINUX_ZELTCTL
source "$(dirname "$0")/window_lib.sh"
exe=$1 zeltctl=$3
wl_setup "$2"
wl_start_sim COM1
dump=$WL_SCRATCH/state.txt

state() { sed -n "s/^$1=//p" "$dump" 2>/dev/null | head -1; }
wait_state() {  # wait_state KEY REGEX [SECONDS]: the value once it matches
    local _ value
    for _ in $(seq $((${3:-30} * 10))); do
        value=$(state "$1")
        [[ $value =~ $2 ]] && { echo "$value"; return 0; }
        sleep 0.1
    done
    echo "$value"
    return 1
}
# The screen point X,Y pixels into a control's rectangle (negative: from its right/bottom).
point_in() {
    local r
    r=$(state "rect.$1") || return 1
    IFS=, read -r left top right bottom <<<"$r"
    echo $(( $2 < 0 ? right + $2 : left + $2 )) $(( $3 < 0 ? bottom + $3 : top + $3 ))
}

wl_start_app "$exe" "Solar Controller Utility" --dump-state "$(wl_zpath "$dump")"
# The seek finds the controller on COM1 and "Get Parameters" fills the fields.
lvr=$(wait_state main.1028 '^[0-9]+\.[0-9]$' 60) || { echo "FAIL the panel was never filled"; exit 1; }
echo "LVR read: $lvr"

# LVR: 99 is far above the 12 V range; leaving the field clamps it to 13.5.
read -r x y < <(point_in main.1028 10 5)
xdotool mousemove "$x" "$y" click 1
wl_key End shift+Home BackSpace
wl_type 99
wl_key Tab
wl_check "LVR clamped on leaving" 13.5 "$(wait_state main.1028 '^13\.5$' 5)"

# A new sector: a left drag over free time in the area under the ruler (the simulator's two
# sectors end before 06:00, 432 pixels in), then a click on it selects it.
read -r x0 y0 < <(point_in main.1010 440 -20)
read -r x1 _ < <(point_in main.1010 540 -20)
xdotool mousemove "$x0" "$y0" mousedown 1 mousemove $((x0 + 40)) "$y0" mousemove "$x1" "$y0" \
    mouseup 1
sleep 0.3
xdotool mousemove "$(( (x0 + x1) / 2 ))" "$y0" click 1
start=$(wait_state main.1012 '^[0-9]{2}:[0-9]{2}$' 5)
end=$(wait_state main.1014 '^[0-9]{2}:[0-9]{2}$' 5)
wl_check "the drawn sector is selected" 1 "$([[ -n $start && -n $end ]] && echo 1)"
wl_check "Delete Schedule shows its picture again" "Delete Schedule (picture)" \
    "$(state main.1018)"

# "Set Parameters" from the toolbar; the status bar says when the controller holds them.
read -r x y < <(point_in toolbar.40013 5 5)
xdotool mousemove "$x" "$y" click 1
saved=$(wait_state pane0 'saved to the controller' 60)
wl_check "Set Parameters reports success" 1 "$([[ $saved == *saved* ]] && echo 1)"

# The language button relabels the panel: Chinese labels, the battery group with its voltage.
read -r x y < <(point_in toolbar.40027 5 5)
xdotool mousemove "$x" "$y" click 1
wl_check "Chinese group title" "電池資訊 12V" "$(wait_state main.1025 '電池' 10)"
wl_check "Chinese LVR label" 1 "$(grep -qx 'main.65535=低壓回復:' "$dump" && echo 1)"
# ZELT_PANEL_SCREENSHOT=FILE keeps a picture of the Chinese panel for a look by eye.
[[ -n ${ZELT_PANEL_SCREENSHOT:-} ]] && wl_screenshot "$ZELT_PANEL_SCREENSHOT" "$WL_WIN"

# Read back over the same port once the window is gone.
kill "$WL_APP" 2>/dev/null
wineserver -k 2>/dev/null
WL_APP=
record=$("$zeltctl" --port COM1 get --json 2>&1)
# The controller keeps volts in its own steps: 13.5 comes back as 13.49.
lvr=$(sed -n 's/^ *"lvrVoltage": *\([0-9.]*\),*$/\1/p' <<<"$record")
wl_check "controller LVR" 13.5 "$(awk -v v="${lvr:-0}" 'BEGIN { printf "%.1f", v }')"
# Axis pixels 440 and 540 are minutes 1100 and 1350 (06:20 to 10:30), after the two sectors.
sectors=$(tr -d ' \n' <<<"$record")
wl_check "controller sector" 1 \
    "$([[ $sectors == *'"sectorCount":3'* &&
          $sectors == *'{"startMinute":1100,"endMinute":1350,"brightness":100}'* ]] && echo 1)"
wl_done
