#!/usr/bin/env bash
# Builds both programs with warnings as errors and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWARNINGS_AS_ERRORS=ON > /dev/null
cmake --build build -j2
ctest --test-dir build --output-on-failure -j2
