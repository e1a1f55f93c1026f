#!/usr/bin/env bash
# The Windows installer: scripts/package-windows.sh [BUILD_DIR] [extra cmake options...]
# (default build-windows). Builds the programs (scripts/build-windows.sh: cheap when they are
# built already), packs its bin folder with packaging/windows/zelt-utility.wxs and prints, as
# its last line, the absolute path of BUILD_DIR/zelt-utility-<version>-x64.msi. The version is
# the project's, as the .deb's (project() in CMakeLists.txt).
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build-windows}
shift || true
scripts/build-windows.sh "$dir" "$@" >&2  # its lines, errors among them, stay visible
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$dir/CMakeCache.txt")
msi=$dir/zelt-utility-$version-x64.msi
packaging/windows/make-msi.sh "$dir/bin" "$version" "$msi"
realpath "$msi"
