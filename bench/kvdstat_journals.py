#!/usr/bin/env python3
"""Writes a plant's year of cycle journals for kvdstat's scale bench.

usage: bench/kvdstat_journals.py FOLDER [LINES=50000000] [MACHINES=20] [DAYS=365]

FOLDER/<machine>/journal/YYYY-MM-DD.csv as kvdplant keeps them: the header, then one line per
cycle end in the journal's own format (local time with its offset, the cut, peak, work, Po, the
alarms, the counters, the limits and the blunt mode). Each machine runs a few cuts in turn; the
tool wears (peaks climb over some thousand cycles, then the tool is changed), with noise, now and
then a Blunt or Break alarm. Deterministic: the same arguments write the same bytes.
"""
import os
import random
import sys
from datetime import date, timedelta

HEADER = ("time,cut,peak,work,po,break,blunt,missing,err1,blunt_counter,missing_counter,"
          "break_limit,blunt_limit,missing_limit,blunt_mode\n")


def day_lines(rng, machine, day, count, state):
    """count cycle ends spread over the day (local time, +01:00), as text."""
    step = 86_400_000 // max(count, 1)
    ms = rng.randrange(0, max(step, 1))
    stamp = day.isoformat()
    cuts = state["cuts"]
    out = [HEADER]
    append = out.append
    rand = rng.random
    for i in range(count):
        cut = cuts[i % len(cuts)]
        wear = state["wear"][cut]
        wear += 1
        if wear > 4000 + cut * 300:
            wear = 0  # the tool is changed
        state["wear"][cut] = wear
        r = rand()
        peak = 28 + wear // 300 + int(r * 7)
        work = peak // 2 + int(rand() * 4)
        brk = 1 if peak > 50 else 0
        blunt = 1 if peak > 46 and r > 0.5 else 0
        if blunt:
            state["blunt"][cut] += 1
        mode = "power" if cut % 3 else "work"
        s, m = divmod(ms, 1000)
        h, s = divmod(s, 3600)
        mi, s = divmod(s, 60)
        append(f"{stamp}T{h:02d}:{mi:02d}:{s:02d}.{m:03d}+01:00,{cut},{peak},{work},{8 + cut},"
               f"{brk},{blunt},0,0,{state['blunt'][cut]},0,50,46,10,{mode}\n")
        ms += step
        if ms >= 86_400_000:
            ms = 86_399_999
    return "".join(out)


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    folder = sys.argv[1]
    lines = int(sys.argv[2]) if len(sys.argv) > 2 else 50_000_000
    machines = int(sys.argv[3]) if len(sys.argv) > 3 else 20
    days = int(sys.argv[4]) if len(sys.argv) > 4 else 365
    per_day = lines // (machines * days)
    extra = lines - per_day * machines * days  # the first files get one more line each
    start = date(2026, 1, 1)
    made = 0
    for m in range(machines):
        name = f"mill-{m + 1:02d}"
        journal = os.path.join(folder, name, "journal")
        os.makedirs(journal, exist_ok=True)
        rng = random.Random(m)
        first = 1 + m % 4
        state = {"cuts": list(range(first, first + 3)), "wear": [0] * 17, "blunt": [0] * 17}
        for d in range(days):
            count = per_day + (1 if made < extra else 0)
            made += 1
            day = start + timedelta(days=d)
            with open(os.path.join(journal, day.isoformat() + ".csv"), "w", newline="\n") as f:
                f.write(day_lines(rng, name, day, count, state))
    print(f"{lines} lines in {machines * days} day files under {folder}")


if __name__ == "__main__":
    main()
