#!/usr/bin/env bash
# Parlane's developer entry point.
#   ./dev.sh run [ARGS...]   install what is missing, build, start Parlane
#   ./dev.sh test            install what is missing, build, run every test
#   ./dev.sh bench           build and run the benchmarks
#   ./dev.sh fuzz [SECONDS]  build and run the fuzzers (default 3600 s each)
set -euo pipefail
cd "$(dirname "$0")"
here=$(pwd)
jobs=$(nproc 2>/dev/null || echo 2)

build() {
  local dir=$1; shift
  # ccache keeps rebuilds of unchanged files cheap across build trees.
  if command -v ccache >/dev/null 2>&1; then
    set -- -DCMAKE_CXX_COMPILER_LAUNCHER=ccache "$@"
  fi
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
}

fuzz() {
  local seconds=$1
  CXX=clang++ build build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPARLANE_FUZZ=ON \
    -DPARLANE_GUI=OFF -DPARLANE_TESTS=OFF -DPARLANE_BENCH=OFF
  local status=0
  for t in build-fuzz/fuzz/*/fuzz_*; do
    [ -x "$t" ] || continue
    local name corpus
    name=$(basename "$t")
    corpus="$here/fuzz/${name#fuzz_}/corpus"
    local work
    work=$(mktemp -d)
    echo "== $name for ${seconds}s"
    if ! "$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 -print_final_stats=0 \
        "$work" "$corpus" >"$work.log" 2>&1; then
      tail -n 60 "$work.log"
      status=1
    else
      grep -E '^#[0-9]+.*DONE|Done [0-9]+ runs' "$work.log" | tail -n 1 || true
    fi
    rm -rf "$work" "$work.log"
  done
  return $status
}

cmd=${1:-run}
shift || true
case "$cmd" in
  run)
    bash scripts/install-deps.sh
    build build -DCMAKE_BUILD_TYPE=RelWithDebInfo
    if [ -x build/src/gui/parlane ]; then
      exec build/src/gui/parlane "$@"
    fi
    exec build/src/cli/parlane-render/parlane-render --emulation pcansi data/sample.ans
    ;;
  test)
    bash scripts/install-deps.sh
    echo "== core tests under AddressSanitizer and UndefinedBehaviorSanitizer"
    build build-asan -DCMAKE_BUILD_TYPE=Debug -DPARLANE_SANITIZE=ON -DPARLANE_GUI=OFF -DPARLANE_BENCH=OFF
    ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
      ctest --test-dir build-asan -L core -j "$jobs" --output-on-failure --timeout 300 | tail -n 25
    [ "${PIPESTATUS[0]}" -eq 0 ] || { echo "sanitizer tests failed"; exit 1; }
    echo "== fuzzers, 30 s each"
    fuzz 30
    echo "== all tests"
    build build -DCMAKE_BUILD_TYPE=RelWithDebInfo
    ctest --test-dir build -j "$jobs" --output-on-failure --timeout 300
    echo "== desktop entry, manual pages and the Debian package"
    bash scripts/check-package.sh build
    ;;
  bench)
    bash scripts/install-deps.sh
    build build -DCMAKE_BUILD_TYPE=Release
    for b in bench/*/run.sh; do
      [ -f "$b" ] && bash "$b" "$here/build"
    done
    ;;
  fuzz)
    bash scripts/install-deps.sh
    fuzz "${1:-3600}"
    ;;
  *)
    echo "usage: $0 run|test|bench|fuzz" >&2
    exit 2
    ;;
esac
