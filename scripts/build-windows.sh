#!/usr/bin/env bash
# Cross-builds the core, zeltctl and the core suites as Windows programs with mingw-w64:
# scripts/build-windows.sh [BUILD_DIR] [extra cmake options...]   (default build-windows)
# The .exe files carry the C++ runtime and need only Windows' own DLLs. The last line printed
# is the absolute path of the folder that holds the programs (bin/).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh --windows
dir=${1:-build-windows}
shift || true
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64.cmake" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -DNDEBUG" \
    -DZELT_BUILD_BENCH=OFF "${launcher[@]}" "$@" >/dev/null
cmake --build "$dir" -j "$(( $(nproc) < 2 ? $(nproc) : 2 ))"
# Nothing but Windows' own DLLs may be imported.
for exe in "$dir"/bin/*.exe; do
    [[ -e $exe ]] || continue
    if x86_64-w64-mingw32-objdump -p "$exe" | grep -i 'DLL Name' |
        grep -viE 'KERNEL32|msvcrt|USER32|ADVAPI32|SHELL32|WINMM|api-ms-win' >&2; then
        echo "build-windows: $exe imports a DLL that Windows does not have" >&2
        exit 1
    fi
done
realpath "$dir/bin"
