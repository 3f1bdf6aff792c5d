#!/usr/bin/env python3
"""Telnet callers for the host mode test.

host_callers.py PORT COUNT FLOOD_MB

COUNT callers connect at once (the last over IPv6 when the machine has it),
each waits for the host script's greeting, sends "id=NN", then waits for
"typed-NN", which the test types into that caller's window, says "bye",
waits for the script's "Goodbye" and leaves. Beside them one caller floods
FLOOD_MB megabytes as fast as it can, one connects and says nothing, and
one vanishes with a reset. Prints one line per step; exits 0 when every
caller got everything, 1 with the reason otherwise.
"""
import socket
import struct
import sys
import threading
import time

GREETING = b"Welcome, caller"
DEADLINE = 60.0  # seconds for each wait: generous, speed is measured elsewhere


def connect(port, v6):
    family = socket.AF_INET6 if v6 else socket.AF_INET
    host = "::1" if v6 else "127.0.0.1"
    s = socket.socket(family, socket.SOCK_STREAM)
    s.settimeout(DEADLINE)
    s.connect((host, port))
    return s


def wait_for(sock, text, seen):
    end = time.time() + DEADLINE
    while text not in seen[0]:
        if time.time() > end:
            raise RuntimeError("timed out waiting for %r, got %r" % (text, seen[0][-200:]))
        data = sock.recv(4096)
        if not data:
            raise RuntimeError("closed while waiting for %r" % text)
        seen[0] += data


def caller(port, n, v6, results):
    try:
        s = connect(port, v6)
        seen = [b""]
        wait_for(s, GREETING, seen)
        print("greeted %02d" % n, flush=True)
        s.sendall(b"id=%02d\r\n" % n)
        wait_for(s, b"typed-%02d" % n, seen)
        print("typed %02d" % n, flush=True)
        s.sendall(b"bye")
        wait_for(s, b"Goodbye", seen)
        s.close()
        results[n] = "ok" + (" v6" if v6 else "")
    except Exception as e:  # noqa: BLE001 - any failure is the caller's result
        results[n] = "caller %02d: %s" % (n, e)


def flooder(port, megabytes, stop, state):
    try:
        s = connect(port, False)
        line = b"".join(b"flood line %06d \x1b[1;3%dmcolour\x1b[0m\r\n" % (i, i % 8) for i in range(2000))
        sent = 0
        s.settimeout(0.5)
        while sent < megabytes * 1024 * 1024 and not stop.is_set():
            try:
                sent += s.send(line)
            except socket.timeout:
                pass
        state["sent"] = sent
        s.close()
    except Exception as e:  # noqa: BLE001
        state["error"] = str(e)


def main():
    port, count, flood_mb = int(sys.argv[1]), int(sys.argv[2]), int(sys.argv[3])
    try:
        probe = socket.socket(socket.AF_INET6, socket.SOCK_STREAM)
        probe.bind(("::1", 0))
        probe.close()
        has_v6 = True
    except OSError:
        has_v6 = False

    stop = threading.Event()
    flood = {}
    flood_thread = threading.Thread(target=flooder, args=(port, flood_mb, stop, flood))
    flood_thread.start()

    silent = connect(port, False)
    vanishing = connect(port, False)
    vanishing.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
    vanishing.close()  # a reset, not a goodbye

    results = {}
    threads = []
    for n in range(count):
        v6 = has_v6 and n == count - 1
        t = threading.Thread(target=caller, args=(port, n, v6, results))
        t.start()
        threads.append(t)
    for t in threads:
        t.join()
    stop.set()
    flood_thread.join()
    silent.close()

    failures = [r for r in results.values() if not r.startswith("ok")]
    if len(results) != count:
        failures.append("only %d of %d callers finished" % (len(results), count))
    if "error" in flood:
        failures.append("flooder: " + flood["error"])
    print("flooded %d bytes" % flood.get("sent", 0), flush=True)
    print("ipv6 %s" % ("yes" if has_v6 else "no"), flush=True)
    if failures:
        print("FAILED " + "; ".join(failures), flush=True)
        return 1
    print("OK", flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
