# Sourced by the test scripts. listening_address FILE waits (up to 10 s) for a server started with
# "--port 0" to write "listening on HOST:PORT" into FILE, and prints HOST:PORT (nothing if it
# never does).
listening_address() {
  local file=$1
  for _ in $(seq 100); do
    grep -q '^listening on' "$file" 2>/dev/null && break
    sleep 0.1
  done
  sed -nE 's/^listening on (.*:[0-9]+)$/\1/p' "$file"
}
