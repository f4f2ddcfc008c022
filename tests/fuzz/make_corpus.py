#!/usr/bin/env python3
"""Writes the seed streams of the interpreter fuzz target into tests/fuzz/corpus/.

Each file: a chunk-pattern byte, a scene byte (see interpreter_fuzz.cpp), then unit frames.
"""
import pathlib


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

corpus = pathlib.Path(__file__).resolve().parent / "corpus"
corpus.mkdir(exist_ok=True)
for name, (chunks, scene, stream) in seeds.items():
    (corpus / name).write_bytes(bytes([chunks, scene]) + stream)
