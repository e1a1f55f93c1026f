#!/usr/bin/env bash
# zelt-utility.exe under wine on a virtual X screen, against the Linux kvrn-sim, driven with
# xdotool: tests/windows/window_wine_test.sh ZELT_UTILITY_EXE KVRN_SIM [SCREENSHOT_DIR]
# One start of the program: the start-up search finds the controller and shows its values,
# firmware and serial number; the language switch relabels; Cancel during Get keeps what the
# window showed; a later start hands its .cfg to the window; leaving with unsaved edits asks,
# and the language is in the registry after.
# With SCREENSHOT_DIR the window is saved there in both languages (win32-en.png, win32-zh.png).
source "$(dirname "$0")/window_lib.sh"
exe=$1 shots=${3:-}
wl_setup "$2"
key='HKLM\SOFTWARE\ZELT Utility Quorvel'

wl_start_sim COM3 --serial 20261208000042 --firmware 3.12
wl_start_app "$exe" '^Tessaly Solar Controller Utility$' --dump-state "$(wl_zpath "$WL_STATE")"

# Start-up: the seek walks COM1, COM2 and finds COM3; Get Parameters fills panes and panel.
wl_check "firmware pane" "pane1=F/W Ver: 3.12" "$(wl_wait_state '^pane1=F/W Ver: [0-9]' 30)"
wl_check "serial pane" "pane2=S/N: 20261208000042" "$(wl_wait_state '^pane2=S/N: [0-9]')"
wl_check "no dialog left open" "" "$(grep '^dialog=' "$WL_STATE")"
lvr=$(wl_value main.1028)
wl_check "LVR shows the controller's value" 1 "$(grep -cE '^[0-9]+\.[0-9]$' <<<"$lvr")"
# Picture buttons show their words as a picture, and as greyed text while disabled (Delete
# Schedule with no sector selected).
wl_check "picture buttons" "Reset (picture)|Delete Schedule (disabled)" \
    "$(wl_value main.3302)|$(wl_value main.1018)"
[[ -n $shots ]] && sleep 2 && wl_screenshot "$shots/win32-en.png" "$WL_WIN"  # painted whole

# The language switch relabels caption, toolbar, panes and panel (before anything is typed, so
# the screenshot shows the controller's values).
wl_click_id toolbar.40027
wl_check "caption in Chinese" "caption=Tessaly 太陽能控制器工具程式" "$(wl_wait_state '^caption=Tessaly 太')"
wl_check "Chinese toolbar" "toolbar=40036 40037 40038 40039 40040 40041 40042 40044 40043 " \
    "$(grep '^toolbar=' "$WL_STATE")"
wl_check "panes relabelled" "韌體版本: 3.12|序號: 20261208000042" "$(wl_value pane1)|$(wl_value pane2)"
wl_check "Chinese Delete Schedule as text" "刪除排程 (disabled)" "$(wl_value main.1018)"
[[ -n $shots ]] && sleep 2 && wl_screenshot "$shots/win32-zh.png" "$WL_WIN"

# Cancel during Get: a value typed and not yet sent stays; nothing is reported.
wl_click_id main.1028
wl_key ctrl+a
wl_type 12.9
wl_click_id toolbar.40040
wl_check "Reset locked as text" "main.3302=Reset (disabled)" \
    "$(wl_wait_state '^main.3302=Reset \(disabled' 5)"
wl_click_id main.4010
wl_wait_state '^toolbar=40036 ' 10 >/dev/null  # unlocked again
wl_check "Cancel during Get keeps the typed LVR" "12.9" "$(wl_value main.1028)"
wl_check "no message after Cancel" "" "$(grep '^dialog=' "$WL_STATE")"

# A later start with a .cfg ("Open with") hands it to this window, which opens it, and ends.
cfg=$(realpath "$(dirname "$0")/../fuzz/corpus/cfg/two-sectors.cfg")
timeout 30 wine "$exe" "$(wl_zpath "$cfg")" >/dev/null 2>&1
wl_check "second start ended" 0 $?
wl_check "handed-over file opened" "main.1028=12.4" "$(wl_wait_state '^main.1028=12.4$' 10)"

# Leaving with the typed value unsaved asks; "No, Exit Now" leaves and keeps the language.
wl_click_id toolbar.40042
wl_check "exit question" "dialog=確認結束與儲存" "$(wl_wait_state '^dialog=')"
wl_click_id dialog.1006
wl_wait_exit 20
wl_check "left after the question" 0 $?
wl_check "language in the registry" "No" "$(wl_reg "$key" English)"
wl_done
