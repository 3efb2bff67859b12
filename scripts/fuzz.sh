#!/usr/bin/env bash
# Builds the fuzz targets of fuzz/ in build-fuzz/ (clang's libFuzzer, address and
# undefined-behaviour sanitizers) and runs each in turn for SECONDS (default 20): one line per
# target with its executions and coverage. Fails on any crash, sanitizer report, hang (an input
# over 10 s) or memory over 2 GiB; the input that did it is kept in build-fuzz/findings/TARGET/.
#   scripts/fuzz.sh [SECONDS] [TARGET...]
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${FUZZ_BUILD_DIR:-$root/build-fuzz}
seconds=${1:-20}
shift $(($# > 0 ? 1 : 0))
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(json_events rpc_request server_packet dataset_packet row_filter brazilian_text)

cmake -S "$root" -B "$build" -G Ninja -DCT_FUZZ=ON -DCT_BUILD_GUI=OFF -DCT_BUILD_TESTS=OFF \
  -DCT_BUILD_BENCH=OFF -DCMAKE_CXX_COMPILER="${FUZZ_CXX:-clang++-14}" \
  -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" ${CMAKE_ARGS:-} >/dev/null || exit 1
if ! cmake --build "$build" -j "${JOBS:-$(nproc)}" --target fuzz_targets >"$build/build.log" 2>&1; then
  tail -n 60 "$build/build.log"
  echo "fuzz: the targets did not build"
  exit 1
fi

dictionary() {
  case $1 in
    json_events | rpc_request | server_packet | dataset_packet) echo "$root/fuzz/json.dict" ;;
    row_filter) echo "$root/fuzz/filter.dict" ;;
  esac
}

export UBSAN_OPTIONS=print_stacktrace=1
failed=0
for t in "${targets[@]}"; do
  corpus=$build/corpus/$t
  findings=$build/findings/$t
  log=$build/findings/$t.log
  mkdir -p "$corpus" "$findings"
  options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
           -artifact_prefix="$findings/")
  dict=$(dictionary "$t")
  [ -n "$dict" ] && options+=(-dict="$dict")
  # New inputs go to the build's corpus; the seeds of the repository are only read.
  "$build/fuzz/fuzz_$t" "${options[@]}" "$corpus" "$root/fuzz/corpus/$t" >"$log" 2>&1
  status=$?
  runs=$(sed -nE 's/^stat::number_of_executed_units: *([0-9]+).*/\1/p' "$log" | tail -n 1)
  cov=$(grep -oE 'cov: [0-9]+ ft: [0-9]+ corp: [0-9]+' "$log" | tail -n 1)
  if [ $status -eq 0 ]; then
    echo "fuzz: $t ${seconds}s, ${runs:-0} runs, ${cov:-no coverage}: ok"
  else
    failed=$((failed + 1))
    echo "fuzz: $t FAILED (exit $status), log $log; its last lines:"
    tail -n 60 "$log"
  fi
done
[ $failed -eq 0 ]
