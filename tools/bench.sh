#!/bin/sh
# Whole-process benchmark of brakt and pavlunt on the Freedoom IWADs and on a
# generated level family (not a test): prints a table with each case's median
# time, peak memory and ratio to its I/O floor, and writes it to a CSV file.
#
#   tools/bench.sh [BUILD_DIR] [--runs N] [--csv FILE] [--quick] [--keep]
#
# BUILD_DIR defaults to build/. Needs python3.
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=build
case "${1:-}" in
    "" | -*) ;;
    *) BUILD=$1; shift ;;
esac
exec python3 "$ROOT/bench/bench.py" "$BUILD" "$@"
