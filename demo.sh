#!/usr/bin/env bash
# Builds brakt and pavlunt and converts the bundled sample level with them:
#   data/SAMPLE.WAD --pavlunt--> out/demo/CUSTOM.TEX
#   data/SAMPLE.WAD + CUSTOM.TEX + BRKT_OBJ.TXT --brakt--> out/demo/MAP01.MAP
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
rm -f "$out/CUSTOM.TEX" "$out/MAP01.MAP" "$out/FENWOLD.TMP" "$out/~temp.hdr"
cp data/SAMPLE.WAD data/BRKT_OBJ.TXT "$out/"
cd "$out"

step "pavlunt SAMPLE.WAD   (textures and flats -> CUSTOM.TEX)"
"$root/build-demo/pavlunt" SAMPLE.WAD || fail "pavlunt failed (status $?)"
[ -s CUSTOM.TEX ] || fail "pavlunt wrote no CUSTOM.TEX"

step "brakt SAMPLE.WAD map01 -custom   (level MAP01 -> MAP01.MAP)"
"$root/build-demo/brakt" SAMPLE.WAD map01 -custom || fail "brakt failed (status $?)"
[ -s MAP01.MAP ] || fail "brakt wrote no MAP01.MAP"

cat <<EOF

==== Done
  Texture file: $out/CUSTOM.TEX
  Doom 3 map:   $out/MAP01.MAP
  (with the sample WAD and the object table BRKT_OBJ.TXT beside them)
Open MAP01.MAP in a Doom 3 editor, or run brakt on your own WAD as README.md shows.
EOF
