#!/usr/bin/env bash
# Builds brakt and pavlunt and converts the bundled sample level with them:
#   data/SAMPLE.WAD --pavlunt -d3--> out/demo/CUSTOM.TEX, Doom 3 images and materials
#   data/SAMPLE.WAD + CUSTOM.TEX + BRKT_OBJ.TXT --brakt--> out/demo/MAP01.MAP
#   the same with -brushdef3 --> map01.map, Doom 3's own form
# and lays out a Doom 3 game folder that DarkRadiant opens with textures:
#   out/demo/doom3/base/maps/map01.map
#   out/demo/doom3/base/materials/custom.mtr
#   out/demo/doom3/base/textures/custom/*.tga
# Needs only a C++20 compiler and CMake. Ends with a non-zero status when any
# step fails.
set -euo pipefail
cd "$(dirname "$0")"
root=$(pwd)

step() { printf '\n==== %s\n' "$*"; }
fail() { printf '\ndemo.sh: %s\n' "$*" >&2; exit 1; }

for tool in cmake c++; do
    command -v "$tool" > /dev/null || fail "'$tool' not found: install CMake and a C++20 compiler (Debian: apt-get install cmake g++)"
done
[ -f data/SAMPLE.WAD ] || fail "data/SAMPLE.WAD is missing (tools/make_sample.sh writes it)"

step "Configuring and building (Release) in build-demo/"
cmake -S . -B build-demo -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF > /dev/null \
    || fail "configuring with CMake failed"
cmake --build build-demo -j2 || fail "the build failed"

out="$root/out/demo"
step "Converting the sample in out/demo/"
mkdir -p "$out"
rm -f "$out/CUSTOM.TEX" "$out/MAP01.MAP" "$out/map01.map" "$out/FENWOLD.TMP" "$out/~temp.hdr"
rm -rf "$out/textures" "$out/materials" "$out/doom3"
cp data/SAMPLE.WAD data/BRKT_OBJ.TXT "$out/"
cd "$out"

step "pavlunt SAMPLE.WAD -d3   (textures and flats -> CUSTOM.TEX, textures/custom/*.tga, materials/custom.mtr)"
"$root/build-demo/pavlunt" SAMPLE.WAD -d3 || fail "pavlunt failed (status $?)"
[ -s CUSTOM.TEX ] || fail "pavlunt wrote no CUSTOM.TEX"
[ -s materials/custom.mtr ] || fail "pavlunt wrote no materials/custom.mtr"

step "brakt SAMPLE.WAD map01 -custom   (level MAP01 -> MAP01.MAP)"
"$root/build-demo/brakt" SAMPLE.WAD map01 -custom || fail "brakt failed (status $?)"
[ -s MAP01.MAP ] || fail "brakt wrote no MAP01.MAP"

step "brakt SAMPLE.WAD map01 -custom -brushdef3   (level MAP01 -> map01.map, Doom 3's own form)"
"$root/build-demo/brakt" SAMPLE.WAD map01 -custom -brushdef3 || fail "brakt failed (status $?)"
[ -s map01.map ] || fail "brakt wrote no map01.map"

step "Laying out the Doom 3 folder out/demo/doom3/base/"
base="$out/doom3/base"
mkdir -p "$base/maps"
mv textures materials "$base/"
# Doom 3's own form, which DarkRadiant reads too; its name ends in lower-case ".map",
# the only maps DarkRadiant opens from its command line.
mv map01.map "$base/maps/map01.map"
images=$(find "$base/textures/custom" -name '*.tga' | wc -l)

cat <<EOF

==== Done
  Texture file: $out/CUSTOM.TEX
  Doom 3 map:   $out/MAP01.MAP
  (with the sample WAD and the object table BRKT_OBJ.TXT beside them)
  Doom 3 folder: $out/doom3/base/
    maps/map01.map, materials/custom.mtr, textures/custom/ ($images images)

To see it textured in DarkRadiant (Debian: apt-get install darkradiant):
  1. Start darkradiant; in the game setup (Preferences -> Game) choose the game "Doom 3"
     and set the engine path to  $out/doom3
  2. File -> Open  $out/doom3/base/maps/map01.map
Sky, lava, slime and trigger faces use Doom 3's own materials (skies/..., hell/..., sfx/...,
common/...) and show as "shader not found" without Doom 3's game data; README.md tells more.
map01.map is in Doom 3's own form (brakt -brushdef3), with every texture laid as Doom draws it;
MAP01.MAP is the default plane-line form, which the Doom 3 engine reads but DarkRadiant does not.
Run brakt on your own WAD as README.md shows.
EOF
