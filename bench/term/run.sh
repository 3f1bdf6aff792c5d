#!/usr/bin/env bash
# Terminal benchmark: ./dev.sh bench runs this with the build directory.
set -euo pipefail
build=${1:?usage: run.sh BUILD_DIR}
if ! pkg-config --exists vterm 2>/dev/null; then
  # libvterm is the reference the table compares against.
  if [ "$(id -u)" -eq 0 ]; then apt-get install -y -q libvterm-dev >/dev/null
  else sudo apt-get install -y -q libvterm-dev >/dev/null; fi
  cmake "$build" >/dev/null
fi
cmake --build "$build" --target bench_term >/dev/null
echo "== terminal interpreter (24x80, 1024-byte blocks, MB = MiB)"
"$build/bench/term/bench_term" "${BENCH_TERM_MIB:-16}"
