#!/usr/bin/env bash
# Runs one scripted session on a fresh demo database; prints the transcript's failures.
set -u
exe=$1
script=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
"$exe" --db "sqlite:$tmp/demo.db" --script "$script" >"$tmp/transcript.jsonl" 2>"$tmp/stderr.txt"
rc=$?
if [ $rc -ne 0 ]; then
  echo "scenario $(basename "$script") failed (exit $rc):"
  grep -E '"kind":"(fail|error)"|"kind": "(fail|error)"' "$tmp/transcript.jsonl" || cat "$tmp/transcript.jsonl"
  cat "$tmp/stderr.txt"
fi
exit $rc
