#!/usr/bin/env python3
"""Writes a PWAD whose level MAP01 repeats one room pattern on a square grid.

The room: a 256 x 256 square with a square pillar (a hole in the floor sector)
and a raised platform of its own sector, tagged and lowered by a switch line
(special 62), so that each room has a concave sector to subdivide, one-sided
walls, two-sided lines with steps, a mover and its trigger. Odd rooms flicker
(sector special 1). Every room holds a lamp; the first one a player start.

Indices are unsigned 16-bit, so a level of up to 65535 vertices, sidedefs,
lines and segs can be written (58 rooms a side give over 40,000 of each).

Nodes: the rooms are split in halves along the gaps between them, alternately
across x and y; each room is one subsector that starts with a seg of its own
floor sector, so a point in a room is found in that room's floor sector.

    bench/gen_level.py OUT.WAD ROOMS_PER_SIDE
"""

import math
import struct
import sys

CELL = 384  # grid step; a room is 256 units wide, so 128 units lie between rooms
ROOM = 256

# Corners of the outline, the pillar and the platform, relative to the room.
OUTER = [(0, 0), (0, ROOM), (ROOM, ROOM), (ROOM, 0)]  # clockwise: room on the right
PILLAR = [(48, 48), (80, 48), (80, 80), (48, 80)]  # counter-clockwise: room on the right
PLATFORM = [(144, 144), (208, 144), (208, 208), (144, 208)]  # room on the right, platform left


def name8(text):
    return text.encode("ascii").ljust(8, b"\0")


def angle_of(x1, y1, x2, y2):
    return int(math.atan2(y2 - y1, x2 - x1) * 32768 / math.pi) & 0xFFFF


def build(rooms_per_side):
    vertexes, lines, sides, sectors, segs, subsectors, nodes, things = [], [], [], [], [], [], [], []
    cells = [(cx, cy) for cy in range(rooms_per_side) for cx in range(rooms_per_side)]
    for index, (cx, cy) in enumerate(cells):
        ox, oy = cx * CELL, cy * CELL
        tag = index + 1
        floor_sector = len(sectors)
        sectors.append((0, 128, "FLOOR4_8", "CEIL3_5", 160, 1 if index % 2 else 0, 0))
        sectors.append((24, 128, "FLOOR4_8", "CEIL3_5", 160, 0, tag))
        platform_sector = floor_sector + 1
        first_seg = len(segs)

        def add_loop(corners, front, back, special_first):
            base = len(vertexes)
            vertexes.extend((ox + x, oy + y) for x, y in corners)
            for k in range(len(corners)):
                v1, v2 = base + k, base + (k + 1) % len(corners)
                front_side = len(sides)
                if back is None:
                    sides.append((0, 0, "-", "-", "STARTAN3", front))
                    back_side, flags = -1, 1  # impassable
                else:
                    sides.append((0, 0, "-", "STEP1", "-", front))
                    sides.append((0, 0, "-", "-", "-", back))
                    back_side, flags = front_side + 1, 4  # two-sided
                special = 62 if (special_first and k == 0) else 0
                line = len(lines)
                lines.append((v1, v2, flags, special, tag if special else 0, front_side,
                              back_side))
                (x1, y1), (x2, y2) = vertexes[v1], vertexes[v2]
                segs.append((v1, v2, angle_of(x1, y1, x2, y2), line, 0, 0))
                if back is not None:
                    segs.append((v2, v1, angle_of(x2, y2, x1, y1), line, 1, 0))

        add_loop(OUTER, floor_sector, None, False)
        add_loop(PILLAR, floor_sector, None, False)
        add_loop(PLATFORM, floor_sector, platform_sector, True)
        subsectors.append((len(segs) - first_seg, first_seg))
        things.append((ox + 220, oy + 30, 90, 2028, 7))  # floor lamp
        if index == 0:
            things.append((ox + 128, oy + 20, 90, 1, 7))  # player start

    def bbox(group):
        xs = [c[0] * CELL for c in group]
        ys = [c[1] * CELL for c in group]
        return (max(ys) + ROOM, min(ys), min(xs), max(xs) + ROOM)  # top, bottom, left, right

    def split(group):
        if len(group) == 1:
            return 0x8000 | cells.index(group[0])
        xs = sorted({c[0] for c in group})
        ys = sorted({c[1] for c in group})
        if len(xs) >= len(ys):
            mid = xs[len(xs) // 2]
            right = [c for c in group if c[0] >= mid]  # east of the line x = mid * CELL - 64
            left = [c for c in group if c[0] < mid]
            line = (mid * CELL - 64, 0, 0, 1)
        else:
            mid = ys[len(ys) // 2]
            right = [c for c in group if c[1] < mid]  # south of the line y = mid * CELL - 64
            left = [c for c in group if c[1] >= mid]
            line = (0, mid * CELL - 64, 1, 0)
        right_child = split(right)
        left_child = split(left)
        nodes.append(line + bbox(right) + bbox(left) + (right_child, left_child))
        return len(nodes) - 1

    split(cells)
    return vertexes, lines, sides, sectors, segs, subsectors, nodes, things


def write_wad(path, rooms_per_side):
    """Writes the WAD; gives the numbers of lines and sectors of its level."""
    vertexes, lines, sides, sectors, segs, subsectors, nodes, things = build(rooms_per_side)
    lumps = [
        ("MAP01", b""),
        ("THINGS", b"".join(struct.pack("<5h", *t) for t in things)),
        ("LINEDEFS", b"".join(struct.pack("<2H3h2H", *l[:5], l[5], l[6] & 0xFFFF) for l in lines)),
        ("SIDEDEFS", b"".join(struct.pack("<2h8s8s8sH", s[0], s[1], name8(s[2]), name8(s[3]),
                                          name8(s[4]), s[5]) for s in sides)),
        ("VERTEXES", b"".join(struct.pack("<2h", *v) for v in vertexes)),
        ("SEGS", b"".join(struct.pack("<HHHHhh", *s) for s in segs)),
        ("SSECTORS", b"".join(struct.pack("<2H", *s) for s in subsectors)),
        ("NODES", b"".join(struct.pack("<12h2H", *n) for n in nodes)),
        ("SECTORS", b"".join(struct.pack("<2h8s8s3h", s[0], s[1], name8(s[2]), name8(s[3]),
                                         s[4], s[5], s[6]) for s in sectors)),
        ("REJECT", b""),
        ("BLOCKMAP", b""),
    ]
    body = b""
    directory = b""
    offset = 12
    for name, data in lumps:
        directory += struct.pack("<ii8s", offset, len(data), name8(name))
        body += data
        offset += len(data)
    with open(path, "wb") as f:
        f.write(b"PWAD" + struct.pack("<ii", len(lumps), offset))
        f.write(body)
        f.write(directory)
    return len(lines), len(sectors)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        raise SystemExit(__doc__)
    lines, sectors = write_wad(sys.argv[1], int(sys.argv[2]))
    print("%s: %d lines, %d sectors" % (sys.argv[1], lines, sectors))
