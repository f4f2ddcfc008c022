#!/usr/bin/env python3
"""Statistics files for the end-to-end tests.

  stats_file.py history FILE N      a whole statistics file: N cycles of cut 1 and N // 2 of cut 2,
                                    each entry different from its neighbours
  stats_file.py index FILE CUT      print the writeIndex of CUT (1..16)
  stats_file.py check FILE          the file loads: its size is the block's and every index lies in
                                    its ring; prints the writeIndex of cut 1
  stats_file.py entries FILE CUT N  print the first N entries of CUT as "peak/work" words
"""
import struct
import sys

SIZE = 1600096
ENTRIES = 50000


def history(path, n):
    block = bytearray(SIZE)
    for cut, count in ((0, n), (1, n // 2)):
        struct.pack_into('<H', block, 32 + 2 * cut, count)
        for i in range(count):
            off = 96 + cut * 100000 + 2 * i
            block[off] = 20 + (7 * i + cut) % 80
            block[off + 1] = (3 * i + cut) % 101
    open(path, 'wb').write(block)


def indexes(block):
    return struct.unpack_from('<16H', block, 32), struct.unpack_from('<16H', block, 64)


def main(verb, args):
    if verb == 'history':
        history(args[0], int(args[1]))
        return 0
    block = open(args[0], 'rb').read()
    if verb == 'index':
        print(indexes(block)[0][int(args[1]) - 1])
        return 0
    if verb == 'check':
        if len(block) != SIZE:
            print('size %d, not %d' % (len(block), SIZE))
            return 1
        writes, wraps = indexes(block)
        if any(w >= ENTRIES for w in writes + wraps):
            print('an index outside its ring', writes, wraps)
            return 1
        print(writes[0])
        return 0
    if verb == 'entries':
        cut, n = int(args[1]) - 1, int(args[2])
        print(' '.join('%d/%d' % (block[96 + cut * 100000 + 2 * i], block[97 + cut * 100000 + 2 * i])
                       for i in range(n)))
        return 0
    print('unknown verb', verb)
    return 2


if __name__ == '__main__':
    sys.exit(main(sys.argv[1], sys.argv[2:]))
