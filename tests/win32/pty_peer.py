#!/usr/bin/env python3
"""A stand-in unit on a pseudo-terminal for the serial link tests.

Creates a pty, links PATH to its slave side (map a COM port to PATH), streams a short cycle of
frames unprompted and logs every frame it receives, decoded ("code 205", "word 8508"). With
--hold-output the slave's output is stopped, so that the monitor's writes stay pending.
"""
import argparse
import errno
import fcntl
import os
import select
import signal
import struct
import sys
import termios
import time
import tty


def frame(payload):
    out = bytearray()
    for b in payload:
        out.append((b & 0xF0) | 0x01)
        out.append(((b & 0x0F) << 4) | 0x01)
    out.append(sum(out) & 0xFF)
    out.append(0x0D)
    return bytes(out)


def code(c):
    return frame([c])


def word(w):
    return frame([w >> 8, w & 0xFF])


# Break Limit report of cut 2 (value 60), cut start 2, a sample, the Po window, work, cycle end.
STREAM = [word(8508), code(222), code(10), code(201), code(20), code(201), code(50), code(200)]


BACKLOG = 512


def waiting(fd):
    """Bytes queued for the reader of the slave side."""
    return struct.unpack("i", fcntl.ioctl(fd, termios.TIOCINQ, b"\0\0\0\0"))[0]


def describe(line):
    """The log text of a received line (the bytes before CR)."""
    if line and sum(line[:-1]) & 0xFF == line[-1]:
        nib = [(line[i] & 0xF0) | (line[i + 1] >> 4) for i in range(0, len(line) - 1, 2)]
        if len(line) == 3:
            return "code %d" % nib[0]
        if len(line) == 5:
            return "word %d" % (nib[0] << 8 | nib[1])
    return "invalid " + "-".join(str(b) for b in line)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--link", required=True, help="path to link to the pty slave")
    parser.add_argument("--log", required=True, help="file to log the received frames to")
    parser.add_argument("--period", type=float, default=10.0, help="ms between sent frames (0: none)")
    parser.add_argument("--hold-output", action="store_true", help="stop the slave's output")
    args = parser.parse_args()

    master, slave = os.openpty()
    tty.setraw(slave)
    os.set_blocking(master, False)
    if args.hold_output:
        termios.tcflow(slave, termios.TCOOFF)
    if os.path.lexists(args.link):
        os.unlink(args.link)
    os.symlink(os.ttyname(slave), args.link)

    running = [True]
    signal.signal(signal.SIGTERM, lambda *_: running.__setitem__(0, False))
    signal.signal(signal.SIGINT, lambda *_: running.__setitem__(0, False))

    log = open(args.log, "w", buffering=1)
    line = bytearray()
    period = args.period / 1000.0
    next_send = time.monotonic()
    index = 0
    while running[0]:
        timeout = max(0.0, next_send - time.monotonic()) if period > 0 else 0.1
        try:
            readable, _, _ = select.select([master], [], [], timeout)
        except InterruptedError:
            continue
        if readable:
            try:
                data = os.read(master, 256)
            except OSError as e:
                if e.errno not in (errno.EAGAIN, errno.EIO):
                    raise
                data = b""
            for b in data:
                if b == 0x0D:
                    log.write(describe(bytes(line)) + "\n")
                    line.clear()
                elif len(line) < 7:
                    line.append(b)
        if period > 0 and time.monotonic() >= next_send:
            try:
                # While no one reads the slave, stop at a small backlog rather than cut frames.
                if waiting(slave) > BACKLOG:
                    raise OSError(errno.EAGAIN, "backlog")
                os.write(master, STREAM[index % len(STREAM)])
                index += 1
            except OSError as e:
                if e.errno != errno.EAGAIN:
                    raise
            next_send += period
    os.unlink(args.link)
    return 0


if __name__ == "__main__":
    sys.exit(main())
