#!/usr/bin/env bash
# Builds the Debian package parlane_VERSION_ARCH.deb with CPack.
#   scripts/build-deb.sh            configure and build build-deb/ (Release,
#                                   without tests and benchmarks), then package
#   scripts/build-deb.sh BUILD_DIR  package a build directory that is already
#                                   configured (and built, or it is built now)
# Prints the path of the package on its last line.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-}
if [ -z "$dir" ]; then
  dir=build-deb
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DPARLANE_TESTS=OFF \
    -DPARLANE_BENCH=OFF >/dev/null
fi
[ -f "$dir/CPackConfig.cmake" ] || { echo "build-deb: $dir is not a configured build" >&2; exit 2; }
cmake --build "$dir" -j "$(nproc 2>/dev/null || echo 2)"
rm -f "$dir"/package/parlane_*.deb
(cd "$dir" && cpack -G DEB --config CPackConfig.cmake >/dev/null)
ls "$dir"/package/parlane_*.deb
