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

# One timed run of a sender/receiver pair: wall seconds, or FAILED.
time_once() {
  local transport=$1 sender=$2 receiver=$3 t a b out
  local -n s="send_$sender" r="recv_$receiver"
  rm -f "$work/dst/data.bin"
  out=$("$pair" "$transport" "$work/src" "$work/dst" -- "${s[@]}" -- "${r[@]}")
  read -r t a b <<<"$out"
  if [ "$a" != 0 ] || ! cmp -s "$work/src/data.bin" "$work/dst/data.bin"; then
    echo "FAILED"
  else
    echo "$t"
  fi
}

mbps() {
  case "$1" in FAILED) echo "FAILED" ;; *) awk -v n="$bytes" -v t="$1" 'BEGIN{printf "%.1f", n/t/1e6}' ;; esac
}

ratio() {
  case "$1$2" in *FAILED*) echo "-" ;; *) awk -v x="$1" -v y="$2" 'BEGIN{printf "%.2f", x/y}' ;; esac
}

combos=("lrzsz lrzsz" "ours ours" "ours lrzsz" "lrzsz ours")

printf '%s MiB random file, best of %s runs, MB/s = 10^6 bytes per second\n' "$size_mib" "$runs"
printf '(the runs of one transport take turns, so a change of load on the machine\n'
printf 'falls on every pair alike)\n\n'
printf '| %-10s | %-28s | %7s | %15s |\n' "Transport" "Sender -> receiver" "MB/s" "vs lrzsz-lrzsz" 
printf '|%s|%s|%s|%s|\n' "------------" "------------------------------" "---------" "-----------------"
for transport in socketpair pty tcp; do
  declare -A best=()
  for _ in $(seq "$runs"); do
    for combo in "${combos[@]}"; do
      t=$(time_once "$transport" $combo)
      prev=${best[$combo]:-}
      if [ "$t" = FAILED ] || [ "$prev" = FAILED ]; then
        best[$combo]=FAILED
      elif [ -z "$prev" ] || awk -v x="$t" -v y="$prev" 'BEGIN{exit !(x<y)}'; then
        best[$combo]=$t
      fi
    done
  done
  base=$(mbps "${best[lrzsz lrzsz]}")
  for combo in "${combos[@]}"; do
    read -r snd rcv <<<"$combo"
    v=$(mbps "${best[$combo]}")
    name="$snd -> $rcv"
    name=${name//ours/parlane-xfer}
    name=${name//lrzsz -> lrzsz/sz -> rz}
    name=${name//lrzsz ->/sz ->}
    name=${name//-> lrzsz/-> rz}
    printf '| %-10s | %-28s | %7s | %15s |\n' "$transport" "$name" "$v" "$(ratio "$v" "$base")"
  done
  unset best
done
