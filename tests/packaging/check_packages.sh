#!/usr/bin/env bash
# Builds the two Debian packages from a build folder and checks them: what they hold, that the
# unit file is sound, and that the server unpacked into a scratch root starts with its own
# configuration and serves /health.
set -u
build=$1
source "$(dirname "$0")/../../scripts/test-server.sh"
server_scratch
fail() {
  echo "packages: $*"
  cat "$tmp"/*.txt 2>/dev/null
  exit 1
}

(cd "$build" && cpack -G DEB -B "$tmp/debs") >"$tmp/cpack.txt" 2>&1 || fail "cpack failed"
desktop=$(ls "$tmp"/debs/contratante_*.deb 2>/dev/null)
server=$(ls "$tmp"/debs/contratante-server_*.deb 2>/dev/null)
[ -f "$desktop" ] && [ -f "$server" ] || fail "cpack did not make both packages"

expect_contents() {
  local deb=$1
  shift
  dpkg-deb --contents "$deb" >"$tmp/contents.txt" || fail "cannot list $deb"
  for path in "$@"; do
    grep -qE " \./${path}( |$)" "$tmp/contents.txt" || fail "$(basename "$deb") lacks $path"
  done
}
expect_contents "$desktop" usr/lib/contratante/contratante usr/lib/contratante/libprq31000.so \
  usr/lib/contratante/libcontratante-window.so \
  usr/bin/contratante usr/share/applications/contratante.desktop \
  usr/share/icons/hicolor/scalable/apps/contratante.svg etc/contratante/contratante.conf
expect_contents "$server" usr/bin/contratante-server lib/systemd/system/contratante-server.service \
  etc/contratante/contratante-server.conf var/lib/contratante/
dpkg-deb --ctrl-tarfile "$server" | tar -xO ./conffiles | grep -qx /etc/contratante/contratante-server.conf ||
  fail "the server's configuration is not a conffile"
dpkg-deb -f "$server" Depends | grep -q adduser || fail "the server does not depend on adduser"

root="$tmp/root"
dpkg -x "$server" "$root" || fail "dpkg -x failed"
unit="$root/lib/systemd/system/contratante-server.service"
for setting in "User=contratante" "Restart=on-failure" "NoNewPrivileges=yes" "ProtectSystem=strict" \
  "ExecStart=/usr/bin/contratante-server --config /etc/contratante/contratante-server.conf"; do
  grep -qx "$setting" "$unit" || fail "the unit lacks $setting"
done
if command -v systemd-analyze >/dev/null; then
  # Verified with the unpacked program in place of the installed one.
  sed "s|/usr/bin/contratante-server|$root/usr/bin/contratante-server|" "$unit" >"$tmp/contratante-server.service"
  systemd-analyze verify "$tmp/contratante-server.service" >"$tmp/verify.txt" 2>&1 ||
    fail "systemd-analyze verify refused the unit"
  [ -s "$tmp/verify.txt" ] && fail "systemd-analyze verify complained about the unit"
fi

# The unpacked server with its packaged configuration; only the database file and the port
# differ, since /var/lib/contratante is the installed system's.
program="$root/usr/bin/contratante-server"
config="$root/etc/contratante/contratante-server.conf"
db="sqlite:$root/var/lib/contratante/contratante.db"
"$program" --config "$config" --db "$db" init >"$tmp/init.txt" 2>&1 || fail "init failed"
"$program" --config "$config" --db "$db" --port 0 >"$tmp/listening.txt" 2>"$tmp/server.txt" &
pid=$!
address=$(listening_address "$tmp/listening.txt")
[ "${address%:*}" = 127.0.0.1 ] || fail "the unpacked server did not start on 127.0.0.1"
port=${address##*:}
health=$(curl -s --max-time 10 -w ' %{http_code}' "http://127.0.0.1:$port/health")
echo "$health" | grep -q '"database":"ok"' || fail "no healthy answer: $health"
echo "$health" | grep -q '"sign_in":true' || fail "the packaged configuration does not require sign-in: $health"
echo "$health" | grep -q ' 200$' || fail "/health did not answer 200: $health"

# The desktop program unpacked finds its window library beside itself: it writes a listing.
desk="$tmp/desktop"
dpkg -x "$desktop" "$desk" || fail "dpkg -x failed"
QT_QPA_PLATFORM=offscreen "$desk/usr/lib/contratante/contratante" --db "sqlite:$tmp/desktop.db" \
  --listing "$tmp/listing.pdf" 0001 0000000100 00 >"$tmp/listing.txt" 2>&1 ||
  fail "the unpacked desktop program did not write a listing"
[ -s "$tmp/listing.pdf" ] || fail "the unpacked desktop program wrote an empty listing"
# Only the window library needs Qt: a scripted session or a list command starts without it.
if readelf -d "$desk/usr/lib/contratante/contratante" | grep -q 'NEEDED.*libQt6'; then
  fail "the desktop program itself needs Qt"
fi
exit 0
