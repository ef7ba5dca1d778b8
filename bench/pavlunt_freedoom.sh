#!/bin/sh
# Times whole pavlunt runs on the Freedoom IWADs (not a test).
#
#   bench/pavlunt_freedoom.sh [path/to/pavlunt] [runs]
#
# Each run writes CUSTOM.TEX in a scratch folder that is removed afterwards.
# Prints the fastest and the median wall time per WAD.
set -eu
PAVLUNT=$(realpath "${1:-build/pavlunt}")
RUNS=${2:-5}
WORK=$(mktemp -d /tmp/pavlunt-bench-XXXXXX)
trap 'rm -rf "$WORK"' EXIT
cd "$WORK"
for wad in freedoom1.wad freedoom2.wad; do
    path=/usr/share/games/doom/$wad
    [ -f "$path" ] || { echo "$wad: not installed"; continue; }
    times=""
    i=0
    while [ "$i" -lt "$RUNS" ]; do
        start=$(date +%s.%N)
        "$PAVLUNT" "$path" >/dev/null
        end=$(date +%s.%N)
        times="$times $(awk -v s="$start" -v e="$end" 'BEGIN { print e - s }')"
        i=$((i + 1))
    done
    echo "$times" | tr ' ' '\n' | grep . | sort -n |
        awk -v wad="$wad" '{ t[NR] = $1 } END {
            printf "%s: fastest %.3f s, median %.3f s over %d runs\n", wad, t[1], t[int((NR + 1) / 2)], NR }'
done
