#!/usr/bin/env bash
# Builds what the figures need, starts a throwaway PostgreSQL cluster and prints one table: each
# figure beside its floor measured in the same run, on SQLite and on PostgreSQL.
#   bench/run.sh [--runs N] [--calls N]      (CT_BENCH_NO_PG=1: SQLite only)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}

bash "$root/scripts/build.sh" --target bench_figures contratante >/dev/null

pg_args=()
if [ -z "${CT_BENCH_NO_PG:-}" ]; then
  export CT_PG_STATE=${CT_PG_STATE:-/tmp/ct-pg-bench-$$.state}
  url=$(bash "$root/scripts/pg-test-cluster.sh" start)
  trap 'bash "$root/scripts/pg-test-cluster.sh" stop >/dev/null 2>&1' EXIT
  pg_args=(--pg "$url")
fi

"$build/bench/figures/bench_figures" --contratante "$build/src/host/contratante" "${pg_args[@]}" "$@"
