#!/usr/bin/env bash
# The Win32 window's dialogs under wine against kvrn-sim, driven with xdotool, in one start:
# Set after a Get that missed a value asks and "No" writes nothing, the exit question's Cancel
# stops the Set its "Save to Controller" runs and the program stays; a .cfg out of range asks
# the record check and Cancel writes nothing; the link dialog's Auto Detect finds COM1, its
# Scan Bus lists the RS485 bus on COM2 and OK takes the ID chosen; the controller there has a
# bad battery: Battery Fail asks, Retry reads the status again, Close Utility ends the program.
#   tests/windows/dialogs_wine_test.sh ZELT_UTILITY_EXE KVRN_SIM LINUX_ZELTCTL
source "$(dirname "$0")/window_lib.sh"
exe=$1 zeltctl=$3
wl_setup "$2"
key='HKLM\SOFTWARE\ZELT Utility Quorvel'

# ask CAPTION [SECONDS]: the topmost dialog is so named; the test ends when it is not.
ask() {
    local got _
    for _ in $(seq $((${2:-20} * 10))); do
        got=$(grep -m1 '^dialog=' "$WL_STATE" 2>/dev/null)
        [[ $got == "dialog=$1" ]] && break
        sleep 0.1
    done
    wl_check "dialog \"$1\"" "dialog=$1" "$got" || { grep '^dialog' "$WL_STATE"; wl_done; }
}
writes() { grep -c -- '<- S' "$WL_SCRATCH/COM1.out"; }  # RS232 writes COM1 took

# fcvVoltage 15.5 is outside 13.0 to 15.0 at 12 V.
"$zeltctl" cfg new --system 12 -o "$WL_SCRATCH/reset.cfg" >/dev/null &&
    "$zeltctl" cfg show "$WL_SCRATCH/reset.cfg" |
    sed 's/"fcvVoltage": *[0-9.]*/"fcvVoltage": 15.5/' >"$WL_SCRATCH/range.json" &&
    "$zeltctl" cfg import "$WL_SCRATCH/range.json" -o "$WL_SCRATCH/range.cfg" 2>/dev/null ||
    { echo "FAIL no out-of-range .cfg"; exit 1; }

wl_start_sim COM1 --mute G66 --trace  # the FCV/ACV read: Get leaves them unread
wl_start_sim COM2 --bus 3,17,20 --battery-fail --trace
wl_start_app "$exe" 'Solar Controller Utility' --dump-state "$(wl_zpath "$WL_STATE")"
# The start-up Get tells what it could not read.
ask Error 60
wl_check "Get names the muted read" 1 "$(grep -c '^dialog.65535=Failed to get.*FCV/ACV' "$WL_STATE")"
wl_click_id dialog.1
wl_wait_state '^toolbar=1017 ' >/dev/null  # Open enabled: the Get is over

# b. Set asks about the values Get could not read; "No" sends nothing.
before=$(writes)
wl_click_id toolbar.40013
ask "Set Parameters"
wl_check "it names the unread value" 1 "$(grep -c '^dialog.65535=.*could not read.* fcvVoltage ' "$WL_STATE")"
wl_click_id dialog.7
sleep 1  # a write would follow at once
wl_check "No writes nothing" "$before" "$(writes)"

# Leaving with an edit: the exit question's "Save to Controller" runs Set, which asks the
# same; after "Yes" the exit question's Cancel stops the writes and the program stays.
wl_click_id main.1028
wl_key ctrl+a
wl_type 12.9
wl_click_id toolbar.1021
ask "Exit & Save Confirm"
wl_click_id dialog.1003
ask "Set Parameters"
wl_click_id dialog.6
wl_click_id dialog.2
ask Cancelled
wl_check "the Set stopped" 1 "$(grep -c '^dialog.65535=Set Parameters was cancelled' "$WL_STATE")"
wl_click_id dialog.1
wl_check "the program stays" "" "$(wl_wait_exit 2 && echo left)"
before=$(writes)

# c. The file's FCV reaches Set: the record check asks; Cancel sends nothing.
wl_click_id toolbar.1017
ask Open
wl_type "$(wl_zpath "$WL_SCRATCH/range.cfg")"
wl_key Return
wl_wait_state '^main.3300=15.5$' 10 >/dev/null
wl_click_id toolbar.40013
ask Error 30
wl_check "it names the FCV" 1 \
    "$(grep -c '^dialog.1011=.*fcvVoltage = 15.5: outside 13.0 to 15.0 at 12 V' "$WL_STATE")"
wl_click_id dialog.2
sleep 1
wl_check "Cancel writes nothing" "$before" "$(writes)"
wl_check "the panel keeps the file's FCV" 15.5 "$(wl_value main.3300)"

# d. The link dialog: Auto Detect finds COM1, and its Get runs.
wl_click_id toolbar.40017
ask "Link PC"
wl_click_id dialog.1001
wl_check "Auto Detect" "dialog.65535=Controller is found at COM1." \
    "$(wl_wait_state '^dialog.65535=Controller' 30)"
wl_check "the link dialog waits for its message" "dialog=Link PC (disabled)" \
    "$(grep '^dialog=Link' "$WL_STATE")"
wl_click_id dialog.1
ask Error 30  # the Get on what it found misses the muted read again
wl_check "no second walk during that Get" "Auto Detect (disabled)" "$(wl_value dialog.1001)"
wl_click_id dialog.1
# RS485 on COM2; Scan Bus lists the bus, the second row's ID goes into the field.
wl_click_id dialog.1015
wl_click_id dialog.1000
wl_key Down Return
wl_wait_state '^dialog.1000=COM 2' 5 >/dev/null
wl_click_id dialog.1022
# Past ID 20, the bus's last.
wl_wait_state '^dialog.1024=(Scanning RS485 ID (2[1-9]|[3-9][0-9]|[0-9]{3}) |.*found\.)' 60 >/dev/null
wl_check "bus rows" "ID 3    S/N: 12240315000003 | ID 17    S/N: 12240315000017 | ID 20    S/N: 12240315000020" \
    "$(wl_value dialog.1023)"
wl_click_id dialog.1023
wl_key Home Down  # the second row
wl_click_id dialog.1
wl_check "the chosen ID in the field" 17 "$(wl_wait_state '^dialog.1017=' 5 | cut -d= -f2)"
status=$(wc -l <"$WL_SCRATCH/COM2.out")
wl_click_id dialog.1

# a. The poll on COM2 finds the battery failed: Battery Fail asks.
ask "Battery Fail" 30
wl_check "its text" "Warning: The Battery is bad/over current/short circuit ! Please fix the battery, then retry. Or you may close utility.|Retry|Close Utility" \
    "$(wl_value dialog.1011)|$(wl_value dialog.1025)|$(wl_value dialog.1026)"
# Retry reads the status again, which fails again: the dialog is back.
asked=$(wc -l <"$WL_SCRATCH/COM2.out")
wl_click_id dialog.1025
for _ in $(seq 50); do (($(wc -l <"$WL_SCRATCH/COM2.out") > asked)) && break; sleep 0.1; done
wl_check "Retry reads the status again" 1 "$(($(wc -l <"$WL_SCRATCH/COM2.out") > asked))"
ask "Battery Fail" 30
wl_click_id dialog.1026
wl_wait_exit 20
wl_check "Close Utility ends the program" 0 $?
wl_check "and writes no settings" "|" "$(wl_reg "$key" 'COM Port')|$(wl_reg "$key" 'RS485 ID')"
# Since the link dialog's OK, COM2 took requests for ID 17 (0x11) alone.
wl_check "the chosen ID polled" 11 "$(tail -n +$((status + 1)) "$WL_SCRATCH/COM2.out" |
    sed -n 's/.*RS485 <- \([0-9A-F]*\) [^(]*$/\1/p' | sort -u | paste -sd' ')"
wl_done
