#!/usr/bin/env bash
# The transfer dialog for the README: Parlane under Xvfb connects to a local
# Telnet-ish host whose "shell" runs lrzsz's sz (slowed down so that the
# progress dialog stays up), and the display is saved as docs/transfer.png.
#   scripts/transfer-screenshot.sh [BUILD_DIR] [OUTPUT_PNG]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
out=${2:-$here/docs/transfer.png}
parlane=$build/src/gui/parlane
[ -x "$parlane" ] || { echo "transfer-screenshot: $parlane is not built" >&2; exit 2; }
for tool in xvfb-run import python3 sz; do
  command -v "$tool" >/dev/null || { echo "transfer-screenshot: $tool is missing (scripts/install-deps.sh)" >&2; exit 2; }
done

work=$(mktemp -d)
server_pid=
cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

home=$work/home
mkdir -p "$home" "$work/remote" "$work/Downloads"
head -c 4000000 /dev/urandom >"$work/remote/quarterly-report.pdf"
python3 - "$home" "$work/Downloads" <<'PY'
import struct, sys, os
home, downloads = sys.argv[1], sys.argv[2].encode()
cfg = bytearray(3510)
struct.pack_into('<6I', cfg, 288, 1, 0, 0, 0, 1, 1)   # Terminal: VT100
struct.pack_into('<I', cfg, 312, 1)                   # Zmodem
cfg[899:899 + len(downloads)] = downloads             # ReceiveDir
cfg[1159:1160] = b'/'
cfg[1679:1679 + 11] = b'capture.txt'
cfg[3231:3233] = b'23'
struct.pack_into('<6H', cfg, 3498, 24, 80, 1, 0, 0, 0)
open(os.path.join(home, 'MAIN.CFG'), 'wb').write(cfg)
open(os.path.join(home, 'INITWIND.CFG'), 'wb').write(struct.pack('<6h', 0, 0, 1024, 768, 0, 0))
open(os.path.join(home, 'PHONBOOK.DAT'), 'wb').close()
PY
cfg_tool=$build/src/cli/parlane-config/parlane-config
[ -x "$cfg_tool" ] && "$cfg_tool" defaults "$home" >/dev/null 2>&1 || true

# The host: a prompt, "sz quarterly-report.pdf" typed for the user, then sz's
# output with 255 doubled, slowed to a modem-like pace.
cat >"$work/server.py" <<'PY'
import os, select, socket, subprocess, sys, time
srv = socket.socket()
srv.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
srv.bind(('127.0.0.1', 0))
srv.listen(1)
print(srv.getsockname()[1], flush=True)
c, _ = srv.accept()
c.sendall(b'Welcome to the file library.\r\n\r\n$ sz quarterly-report.pdf\r\n')
time.sleep(3)
sz = subprocess.Popen(['sz', '-q', 'quarterly-report.pdf'], cwd=sys.argv[1],
                      stdin=subprocess.PIPE, stdout=subprocess.PIPE, bufsize=0)
state, verb = 0, 0
binary_out = False
while sz.poll() is None:
    r, _, _ = select.select([c, sz.stdout], [], [], 0.1)
    if sz.stdout in r:
        data = sz.stdout.read1(256) if hasattr(sz.stdout, 'read1') else os.read(sz.stdout.fileno(), 256)
        data = data.replace(b'\xff', b'\xff\xff')
        if not binary_out:
            data = data.replace(b'\r', b'\r\x00')
        c.sendall(data)
        time.sleep(0.004)
    if c in r:
        data = c.recv(4096)
        if not data:
            break
        out = bytearray()
        for b in data:
            if state == 0:
                if b == 255: state = 1
                else: out.append(b)
            elif state == 1:
                if b == 255: out.append(255); state = 0
                elif 251 <= b <= 254: verb = b; state = 2
                else: state = 0
            else:
                state = 0
                if b == 0 and verb in (253, 254):
                    binary_out = verb == 253
                    c.sendall(bytes([255, 251 if binary_out else 252, 0]))
                elif b == 0:
                    c.sendall(bytes([255, 253 if verb == 251 else 254, 0]))
        sz.stdin.write(bytes(out))
time.sleep(30)
PY
python3 "$work/server.py" "$work/remote" >"$work/port" &
server_pid=$!
for _ in $(seq 50); do [ -s "$work/port" ] && break; sleep 0.1; done
port=$(cat "$work/port")

mkdir -p "$(dirname "$out")"
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  "$0" --home "$1" 127.0.0.1 "$2" >/dev/null 2>&1 &
  pid=$!
  sleep 4
  if command -v xdotool >/dev/null; then
    xdotool mousemove 512 400 click 1 2>/dev/null || true
  fi
  sleep 8
  import -window root "$3"
  kill $pid 2>/dev/null || true
  wait $pid 2>/dev/null || true
' "$parlane" "$home" "$port" "$out"
echo "transfer-screenshot: $out"
