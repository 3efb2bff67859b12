#!/usr/bin/env bash
# Installs every Debian package the project needs. Idempotent: quiet when all is there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang-format
  qt6-base-dev libgl-dev
  nlohmann-json3-dev libcpp-httplib-dev libssl-dev
  libsoci-dev libsqlite3-dev libpq-dev libboost-dev
  libfmt-dev libspdlog-dev libcli11-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  postgresql sqlite3 time
  xvfb xauth
  poppler-utils adwaita-icon-theme
  openssl curl dpkg-dev
  clang-14 libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
