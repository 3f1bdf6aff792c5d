# shellcheck shell=bash
# The set-up shared by the screenshot scripts, sourced by each after it sets
#   name         its name, for messages
#   default_out  the picture it writes when no OUTPUT_PNG is given
#   tools        the commands it needs besides xvfb-run, import and python3
# It reads the script's [BUILD_DIR] [OUTPUT_PNG] arguments, checks that
# Parlane is built and the tools are there, and makes a work folder ($work)
# holding an empty program directory ($home); the folder, and the server
# started with start_server, go when the script ends.

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=${1:-$here/build}
out=${2:-$here/$default_out}
parlane=$build/src/gui/parlane
[ -x "$parlane" ] || { echo "$name: $parlane is not built" >&2; exit 2; }
for tool in xvfb-run import python3 $tools; do
  command -v "$tool" >/dev/null || { echo "$name: $tool is missing (scripts/install-deps.sh)" >&2; exit 2; }
done

work=$(mktemp -d)
server_pid=
cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
home=$work/home
mkdir -p "$home"

# MAIN.CFG with the default emulation EMULATION (1 VT100, 2 PC ANSI), Zmodem,
# received files in RECEIVE_DIR and, when given, the modem's INIT and DIAL
# commands; INITWIND.CFG with the main window filling the display.
#   write_config EMULATION RECEIVE_DIR [INIT DIAL]
write_config() {
  python3 - "$home" "$@" <<'PY'
import struct, sys, os
home, emulation, receive = sys.argv[1], int(sys.argv[2]), sys.argv[3].encode()
cfg = bytearray(3510)
struct.pack_into('<6I', cfg, 288, emulation, 0, 0, 0, 1, 1)   # Terminal
struct.pack_into('<I', cfg, 312, 1)                           # Zmodem
if len(sys.argv) > 5:
    init, dial = sys.argv[4].encode(), sys.argv[5].encode()
    cfg[126:126 + len(init)] = init
    cfg[207:207 + len(dial)] = dial
cfg[899:899 + len(receive)] = receive                         # ReceiveDir
cfg[1159:1160] = b'/'
cfg[1679:1679 + 11] = b'capture.txt'
cfg[3231:3233] = b'23'
struct.pack_into('<6H', cfg, 3498, 24, 80, 1, 0, 0, 0)
open(os.path.join(home, 'MAIN.CFG'), 'wb').write(cfg)
PY
  write_window_config
}

write_window_config() {
  python3 -c 'import struct, sys; open(sys.argv[1], "wb").write(struct.pack("<6h", 0, 0, 1024, 768, 0, 0))' \
    "$home/INITWIND.CFG"
}

# The files of a fresh installation that the program directory still lacks
# (the key table among them), when the tool is built.
write_defaults() {
  local cfg_tool=$build/src/cli/parlane-config/parlane-config
  [ -x "$cfg_tool" ] && "$cfg_tool" defaults "$home" >/dev/null 2>&1 || true
}

# Starts `python3 SCRIPT ARGS...`, a server in $work that takes its one
# client with `from listen import listen_once; c = listen_once()`, and sets
# $port once it listens.
cat >"$work/listen.py" <<'PY'
import socket
def listen_once():
    srv = socket.socket()
    srv.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    srv.bind(('127.0.0.1', 0))
    srv.listen(1)
    print(srv.getsockname()[1], flush=True)
    return srv.accept()[0]
PY
start_server() {
  python3 "$@" >"$work/port" &
  server_pid=$!
  for _ in $(seq 50); do [ -s "$work/port" ] && break; sleep 0.1; done
  port=$(cat "$work/port")
}

# Runs Parlane (`--home $home` and ARGS) on a 1024x768 Xvfb display, runs the
# bash lines ACTIONS there (they save the picture to "$out"), then ends it.
#   shoot ACTIONS [ARGS...]
shoot() {
  local actions=$1
  shift
  mkdir -p "$(dirname "$out")"
  xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    out=$1 actions=$2
    shift 2
    "$@" >/dev/null 2>&1 &
    pid=$!
    eval "$actions"
    kill $pid 2>/dev/null || true
    wait $pid 2>/dev/null || true
  ' shoot "$out" "$actions" "$parlane" --home "$home" "$@"
  echo "$name: $out"
}
