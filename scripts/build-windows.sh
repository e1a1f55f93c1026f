#!/usr/bin/env bash
# Cross-builds the core, zeltctl, the window program and the core suites as Windows programs
# with mingw-w64: scripts/build-windows.sh [BUILD_DIR] [extra cmake options...]
# (default build-windows). The .exe files carry the C++ runtime and need only Windows' own
# DLLs. The last line printed is the absolute path of the folder that holds the programs (bin/).
# The window's pictures are drawn by a Linux tool (zelt-win32-res): built in the Linux build
# that -DZELT_LINUX_BUILD=DIR names, or else in BUILD_DIR-host.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh --windows
dir=${1:-build-windows}
shift || true
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
jobs=$(( $(nproc) < 2 ? $(nproc) : 2 ))
linux=
for option in "$@"; do
    [[ $option == -DZELT_LINUX_BUILD=* ]] && linux=${option#-DZELT_LINUX_BUILD=}
done
tool=()
if [[ -n $linux ]]; then
    cmake --build "$linux" --target zelt-win32-res -j "$jobs" >/dev/null
else
    linux=$dir-host
    cmake -S . -B "$linux" -G Ninja -DZELT_BUILD_TESTS=OFF -DZELT_BUILD_BENCH=OFF \
        "${launcher[@]}" >/dev/null
    cmake --build "$linux" --target zelt-win32-res -j "$jobs" >/dev/null
    tool=(-DZELT_WIN32_RES_TOOL="$(realpath "$linux")/tools/win32-res/zelt-win32-res")
fi
cmake -S . -B "$dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64.cmake" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -DNDEBUG" \
    -DZELT_BUILD_BENCH=OFF "${launcher[@]}" "${tool[@]}" "$@" >/dev/null
cmake --build "$dir" -j "$jobs"
# Nothing but Windows' own DLLs may be imported.
for exe in "$dir"/bin/*.exe; do
    [[ -e $exe ]] || continue
    if x86_64-w64-mingw32-objdump -p "$exe" | grep -i 'DLL Name' |
        grep -viE 'KERNEL32|msvcrt|USER32|GDI32|COMCTL32|COMDLG32|ADVAPI32|SHELL32|WINMM|api-ms-win' >&2; then
        echo "build-windows: $exe imports a DLL that Windows does not have" >&2
        exit 1
    fi
done
realpath "$dir/bin"
