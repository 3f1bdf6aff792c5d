#!/usr/bin/env bash
# Installs every package Parlane needs to build, run, test and benchmark on Debian 12.
# Idempotent: packages already present are left alone. Works as root or through sudo.
set -euo pipefail

packages=(
  # build
  cmake ninja-build g++ pkg-config ccache
  # Qt 6 widgets program
  qt6-base-dev qt6-base-dev-tools libgl-dev libegl-dev libxkbcommon-dev
  qt6-qpa-plugins
  # a terminal font with box-drawing glyphs
  fonts-dejavu-core
  # tests
  libgtest-dev libgmock-dev
  # fuzzing and sanitizers
  clang libclang-rt-14-dev
  # protocol peers for interop tests and benchmarks
  lrzsz inetutils-telnetd socat
  # host mode test callers
  python3
  # visible check and GUI benchmark
  xvfb xauth x11-apps xterm stterm x11-utils xdotool imagemagick
  # JSON reader of the settings tool, and a JSON tool its tests pipe through
  nlohmann-json3-dev jq
  # terminal engine benchmark peer
  libvterm-dev
  # manual pages, desktop entry and AppStream checks, the Debian package
  scdoc groff-base man-db desktop-file-utils appstream dpkg-dev file lintian
  # printing (Qt Print Support to CUPS) and its tests: a scheduler the tests
  # start themselves, the cups-pdf queue, and pdftotext to read the pages
  cups cups-client printer-driver-cups-pdf ghostscript poppler-utils
  # sounds (Qt Multimedia on PulseAudio) and their test's null sink
  qt6-multimedia-dev pulseaudio pulseaudio-utils
  # the title screen's and About box's pictures
  qt6-svg-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi

export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
