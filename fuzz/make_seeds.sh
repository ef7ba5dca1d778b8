#!/bin/sh
# Makes the seed corpora of the fuzz targets in OUTDIR (one folder per
# target), from the bundled sample, the reference WAD when present and small
# excerpts of the Freedoom IWADs. Seeds are generated, never committed.
#
# usage: fuzz/make_seeds.sh OUTDIR [PAVLUNT]
#   PAVLUNT, when given, is run on the excerpt to make a .TEX seed.
set -eu

out=${1:?usage: make_seeds.sh OUTDIR [PAVLUNT]}
pavlunt=${2:-}
root=$(cd "$(dirname "$0")/.." && pwd)
freedoom=${FREEDOOM_DIR:-/usr/share/games/doom}

mkdir -p "$out/converter_run" "$out/tex_reader" "$out/texmap_reader" \
  "$out/object_table" "$out/extractor_run"

python3 - "$out" "$root" "$freedoom" <<'PYTHON'
import os
import shutil
import struct
import subprocess
import sys
import tempfile

out, root, freedoom = sys.argv[1:4]
LEVEL_LUMPS = ["THINGS", "LINEDEFS", "SIDEDEFS", "VERTEXES", "SEGS", "SSECTORS",
               "NODES", "SECTORS", "REJECT", "BLOCKMAP"]


def read_wad(path):
    data = open(path, "rb").read()
    count, offset = struct.unpack_from("<ii", data, 4)
    lumps = []
    for i in range(count):
        pos, size, name = struct.unpack_from("<ii8s", data, offset + 16 * i)
        lumps.append((name.rstrip(b"\0").decode("latin-1"), data[pos:pos + size]))
    return lumps


def build_wad(lumps):
    body = b""
    directory = b""
    for name, data in lumps:
        directory += struct.pack("<ii8s", 12 + len(body), len(data), name.encode("latin-1"))
        body += data
    return b"PWAD" + struct.pack("<ii", len(lumps), 12 + len(body)) + body + directory


def level(lumps, marker, new_name="MAP01"):
    names = [name for name, _ in lumps]
    start = names.index(marker)
    result = [(new_name, b"")]
    for name, data in lumps[start + 1:start + 1 + len(LEVEL_LUMPS)]:
        if name not in LEVEL_LUMPS:
            break
        result.append((name, data))
    return result


def smallest_level(lumps):
    best = None
    for i, (name, _) in enumerate(lumps):
        if i + 1 < len(lumps) and lumps[i + 1][0] == "THINGS":
            size = sum(len(d) for _, d in level(lumps, name))
            if best is None or size < best[0]:
                best = (size, name)
    return best[1]


def texture_excerpt(lumps, wanted):
    """PLAYPAL, the named textures of TEXTURE1 with a PNAMES of their patches
    only, the patches and the first few flats."""
    table = dict(lumps)
    pnames_data = table["PNAMES"]
    pnames = [pnames_data[4 + 8 * i:12 + 8 * i].rstrip(b"\0").decode("latin-1").upper()
              for i in range(struct.unpack_from("<i", pnames_data)[0])]
    tex = table["TEXTURE1"]
    count = struct.unpack_from("<i", tex)[0]
    offsets = struct.unpack_from("<%di" % count, tex, 4)
    kept, used = [], []
    for offset in offsets:
        name = tex[offset:offset + 8].rstrip(b"\0").decode("latin-1")
        if name not in wanted:
            continue
        header = bytearray(tex[offset:offset + 22])
        patch_count = struct.unpack_from("<h", header, 20)[0]
        patches = bytearray()
        for k in range(patch_count):
            x, y, index, step, colormap = struct.unpack_from("<hhhhh", tex, offset + 22 + 10 * k)
            patch = pnames[index]
            if patch not in used:
                used.append(patch)
            patches += struct.pack("<hhhhh", x, y, used.index(patch), step, colormap)
        kept.append(bytes(header) + bytes(patches))
    texture1 = struct.pack("<i", len(kept))
    position = 4 + 4 * len(kept)
    body = b""
    for record in kept:
        texture1 += struct.pack("<i", position + len(body))
        body += record
    texture1 += body
    pnames_out = struct.pack("<i", len(used)) + b"".join(
        p.encode("latin-1").ljust(8, b"\0") for p in used)
    upper = {name.upper(): (name, data) for name, data in lumps}
    result = [("PLAYPAL", table["PLAYPAL"][:768]), ("PNAMES", pnames_out),
              ("TEXTURE1", texture1), ("P_START", b"")]
    result += [upper[p] for p in used if p in upper]
    result += [("P_END", b""), ("F_START", b"")]
    names = [name for name, _ in lumps]
    flats = [l for l in lumps[names.index("F_START") + 1:names.index("F_END")] if len(l[1]) == 4096]
    result += flats[:3] + [("F_END", b"")]
    return result


def save(folder, name, data, prefix=b"\0"):
    with open(os.path.join(out, folder, name), "wb") as f:
        f.write(prefix + data)


for path in [os.path.join(root, "data", "SAMPLE.WAD"),
             os.path.join(root, "..", "shared", "golden", "small.wad")]:
    if os.path.exists(path):
        data = open(path, "rb").read()
        base = os.path.basename(path).lower()
        save("converter_run", base, data)
        save("converter_run", base + "-bound-nomove", data, b"\x03")
        save("extractor_run", base, data)
        # The level alone: a small input that still converts in full.
        lumps = read_wad(path)
        if any(name == "MAP01" for name, _ in lumps):
            save("converter_run", base + "-level", build_wad(level(lumps, "MAP01")), b"\x21")

# The sample's level with extended and compressed nodes, when zdbsp is installed.
sample = os.path.join(root, "data", "SAMPLE.WAD")
if shutil.which("zdbsp") and os.path.exists(sample):
    with tempfile.TemporaryDirectory() as tmp:
        for flag, name in (("-X", "sample-xnod"), ("-z", "sample-znod")):
            rebuilt = os.path.join(tmp, name + ".wad")
            subprocess.run(["zdbsp", flag, "-o", rebuilt, sample], check=True,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            save("converter_run", name, build_wad(level(read_wad(rebuilt), "MAP01")), b"\x21")

doom2 = os.path.join(freedoom, "freedoom2.wad")
doom1 = os.path.join(freedoom, "freedoom1.wad")
if os.path.exists(doom2):
    lumps = read_wad(doom2)
    save("converter_run", "freedoom2-map01", build_wad(level(lumps, "MAP01")))
    small = smallest_level(lumps)
    save("converter_run", "freedoom2-smallest", build_wad(level(lumps, small)), b"\x40")
    excerpt = build_wad(texture_excerpt(lumps, {"STARTAN3", "DOOR3", "SUPPORT2", "SW1COMP"}))
    save("extractor_run", "freedoom2-excerpt", excerpt)
    save("extractor_run", "freedoom2-excerpt-t-h", excerpt, b"\x03")
    with open(os.path.join(out, "excerpt.wad"), "wb") as f:
        f.write(excerpt)
if os.path.exists(doom1):
    lumps = read_wad(doom1)
    save("converter_run", "freedoom1-smallest", build_wad(level(lumps, smallest_level(lumps))),
         b"\x81")

texmaps = {
    "plain": "STARTAN3 base_wall/lfwall13f3\r\nFLOOR4_8 base_floor/sflr6_4\r\n",
    "comments": "; materials\n\nF_SKY1 skies/hellsky4\nNUKAGE1 sfx/radiogoop_d\n!\nLAVA1 x\n",
    "bad": "TOOLONGNAME x\nONLYONE\nA 0123456789abcdefg\n" + "X" * 300 + " y\n",
}
for name, text in texmaps.items():
    save("texmap_reader", name, text.encode(), b"")

table = os.path.join(root, "data", "BRKT_OBJ.TXT")
if os.path.exists(table):
    save("object_table", "default", open(table, "rb").read(), b"")
save("object_table", "odd", b'; odd lines\n0x7d1 "item_armor_security:2"\n3004 "monster_zombie\n'
     b'"no number"\n2147483648 "big"\n-1 "neg":\n!\n', b"")
PYTHON

golden_tex="$root/../shared/golden/small-default.TEX"
if [ -f "$golden_tex" ]; then
  cp "$golden_tex" "$out/tex_reader/small-default.tex"
  chmod u+w "$out/tex_reader/small-default.tex"
fi
if [ -n "$pavlunt" ] && [ -f "$out/excerpt.wad" ]; then
  work=$(mktemp -d)
  cp "$out/excerpt.wad" "$work/excerpt.wad"
  (cd "$work" && "$pavlunt" excerpt.wad </dev/null >/dev/null) &&
    cp "$work/CUSTOM.TEX" "$out/tex_reader/excerpt.tex"
  rm -rf "$work"
fi
rm -f "$out/excerpt.wad"
for dir in "$out"/*/; do
  printf '%s: %s seeds\n' "$(basename "$dir")" "$(ls "$dir" | wc -l)"
done
