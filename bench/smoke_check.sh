#!/usr/bin/env bash
# Runs a benchmark once and fails unless it exits with 0 and its output holds every figure
# it promises (each FIGURE a fixed text, matched anywhere in a line). The output is echoed.
#   usage: smoke_check.sh FIGURE... -- COMMAND [ARG...]
set -uo pipefail

figures=()
while [ $# -gt 0 ] && [ "$1" != "--" ]; do
    figures+=("$1")
    shift
done
[ "${1:-}" = "--" ] && [ $# -gt 1 ] || { echo "usage: smoke_check.sh FIGURE... -- COMMAND [ARG...]" >&2; exit 2; }
shift

out=$(mktemp)
trap 'rm -f "$out"' EXIT
"$@" >"$out" 2>&1
rc=$?
cat "$out"
if [ $rc -ne 0 ]; then
    echo "smoke: $1 exited with $rc" >&2
    exit 1
fi
missing=0
for figure in "${figures[@]}"; do
    if ! grep -qF -- "$figure" "$out"; then
        echo "smoke: no \"$figure\" in the output of $1" >&2
        missing=1
    fi
done
exit $missing
