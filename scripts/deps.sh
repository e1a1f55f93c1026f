#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when any is missing.
# scripts/deps.sh [--fuzz]: --fuzz adds clang and its runtime libraries (libFuzzer, the
# sanitizers), which only the fuzz targets and the sanitizer build need.
set -euo pipefail
packages=(cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev nlohmann-json3-dev libcli11-dev
    # zeltctl monitor --mqtt, and the broker that its tests start themselves, each with a
    # configuration and a port of its own (they never use the package's system service), and
    # the certificates they make for its TLS port
    libmosquitto-dev mosquitto openssl
    # the window program: Qt 6 Widgets, its SVG images and charts, a CJK font so that Chinese
    # renders on every platform plugin (offscreen included), the help compiler and a viewer
    qt6-base-dev qt6-svg-dev qt6-charts-dev libgl-dev fonts-wqy-microhei fp-utils xchm)
if [[ ${1:-} == --fuzz ]]; then
    packages+=(clang-14 libclang-rt-14-dev)
fi
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
