#!/usr/bin/env bash
# Sets up, builds and runs every test; ends with "N passed, N failed".
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}

bash "$root/scripts/setup.sh" || exit 1
bash "$root/scripts/build.sh" || exit 1

# The server's tests also run on PostgreSQL: a throwaway cluster of our own for this run.
pg_started=0
if [ -x "$root/scripts/pg-test-cluster.sh" ]; then
  if url=$("$root/scripts/pg-test-cluster.sh" start); then
    export CT_TEST_PG_URL="$url"
    pg_started=1
  else
    echo "test: could not start the PostgreSQL test cluster" >&2
    exit 1
  fi
fi

log=$(mktemp)
(cd "$build" && ctest --output-on-failure --timeout 600 -j "${JOBS:-$(nproc)}" 2>&1) | tee "$log"
status=${PIPESTATUS[0]}

[ $pg_started -eq 1 ] && "$root/scripts/pg-test-cluster.sh" stop >/dev/null 2>&1

# Every fuzz target for a short while (CT_FUZZ_SECONDS each, 0 to skip), counted as one test.
fuzz_seconds=${CT_FUZZ_SECONDS:-20}
fuzz_total=0
fuzz_failed=0
if [ "$fuzz_seconds" != 0 ]; then
  fuzz_total=1
  bash "$root/scripts/fuzz.sh" "$fuzz_seconds" || fuzz_failed=1
fi

# ctest's own tally: "NN% tests passed, F tests failed out of T"
line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
rm -f "$log"
if [ -z "$line" ]; then
  echo "0 passed, 1 failed"
  exit 1
fi
failed=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
total=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\2/' <<<"$line")
total=$((total + fuzz_total))
failed=$((failed + fuzz_failed))
echo "$((total - failed)) passed, $failed failed"
[ "$status" -eq 0 ] && [ "$failed" -eq 0 ]
