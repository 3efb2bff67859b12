#!/usr/bin/env bash
# Sets up, builds and runs the program.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh"
if [ -x "$build/src/host/contratante" ]; then
  exec "$build/src/host/contratante" "$@"
fi
# Until the window exists: the application server on the demo database.
db=${CT_DEMO_DB:-$root/build/demo.db}
demo=()
[ -s "$db" ] || demo=(--demo)
exec "$build/src/server/contratante-server" --db "sqlite:$db" "${demo[@]}" "$@"
