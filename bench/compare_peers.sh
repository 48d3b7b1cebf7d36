#!/usr/bin/env bash
# Runs every benchmark that sets the player against a peer, one after the other, and prints
# one table from the RESULT lines they print: figure, ours, mpv, ratio, target, met or not.
# Then it lists what it ran, what printed no RESULT line, what failed or was skipped, and the
# scripts in bench/ it does not know. Each script's full output is kept in the log folder.
#   usage: compare_peers.sh [BUILD] [LOG_FOLDER]
# BUILD is a build tree with the benchmarks and zvp (default: build; RelWithDebInfo for real
# figures). ZVP_COMPARE_ONLY="seek_latency memory_peak" runs only the named scripts.
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build}" 2>/dev/null && pwd) || { echo "compare_peers: no build tree ${1:-build}" >&2; exit 2; }
logs=${2:-$(mktemp -d)}
mkdir -p "$logs"
only=" ${ZVP_COMPARE_ONLY:-} "

# script name, then its arguments (programs from the build tree).
plan=(
    "subtitle_pipeline $build/bench/pipeline_bench"
    "pipeline_cpu $build/bench/pipeline_bench"
    "software_render_cpu $build/src/ui/zvp"
    "seek_latency $build/bench/seek_latency"
    "startup_first_frame $build/src/ui/zvp"
    "compare_ffmpeg $build/bench/pipeline_bench"
    "memory_peak $build/bench/pipeline_bench"
)

results=$logs/results
: >"$results"
ran=() silent=() failed=() skipped=() known=(compare_peers smoke_check reference_clip)
for entry in "${plan[@]}"; do
    read -r name program args <<<"$entry"
    known+=("$name")
    script=$here/$name.sh
    [ -f "$script" ] || continue
    if [ "$only" != "  " ] && [[ "$only" != *" $name "* ]]; then continue; fi
    if [ ! -x "$program" ]; then
        skipped+=("$name (no $program: build it)")
        continue
    fi
    echo "== $name" >&2
    start=$SECONDS
    # shellcheck disable=SC2086
    bash "$script" "$program" $args >"$logs/$name.log" 2>&1
    rc=$?
    grep '^RESULT|' "$logs/$name.log" >>"$results"
    count=$(grep -c '^RESULT|' "$logs/$name.log")
    grep -q '^peer missing: mpv' "$logs/$name.log" && touch "$logs/.no-mpv"
    if [ $rc -ne 0 ]; then
        failed+=("$name (exit $rc, log $logs/$name.log)")
    elif [ "$count" -eq 0 ]; then
        silent+=("$name")
    fi
    ran+=("$name ($count figures, $((SECONDS - start)) s)")
done

echo
if [ -s "$results" ]; then
    awk -F'|' '
        { n++; for (i = 2; i <= 7; i++) { cell[n, i] = $i; if (length($i) > w[i]) w[i] = length($i) } }
        END {
            split("figure|ours|mpv|ratio|target|met", head, "|")
            for (i = 2; i <= 7; i++) if (length(head[i - 1]) > w[i]) w[i] = length(head[i - 1])
            line = ""
            for (i = 2; i <= 7; i++) line = line sprintf("%-*s  ", w[i], head[i - 1])
            print line
            line = ""
            for (i = 2; i <= 7; i++) { d = sprintf("%*s", w[i], ""); gsub(/ /, "-", d); line = line d "  " }
            print line
            for (r = 1; r <= n; r++) {
                line = ""
                for (i = 2; i <= 7; i++)
                    line = line sprintf(i == 2 || i == 6 ? "%-*s  " : "%*s  ", w[i], cell[r, i])
                print line
            }
        }' "$results"
else
    echo "no figures"
fi
echo
[ -e "$logs/.no-mpv" ] && echo "peer missing: mpv"
echo "ran: ${ran[*]:-nothing}"
[ ${#silent[@]} -gt 0 ] && echo "printed no RESULT line: ${silent[*]}"
[ ${#failed[@]} -gt 0 ] && echo "failed: ${failed[*]}"
[ ${#skipped[@]} -gt 0 ] && echo "skipped: ${skipped[*]}"
unknown=()
for script in "$here"/*.sh; do
    name=$(basename "$script" .sh)
    [[ " ${known[*]} " == *" $name "* ]] || unknown+=("$name")
done
[ ${#unknown[@]} -gt 0 ] && echo "not run (unknown here): ${unknown[*]}"
echo "logs: $logs"
[ ${#failed[@]} -eq 0 ]
