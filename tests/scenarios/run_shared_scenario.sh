#!/usr/bin/env bash
# Runs one scripted session against a contratante-server that requires sign-in, on a fresh demo
# database: the operator ANA is added, the program signs in with --operator and
# CONTRATANTE_PASSWORD, and afterwards the server's audit must name ANA.
set -u
source "$(dirname "$0")/../../scripts/test-server.sh"
server=$1
exe=$2
script=$3
server_scratch
db="sqlite:$tmp/shared.db"
fail() {
  echo "scenario $(basename "$script"): $*"
  cat "$tmp"/*.txt 2>/dev/null
  exit 1
}

"$server" --db "$db" --demo --port 0 --sign-in >"$tmp/listening.txt" 2>"$tmp/server.txt" &
pid=$!
address=$(listening_address "$tmp/listening.txt")
port=${address##*:}
[ -n "$port" ] || fail "the server did not start"

export CONTRATANTE_PASSWORD=senha-da-ana
"$server" --db "$db" operator add ana --name "Ana Paula" >/dev/null 2>"$tmp/admin.txt" ||
  fail "cannot add the operator"

"$exe" --server "127.0.0.1:$port" --db "$db" --operator ana --script "$script" \
  >"$tmp/transcript.jsonl" 2>"$tmp/stderr.txt"
rc=$?
if [ $rc -ne 0 ]; then
  echo "scenario $(basename "$script") failed (exit $rc):"
  grep -E '"kind":"(fail|error)"' "$tmp/transcript.jsonl" || cat "$tmp/transcript.jsonl"
  cat "$tmp/stderr.txt"
  exit $rc
fi
# The password never reaches the transcript.
grep -q "$CONTRATANTE_PASSWORD" "$tmp/transcript.jsonl" && fail "the transcript holds the password"
"$server" --db "$db" audit --budget 100 >"$tmp/audit.txt" 2>&1 || fail "audit failed"
grep -qE 'ANA +SetEndeCont +0001 +0000000100 +00 +0000000002' "$tmp/audit.txt" ||
  fail "the audit does not show ANA's save"
exit 0
