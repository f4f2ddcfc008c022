#!/usr/bin/env python3
"""A unit that never takes what it is sent, for the serial link tests.

Creates a pty, links PATH to its slave side (map a COM port to PATH) and stops the slave's output,
so every write of the monitor stays pending. Logs any frame that does arrive, decoded ("code 47",
"word 8508"), so the test can check that none did.
"""
import argparse
import errno
import os
import select
import signal
import sys
import termios
import tty


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
    args = parser.parse_args()

    # The master stays open for the whole run (the pty would vanish with it); the slave too, so
    # that its stopped output survives the monitor's opens and closes.
    master, slave = os.openpty()
    tty.setraw(slave)
    termios.tcflow(slave, termios.TCOOFF)
    if os.path.lexists(args.link):
        os.unlink(args.link)
    os.symlink(os.ttyname(slave), args.link)

    running = [True]
    signal.signal(signal.SIGTERM, lambda *_: running.__setitem__(0, False))
    signal.signal(signal.SIGINT, lambda *_: running.__setitem__(0, False))

    with open(args.log, "w", buffering=1) as log:
        line = bytearray()
        while running[0]:
            try:
                readable, _, _ = select.select([master], [], [], 0.1)
                data = os.read(master, 256) if readable else b""
            except InterruptedError:
                continue
            except OSError as e:
                if e.errno != errno.EIO:
                    raise
                data = b""
            for b in data:
                if b == 0x0D:
                    log.write(describe(bytes(line)) + "\n")
                    line.clear()
                elif len(line) < 7:
                    line.append(b)
    os.unlink(args.link)
    return 0


if __name__ == "__main__":
    sys.exit(main())
