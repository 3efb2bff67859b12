# Sourced by the test scripts that start a server of their own.

# server_scratch: a scratch folder in $tmp, removed on exit together with the server whose process
# id the caller keeps in $pid.
server_scratch() {
  tmp=$(mktemp -d)
  pid=
  trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; rm -rf "$tmp"' EXIT
}

# listening_address FILE waits (up to 10 s) for a server started with "--port 0" to write
# "listening on HOST:PORT" into FILE, and prints HOST:PORT (nothing if it never does).
listening_address() {
  local file=$1
  for _ in $(seq 100); do
    grep -q '^listening on' "$file" 2>/dev/null && break
    sleep 0.1
  done
  sed -nE 's/^listening on (.*:[0-9]+)$/\1/p' "$file"
}
