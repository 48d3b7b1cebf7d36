#!/usr/bin/env bash
# tools/check-layers accepts the real tree, and fails on a copy of it with one upward include,
# naming the file and line of the fault.
set -euo pipefail
root=$1
check=$root/tools/check-layers
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

"$check" "$root/src" >/dev/null || { echo "FAIL: the real tree is refused"; "$check" "$root/src"; exit 1; }

mkdir -p "$tmp/src/app" "$tmp/src/graph" "$tmp/src/media" "$tmp/src/upgrade"
printf '#pragma once\n#include "app/Logger.h"\n' > "$tmp/src/graph/Down.h"
printf '#pragma once\n#include "graph/Down.h"\n#include "subtitle/CSubtitle.h"\n' > "$tmp/src/media/Ok.h"
"$check" "$tmp/src" >/dev/null || { echo "FAIL: downward includes refused"; exit 1; }

printf '#include <vector>\n// a comment\n#include "media/Ok.h"\n' > "$tmp/src/app/Up.cpp"
printf '#include "graph/Down.h"\n' > "$tmp/src/upgrade/Side.cpp"
set +e
out=$("$check" "$tmp/src")
rc=$?
set -e
[ "$rc" -eq 1 ] || { echo "FAIL: exit status $rc on upward includes"; exit 1; }
grep -q '^app/Up.cpp:3: ' <<<"$out" || { echo "FAIL: fault not named: $out"; exit 1; }
grep -q '^upgrade/Side.cpp:1: ' <<<"$out" || { echo "FAIL: side layer fault not named: $out"; exit 1; }
grep -q 'media/Ok.h' <<<"$out" && { echo "FAIL: a downward include reported: $out"; exit 1; }
echo "check-layers test passed"
