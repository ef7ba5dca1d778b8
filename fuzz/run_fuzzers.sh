#!/bin/sh
# Builds the libFuzzer targets and runs each in turn for TIME_PER_TARGET
# seconds, one fuzzer process at a time.
#
# usage: fuzz/run_fuzzers.sh TIME_PER_TARGET [TARGET...]
#   TARGET: converter_run tex_reader texmap_reader object_table extractor_run
#   (all by default). BUILD_DIR (default build-fuzz) holds the build, the
#   seeds, the growing corpora (corpus/<target>) and the inputs that crashed
#   (artifacts/<target>/); logs/<target>.log keeps each run's output.
set -u

time_per_target=${1:?usage: run_fuzzers.sh TIME_PER_TARGET [TARGET...]}
shift
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build-fuzz}
targets=${*:-converter_run tex_reader texmap_reader object_table extractor_run}

cmake -S "$root" -B "$build" -DBUILD_FUZZERS=ON -DCMAKE_CXX_COMPILER=clang++ \
  -DBUILD_TESTING=OFF -DWARNINGS_AS_ERRORS=OFF >/dev/null || exit 1
cmake --build "$build" -j2 >/dev/null || exit 1
"$root/fuzz/make_seeds.sh" "$build/seeds" "$build/pavlunt" >/dev/null || exit 1

status=0
for target in $targets; do
  corpus=$build/corpus/$target
  artifacts=$build/artifacts/$target
  mkdir -p "$corpus" "$artifacts" "$build/logs"
  log=$build/logs/$target.log
  "$build/fuzz/fuzz_$target" "$corpus" "$build/seeds/$target" \
    -max_total_time="$time_per_target" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$artifacts/" -print_final_stats=1 >"$log" 2>&1
  result=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  [ -n "$runs" ] || runs=$(sed -n 's/^#\([0-9]*\).*/\1/p' "$log" | tail -n 1)
  if [ "$result" -eq 0 ]; then
    echo "$target: ${runs:-?} runs, no finding"
  else
    status=1
    echo "$target: finding after ${runs:-?} runs, see $log and $artifacts"
  fi
done
exit $status
