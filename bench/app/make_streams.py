#!/usr/bin/env python3
"""Writes the benchmark's two streams of SIZE bytes each:
plain.txt (lines of text) and colour.txt (text in which nearly every word
changes colour with SGR sequences), each ending in the end marker line."""
import random
import sys

out_dir, size, marker = sys.argv[1], int(sys.argv[2]), sys.argv[3].encode()
rnd = random.Random(1989)
words = [w.encode() for w in (
    'the quick brown fox jumps over lazy dog terminal session window telnet modem '
    'zmodem screen buffer scroll back cursor attribute colour palette host login').split()]


def plain():
    out = bytearray()
    while len(out) < size:
        line = b' '.join(rnd.choice(words) for _ in range(rnd.randint(6, 12)))
        out += line[:79] + b'\r\n'
    return out[:size]


def colour():
    out = bytearray()
    while len(out) < size:
        parts = []
        width = 0
        while width < 70:
            w = rnd.choice(words)
            parts.append(b'\x1b[%d;%d;%dm%s' % (rnd.randint(0, 1), rnd.randint(30, 37),
                                                rnd.randint(40, 47), w))
            width += len(w) + 1
        out += b' '.join(parts) + b'\x1b[0m\r\n'
    return out[:size]


for name, make in (('plain.txt', plain), ('colour.txt', colour)):
    data = make()
    # Cut at a line end so that no sequence is split by the marker.
    data = data[:data.rfind(b'\r\n') + 2] + b'\x1b[0m\r\n' + marker + b'\r\n'
    open('%s/%s' % (out_dir, name), 'wb').write(data)
