#!/usr/bin/env bash
# The GUI benchmark: a loopback server sends 32 MiB of plain text and 32 MiB
# of colour-heavy text to a Parlane session window, to xterm and to st
# (Debian's stterm), all under the same Xvfb in the same run. Each time is
# from the server's accept to the moment the last byte has been interpreted
# and painted (Parlane reports it itself: PARLANE_BENCH_MARKER names the end
# marker it waits for) or, for xterm and st, to the moment their client
# (socat, reading the server) has handed the last byte to the terminal.
#   bench/app/run.sh BUILD_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:?usage: run.sh BUILD_DIR}
parlane=$build/src/gui/parlane
size_mib=${PARLANE_BENCH_MIB:-32}
[ -x "$parlane" ] || { echo "bench/app: $parlane is not built" >&2; exit 2; }
for tool in xvfb-run python3 socat xterm stterm; do
  command -v "$tool" >/dev/null || { echo "bench/app: $tool is missing" >&2; exit 2; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
marker="PARLANE-BENCH-END-$$"
python3 "$here/make_streams.py" "$work" $((size_mib * 1024 * 1024)) "$marker"

# A program directory: PC ANSI so that the colours are drawn, 24x80.
home=$work/home
mkdir -p "$home"
python3 - "$home" <<'PY'
import os, struct, sys
home = sys.argv[1]
cfg = bytearray(3510)
struct.pack_into('<6I', cfg, 288, 2, 0, 0, 0, 1, 1)
struct.pack_into('<I', cfg, 312, 1)
struct.pack_into('<6H', cfg, 3498, 24, 80, 1, 0, 0, 0)
open(os.path.join(home, 'MAIN.CFG'), 'wb').write(cfg)
open(os.path.join(home, 'INITWIND.CFG'), 'wb').write(struct.pack('<6h', 0, 0, 800, 600, 0, 0))
open(os.path.join(home, 'PHONBOOK.DAT'), 'wb').close()
PY

cat >"$work/inner.sh" <<'INNER'
#!/usr/bin/env bash
# Runs inside Xvfb: one measurement per terminal and stream.
set -u
work=$1; parlane=$2; here=$3; marker=$4
serve() {  # FILE MODE: starts the server; sets $server and $port
  rm -f "$work/port" "$work/accept"
  python3 "$here/stream_server.py" "$1" "$2" "$work/port" "$work/accept" &
  server=$!
  for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.05; done
  port=$(cat "$work/port")
}
elapsed() {  # END_FILE: seconds from the accept to the time in END_FILE
  python3 -c 'import sys; print("%.2f" % (float(open(sys.argv[2]).read().split()[-1]) - float(open(sys.argv[1]).read())))' \
    "$work/accept" "$1" 2>/dev/null || echo "failed"
}
for stream in plain colour; do
  file=$work/$stream.txt
  # Parlane: the session opened from the command line; it prints the time
  # once the marker is painted and quits.
  serve "$file" hold
  PARLANE_BENCH_MARKER=$marker timeout 300 "$parlane" --home "$work/home" 127.0.0.1 "$port" \
    2>/dev/null | grep PARLANE_BENCH_DONE > "$work/parlane.done" || true
  wait $server 2>/dev/null || true
  echo "$stream parlane $(elapsed "$work/parlane.done")"
  # xterm and st: socat reads the server inside the terminal.
  for term in xterm st; do
    serve "$file" close
    rm -f "$work/$term.done"
    reader="socat -u TCP:127.0.0.1:$port STDOUT; date +%s.%N > $work/$term.done"
    if [ "$term" = xterm ]; then
      timeout 300 xterm -geometry 80x24 -e sh -c "$reader" 2>/dev/null || true
    else
      timeout 300 stterm -g 80x24 -e sh -c "$reader" 2>/dev/null || true
    fi
    wait $server 2>/dev/null || true
    echo "$stream $term $(elapsed "$work/$term.done")"
  done
done
INNER
chmod +x "$work/inner.sh"
xvfb-run -a -s "-screen 0 1024x768x24" "$work/inner.sh" "$work" "$parlane" "$here" "$marker" \
  >"$work/results"

printf '\nGUI benchmark: %d MiB per stream, time until the last byte is painted (s), lower is better\n\n' "$size_mib"
printf '| stream | Parlane | xterm | st |\n|---|---|---|---|\n'
for stream in plain colour; do
  p=$(awk -v s=$stream '$1==s && $2=="parlane" {print $3}' "$work/results")
  x=$(awk -v s=$stream '$1==s && $2=="xterm" {print $3}' "$work/results")
  t=$(awk -v s=$stream '$1==s && $2=="st" {print $3}' "$work/results")
  name=$([ "$stream" = plain ] && echo "plain text" || echo "colour-heavy text")
  printf '| %s | %s | %s | %s |\n' "$name" "${p:-failed}" "${x:-failed}" "${t:-failed}"
done
