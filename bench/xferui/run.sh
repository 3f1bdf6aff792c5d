#!/usr/bin/env bash
# The event loop's responsiveness while the transfer dialog receives a 1 GiB
# file from sz over loopback TCP, with the throughput against sz -> rz.
# Usage: bench/xferui/run.sh BUILD_DIR [SIZE_MIB] [RUNS]
set -euo pipefail
build=${1:?usage: run.sh BUILD_DIR [SIZE_MIB] [RUNS]}
for p in sz rz; do
  command -v "$p" >/dev/null || { echo "lrzsz ($p) is not installed" >&2; exit 1; }
done
cmake --build "$build" --target bench_transfer_dialog >/dev/null
echo "== transfer dialog responsiveness"
QT_QPA_PLATFORM=offscreen "$build/bench/xferui/bench_transfer_dialog" "${2:-1024}" "${3:-1}"
