#!/usr/bin/env python3
"""A stand-in unit on a pty for the serial link tests.

Creates a pty and links PATH to its slave side (map a COM port to PATH). Logs every frame that
arrives, decoded ("code 47", "word 8508"). Two kinds of unit:
- by default it never takes what it is sent: the slave's output is stopped, so every write of the
  monitor stays pending (and the log shows that none arrived);
- with --answer it answers every frame it receives with the frames given (one write), then stays
  silent until the next one.
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


def frame(value, word):
    """The wire bytes of a code frame (word False) or a word frame."""
    payload = [value >> 8, value & 0xFF] if word else [value]
    nibbles = []
    for b in payload:
        nibbles += [(b & 0xF0) | 0x01, ((b & 0x0F) << 4) | 0x01]
    return bytes(nibbles + [sum(nibbles) & 0xFF, 0x0D])


def answer_bytes(frames):
    """'w150,c200' -> a word frame of 150, then a code frame of 200."""
    return b"".join(frame(int(item[1:]), item[0] == "w") for item in frames.split(",") if item)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--link", required=True, help="path to link to the pty slave")
    parser.add_argument("--log", required=True, help="file to log the received frames to")
    parser.add_argument("--answer", help="frames to answer each received frame with: w<word>,c<code>,...")
    args = parser.parse_args()
    answer = answer_bytes(args.answer) if args.answer else b""

    # The master stays open for the whole run (the pty would vanish with it); the slave too, so
    # that its stopped output survives the monitor's opens and closes.
    master, slave = os.openpty()
    tty.setraw(slave)
    if not answer:
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
                    if answer:
                        os.write(master, answer)
                elif len(line) < 7:
                    line.append(b)
    os.unlink(args.link)
    return 0


if __name__ == "__main__":
    sys.exit(main())
