#!/usr/bin/env python3
"""Writes the bundled sample PWAD (data/SAMPLE.WAD) from nothing but this file.

The WAD holds its own palette (PLAYPAL, 14 palettes), eight patches in Doom
picture format, PNAMES, TEXTURE1 with ten wall textures, seven flats between
F_START/F_END (with F1_START/F1_END inside) and one level, MAP01, that shows
what brakt converts:

  A  start hall, concave: a square pillar stands in it; player start, a
     zombieman, a shotgun, a stimpack, a floor lamp (2028) and a candle (34);
     a switch in its south wall (103, tag 1) opens the west door D3
  D1 manual door (special 1 on both sides) east to room B
  B  room with a lift L (switch 62 on the lift's face, tag 2) up to ledge E,
     and a grate (two-sided line, middle texture GRATE1, with a step) in front
     of the flickering alcove F (sector special 17) where an imp waits
  E  ledge at height 64 holding the blue key and an ammo box
  D2 blue-key door (special 26 on both sides) north to courtyard C
  C  courtyard under the sky (F_SKY1 ceiling) with a nukage pool P (sector
     special 5, 10% damage) and a teleporter pad T (special 97 lines, tag 5)
  D3 door opened by the switch in A (tag 1) west to a corridor
  W1, K, W2  corridor with a crusher K (walk line 73, tag 3) in its middle
  S1..S4 stairs (walk line 8 on the first step, tag 4) up to the exit room
  X  exit room: exit switch (special 11), a candelabra (35) and the landing
     pad Z (tag 5) with the teleport destination (thing 14)

The level is written without nodes; make_sample.sh runs zdbsp on it and then
this script again with --check, which verifies the finished WAD.

  make_sample.py --write OUT.WAD   the WAD without SEGS/SSECTORS/NODES contents
  make_sample.py --check WAD       exit 1 unless WAD is a sound sample
"""

import struct
import sys

# ----------------------------------------------------------------------------
# Deterministic pseudo-random numbers (a 32-bit LCG), so that the images are
# the same on every machine and with every Python.


class Lcg:
    def __init__(self, seed):
        self.state = seed & 0xFFFFFFFF

    def next(self, n):
        """A number from 0 to n - 1."""
        self.state = (self.state * 1103515245 + 12345) & 0xFFFFFFFF
        return (self.state >> 16) % n


# ----------------------------------------------------------------------------
# Palette: 14 ramps of 16 shades (indices 0..223, the colours that pavlunt
# matches averaged MIP texels against), then 32 further colours.

RAMPS = [
    # name, darkest colour, brightest colour
    ("grey", (0, 0, 0), (240, 240, 240)),
    ("brick", (40, 10, 6), (220, 110, 80)),
    ("tan", (44, 32, 18), (232, 200, 150)),
    ("brown", (30, 20, 10), (170, 120, 70)),
    ("red", (48, 0, 0), (255, 60, 40)),
    ("orange", (56, 24, 0), (255, 170, 60)),
    ("yellow", (50, 44, 0), (255, 240, 110)),
    ("green", (0, 36, 0), (120, 255, 90)),
    ("olive", (26, 30, 10), (160, 176, 96)),
    ("steel", (12, 18, 30), (170, 190, 220)),
    ("blue", (0, 0, 56), (80, 120, 255)),
    ("sky", (30, 50, 90), (200, 220, 250)),
    ("purple", (30, 0, 40), (210, 120, 240)),
    ("flesh", (50, 30, 24), (250, 200, 170)),
]


def ramp(name, shade):
    """Palette index of shade 0 (dark) .. 15 (bright) of a ramp."""
    for i, r in enumerate(RAMPS):
        if r[0] == name:
            return i * 16 + max(0, min(15, shade))
    raise KeyError(name)


def base_palette():
    colours = []
    for _, dark, bright in RAMPS:
        for s in range(16):
            colours.append(tuple(dark[c] + (bright[c] - dark[c]) * s // 15 for c in range(3)))
    # 224..255: a warm grey ramp, pavlunt's matching leaves these out.
    for s in range(32):
        v = 8 + s * 7
        colours.append((v, v * 15 // 16, v * 7 // 8))
    assert len(colours) == 256
    assert (0, 255, 255) not in colours  # the key colour of the texture file
    return colours


def playpal():
    """14 palettes: normal, 8 red (pain), 4 yellow (pickup), 1 green (suit)."""
    base = base_palette()
    out = bytearray()

    def blend(target, amount):
        for r, g, b in base:
            out.extend((r + (target[0] - r) * amount // 100, g + (target[1] - g) * amount // 100,
                        b + (target[2] - b) * amount // 100))

    blend((0, 0, 0), 0)
    for i in range(1, 9):
        blend((255, 0, 0), i * 100 // 9)
    for i in range(1, 5):
        blend((215, 186, 69), i * 100 // 8)
    blend((0, 255, 0), 12)
    assert len(out) == 14 * 768
    return bytes(out)


# ----------------------------------------------------------------------------
# Images: lists of rows of palette indices; None is a transparent texel.


def image(width, height, texel):
    return [[texel(x, y) for x in range(width)] for y in range(height)]


def brick_wall():
    rnd = Lcg(7)
    noise = [[rnd.next(3) for _ in range(64)] for _ in range(128)]

    def texel(x, y):
        row = y // 16
        shift = 16 if row % 2 else 0
        if y % 16 in (14, 15) or (x + shift) % 32 in (30, 31):
            return ramp("grey", 5 + noise[y][x])
        return ramp("brick", 6 + noise[y][x] + (2 if y % 16 < 2 else 0))

    return image(64, 128, texel)


def switch_plate(lit):
    def texel(x, y):
        if x in (0, 31) or y in (0, 31):
            return ramp("grey", 4)
        if 10 <= x <= 21 and 6 <= y <= 25:
            if 12 <= y <= 19:
                return ramp("green", 13) if lit else ramp("red", 12)
            return ramp("grey", 2)
        return ramp("steel", 9 + (x + y) % 2)

    return image(32, 32, texel)


def door_panel():
    def texel(x, y):
        if x in (0, 63) or y in (0, 63):
            return ramp("steel", 3)
        if x % 16 == 8 and y % 16 == 8:
            return ramp("grey", 14)  # rivets
        if 28 <= x <= 35:
            return ramp("steel", 6)
        return ramp("steel", 10 - (y // 8) % 2)

    return image(64, 64, texel)


def blue_badge():
    return image(16, 16, lambda x, y: ramp("blue", 15 - max(abs(2 * x - 15), abs(2 * y - 15)) // 3))


def grate():
    # Bars 4 texels wide every 16 texels; everything else is transparent, so
    # most columns are several posts.
    def texel(x, y):
        if x % 16 < 4 or y % 16 < 4:
            return ramp("grey", 7 + (x + y) % 3)
        return None

    return image(64, 64, texel)


def sky():
    rnd = Lcg(99)
    cloud = [[rnd.next(4) for _ in range(128)] for _ in range(128)]

    def texel(x, y):
        if y > 100:
            return ramp("brown", 2 + (x * 7 + y) % 3)  # distant hills
        shade = 4 + y // 10 + cloud[y][x] // 2
        return ramp("sky", shade)

    return image(128, 128, texel)


def metal_plate():
    def texel(x, y):
        if (x + y) % 8 == 0:
            return ramp("steel", 4)
        if x in (0, 63) or y in (0, 63):
            return ramp("steel", 2)
        return ramp("olive", 8 + (x // 4 + y // 4) % 2)

    return image(64, 64, texel)


def flat(kind):
    rnd = Lcg(len(kind) * 31 + ord(kind[0]))
    noise = [[rnd.next(3) for _ in range(64)] for _ in range(64)]

    def texel(x, y):
        n = noise[y][x]
        if kind == "FLOOR1":
            if x % 32 == 0 or y % 32 == 0:
                return ramp("grey", 4)
            return ramp("tan", 7 + n)
        if kind == "CEIL1":
            if x % 16 == 0 or y % 16 == 0:
                return ramp("grey", 3)
            return ramp("grey", 8 + n)
        if kind == "STEP1":
            return ramp("steel", 4 if y % 8 == 0 else 8 + n)
        if kind == "GATE1":
            d = max(abs(2 * x - 63), abs(2 * y - 63)) // 2
            return ramp("purple", 15 - d // 3) if d % 6 else ramp("grey", 14)
        if kind == "NUKAGE1":
            return ramp("green", 6 + n * 2 + ((x // 8 + y // 8) % 2))
        if kind == "F_SKY1":
            return ramp("sky", 10 + n)
        if kind == "LIGHT1":
            if 8 <= x < 56 and 8 <= y < 56:
                return ramp("yellow", 14 + (n > 1))
            return ramp("grey", 6)
        raise KeyError(kind)

    data = bytes(texel(x, y) for y in range(64) for x in range(64))
    assert len(data) == 4096
    return data


def picture(img):
    """Doom picture format: header, column offsets, columns of posts."""
    height = len(img)
    width = len(img[0])
    columns = []
    for x in range(width):
        col = bytearray()
        y = 0
        while y < height:
            if img[y][x] is None:
                y += 1
                continue
            top = y
            while y < height and img[y][x] is not None:
                y += 1
            texels = bytes(img[r][x] for r in range(top, y))
            col += bytes((top, len(texels), 0)) + texels + b"\0"
        col += b"\xff"
        columns.append(bytes(col))
    head = struct.pack("<hhhh", width, height, width // 2, height - 8)
    offset = len(head) + 4 * width
    offsets = bytearray()
    for col in columns:
        offsets += struct.pack("<i", offset)
        offset += len(col)
    return head + bytes(offsets) + b"".join(columns)


PATCHES = [
    ("WALLPAT", brick_wall),
    ("SWOFFPAT", lambda: switch_plate(False)),
    ("SWONPAT", lambda: switch_plate(True)),
    ("DOORPAT", door_panel),
    ("BLUEPAT", blue_badge),
    ("GRATEPAT", grate),
    ("SKYPAT", sky),
    ("METLPAT", metal_plate),
]

# name, width, height, [(x, y, patch name)]
TEXTURES = [
    ("BRICK1", 64, 128, [(0, 0, "WALLPAT")]),
    ("SW1BRIK", 64, 128, [(0, 0, "WALLPAT"), (16, 48, "SWOFFPAT")]),
    ("SW2BRIK", 64, 128, [(0, 0, "WALLPAT"), (16, 48, "SWONPAT")]),
    ("SW1METL", 64, 64, [(0, 0, "METLPAT"), (16, 16, "SWOFFPAT")]),
    ("SW2METL", 64, 64, [(0, 0, "METLPAT"), (16, 16, "SWONPAT")]),
    ("DOOR1", 64, 128, [(0, 0, "DOORPAT"), (0, 64, "DOORPAT")]),
    ("DOORBLU", 64, 128, [(0, 0, "DOORPAT"), (0, 64, "DOORPAT"), (24, 24, "BLUEPAT"),
                          (24, 88, "BLUEPAT")]),
    ("METAL1", 64, 64, [(0, 0, "METLPAT")]),
    ("GRATE1", 64, 64, [(0, 0, "GRATEPAT")]),
    ("SKY1", 256, 128, [(0, 0, "SKYPAT"), (128, 0, "SKYPAT")]),
]

FLATS = ["FLOOR1", "CEIL1", "STEP1", "GATE1", "NUKAGE1", "F_SKY1", "LIGHT1"]


def name8(name):
    data = name.encode("ascii")
    assert len(data) <= 8, name
    return data + b"\0" * (8 - len(data))


def pnames():
    return struct.pack("<i", len(PATCHES)) + b"".join(name8(n) for n, _ in PATCHES)


def texture1():
    index = {n: i for i, (n, _) in enumerate(PATCHES)}
    records = []
    for name, width, height, patches in TEXTURES:
        rec = name8(name) + struct.pack("<ihhih", 0, width, height, 0, len(patches))
        for x, y, patch in patches:
            rec += struct.pack("<hhhhh", x, y, index[patch], 1, 0)
        records.append(rec)
    head_size = 4 + 4 * len(records)
    out = bytearray(struct.pack("<i", len(records)))
    offset = head_size
    for rec in records:
        out += struct.pack("<i", offset)
        offset += len(rec)
    return bytes(out) + b"".join(records)


# ----------------------------------------------------------------------------
# The level. Sectors are drawn as loops of points: the outer boundary
# clockwise (the sector on the right of every edge, as Doom wants it), holes
# counter-clockwise. Lines are made from the loops: an edge drawn by two
# sectors in opposite directions becomes one two-sided line.


def rect(x0, y0, x1, y1):
    """A clockwise loop: the inside is on the right of every edge."""
    return [(x0, y0), (x0, y1), (x1, y1), (x1, y0)]


def hole(x0, y0, x1, y1):
    """A counter-clockwise loop: a hole, the surrounding sector on the right."""
    return [(x0, y0), (x1, y0), (x1, y1), (x0, y1)]


class Sec:
    def __init__(self, name, loops, floor, ceil, floor_flat="FLOOR1", ceil_flat="CEIL1", light=160,
                 special=0, tag=0, rank=0, wall="BRICK1", door=None, moving_floor=False,
                 moving_ceil=False):
        self.name = name
        self.loops = loops
        self.floor = floor
        self.ceil = ceil
        self.floor_flat = floor_flat
        self.ceil_flat = ceil_flat
        self.light = light
        self.special = special
        self.tag = tag
        self.rank = rank  # a two-sided line's front side faces the lower rank
        self.wall = wall  # texture of its walls, and of steps seen from it
        self.door = door  # texture its neighbours show above a closed door
        self.moving_floor = moving_floor
        self.moving_ceil = moving_ceil


# A south wall with a switch section, a west wall with an exit switch section.
HALL = [(0, 0), (0, 384), (512, 384), (512, 0), (288, 0), (224, 0)]
EXIT_ROOM = [(-768, 96), (-768, 160), (-768, 224), (-768, 288), (-512, 288), (-512, 96)]
ROOM_B = [(528, 64), (528, 320), (912, 320), (912, 224), (848, 224), (848, 160), (912, 160),
          (912, 64)]

SECTORS = [
    Sec("A", [HALL, hole(224, 160, 288, 224)], 0, 128, light=192),
    Sec("D1", [rect(512, 160, 528, 224)], 0, 0, rank=10, wall="METAL1", door="DOOR1",
        moving_ceil=True),
    Sec("B", [ROOM_B], 0, 160),
    Sec("F", [rect(656, 320, 784, 384)], 16, 128, ceil_flat="LIGHT1", light=192, special=17,
        rank=10),
    Sec("L", [rect(848, 160, 912, 224)], 64, 160, floor_flat="STEP1", tag=2, rank=10,
        wall="METAL1", moving_floor=True),
    Sec("E", [rect(912, 64, 1040, 320)], 64, 160),
    Sec("D2", [rect(224, 384, 288, 400)], 0, 0, rank=10, wall="METAL1", door="DOORBLU",
        moving_ceil=True),
    Sec("C", [rect(96, 400, 416, 784), hole(128, 600, 288, 744), hole(320, 656, 384, 720)], 0,
        256, ceil_flat="F_SKY1", light=255),
    Sec("P", [rect(128, 600, 288, 744)], -8, 256, floor_flat="NUKAGE1", ceil_flat="F_SKY1",
        light=255, special=5, rank=10, wall="METAL1"),
    Sec("T", [rect(320, 656, 384, 720)], 0, 256, floor_flat="GATE1", ceil_flat="F_SKY1",
        light=255, rank=10),
    Sec("D3", [rect(-16, 160, 0, 224)], 0, 0, tag=1, rank=10, wall="METAL1", door="DOOR1",
        moving_ceil=True),
    Sec("W1", [rect(-192, 160, -16, 224)], 0, 128, light=144),
    Sec("K", [rect(-256, 160, -192, 224)], 0, 128, ceil_flat="STEP1", light=144, tag=3, rank=10,
        moving_ceil=True),
    Sec("W2", [rect(-384, 160, -256, 224)], 0, 128, light=144),
    Sec("S1", [rect(-416, 160, -384, 224)], 0, 128, floor_flat="STEP1", tag=4, rank=1,
        wall="METAL1", moving_floor=True),
    Sec("S2", [rect(-448, 160, -416, 224)], 0, 128, floor_flat="STEP1", rank=2, wall="METAL1",
        moving_floor=True),
    Sec("S3", [rect(-480, 160, -448, 224)], 0, 128, floor_flat="STEP1", rank=3, wall="METAL1",
        moving_floor=True),
    Sec("S4", [rect(-512, 160, -480, 224)], 0, 128, floor_flat="STEP1", rank=4, wall="METAL1",
        moving_floor=True),
    Sec("X", [EXIT_ROOM, hole(-704, 160, -640, 224)], 40, 168, ceil_flat="LIGHT1", light=176,
        rank=5),
    Sec("Z", [rect(-704, 160, -640, 224)], 40, 168, floor_flat="GATE1", ceil_flat="LIGHT1",
        light=176, tag=5, rank=10),
]

# Thing type, x, y, angle: every type is one that data/BRKT_OBJ.TXT lists.
THINGS = [
    (1, 96, 96, 90, "A"),         # player 1 start
    (2028, 448, 320, 0, "A"),     # floor lamp: a light-giving decoration
    (34, 256, 136, 0, "A"),       # candle: a light-giving decoration
    (3004, 416, 256, 180, "A"),   # zombieman
    (2001, 160, 288, 0, "A"),     # shotgun
    (2011, 96, 320, 0, "A"),      # stimpack
    (9, 720, 128, 180, "B"),      # shotgun guy
    (3001, 720, 352, 270, "F"),   # imp behind the grate
    (5, 976, 192, 0, "E"),        # blue key card
    (2048, 976, 272, 0, "E"),     # box of bullets
    (3001, 384, 752, 270, "C"),   # imp
    (2012, 128, 448, 0, "C"),     # medikit
    (2008, -96, 192, 0, "W1"),    # shells
    (3002, -320, 192, 0, "W2"),   # demon
    (14, -672, 192, 0, "Z"),      # teleport destination
    (35, -736, 256, 0, "X"),      # candelabra: a light-giving decoration
    (2007, -560, 128, 0, "X"),    # clip
]

# Lines with a special: (front sector, back sector or None, start, end) ->
# (special, tag, texture override of the front side as (part, name)).
SWITCH_103 = ("A", None, (288, 0), (224, 0))
EXIT_11 = ("X", None, (-768, 160), (-768, 224))
LIFT_62 = ("B", "L", (848, 224), (848, 160))


def line_special(front, back, p, q):
    key = (front, back, p, q)
    if key == SWITCH_103:
        return 103, 1, ("middle", "SW1BRIK")  # S1 open door (stays open), tag 1
    if key == EXIT_11:
        return 11, 0, ("middle", "SW1BRIK")   # S1 exit
    if key == LIFT_62:
        return 62, 2, ("lower", "SW1METL")    # SR lift, tag 2
    pair = (front, back)
    if pair in (("A", "D1"), ("B", "D1")):
        return 1, 0, None                     # DR door, opened by hand
    if pair in (("A", "D2"), ("C", "D2")):
        return 26, 0, None                    # DR door, needs the blue key
    if pair == ("W1", "K"):
        return 73, 3, None                    # WR slow crusher, tag 3
    if pair == ("W2", "S1"):
        return 8, 4, None                     # W1 raise stairs 8 units, tag 4
    if pair == ("C", "T"):
        return 97, 5, None                    # WR teleport, tag 5
    return 0, 0, None


GRATE_PAIR = ("B", "F")

ML_BLOCKING = 1
ML_TWOSIDED = 4
ML_DONTPEGBOTTOM = 16


def on_segment(p, a, b):
    """Whether p lies on segment a-b, strictly between its ends."""
    if p == a or p == b:
        return False
    cross = (b[0] - a[0]) * (p[1] - a[1]) - (b[1] - a[1]) * (p[0] - a[0])
    if cross != 0:
        return False
    dot = (p[0] - a[0]) * (b[0] - a[0]) + (p[1] - a[1]) * (b[1] - a[1])
    return 0 < dot < (b[0] - a[0]) ** 2 + (b[1] - a[1]) ** 2


def build_level():
    points = []
    for sec in SECTORS:
        for loop in sec.loops:
            for pt in loop:
                if pt not in points:
                    points.append(pt)

    # Directed edges per sector, split where another loop's point lies on them.
    directed = []  # (sector index, p, q)
    for si, sec in enumerate(SECTORS):
        for loop in sec.loops:
            for k in range(len(loop)):
                a, b = loop[k], loop[(k + 1) % len(loop)]
                inner = [p for p in points if on_segment(p, a, b)]
                inner.sort(key=lambda p: abs(p[0] - a[0]) + abs(p[1] - a[1]))
                chain = [a] + inner + [b]
                for i in range(len(chain) - 1):
                    directed.append((si, chain[i], chain[i + 1]))

    owners = {}
    for si, p, q in directed:
        key = frozenset((p, q))
        owners.setdefault(key, []).append((si, p, q))

    vertexes = []
    vindex = {}

    def vertex(pt):
        if pt not in vindex:
            vindex[pt] = len(vertexes)
            vertexes.append(pt)
        return vindex[pt]

    lines = []
    sides = []
    done = set()
    for si, p, q in directed:
        key = frozenset((p, q))
        if key in done:
            continue
        done.add(key)
        own = owners[key]
        if len(own) == 1:
            front, back = own[0], None
        else:
            if len(own) != 2 or own[0][1] != own[1][2]:
                raise SystemExit("edge %s-%s is drawn wrongly by %s" % (p, q, own))
            front, back = sorted(own, key=lambda o: (SECTORS[o[0]].rank, o[0]))
        fs = SECTORS[front[0]]
        bs = SECTORS[back[0]] if back else None
        lp, lq = front[1], front[2]
        special, tag, override = line_special(fs.name, bs.name if bs else None, lp, lq)

        def side(this, other):
            s = {"upper": "-", "lower": "-", "middle": "-", "sector": SECTORS.index(this)}
            if other is None:
                s["middle"] = this.wall
                return s
            if this.ceil > other.ceil or other.moving_ceil:
                s["upper"] = other.door or this.wall
            if other.floor > this.floor or other.moving_floor or this.moving_floor:
                s["lower"] = "METAL1" if (other.moving_floor or this.moving_floor) else this.wall
            return s

        flags = ML_BLOCKING
        front_side = side(fs, bs)
        if bs is not None:
            flags = ML_TWOSIDED
            back_side = side(bs, fs)
            if (fs.name, bs.name) == GRATE_PAIR:
                flags |= ML_BLOCKING
                front_side["middle"] = "GRATE1"
                back_side["middle"] = "GRATE1"
        elif fs.door is not None:
            flags |= ML_DONTPEGBOTTOM  # door jambs stay put while the door moves
        if override:
            front_side[override[0]] = override[1]
        right = len(sides)
        sides.append(front_side)
        left = -1
        if bs is not None:
            left = len(sides)
            sides.append(back_side)
        lines.append({"v1": vertex(lp), "v2": vertex(lq), "flags": flags, "special": special,
                      "tag": tag, "right": right, "left": left})
    return vertexes, lines, sides


def level_lumps():
    vertexes, lines, sides = build_level()
    things = b"".join(struct.pack("<hhhhh", x, y, angle, kind, 7)
                      for kind, x, y, angle, _ in THINGS)
    linedefs = b"".join(struct.pack("<hhhhhhh", ln["v1"], ln["v2"], ln["flags"], ln["special"],
                                    ln["tag"], ln["right"], ln["left"]) for ln in lines)
    sidedefs = b"".join(struct.pack("<hh", 0, 0) + name8(s["upper"]) + name8(s["lower"]) +
                        name8(s["middle"]) + struct.pack("<h", s["sector"]) for s in sides)
    verts = b"".join(struct.pack("<hh", x, y) for x, y in vertexes)
    sectors = b"".join(struct.pack("<hh", s.floor, s.ceil) + name8(s.floor_flat) +
                       name8(s.ceil_flat) + struct.pack("<hhh", s.light, s.special, s.tag)
                       for s in SECTORS)
    return [("MAP01", b""), ("THINGS", things), ("LINEDEFS", linedefs), ("SIDEDEFS", sidedefs),
            ("VERTEXES", verts), ("SEGS", b""), ("SSECTORS", b""), ("NODES", b""),
            ("SECTORS", sectors), ("REJECT", b""), ("BLOCKMAP", b"")]


def wad_bytes(lumps):
    body = bytearray()
    directory = bytearray()
    offset = 12
    for name, data in lumps:
        directory += struct.pack("<ii", offset if data else 0, len(data)) + name8(name)
        body += data
        offset += len(data)
    return b"PWAD" + struct.pack("<ii", len(lumps), offset) + bytes(body) + bytes(directory)


def all_lumps():
    lumps = [("PLAYPAL", playpal())]
    lumps += level_lumps()
    lumps.append(("PNAMES", pnames()))
    lumps.append(("TEXTURE1", texture1()))
    lumps.append(("P_START", b""))
    lumps += [(name, picture(make())) for name, make in PATCHES]
    lumps.append(("P_END", b""))
    lumps += [("F_START", b""), ("F1_START", b"")]
    lumps += [(name, flat(name)) for name in FLATS]
    lumps += [("F1_END", b""), ("F_END", b"")]
    return lumps


# ----------------------------------------------------------------------------
# Checks of the finished WAD (after the node builder).


def read_wad(path):
    with open(path, "rb") as f:
        data = f.read()
    ident, count, diroff = struct.unpack_from("<4sii", data, 0)
    if ident != b"PWAD":
        raise SystemExit("%s: not a PWAD" % path)
    lumps = []
    for i in range(count):
        off, size, raw = struct.unpack_from("<ii8s", data, diroff + 16 * i)
        if off < 0 or size < 0 or off + size > len(data):
            raise SystemExit("%s: lump %d lies outside the file" % (path, i))
        lumps.append((raw.rstrip(b"\0").decode("ascii"), data[off:off + size]))
    return lumps


def records(data, fmt):
    size = struct.calcsize(fmt)
    if len(data) % size:
        raise SystemExit("lump size %d is not a multiple of %d" % (len(data), size))
    return [struct.unpack_from(fmt, data, i) for i in range(0, len(data), size)]


def check(path):
    lumps = read_wad(path)
    names = [n for n, _ in lumps]
    problems = []

    start = names.index("MAP01")
    level = {}
    for name, data in lumps[start + 1:]:
        if name in level or name not in ("THINGS", "LINEDEFS", "SIDEDEFS", "VERTEXES", "SEGS",
                                         "SSECTORS", "NODES", "SECTORS", "REJECT", "BLOCKMAP"):
            break
        level[name] = data
    for need in ("THINGS", "LINEDEFS", "SIDEDEFS", "VERTEXES", "SEGS", "SSECTORS", "NODES",
                 "SECTORS"):
        if not level.get(need):
            problems.append("MAP01 has no %s data" % need)
    if problems:
        raise SystemExit("\n".join(problems))
    for lump in ("NODES", "SEGS", "SSECTORS"):
        head = level[lump][:4]
        if head in (b"XNOD", b"ZNOD", b"XGLN", b"ZGLN", b"XGL2", b"ZGL2", b"XGL3", b"ZGL3",
                    b"gNd2", b"gNd3", b"gNd5"):
            problems.append("%s is in an extended or compressed format (%r)" % (lump, head))
    if any(n.startswith("GL_") for n in names):
        problems.append("the WAD holds GL node lumps")

    # The node builder may add vertices for split segs at the end, and must
    # change nothing else that the generator wrote.
    drawn = dict(level_lumps())
    for lump in ("THINGS", "LINEDEFS", "SIDEDEFS", "SECTORS"):
        if level[lump] != drawn[lump]:
            problems.append("%s differs from the generator's" % lump)
    if level["VERTEXES"][:len(drawn["VERTEXES"])] != drawn["VERTEXES"]:
        problems.append("VERTEXES does not begin with the generator's vertices")
    num_secs = len(level["SECTORS"]) // 26
    if len(level.get("REJECT", b"")) != (num_secs * num_secs + 7) // 8:
        problems.append("REJECT does not have one bit per pair of sectors")

    verts = records(level["VERTEXES"], "<hh")
    lines = records(level["LINEDEFS"], "<hhhhhhh")
    sides = records(level["SIDEDEFS"], "<hh8s8s8sh")
    secs = records(level["SECTORS"], "<hh8s8shhh")
    segs = records(level["SEGS"], "<hhhhhh")
    ssecs = records(level["SSECTORS"], "<hh")
    nodes = records(level["NODES"], "<hhhhhhhhhhhhhh")
    things = records(level["THINGS"], "<hhhhh")

    # Indices in range.
    for i, (v1, v2, _, _, _, right, left) in enumerate(lines):
        if not (0 <= v1 < len(verts) and 0 <= v2 < len(verts)) or v1 == v2:
            problems.append("line %d: bad vertices" % i)
        if not 0 <= right < len(sides) or not (left == -1 or 0 <= left < len(sides)):
            problems.append("line %d: bad sides" % i)
    for i, s in enumerate(sides):
        if not 0 <= s[5] < len(secs):
            problems.append("side %d: bad sector" % i)
    for i, (v1, v2, _, line, direction, _) in enumerate(segs):
        if not (0 <= v1 < len(verts) and 0 <= v2 < len(verts) and 0 <= line < len(lines)
                and direction in (0, 1)):
            problems.append("seg %d: bad fields" % i)
    for i, (count, first) in enumerate(ssecs):
        if count <= 0 or first < 0 or first + count > len(segs):
            problems.append("subsector %d: bad segs" % i)
    for i, node in enumerate(nodes):
        for child in node[12:14]:
            child &= 0xFFFF
            limit = len(ssecs) if child & 0x8000 else i
            if (child & 0x7FFF) >= limit:
                problems.append("node %d: bad child %#x" % (i, child))

    # Every sector closed, with the sector on the right of its edges: at every
    # vertex as many of its edges arrive as leave, and the loops enclose a
    # positive area turning clockwise (negative signed area with y up).
    for si in range(len(secs)):
        edges = []
        for v1, v2, _, _, _, right, left in lines:
            if sides[right][5] == si:
                edges.append((v1, v2))
            if left >= 0 and sides[left][5] == si:
                edges.append((v2, v1))
        balance = {}
        area2 = 0
        for a, b in edges:
            balance[a] = balance.get(a, 0) + 1
            balance[b] = balance.get(b, 0) - 1
            area2 += verts[a][0] * verts[b][1] - verts[b][0] * verts[a][1]
        if any(balance.values()):
            problems.append("sector %d is not closed" % si)
        if area2 >= 0:
            problems.append("sector %d: its lines do not have it on their right" % si)

    # Every thing inside the sector the layout puts it in.
    def inside(si, x, y):
        crossings = 0
        for v1, v2, _, _, _, right, left in lines:
            if sides[right][5] != si and not (left >= 0 and sides[left][5] == si):
                continue
            (x1, y1), (x2, y2) = verts[v1], verts[v2]
            if (y1 > y) != (y2 > y) and x < x1 + (y - y1) * (x2 - x1) / (y2 - y1):
                crossings += 1
        return crossings % 2 == 1

    sector_names = [s.name for s in SECTORS]
    for i, (x, y, _, kind, _) in enumerate(things):
        where = THINGS[i][4]
        if not inside(sector_names.index(where), x, y):
            problems.append("thing %d (type %d) is not inside sector %s" % (i, kind, where))

    # No two lines cross or overlap.
    def orient(a, b, c):
        v = (b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0])
        return (v > 0) - (v < 0)

    for i in range(len(lines)):
        a, b = verts[lines[i][0]], verts[lines[i][1]]
        for j in range(i + 1, len(lines)):
            c, d = verts[lines[j][0]], verts[lines[j][1]]
            if {a, b} & {c, d}:
                if {a, b} == {c, d} or (orient(a, b, c) == 0 and orient(a, b, d) == 0 and
                                        (on_segment(c, a, b) or on_segment(d, a, b) or
                                         on_segment(a, c, d) or on_segment(b, c, d))):
                    problems.append("lines %d and %d overlap" % (i, j))
                continue
            o1, o2, o3, o4 = orient(a, b, c), orient(a, b, d), orient(c, d, a), orient(c, d, b)
            if (o1 != o2 and o3 != o4) or (o1 == 0 and on_segment(c, a, b)) or \
                    (o2 == 0 and on_segment(d, a, b)) or (o3 == 0 and on_segment(a, c, d)) or \
                    (o4 == 0 and on_segment(b, c, d)):
                problems.append("lines %d and %d cross" % (i, j))

    # Every texture and flat the level names is in the WAD.
    tex_names = {t[0] for t in TEXTURES}
    flat_names = set(names[names.index("F_START") + 1:names.index("F_END")])
    for i, s in enumerate(sides):
        for raw in s[2:5]:
            n = raw.rstrip(b"\0").decode("ascii")
            if n != "-" and n not in tex_names:
                problems.append("side %d names texture %s, which TEXTURE1 lacks" % (i, n))
    for i, s in enumerate(secs):
        for raw in s[2:4]:
            n = raw.rstrip(b"\0").decode("ascii")
            if n not in flat_names:
                problems.append("sector %d names flat %s, which is not between F_START and F_END"
                                % (i, n))

    if problems:
        raise SystemExit("%s:\n  %s" % (path, "\n  ".join(problems)))
    print("%s: %d vertexes, %d lines, %d sides, %d sectors, %d segs, %d subsectors, %d nodes, "
          "%d things; sound" % (path, len(verts), len(lines), len(sides), len(secs), len(segs),
                                len(ssecs), len(nodes), len(things)))


def main(argv):
    if len(argv) == 3 and argv[1] == "--write":
        with open(argv[2], "wb") as f:
            f.write(wad_bytes(all_lumps()))
        return 0
    if len(argv) == 3 and argv[1] == "--check":
        check(argv[2])
        return 0
    sys.stderr.write(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
