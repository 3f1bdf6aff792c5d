#!/usr/bin/env python3
"""One-shot loopback server for the GUI benchmark.

  stream_server.py FILE MODE PORTFILE ACCEPTFILE

Listens on 127.0.0.1 (a free port, written to PORTFILE), accepts one client,
writes the accept time (seconds since the epoch, CLOCK_REALTIME) to
ACCEPTFILE and sends FILE. MODE "close" closes the connection after the last
byte (a plain reader such as socat then ends); MODE "hold" keeps it open until
the client closes it (Parlane quits by itself once it has painted the end
marker, and would otherwise take the close for the end of the session).
"""
import socket
import sys
import time

path, mode, portfile, acceptfile = sys.argv[1:5]
data = open(path, 'rb').read()
srv = socket.socket()
srv.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
srv.bind(('127.0.0.1', 0))
srv.listen(1)
with open(portfile + '.tmp', 'w') as f:
    f.write(str(srv.getsockname()[1]))
import os
os.replace(portfile + '.tmp', portfile)
srv.settimeout(60)
conn, _ = srv.accept()
start = time.time()
conn.sendall(data)
with open(acceptfile, 'w') as f:
    f.write('%.6f' % start)
if mode == 'hold':
    conn.settimeout(120)
    try:
        while conn.recv(65536):
            pass
    except OSError:
        pass
conn.close()
