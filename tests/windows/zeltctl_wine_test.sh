#!/usr/bin/env bash
# zeltctl.exe under wine against the Linux kvrn-sim, through a COM port of a wine prefix of
# its own: tests/windows/zeltctl_wine_test.sh ZELTCTL_EXE KVRN_SIM LINUX_ZELTCTL
set -uo pipefail
exe=$1 sim=$2 linux=$3
scratch=$(mktemp -d)
export WINEPREFIX=$scratch/prefix WINEDEBUG=-all ZELT_PORT_DIR=$scratch/ports LC_ALL=C.UTF-8  # UTF-8 arguments
mkdir -p "$ZELT_PORT_DIR"
sims=()
trap 'kill "${sims[@]}" 2>/dev/null; wineserver -k 2>/dev/null; rm -rf "$scratch"' EXIT
wineboot -i >/dev/null 2>&1 || { echo "SKIP: wine cannot make a prefix here"; exit 77; }
# One server for the whole run: a value "wine reg add" writes is never lost to a server that was
# shutting down when the next program started.
wineserver -p
failures=0
check() {  # check NAME EXPECTED ACTUAL
    if [[ "$2" == "$3" ]]; then echo "ok   $1"; else
        echo "FAIL $1: expected [$2], got [$3]"; failures=$((failures + 1)); fi
}
# start_sim COMn [kvrn-sim options]: the simulator on a pseudo-terminal, linked as wine's comN.
start_sim() {
    "$sim" --port "$1" "${@:2}" >"$scratch/$1.out" 2>&1 &
    sims+=($!)
    for _ in $(seq 100); do [[ -e $ZELT_PORT_DIR/$1 ]] && break; sleep 0.05; done
    ln -sfn "$ZELT_PORT_DIR/$1" "$WINEPREFIX/dosdevices/${1,,}"
}
win() { wine "$exe" "$@"; }
zpath() { echo "Z:${1//\//\\}"; }  # the Unix file as wine's Z: drive names it

start_sim COM5
start_sim COM6 --rs485-id 17
for mode in "--port COM5" "--port COM6 --rs485 --id 17"; do
    # get, set a changed record, get again: the files match the Linux tool's, byte for byte.
    win $mode get -o "$(zpath "$scratch/a.cfg")" >/dev/null
    check "$mode get" 0 $?
    win $mode cfg show "$(zpath "$scratch/a.cfg")" | sed 's/"lightingTime": [0-9]*/"lightingTime": 9/' \
        >"$scratch/b.json"
    win $mode set "$(zpath "$scratch/b.json")" >/dev/null
    check "$mode set" 0 $?
    win $mode get -o "$(zpath "$scratch/c.cfg")" >/dev/null
    ZELT_PORT_DIR=$ZELT_PORT_DIR "$linux" $mode get -o "$scratch/l.cfg" >/dev/null
    check "$mode same file as Linux" "$(md5sum <"$scratch/l.cfg")" "$(md5sum <"$scratch/c.cfg")"
done
# Chinese file names: a record saved, shown, sent again from its JSON; monitor's CSV log.
cn=$(zpath "$scratch/中文")
win --port COM5 get -o "$cn.cfg" >/dev/null && win cfg show "$cn.cfg" >"$scratch/中文.json" &&
    win --port COM5 set "$cn.json" >/dev/null && win --port COM5 monitor --count 1 --csv "$cn.csv" >/dev/null
check "Chinese file names: get, set from JSON, CSV" "0 中文.cfg 中文.csv 中文.json 2" \
    "$? $(cd "$scratch" && ls -- 中文.* | paste -sd' ') $(wc -l <"$scratch/中文.csv")"
# The RS485 walk finds the controller on its ID.
check "scan" '"id":17' "$(win --port COM6 scan --from 15 --to 18 --json | tr -d ' \n' | grep -o '"id":[0-9]*')"
# Faults: no reply and a damaged reply end with the operation fault, in both languages.
start_sim COM7 --fault no-reply
win --port COM7 status >/dev/null 2>"$scratch/err"
check "no reply: status 1" 1 $?
check "no reply: message" "Operation fault ! Please check power & connection." "$(tr -d '\r' <"$scratch/err")"
win --port COM7 --lang zh status >/dev/null 2>"$scratch/err"
check "no reply: Chinese as UTF-8" "作業失敗 ! 請檢查電源及連線" "$(tr -d '\r' <"$scratch/err")"
start_sim COM8 --fault damaged
win --port COM8 --rs485 --id 250 status >/dev/null 2>&1
check "damaged replies: status 1" 1 $?
# A refused open says why, in both languages; --mqtt is refused plainly.
check "refused open" "COM9 cannot be opened: no such device." "$(win --port COM9 status 2>&1 | tr -d '\r')"
check "refused open, Chinese" "無法開啟 COM9: 沒有此裝置." "$(win --lang zh --port COM9 status 2>&1 | tr -d '\r')"
# A console (a terminal under wine) gets the text through WriteConsoleW, whole characters.
check "console: Chinese text" "無法開啟 COM9: 沒有此裝置." "$(script -qec "wine '$exe' --lang zh --port COM9 status" \
    /dev/null | tr -d '\r' | sed 's/\x1b\[[?0-9;]*[a-zA-Z]//g' | grep -v '^$')"
check "not a serial port" "COM10 cannot be opened: not a serial port but a regular file." \
    "$(touch "$scratch/plain" && ln -s "$scratch/plain" "$WINEPREFIX/dosdevices/com10" && win --port COM10 status 2>&1 | tr -d '\r')"
# Ctrl+C (wine hands SIGINT to the program as its console's Ctrl+C event): monitor ends at
# once with 130 and leaves the rows it wrote whole.
wine "$exe" --port COM5 monitor --interval 0.3 --csv "$(zpath "$scratch/int.csv")" >/dev/null 2>"$scratch/err" &
monitor=$!
for _ in $(seq 100); do (($(cat "$scratch/int.csv" 2>/dev/null | wc -l) >= 3)) && break; sleep 0.1; done
kill -INT $monitor
for _ in $(seq 50); do kill -0 $monitor 2>/dev/null || break; sleep 0.1; done
if kill -0 $monitor 2>/dev/null; then
    echo "SKIP Ctrl+C: this wine does not hand SIGINT to the program as a Ctrl+C event"
    kill $monitor
else
    wait $monitor
    check "Ctrl+C: status, message, whole rows" "130 zeltctl: interrupted 0" \
        "$? $(tr -d '\r' <"$scratch/err") $(awk -F, 'NF != 12' "$scratch/int.csv" | wc -l)"
fi
win --port COM5 monitor --count 1 --mqtt localhost >/dev/null 2>&1
check "--mqtt refused" 2 $?
check "--mqtt help" 1 "$(win monitor --help | grep -c 'MQTT is not in the Windows build')"
# The registry: HKLM's key by default; the per-user key reads HKLM's values as its defaults.
wine reg add 'HKLM\SOFTWARE\ZELT Utility Quorvel' /v "COM Port" /d 7 /f >/dev/null 2>&1
wine reg add 'HKCU\Software\ZELT Utility Quorvel' /v English /d No /f >/dev/null 2>&1
check "HKLM settings" '"comPort":7,|"store":"HKEY_LOCAL_MACHINE\\SOFTWARE\\ZELTUtilityQuorvel"' \
    "$(win settings | tr -d '\n ' | grep -o '"comPort":[0-9]*,\|"store":.*"' | paste -sd'|')"
user=$(ZELT_SETTINGS='HKEY_CURRENT_USER\Software\ZELT Utility Quorvel' win settings | tr -d '\n ')
check "HKCU over HKLM" '"comPort":7,"commMode":232,"rs485Id":250,"english":0' \
    "$(grep -o '"comPort.*"english":[01]' <<<"$user")"
check "HKCU named" '"store":"HKEY_CURRENT_USER\\Software\\ZELTUtilityQuorvel"' "$(grep -o '"store":.*"' <<<"$user")"
# The port list is the system's: wine names the ports of its port table (read when its server
# starts), COM23 too, which does not open as a serial line.
wine reg add 'HKLM\Software\Wine\Ports' /v COM5 /d "$ZELT_PORT_DIR/COM5" /f >/dev/null 2>&1
wine reg add 'HKLM\Software\Wine\Ports' /v COM23 /d /dev/null /f >/dev/null 2>&1
wineserver -k
check "ports" "COM5 COM23" "$(win ports | tr -d '\r' | grep -x 'COM5\|COM23' | paste -sd' ')"
((failures == 0))
