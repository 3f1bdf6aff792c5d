#!/usr/bin/env bash
# The phonebook's picture for the README: starts Parlane under Xvfb with a
# few dial-up and Telnet entries, opens the phonebook (Alt+P) and saves the
# dialog as docs/phonebook.png.
#   scripts/screenshot-phonebook.sh [BUILD_DIR] [OUTPUT_PNG]
set -euo pipefail
name=screenshot default_out=docs/phonebook.png tools=xdotool
# shellcheck source=lib/xvfb-session.sh
. "$(dirname "$0")/lib/xvfb-session.sh"

# PHONBOOK.DAT: 519-byte records (type, name, address, port, user name,
# password, connects, last date, last time, COM port, line settings,
# terminal options, protocol, login script, reserved).
python3 - "$home" <<'PY'
import struct, sys, os
home = sys.argv[1]
def text(s, n): return s.encode('latin-1')[:n - 1].ljust(n, b'\0')
def dcb():
    b = bytearray(28)
    struct.pack_into('<II', b, 0, 28, 9600)
    struct.pack_into('<I', b, 8, 0x1011)      # binary, DTR and RTS enabled
    b[18], b[19], b[20] = 8, 0, 0             # 8 data bits, no parity, 1 stop bit
    return bytes(b)
def entry(kind, name, addr, port, connects, date, time_):
    r = bytearray(519)
    struct.pack_into('<I', r, 0, kind)
    r[4:29] = text(name, 25); r[29:69] = text(addr, 40); r[69:76] = text(port, 7)
    struct.pack_into('<I', r, 126, connects)
    r[130:139] = text(date, 9); r[139:151] = text(time_, 12)
    r[155:183] = dcb()
    struct.pack_into('<6I', r, 183, 2, 0, 0, 0, 1, 1)
    struct.pack_into('<I', r, 207, 1)
    return bytes(r)
entries = [
    entry(1, 'Night Owl BBS', '1-555-0101', '23', 42, '11/30/26', '11:52:07 PM'),
    entry(1, 'Amateur Radio Net', '1-555-0173', '23', 7, '12/01/26', '08:15:44 PM'),
    entry(0, 'Retro Telnet Board', 'bbs.example.org', '23', 19, '12/06/26', 'None'),
    entry(0, 'Lab server', '192.0.2.17', '2323', 3, '12/05/26', 'None'),
    entry(1, 'Fidonet hub', '1-555-0142', '23', 0, 'None', 'None'),
]
open(os.path.join(home, 'PHONBOOK.DAT'), 'wb').write(b''.join(entries))
PY
write_window_config
write_defaults

shoot '
  sleep 7   # the title screen closes itself after five seconds
  # The first tool bar button is Phonebook; the main window fills the display
  # from its top left corner (INITWIND.CFG).
  xdotool mousemove 29 37 click 1
  sleep 2
  book=$(xdotool search --name "^Phonebook\$" | head -1)
  import -window "${book:-root}" "$out"'
