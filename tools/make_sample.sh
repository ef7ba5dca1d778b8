#!/usr/bin/env bash
# Writes data/SAMPLE.WAD, the bundled sample level: tools/make_sample.py draws
# the WAD (palette, patches, textures, flats and the level MAP01 without
# nodes), zdbsp builds ordinary nodes for it, and make_sample.py checks the
# result. Needs python3 and zdbsp (Debian: apt-get install zdbsp); the demo
# and the tests need neither, they use the committed WAD.
set -euo pipefail
cd "$(dirname "$0")/.."

if ! command -v zdbsp > /dev/null; then
    echo "zdbsp not found: install it first (Debian: apt-get install zdbsp)" >&2
    exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python3 tools/make_sample.py --write "$work/unbuilt.wad"
# Plain nodes only: no GL nodes (-g/-x), no extended or compressed nodes
# (-X/-z); a zero-filled REJECT (-R); -t keeps timing figures out of the log.
# zdbsp prunes unused sides and sectors, of which the level has none: the
# check below makes sure that it changed nothing but the nodes.
zdbsp -R -t -m MAP01 -o "$work/SAMPLE.WAD" "$work/unbuilt.wad" > "$work/zdbsp.log" 2>&1 \
    || { cat "$work/zdbsp.log"; exit 1; }
python3 tools/make_sample.py --check "$work/SAMPLE.WAD"
mkdir -p data
cp "$work/SAMPLE.WAD" data/SAMPLE.WAD
echo "Wrote data/SAMPLE.WAD ($(stat -c %s data/SAMPLE.WAD) bytes)"
