"""Checks a printed page (a PDF from the print queue) by its text and its picture.

    printed_pages.py KIND FILE.pdf
    printed_pages.py kvd FILE.kvd   (the unit's parameter set the parameter page is checked against)

KIND: active, power, work or parameters. The program runs in the 800x600 layout; the page maps the
layout as the program's page mapping says, so each check names layout coordinates and turns them
into fractions of the page.
"""
import re
import subprocess
import sys

WIDTH = 800  # layout pixels across the page


def run(*args):
    return subprocess.run(args, check=True, capture_output=True).stdout


def picture(pdf):
    """The page as rows of (r, g, b), at 50 dpi."""
    ppm = run('pdftoppm', '-r', '50', '-singlefile', pdf)
    m = re.match(rb'P6\s+(\d+)\s+(\d+)\s+255\s', ppm)
    w, h = int(m.group(1)), int(m.group(2))
    data = ppm[m.end():]
    return w, h, [[tuple(data[(y * w + x) * 3:(y * w + x) * 3 + 3]) for x in range(w)] for y in range(h)]


def near(c, rgb, tolerance=60):
    return all(abs(a - b) <= tolerance for a, b in zip(c, rgb))


def pixels(rows, rgb, tolerance=60):
    return [(x, y) for y, row in enumerate(rows) for x, c in enumerate(row) if near(c, rgb, tolerance)]


# Four-character values, each cut's its own, in the rows where the page can print them (tenths of
# seconds up to 25.0); the other rows as the simulated unit's defaults. In the file's row order.
WIDE_ROWS = {
    'Blunt Delay': lambda c: '%.1f' % (10.0 + 0.9 * c),
    'Missing Delay': lambda c: '%.1f' % (25.0 - 0.8 * c),
    'Tw': lambda c: '%.1f' % (12.3 + 0.7 * c),
    'Ts': lambda c: '%.1f' % (10.0 + 0.5 * c),
    'Ta': lambda c: '%.1f' % (20.0 + 0.3 * c),
}
ROWS = [('Break Limit', 50), ('Blunt Limit', 30), ('Missing Limit', 10), ('Break Delay', '0.1'),
        ('Blunt Delay', None), ('Missing Delay', None), ('Blunt Mode', 0), ('Blunt Alarm', 0),
        ('Blunt Count', 2), ('Missing Count', 2), ('Tw', None), ('Ts', None), ('Ta', None),
        ('Ta on Blunt', 1), ('Work Divisor', 9), ('P1Max', 100), ('P1Min', 0), ('Cycles/Screen', 1)]


def write_kvd(path):
    rows = [('KVD-ID', '0'), ('Average', '4'), ('Po [samples]', '4'), ('Debounce', '2'), ('Range [kW]', '7.5')]
    lines = ['%-13s\t%s' % row for row in rows] + ['\t' + '\t'.join(str(c) for c in range(1, 17))]
    for label, value in ROWS:
        cells = [WIDE_ROWS[label](c) if value is None else str(value) for c in range(1, 17)]
        lines.append('%-13s\t%s' % (label, '\t'.join(cells)))
    with open(path, 'w', newline='\n') as f:
        f.write('\n'.join(lines) + '\n')


def check_cells(text):
    """Every row of four-character values reads back as its 16 separate values."""
    for label, value in WIDE_ROWS.items():
        n = len(label.split())
        row = [line for line in text.splitlines()
               if line.split()[:n] == label.split() and line.split()[n:n + 1] and line.split()[n][0].isdigit()]
        check(len(row) == 1, 'parameters: no one row "%s" in the text:\n%s' % (label, text))
        cells = row[0].split()[len(label.split()):]
        expected = [value(c) for c in range(1, 17)]
        check(cells == expected, 'parameters: row "%s" reads %s, not %s' % (label, cells, expected))


def check(ok, what):
    if not ok:
        raise SystemExit('FAIL: ' + what)


def main():
    kind, pdf = sys.argv[1], sys.argv[2]
    if kind == 'kvd':
        write_kvd(pdf)
        return
    pages = re.search(rb'Pages:\s+(\d+)', run('pdfinfo', pdf))
    check(pages and int(pages.group(1)) == 1, 'one page, not %s' % (pages and pages.group(1)))
    text = run('pdftotext', '-layout', pdf, '-').decode('latin-1')
    words = {
        'active': ['Work [%]', 'Peak [%]', '[%]', '[s]'],
        'power': ['Power Statistics, Cut# 1', 'Parts: 3', 'File: Default.$$$', '[%]'],
        'work': ['Work Statistics, Cut# 1', 'Parts: 3'],
        'parameters': ['Printed:', 'Parameters', 'Common parameters', 'KVD-ID', 'Break Limit',
                       'Cycles/Screen', 'Param.\\  Cut#'],
    }[kind]
    flat = ' '.join(text.split())  # the columns' spacing is the layout's, not the text's
    for word in words:
        check(' '.join(word.split()) in flat, '%s: no "%s" in the text:\n%s' % (kind, word, text))
    w, h, rows = picture(pdf)
    fx = lambda x: x * w / WIDTH  # noqa: E731
    blue, yellow, black = (0, 0, 255), (255, 255, 0), (0, 0, 0)

    if kind == 'active':
        # The page is the layout above the lower panel (305 rows): the curve stands between
        # CurveLeft 100 and AxisRight 710, above its baseline at 270.
        fy = lambda y: y * h / 305  # noqa: E731
        curve = pixels(rows, blue)
        check(len(curve) > 50, 'active: no curve (%d blue pixels)' % len(curve))
        check(all(fx(95) <= x <= fx(715) and fy(60) <= y <= fy(272) for x, y in curve),
              'active: curve outside its frame')
        check(pixels(rows, (255, 0, 0)), 'active: no Break line')
        check(not pixels(rows, (0, 255, 0), 30), 'active: lamps printed')
    elif kind in ('power', 'work'):
        # The page is the layout from the curve's baseline (270) to the bottom (600): the chart's
        # baseline at 540, three 8-pixel bars from CurveLeft 100.
        fy = lambda y: (y - 270) * h / 330  # noqa: E731
        bars = pixels(rows, blue) + pixels(rows, yellow)
        check(len(bars) > 10, '%s: no bars' % kind)
        check(all(fx(98) <= x <= fx(126) and fy(330) <= y <= fy(542) for x, y in bars),
              '%s: bars outside the chart: %s' % (kind, sorted(bars)[:5]))
        base = round(fy(540))
        line = [x for x, y in pixels(rows, black) if abs(y - base) <= 1]
        check(line and min(line) < fx(110) and max(line) > fx(690), '%s: no baseline at row %d' % (kind, base))
        check(base < h - 5, '%s: baseline off the page' % kind)
    else:
        # The table's last column ends 20 layout pixels before the page's right edge.
        ink = pixels(rows, black, 100)
        check(ink, 'parameters: nothing printed')
        check(max(x for x, _ in ink) <= fx(782), 'parameters: the table runs off the page')
        check_cells(text)
    print('%s page: %d x %d, text and picture as mapped' % (kind, w, h))


main()
