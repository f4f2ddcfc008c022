#!/usr/bin/env python3
"""Files for the screen tests, and the checks of their screenshots by pixels (tests/e2e/screens.sh).

  screens.py kvd FILE                          the unit's parameter set (Break Limit 40, Blunt Limit 25)
  screens.py seed FOLDER ENTRIES VIEW          Default.$$$ with ENTRIES cycles of cut 1, ZAVIze.cnf
  screens.py curve PNG LAYOUT X Y              the live curve (LAYOUT 640 or 800, X Y the client origin)
  screens.py bars PNG LAYOUT X Y KIND FOLDER N the statistics chart of kind 0 (power) or 1 (work): the
                                               N seeded entries, then those of FOLDER/events.txt
  screens.py no-bars PNG LAYOUT X Y            the lower panel holds no bar colour (the table view)
  screens.py lamps PNG 800 X Y [ALARM...]      the named alarm lamps (break, blunt, missing) red, the
                                               others and the connection lamp green
  screens.py legend PNG X Y                    the legend picture (X Y: the legend's client origin)

Pictures are read through ImageMagick as PPM (no imaging module needed). Exit status 1 with the
reason on a failed check.
"""
import math
import re
import struct
import subprocess
import sys

BLUE = (0, 0, 255)
YELLOW = (255, 255, 0)
RED = (255, 0, 0)
MAGENTA = (255, 0, 255)
GREY = (153, 153, 153)

# The unit plays this set; the limits differ from the monitor's defaults (50, 30), so what is drawn
# comes from the unit's reports.
BREAK_LIMIT = 40
BLUNT_LIMIT = 25

LAYOUTS = {  # the entries of the screen layout the checks use
    640: dict(CurveLeft=20, CurveBaseline=250, CurveAxisTop=40, AxisRight=630, PanelTop=275,
              StatsBaseline=415, scale=1),
    800: dict(CurveLeft=100, CurveBaseline=270, CurveAxisTop=60, AxisRight=710, PanelTop=305,
              StatsBaseline=540, scale=2),
}
STATISTICS_SIZE = 1600096
CUT = 0  # cut 1, the one kvdsim --cuts 1 plays


class CheckFailed(Exception):
    pass


def expect(condition, what):
    if not condition:
        raise CheckFailed(what)


class Picture:
    def __init__(self, path):
        data = subprocess.run(['convert', path, '-depth', '8', 'ppm:-'], check=True,
                              stdout=subprocess.PIPE).stdout
        m = re.match(rb'P6\s+(\d+)\s+(\d+)\s+255\s', data)
        self.width, self.height = int(m.group(1)), int(m.group(2))
        self.pixels = data[m.end():]

    def at(self, x, y):
        i = 3 * (y * self.width + x)
        return tuple(self.pixels[i:i + 3])


class Client:
    """A window's client area inside a screenshot."""

    def __init__(self, picture, x, y):
        self.picture, self.x, self.y = picture, x, y

    def at(self, x, y):
        return self.picture.at(self.x + x, self.y + y)


# ---- the seeded statistics -----------------------------------------------------------------------

def seeded_entry(i, count):
    """Entry i of `count` seeded cycles: tools that wear until they are changed, and one break."""
    life = count // 3 + 7
    wear = (i % life) / life
    peak = 17 + round(14 * wear) + (i * 7919) % 5
    work = 7 + round(7 * wear) + (i * 104729) % 3
    if count <= 75 and i == count * 3 // 4:
        peak = BREAK_LIMIT + 8  # a break: the bar stands above the red line
    return peak, work


def write_kvd(path):
    cuts = '\t'.join(str(c) for c in range(1, 17))
    rows = [('KVD-ID', '0'), ('Average', '4'), ('Po [samples]', '4'), ('Debounce', '2'),
            ('Range [kW]', '7.5')]
    per_cut = [('Break Limit', BREAK_LIMIT), ('Blunt Limit', BLUNT_LIMIT), ('Missing Limit', 10),
               ('Break Delay', '0.1'), ('Blunt Delay', '10.0'), ('Missing Delay', '5.0'),
               ('Blunt Mode', 0), ('Blunt Alarm', 0), ('Blunt Count', 2), ('Missing Count', 2),
               ('Tw', '0.0'), ('Ts', '2.0'), ('Ta', '0.0'), ('Ta on Blunt', 1),
               ('Work Divisor', 9), ('P1Max', 100), ('P1Min', 0), ('Cycles/Screen', 1)]
    lines = ['%-13s\t%s' % row for row in rows] + ['\t' + cuts]
    lines += ['%-13s\t%s' % (label, '\t'.join([str(value)] * 16)) for label, value in per_cut]
    with open(path, 'w', newline='\n') as f:
        f.write('\n'.join(lines) + '\n')


def seed(folder, count, view):
    block = bytearray(STATISTICS_SIZE)
    struct.pack_into('<H', block, 32 + 2 * CUT, count)  # writeIndex; wrapMarker stays 0
    for i in range(count):
        struct.pack_into('BB', block, 96 + CUT * 100000 + 2 * i, *seeded_entry(i, count))
    with open(folder + '/Default.$$$', 'wb') as f:
        f.write(block)
    config = bytearray(280)
    struct.pack_into('<H', config, 0, 1)  # COM 1
    config[2:2 + 11] = b'Default.$$$'
    struct.pack_into('<HH', config, 258, view, 0)  # DisplayMode, English
    with open(folder + '/ZAVIze.cnf', 'wb') as f:
        f.write(config)


def held_entries(folder, count):
    """The seeded entries, then one per cycle the unit played, as the monitor stores them."""
    entries = [seeded_entry(i, count) for i in range(count)]
    with open(folder + '/events.txt') as f:
        for line in f:
            peak, work = re.match(r'cycle \d+ cut 1 peak (\d+) work (\d+)', line).groups()
            entries.append((int(peak), int(work)))
    return entries


# ---- checks ---------------------------------------------------------------------------------------

def check_curve(client, L):
    """Points in their state colours; the Break line one row high at Po + Break Limit."""
    left, right, base = L['CurveLeft'], L['AxisRight'], L['CurveBaseline']
    seen = {BLUE: 0, YELLOW: 0, GREY: 0}
    po_values = []
    for x in range(left, right):
        column = [client.at(x, y) for y in range(L['CurveAxisTop'], base + 1)]
        for colour in seen:
            seen[colour] += column.count(colour)
        if YELLOW in column:  # a Po point: drawn from the baseline up to 2 * value
            top = L['CurveAxisTop'] + column.index(YELLOW)
            po_values.append((base - top) // 2)
    expect(all(n >= 3 for n in seen.values()), 'curve colours missing: %s' % seen)
    po = sum(po_values) // len(po_values)
    row = base - 2 * min(po + BREAK_LIMIT, 100)
    red_rows = [y for y in range(L['CurveAxisTop'], base)
                if sum(client.at(x, y) == RED for x in range(left, right)) > (right - left) // 2]
    expect(red_rows == [row], 'Break line at rows %s, expected %d (Po %d)' % (red_rows, row, po))
    expect(all(client.at(x, row) == RED for x in range(left, right)), 'Break line has gaps')
    expect(client.at(left - 1, row) != RED and client.at(right, row) != RED,
           'Break line runs beyond the curve')
    return 'curve: %d Po points, Po %d, Break line at client row %d, %s' % (len(po_values), po, row, seen)


def bar_scale(held):
    if held <= 75:
        return 8, 1
    if held <= 150:
        return 4, 1
    if held <= 300:
        return 2, 1
    return 1, held // 600 + 1


def check_bars(client, L, entries, kind):
    """Every bar at its place, width, colour and height; the limit line of the kind."""
    base, scale, left = L['StatsBaseline'], L['scale'], L['CurveLeft']
    limits = {base - scale * BREAK_LIMIT: RED, base - scale * BLUNT_LIMIT: MAGENTA} if kind == 0 else {}
    width, per = bar_scale(len(entries))
    bars = 0
    for s in range(0, len(entries), per):
        if width == 1 and s + per > len(entries):
            continue  # a group reaching beyond the held entries is not drawn
        value = max(e[kind] for e in entries[s:s + per])
        position = s // per
        colour = YELLOW if width == 8 and position % 2 == 0 else BLUE
        top = base - scale * value + (1 if width == 1 else 0)   # a line ends before its end point
        bottom = base if width == 1 else base - 1
        for x in range(left + width * position, left + width * (position + 1)):
            for y in range(top, bottom + 1):
                got = client.at(x, y)
                expect(got == colour or got == limits.get(y),
                       'bar %d (value %d) at x %d y %d: %s, expected %s' % (position, value, x, y, got, colour))
            expect(client.at(x, top - 1) != colour, 'bar %d (value %d) is too tall at x %d' % (position, value, x))
        bars += 1
    after = left + width * bars
    expect(client.at(after, base - 1) not in (BLUE, YELLOW), 'a bar beyond the held entries at x %d' % after)
    for y, colour in limits.items():
        expect(all(client.at(x, y) == colour for x in range(left, left + 600)), 'limit line at row %d' % y)
    return 'chart of kind %d: %d entries, %d bars of %d px (%d per bar), limit rows %s' % (
        kind, len(entries), bars, width, per, sorted(limits))


def check_no_bars(client, L):
    panel = [client.at(x, y) for x in range(L['CurveLeft'], L['CurveLeft'] + 600)
             for y in range(L['PanelTop'], L['StatsBaseline'] + 1)]
    expect(BLUE not in panel and YELLOW not in panel, 'bars remain in the lower panel')
    return 'lower panel: no bar colours'


LAMPS = {'comm': (721, 15), 'break': (721, 43), 'blunt': (721, 71), 'missing': (721, 99)}  # 800x600


def check_lamps(client, alarms):
    for name, (x, y) in LAMPS.items():
        want = RED if name in alarms else (0, 255, 0)
        got = client.at(x + 7, y + 7)  # the middle of the 14-pixel circle
        expect(got == want, '%s lamp is %s, expected %s' % (name, got, want))
    return 'lamps: %s red, the others green' % (', '.join(alarms) or 'none')


def check_legend(client):
    blue = sum(client.at(x, y) == BLUE for x in range(31, 95) for y in range(50, 80))
    expect(blue > 800, 'legend: only %d blue pixels in the polygon' % blue)
    expect(all(client.at(x, 30) == RED for x in range(5, 94)), 'legend: the red line is not whole')
    expect(client.at(4, 30) != RED and client.at(94, 30) != RED, 'legend: the red line is too long')
    return 'legend: %d blue pixels, red line 5..93 at row 30' % blue


def main(argv):
    verb, args = argv[1], argv[2:]
    if verb == 'kvd':
        write_kvd(args[0])
        return 'wrote ' + args[0]
    if verb == 'seed':
        seed(args[0], int(args[1]), int(args[2]))
        return 'seeded %s entries, view %s' % (args[1], args[2])
    picture = Picture(args[0])
    if verb == 'legend':
        return check_legend(Client(picture, int(args[1]), int(args[2])))
    L = LAYOUTS[int(args[1])]
    client = Client(picture, int(args[2]), int(args[3]))
    if verb == 'curve':
        return check_curve(client, L)
    if verb == 'bars':
        return check_bars(client, L, held_entries(args[5], int(args[6])), int(args[4]))
    if verb == 'no-bars':
        return check_no_bars(client, L)
    if verb == 'lamps':
        return check_lamps(client, args[4:])
    raise CheckFailed('unknown verb ' + verb)


if __name__ == '__main__':
    try:
        print(main(sys.argv))
    except CheckFailed as failure:
        print('check failed:', failure)
        sys.exit(1)
