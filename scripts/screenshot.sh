#!/usr/bin/env bash
# The visible check: starts Parlane under Xvfb against a local Telnet-ish
# server that sends a coloured PC ANSI screen, and saves a screenshot of the
# whole display as docs/screenshot.png.
#   scripts/screenshot.sh [BUILD_DIR] [OUTPUT_PNG]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
out=${2:-$here/docs/screenshot.png}
parlane=$build/src/gui/parlane
[ -x "$parlane" ] || { echo "screenshot: $parlane is not built" >&2; exit 2; }
for tool in xvfb-run import python3; do
  command -v "$tool" >/dev/null || { echo "screenshot: $tool is missing (scripts/install-deps.sh)" >&2; exit 2; }
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
# A program directory with PC ANSI as the default emulation and the main
# window filling the display.
python3 - "$home" <<'PY'
import struct, sys, os
home = sys.argv[1]
cfg = bytearray(3510)
struct.pack_into('<I', cfg, 0, 0)                     # ComPort COM1
struct.pack_into('<6I', cfg, 288, 2, 0, 0, 0, 1, 1)   # Terminal: PC ANSI
struct.pack_into('<I', cfg, 312, 1)                   # Zmodem
cfg[126:126 + 10] = b'ATE1 Q0 V1'
cfg[207:207 + 4] = b'ATDT'
cfg[899:900] = b'/'
cfg[1159:1160] = b'/'
cfg[1679:1679 + 11] = b'capture.txt'
cfg[3231:3233] = b'23'
struct.pack_into('<6H', cfg, 3498, 24, 80, 1, 0, 0, 0)
open(os.path.join(home, 'MAIN.CFG'), 'wb').write(cfg)
open(os.path.join(home, 'INITWIND.CFG'), 'wb').write(struct.pack('<6h', 0, 0, 1024, 768, 0, 0))
open(os.path.join(home, 'PHONBOOK.DAT'), 'wb').close()
PY
# The key table of a fresh installation, when the tool is there.
cfg_tool=$build/src/cli/parlane-config/parlane-config
[ -x "$cfg_tool" ] && "$cfg_tool" defaults "$home" >/dev/null 2>&1 || true

# The server: one client, a coloured screen, then it keeps the line open.
cat >"$work/server.py" <<'PY'
import socket, sys, time
ESC = '\x1b['
def at(r, c): return f'{ESC}{r};{c}H'
def sgr(*p): return ESC + ';'.join(str(x) for x in p) + 'm'
def screen():
    s = [sgr(0, 37, 44) + ESC + '2J']
    s.append(at(1, 1) + sgr(1, 33, 44) + '\xc9' + '\xcd' * 78 + '\xbb')
    title = ' PARLANE BBS  \xfe  Node 1 '
    s.append(at(2, 1) + '\xba' + sgr(1, 37, 41) + title.center(78) + sgr(1, 33, 44) + '\xba')
    s.append(at(3, 1) + '\xcc' + '\xcd' * 78 + '\xb9')
    for r in range(4, 22):
        s.append(at(r, 1) + '\xba' + at(r, 80) + '\xba')
    s.append(at(22, 1) + '\xc8' + '\xcd' * 78 + '\xbc')
    menu = [('M', 'Message areas', 36), ('F', 'File libraries', 32), ('D', 'Doors and games', 35),
            ('W', "Who's online", 33), ('C', 'Chat with the sysop', 31), ('G', 'Goodbye', 37)]
    for i, (k, text, col) in enumerate(menu):
        s.append(at(5 + 2 * i, 5) + sgr(1, 37, 44) + '[' + sgr(1, col, 44) + k + sgr(1, 37, 44) + '] '
                 + sgr(0, 37, 44) + text)
    # Colour bars: the sixteen foregrounds over the eight backgrounds.
    s.append(at(5, 40) + sgr(1, 37, 44) + 'The sixteen colours')
    for bg in range(8):
        row = at(7 + bg, 40)
        for fg in range(8):
            row += sgr(0, 30 + fg, 40 + bg) + '\xdb\xb2'
            row += sgr(1, 30 + fg, 40 + bg) + '\xdb\xb1'
        s.append(row)
    s.append(at(16, 40) + sgr(0, 37, 44) + 'Shades: ' + sgr(1, 36, 44) + '\xb0\xb1\xb2\xdb' + sgr(0, 36, 44) + '\xdb\xb2\xb1\xb0')
    s.append(at(17, 40) + sgr(0, 37, 44) + 'Boxes:  ' + sgr(1, 32, 44) + '\xda\xc4\xc2\xc4\xbf \xd5\xcd\xd1\xcd\xb8')
    s.append(at(18, 40) + '        ' + sgr(1, 32, 44) + '\xc0\xc4\xc1\xc4\xd9 \xd4\xcd\xcf\xcd\xbe')
    s.append(at(20, 5) + sgr(0, 36, 44) + 'Time left: ' + sgr(1, 37, 44) + '59 min' + sgr(0, 36, 44)
             + '   Calls today: ' + sgr(1, 37, 44) + '1,024')
    s.append(at(24, 1) + sgr(0, 37, 40) + ESC + 'K' + sgr(1, 32, 40) + 'Your choice' + sgr(0, 37, 40) + ': ')
    return ''.join(s).encode('latin-1')
srv = socket.socket()
srv.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
srv.bind(('127.0.0.1', 0))
srv.listen(1)
print(srv.getsockname()[1], flush=True)
c, _ = srv.accept()
c.sendall(screen())
time.sleep(float(sys.argv[1]) if len(sys.argv) > 1 else 30)
PY
python3 "$work/server.py" 60 >"$work/port" &
server_pid=$!
for _ in $(seq 50); do [ -s "$work/port" ] && break; sleep 0.1; done
port=$(cat "$work/port")

mkdir -p "$(dirname "$out")"
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  "$0" --home "$1" 127.0.0.1 "$2" >/dev/null 2>&1 &
  pid=$!
  sleep 4
  # A session opened from the command line leaves the title screen up until
  # it is clicked: click it away, then let the session window take the focus.
  if command -v xdotool >/dev/null; then
    xdotool mousemove 512 400 click 1 2>/dev/null || true
    sleep 0.5
    xdotool mousemove 200 200 click 1 2>/dev/null || true
    sleep 1
  fi
  import -window root "$3"
  kill $pid 2>/dev/null || true
  wait $pid 2>/dev/null || true
' "$parlane" "$home" "$port" "$out"
echo "screenshot: $out"
