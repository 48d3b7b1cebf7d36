#!/usr/bin/env bash
# Runs a sanitizer canary and passes only when its output holds every given text.
#   expect-report.sh TEXT... -- PROGRAM [ARGS...]
# The program's own exit status is not required to be 0 (a sanitizer that reports exits
# non-zero), but a status of 2 means the canary could not set itself up and fails the test.
set -uo pipefail
texts=()
while [ $# -gt 0 ] && [ "$1" != -- ]; do
  texts+=("$1")
  shift
done
[ "${1:-}" = -- ] || { echo "usage: expect-report.sh TEXT... -- PROGRAM [ARGS...]" >&2; exit 2; }
shift
out=$("$@" 2>&1)
status=$?
printf '%s\n' "$out"
if [ "$status" = 2 ]; then
  echo "expect-report: the canary could not run (status 2)" >&2
  exit 1
fi
for text in "${texts[@]}"; do
  if ! grep -qF -- "$text" <<<"$out"; then
    echo "expect-report: not reported: $text" >&2
    exit 1
  fi
done
echo "expect-report: reported (status $status)"
