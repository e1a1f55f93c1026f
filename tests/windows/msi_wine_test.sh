#!/usr/bin/env bash
# The MSI under wine's msiexec, silent, in a wine prefix of its own: an older version (made here
# from the same source) first, the MSI over it, the uninstall; then the MSI without the PATH
# feature, and another build of its version over it.
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
dir=$WINEPREFIX/drive_c/Program\ Files/ZELT\ Utility
# What the package may have written to the registry, as "key: value" lines, and whether zeltctl
# runs from the PATH (seen by its output: wine's cmd takes a command it did not find for a success).
printf '%s\r\n' '@echo off' 'zeltctl --help' \
    'reg query "HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall" /s' \
    'reg query "HKLM\System\CurrentControlSet\Control\Session Manager\Environment" /v PATH' \
    'for %%k in (.cfg ZeltUtility.cfg) do reg query "HKLM\Software\Classes\%%k" /s' \
    'reg query "HKLM\Software\Quorvel" /s' 'reg query "HKLM\SOFTWARE\ZELT Utility Quorvel"' >"$scratch/look.bat"
look() { wine cmd /c "Z:${scratch//\//\\}\\look.bat" 2>/dev/null | tr -d '\r' | awk '/^HKEY/ {key = $0} /REG_/ {$1 = $1; print key ": " $0} /^Usage: zeltctl/ {print "zeltctl ran"}'; }
entries() { grep -A1 ': DisplayName REG_SZ ZELT Utility$' | grep -o 'DisplayVersion.*' | paste -sd,; }

check "install $scratch/old.msi" 0 "$(msiexec /i "$scratch/old.msi")"
printf '[Current Divisor]\r\nCharge=180\r\n' >"$dir/MFG.ini"
wine reg add 'HKLM\SOFTWARE\ZELT Utility Quorvel' /v "COM Port" /d 7 /f >/dev/null 2>&1
check "upgrade to $version" 0 "$(msiexec /i "$msi")"
registry=$(look)
check "one Uninstall entry, the new one" "DisplayVersion REG_SZ $version" \
    "$(entries <<<"$registry")"
check "files, Start menu" "MFG.ini Solar_Help_Chinese.chm Solar_Help_English.chm zelt-utility.exe zeltctl.exe \
ZELT Utility Help (Chinese).lnk ZELT Utility Help (English).lnk ZELT Utility.lnk" "$(ls "$dir" | paste -sd' ') $(
    find "$WINEPREFIX/drive_c" -path '*/Start Menu/Programs/ZELT Utility/*' -printf '%f\n' | sort | paste -sd' ')"
check "a calibrated MFG.ini stays" "Charge=180" "$(tr -d '\r' <"$dir/MFG.ini" | grep '^Charge=')"
check ".cfg: Open with, not the default" 'HKEY_LOCAL_MACHINE\Software\Classes\.cfg\OpenWithProgids: ZeltUtility.cfg REG_SZ' \
    "$(grep -F 'Classes\.cfg' <<<"$registry")"
check "installed zeltctl.exe, on the PATH once" "1 zeltctl ran" \
    "$(grep ': PATH REG_' <<<"$registry" | grep -o 'Program Files\\ZELT Utility' | wc -l) $(grep zeltctl <<<"$registry")"
check "uninstall" 0 "$(msiexec /x "$msi")"
check "nothing of the program left but the settings key" 'HKEY_LOCAL_MACHINE\SOFTWARE\ZELT Utility Quorvel: COM Port REG_SZ 7' \
    "$(find "$WINEPREFIX/drive_c" -ipath '*ZELT Utility*'; look | grep 'zeltctl\|ZeltUtility\|ZELT Utility')"
check "ADDLOCAL=Program: zeltctl.exe, not on the PATH" "0 zeltctl.exe|" \
    "$(msiexec /i "$msi" ADDLOCAL=Program) $(cd "$dir" && echo zeltctl.exe)|$(look | grep 'zeltctl\|ZELT Utility\\$')"
"$make_msi" "$bin" "$version" "$scratch/again.msi" || exit 1  # a new product code
check "another build of $version" 0 "$(msiexec /i "$scratch/again.msi")"
check "replaces it" "DisplayVersion REG_SZ $version" "$(look | entries)"
echo "skip whether the upgrade keeps the PATH left out: wine's msiexec does not migrate feature states"
((failures == 0))
