#!/usr/bin/env python3
"""Writes the seed inputs of the fuzz targets into tests/fuzz/corpus/<target>/.

interpreter: a chunk-pattern byte, a scene byte (see interpreter_fuzz.cpp), then unit frames.
config: configuration files. statistics: a shape byte (see statistics_fuzz.cpp), then the start
of a statistics file. parameter_set: parameter set files.
"""
import pathlib
import struct


def frame(value):
    payload = [value] if value < 256 else [value >> 8, value & 0xFF]
    out = []
    for b in payload:
        out += [(b & 0xF0) | 1, ((b & 0x0F) << 4) | 1]
    return bytes(out + [sum(out) & 0xFF, 0x0D])


def frames(values):
    return b"".join(frame(v) for v in values)


def report(cut, base, value):
    return (cut << 12) | (base + value)


def cycle(cut, samples):
    return [220 + cut, 10, 12, 201, 20, 22, 21, 201] + samples + [200]


seeds = {
    "whole_cycle": (0x00, 0x00, frames(cycle(2, [50, 60]))),
    "whole_cycle_split": (0xE4, 0x01, frames(cycle(2, [50, 60]))),
    "compression": (0x1B, 0x02, frames([221] + [i % 100 for i in range(610)] + [201, 201, 200])),
    "reports": (0x93, 0x02, frames([223] + [report(c, b, v) for c, b, v in [
        (3, 256, 44), (5, 383, 40), (3, 486, 1), (3, 1880, 90), (0, 2401, 999), (0, 3401, 15),
        (3, 2124, 8), (3, 1629, 250), (15, 3417 - 0, 0), (3, 750, 0)]])),
    "several_cycles_per_screen": (0x55, 0x00, frames(
        [report(0, 2124, 3)] + cycle(0, [40] * 30) + cycle(0, [41] * 30) + cycle(0, [42] * 30)
        + cycle(0, [43] * 30))),
    "alarms_and_counters": (0x27, 0x01, frames(
        [224, 202, 202, 203, 204, 206, 207, 207, 208, 209, 210, 211, 211, 205, 106, 212, 236])),
    "ring_wrap": (0x00, 0x0C, frames(cycle(4, [70]) * 6)),
    "long_lines": (0x8D, 0x01, b"\x31\x21\x01\x01\x01\x01\x56\x66\x77\x0D" + frames([222, 99])),
}


def config(port, name, view, language, size=280):
    record = struct.pack("<H256sHH18s", port, name, view, language, bytes(18))
    return record[:size]


configs = {
    "defaults": config(1, b"Default.$$$", 2, 0),
    "german_port_marked": config(17, b"C:\\data\\line 3.$$$", 0, 200),
    "short": config(1, b"Default.$$$", 2, 0, size=100),
    "longer": config(4, b"\\x.$$$", 1, 400) + b"tail",
    "out_of_range": config(40, b"A" * 256, 9, 300),
}


def statistics(shape, writes, wraps, entries):
    header = bytes(32) + struct.pack("<16H", *writes) + struct.pack("<16H", *wraps)
    return bytes([shape]) + header + entries


statistics_seeds = {
    "three_cycles_cut_1": statistics(1, [3] + [0] * 15, [0] * 16, bytes([50, 20, 55, 21, 60, 22])),
    "wrapped_and_broken": statistics(0x41, [1, 60000] + [0] * 14, [2, 0, 50001] + [0] * 13, bytes([99, 1] * 40)),
    "short": statistics(0, [5] * 16, [0] * 16, bytes(range(200))),
}


def parameter_set(newline=b"\n", debounce=b"2", cell=b"50"):
    def row(label, cells):
        return label + b"".join(b"\t" + c for c in cells) + newline
    rows = [b"KVD-ID       \t0" + newline, b"Average      \t4" + newline, b"Po [samples] \t4" + newline,
            b"Debounce     \t" + debounce + newline, b"Range [kW]   \t1.50" + newline,
            b"".join(b"\t%d" % c for c in range(1, 17)) + newline]
    cut_rows = [(b"Break Limit  ", cell), (b"Blunt Limit  ", b"30"), (b"Missing Limit", b"10"),
                (b"Break Delay  ", b"0.1"), (b"Blunt Delay  ", b"10.0"), (b"Missing Delay", b"5.0"),
                (b"Blunt Mode   ", b"0"), (b"Blunt Alarm  ", b"0"), (b"Blunt Count  ", b"1"),
                (b"Missing Count", b"1"), (b"Tw           ", b"0.0"), (b"Ts           ", b"2.0"),
                (b"Ta           ", b"0.0"), (b"Ta on Blunt  ", b"1"), (b"Work Divisor ", b"9"),
                (b"P1Max        ", b"100"), (b"P1Min        ", b"0"), (b"Cycles/Screen", b"1")]
    return b"".join(rows) + b"".join(row(label, [c] * 16) for label, c in cut_rows)


parameter_sets = {
    "defaults": parameter_set(),
    "carriage_returns": parameter_set(newline=b"\r\n"),
    "seven_digit_cell": parameter_set(cell=b"1234567"),
    "debounce_out_of_range": parameter_set(debounce=b"30001"),
}

def mqtt_publish(topic, payload, qos=0, packet_id=1, retain=False):
    body = struct.pack(">H", len(topic)) + topic + (struct.pack(">H", packet_id) if qos else b"") + payload
    length, n = b"", len(body)
    while True:
        digit, n = n % 128, n // 128
        length += bytes([digit | (0x80 if n else 0)])
        if not n:
            break
    return bytes([0x30 | qos << 1 | retain]) + length + body


# What a broker sends a publisher, alone and run together in one stream.
mqtt_streams = {
    "connack": b"\x20\x02\x00\x00",
    "connack_refused": b"\x20\x02\x00\x05",
    "puback_pingresp": b"\x40\x02\x00\x07\xd0\x00",
    "publish_qos1": mqtt_publish(b"kvd/m1/state", b'{"online":true}', qos=1, packet_id=3, retain=True),
    "publish_long": mqtt_publish(b"kvd/m1/cycle", b"x" * 300),
    "stream": b"\x20\x02\x01\x00" + b"\x40\x02\x12\x34" * 3 + mqtt_publish(b"a/b", b"") + b"\xd0\x00",
}

# The session's streams: a pattern byte (which reads find nothing, and the sizes of the pieces),
# then what a broker sends one connection.
session_streams = {
    "connack_then_quiet": b"\x00\x20\x02\x00\x00",
    "acks_in_pieces": b"\x55\x20\x02\x00\x00\x40\x02\x00\x01\xd0\x00\x40\x02\x00\x02",
    "refused_then_accepted": b"\x0f\x20\x02\x00\x05\x20\x02\x00\x00\x40\x02\x00\x01",
    "publish_between": b"\x33\x20\x02\x00\x00" + mqtt_publish(b"kvd/a/state", b"{}", qos=1, packet_id=9)
    + b"\x40\x02\x00\x01",
    # CONNACK, the SUBACK of the receipt topic, a PUBACK and the receipt of that cycle.
    "suback_and_receipt": b"\x21\x20\x02\x00\x00\x90\x03\x00\x01\x01\x40\x02\x00\x02"
    + mqtt_publish(b"kvd/fuzz/receipt", b'{"outbox":"3f9c0a61d2b84e07","seq":1796724000007}', qos=1, packet_id=4),
    "subscription_refused": b"\x00\x20\x02\x00\x00\x90\x03\x00\x01\x80",
}

# kvdplant's intake: the topic, a line end, the payload.
cycle_message = (b'{"machine":"mill-1","seq":1001,"time":"2026-12-08T10:00:01.000+00:00","cut":1,"peak":50,'
                 b'"work":60,"po":1,"break":0,"blunt":0,"missing":0,"err1":0,"blunt_counter":0,'
                 b'"missing_counter":0,"break_limit":90,"blunt_limit":80,"missing_limit":10,"blunt_mode":"power"}')
intake_messages = {
    "cycle": b"kvd/mill-1/cycle\n" + cycle_message,
    "state": b'kvd/mill-1/state\n{"machine":"mill-1","online":true,"unit":true,"cut":3,"break":false,'
             b'"blunt":true,"missing":false}',
    "offline": b'kvd/mill-1/state\n{"machine":"mill-1","online":false}',
    "foreign": b"other/x/cycle\n{}",
}

root = pathlib.Path(__file__).resolve().parent / "corpus"
for target, files in [("interpreter", {n: bytes([c, s]) + st for n, (c, s, st) in seeds.items()}),
                      ("config", configs), ("statistics", statistics_seeds), ("parameter_set", parameter_sets),
                     ("mqtt", mqtt_streams), ("mqtt_session", session_streams),
                     ("plant_intake", intake_messages)]:
    folder = root / target
    folder.mkdir(parents=True, exist_ok=True)
    for name, content in files.items():
        (folder / name).write_bytes(content)
