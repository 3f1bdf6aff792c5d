#!/usr/bin/env bash
# Zmodem throughput of parlane-xfer beside lrzsz: a 64 MiB random file over a
# socketpair, a pty pair and loopback TCP, each pair in both directions.
# Usage: bench/xfer/run.sh BUILD_DIR [SIZE_MIB] [RUNS]
set -euo pipefail
build=$(cd "${1:?usage: run.sh BUILD_DIR [SIZE_MIB] [RUNS]}" && pwd)
size_mib=${2:-64}
runs=${3:-3}
xfer="$build/src/cli/parlane-xfer/parlane-xfer"
pair="$build/bench/xfer/xfer_pair"
for p in "$xfer" "$pair"; do
  [ -x "$p" ] || { echo "missing $p (build first)" >&2; exit 1; }
done
for p in sz rz; do
  command -v "$p" >/dev/null || { echo "lrzsz ($p) is not installed" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/src" "$work/dst"
head -c $((size_mib * 1024 * 1024)) /dev/urandom >"$work/src/data.bin"
bytes=$(stat -c %s "$work/src/data.bin")

# send and receive commands of each side
send_ours=("$xfer" send -q "$work/src/data.bin")
recv_ours=("$xfer" receive -q --dir "$work/dst")
send_lrzsz=(sz -q "$work/src/data.bin")
recv_lrzsz=(rz -q -y)

# best of $runs wall times for one sender/receiver pair; prints MB/s
measure() {
  local transport=$1 sender=$2 receiver=$3 best="" t out a b
  local -n s="send_$sender" r="recv_$receiver"
  for _ in $(seq "$runs"); do
    rm -f "$work/dst/data.bin"
    out=$("$pair" "$transport" "$work/src" "$work/dst" -- "${s[@]}" -- "${r[@]}")
    read -r t a b <<<"$out"
    if [ "$a" != 0 ] || ! cmp -s "$work/src/data.bin" "$work/dst/data.bin"; then
      echo "FAILED"
      return
    fi
    if [ -z "$best" ] || awk -v x="$t" -v y="$best" 'BEGIN{exit !(x<y)}'; then best=$t; fi
  done
  awk -v n="$bytes" -v t="$best" 'BEGIN{printf "%.1f", n/t/1e6}'
}

ratio() {
  case "$1$2" in *FAILED*) echo "-" ;; *) awk -v x="$1" -v y="$2" 'BEGIN{printf "%.2f", x/y}' ;; esac
}

printf '%s MiB random file, best of %s runs, MB/s = 10^6 bytes per second\n\n' "$size_mib" "$runs"
printf '| %-10s | %-28s | %7s | %15s |\n' "Transport" "Sender -> receiver" "MB/s" "vs lrzsz-lrzsz"
printf '|%s|%s|%s|%s|\n' "------------" "------------------------------" "---------" "-----------------"
for transport in socketpair pty tcp; do
  base=$(measure "$transport" lrzsz lrzsz)
  for combo in "lrzsz lrzsz" "ours ours" "ours lrzsz" "lrzsz ours"; do
    read -r snd rcv <<<"$combo"
    if [ "$combo" = "lrzsz lrzsz" ]; then v=$base; else v=$(measure "$transport" "$snd" "$rcv"); fi
    name="$snd -> $rcv"
    name=${name//ours/parlane-xfer}
    name=${name//lrzsz -> lrzsz/sz -> rz}
    name=${name//lrzsz ->/sz ->}
    name=${name//-> lrzsz/-> rz}
    printf '| %-10s | %-28s | %7s | %15s |\n' "$transport" "$name" "$v" "$(ratio "$v" "$base")"
  done
done
