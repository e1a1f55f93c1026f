#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when any is missing.
# scripts/deps.sh [--fuzz | --windows]: --fuzz adds clang and its runtime libraries
# (libFuzzer, the sanitizers), which only the fuzz targets and the sanitizer build need;
# --windows adds the mingw-w64 cross compiler, GoogleTest's sources, wine to run the Windows
# programs and their tests, msitools and wixl for the installer, and a CJK font for wine's
# console.
set -euo pipefail
packages=(cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev nlohmann-json3-dev libcli11-dev
    # zeltctl monitor --mqtt, and the broker that its tests start themselves, each with a
    # configuration and a port of its own (they never use the package's system service), and
    # the certificates they make for its TLS port
    libmosquitto-dev mosquitto openssl
    # the window program: Qt 6 Widgets, its SVG images and charts, a CJK font so that Chinese
    # renders on every platform plugin (offscreen included), the help compiler, a viewer and
    # the desktop's opener, and Qt's own texts in Chinese
    qt6-base-dev qt6-svg-dev qt6-charts-dev libgl-dev fonts-wqy-microhei fp-utils xchm xdg-utils
    qt6-translations-l10n
    # the Debian package (man pages, checks) and the desktop check: a real X server and window
    # manager, the MIME database and desktop entry tools
    help2man lintian dpkg-dev desktop-file-utils shared-mime-info libglib2.0-bin
    xvfb openbox x11-utils)
case ${1:-} in
    --fuzz) packages+=(clang-14 libclang-rt-14-dev) ;;
    --windows) packages+=(g++-mingw-w64-x86-64-posix googletest wine wine64 msitools wixl
                          fonts-wqy-microhei) ;;
esac
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    [[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}"
fi
