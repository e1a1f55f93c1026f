#!/usr/bin/env bash
# The MSI under wine's msiexec, silent, in a wine prefix of its own: an older version (made here
# from the same source) first, the MSI over it, then the uninstall.
# tests/windows/msi_wine_test.sh MSI MAKE_MSI BIN_DIR
set -uo pipefail
msi=$1 make_msi=$2 bin=$3
[[ -f $msi ]] || { echo "FAIL: no $msi (scripts/package-windows.sh makes it)"; exit 1; }
echo "MSI size: $(($(stat -c %s "$msi") / 1024)) KiB (target: under 5 MB)"
version=${msi##*/zelt-utility-} version=${version%-x64.msi}
scratch=$(mktemp -d)
export WINEPREFIX=$scratch/prefix WINEDEBUG=-all
trap 'wineserver -k 2>/dev/null; rm -rf "$scratch"' EXIT
"$make_msi" "$bin" 0.0.1 "$scratch/old.msi" || exit 1
wineboot -i >/dev/null 2>&1 || { echo "SKIP: wine cannot make a prefix here"; exit 77; }
wineserver -p
failures=0
check() {  # check NAME EXPECTED ACTUAL
    if [[ "$2" == "$3" ]]; then echo "ok   $1"; else
        echo "FAIL $1: expected [$2], got [$3]"; failures=$((failures + 1)); fi
}
msiexec() { wine msiexec "$1" "Z:${2//\//\\}" "${@:3}" /qn; echo $?; }
query() { wine reg query "$@" 2>/dev/null | tr -d '\r'; }
dir=$WINEPREFIX/drive_c/Program\ Files/ZELT\ Utility
settings='HKLM\SOFTWARE\ZELT Utility Quorvel'
path_entries() { query 'HKLM\System\CurrentControlSet\Control\Session Manager\Environment' /v PATH | grep -o 'ZELT Utility' | wc -l; }
entries() { query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s | grep -A1 'DisplayName *REG_SZ *ZELT Utility$' | grep -o 'DisplayVersion.*' | tr -s ' ' | paste -sd,; }

check "install $scratch/old.msi" 0 "$(msiexec /i "$scratch/old.msi")"
check "the sample MFG.ini" "" "$(cmp "$bin/MFG.ini" "$dir/MFG.ini" 2>&1)"
printf '[Current Divisor]\r\nCharge=180\r\n' >"$dir/MFG.ini"
wine reg add "$settings" /v "COM Port" /d 7 /f >/dev/null 2>&1
check "upgrade to $version" 0 "$(msiexec /i "$msi")"
check "one Uninstall entry, the new one" "DisplayVersion REG_SZ $version" "$(entries)"
check "files" "MFG.ini Solar_Help_Chinese.chm Solar_Help_English.chm zelt-utility.exe zeltctl.exe" "$(ls "$dir" | paste -sd' ')"
check "a calibrated MFG.ini stays" "Charge=180" "$(tr -d '\r' <"$dir/MFG.ini" | grep Charge)"
check "Start menu" "ZELT Utility Help (Chinese).lnk,ZELT Utility Help (English).lnk,ZELT Utility.lnk" \
    "$(find "$WINEPREFIX/drive_c" -path '*/Start Menu/Programs/ZELT Utility/*' -printf '%f\n' | sort | paste -sd,)"
check ".cfg: Open with, not the default" "ZeltUtility.cfg REG_SZ|" \
    "$(query 'HKLM\Software\Classes\.cfg' /s | grep -o 'ZeltUtility.cfg *REG_SZ\|(Default).*' | tr -s ' ' | paste -sd'|')|"
check "installed zeltctl.exe --help" 0 "$(wine "$dir/zeltctl.exe" --help >/dev/null; echo $?)"
check "zeltctl on the PATH, once" "1 Usage: zeltctl [OPTIONS] SUBCOMMAND" \
    "$(path_entries) $(wine cmd /c zeltctl --help | tr -d '\r' | grep '^Usage')"
check "uninstall" 0 "$(msiexec /x "$msi")"
check "nothing of the program left" "" \
    "$({ find "$WINEPREFIX/drive_c" -ipath '*ZELT Utility*'; entries; path_entries | grep -v '^0$'
        query 'HKLM\Software\Classes\ZeltUtility.cfg'; query 'HKLM\Software\Classes\.cfg' /s | grep ZeltUtility
        query 'HKLM\Software\Quorvel'; } | grep -v '^reg: ' | grep .)"
check "the settings key stays" "COM Port REG_SZ 7" "$(query "$settings" /v "COM Port" | grep -o 'COM Port.*' | tr -s ' ')"
check "ADDLOCAL=Program: no PATH entry" "0 0 zeltctl.exe" \
    "$(msiexec /i "$msi" ADDLOCAL=Program) $(path_entries) $(ls "$dir" | grep zeltctl)"
((failures == 0))
