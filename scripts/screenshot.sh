#!/usr/bin/env bash
# The visible check: starts Parlane under Xvfb against a local Telnet-ish
# server that sends a coloured PC ANSI screen, and saves a screenshot of the
# whole display as docs/screenshot.png.
#   scripts/screenshot.sh [BUILD_DIR] [OUTPUT_PNG]
set -euo pipefail
name=screenshot default_out=docs/screenshot.png tools=
# shellcheck source=lib/xvfb-session.sh
. "$(dirname "$0")/lib/xvfb-session.sh"

# A program directory with PC ANSI as the default emulation and the main
# window filling the display.
write_config 2 / 'ATE1 Q0 V1' ATDT
: >"$home/PHONBOOK.DAT"
write_defaults

# The server: one client, a coloured screen, then it keeps the line open.
cat >"$work/server.py" <<'PY'
import sys, time
from listen import listen_once
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
c = listen_once()
c.sendall(screen())
time.sleep(float(sys.argv[1]) if len(sys.argv) > 1 else 30)
PY
start_server "$work/server.py" 60

shoot '
  sleep 4
  # A session opened from the command line leaves the title screen up until
  # it is clicked: click it away, then let the session window take the focus.
  if command -v xdotool >/dev/null; then
    xdotool mousemove 512 400 click 1 2>/dev/null || true
    sleep 0.5
    xdotool mousemove 200 200 click 1 2>/dev/null || true
    sleep 1
  fi
  import -window root "$out"' 127.0.0.1 "$port"
