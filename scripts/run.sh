#!/usr/bin/env bash
# Sets up, builds and runs the program. Without arguments it opens demo budget 0000000100 of
# branch 0001, sequence 00, as entered from screen PRQ27500, on the embedded demo server.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
bash "$root/scripts/setup.sh"
# The program, its screen module and the server; the tests are built by scripts/test.sh.
bash "$root/scripts/build.sh" --target contratante prq31000 contratante-server
[ $# -gt 0 ] || set -- 0001 0000000100 00 PRQ27500
# A machine without a display gets a virtual one.
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ "${QT_QPA_PLATFORM:-}" != offscreen ]; then
  exec xvfb-run -a "$build/src/host/contratante" "$@"
fi
exec "$build/src/host/contratante" "$@"
