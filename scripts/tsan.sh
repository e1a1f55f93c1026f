#!/usr/bin/env bash
# Builds the window program and its suites with ThreadSanitizer (clang, build-tsan) and runs the
# window suites under it; tests/ui/tsan.supp suppresses reports inside Qt and glib only.
set -euo pipefail
cd "$(dirname "$0")/.."
clang=$(command -v clang++-14 || command -v clang++)
cmake -S . -B build-tsan -G Ninja -DCMAKE_CXX_COMPILER="$clang" -DCMAKE_CXX_COMPILER_LAUNCHER=ccache \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g -fsanitize=thread" \
    -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread -DZELT_HARDEN=OFF -DZELT_BUILD_BENCH=OFF >/dev/null
cmake --build build-tsan -j "$(nproc)" --target zelt_ui_tests zelt-utility kvrn-sim
logs=$PWD/build-tsan/tsan-logs
rm -rf "$logs" && mkdir -p "$logs"
# exitcode=0: a suite fails on its own checks; the reports are counted from the logs below.
export TSAN_OPTIONS="halt_on_error=0 second_deadlock_stack=1 exitcode=0 log_path=$logs/report \
    suppressions=$PWD/tests/ui/tsan.supp"
status=0
(cd build-tsan && ctest -R '^ui\.' -j "$(nproc)" --output-on-failure) || status=$?
suites=$(cd build-tsan && ctest -N -R '^ui\.' | sed -n 's/^Total Tests: //p')
# A report no suppression can name (Qt's frames there have no symbols) counts as Qt's own when
# each access is a call such as memmove made straight from a Qt or glib library.
read -r reports qt checks < <(cat "$logs"/report.* 2>/dev/null | awk '
    /^WARNING: ThreadSanitizer/ { n++; ours[n] = 0 }
    /ThreadSanitizer: CHECK failed/ { checks++ }
    /^  [A-Z]/ { access = /^  (Previous )?([Ww]rite|[Rr]ead|[Aa]tomic)/ }
    access && /^    #0 / && !/ <null> \(/ { ours[n] = 1 }
    access && /^    #1 / && !/\((libQt6|libglib|libgobject|libfontconfig)/ { ours[n] = 1 }
    END { for (i = 1; i <= n; i++) qt += !ours[i]; print n + 0, qt + 0, checks + 0 }')
echo "[tsan.sh] $suites window suites, $reports ThreadSanitizer reports ($qt of them inside Qt)," \
     "$checks sanitizer failures; logs in $logs"
[[ $status == 0 && $reports == "$qt" && $checks == 0 ]]
