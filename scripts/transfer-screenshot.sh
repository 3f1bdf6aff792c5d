#!/usr/bin/env bash
# The transfer dialog for the README: Parlane under Xvfb connects to a local
# Telnet-ish host whose "shell" runs lrzsz's sz (slowed down so that the
# progress dialog stays up), and the display is saved as docs/transfer.png.
#   scripts/transfer-screenshot.sh [BUILD_DIR] [OUTPUT_PNG]
set -euo pipefail
name=transfer-screenshot default_out=docs/transfer.png tools=sz
# shellcheck source=lib/xvfb-session.sh
. "$(dirname "$0")/lib/xvfb-session.sh"

mkdir -p "$work/remote" "$work/Downloads"
head -c 4000000 /dev/urandom >"$work/remote/quarterly-report.pdf"
write_config 1 "$work/Downloads"
: >"$home/PHONBOOK.DAT"
write_defaults

# The host: a prompt, "sz quarterly-report.pdf" typed for the user, then sz's
# output with 255 doubled, slowed to a modem-like pace.
cat >"$work/server.py" <<'PY'
import os, select, subprocess, sys, time
from listen import listen_once
c = listen_once()
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
start_server "$work/server.py" "$work/remote"

shoot '
  sleep 4
  if command -v xdotool >/dev/null; then
    xdotool mousemove 512 400 click 1 2>/dev/null || true
  fi
  sleep 8
  import -window root "$out"' 127.0.0.1 "$port"
