#!/usr/bin/env bash
# Start-up to first picture: RUNS starts each of zvp and of `mpv --no-config --ao=null` on the
# same clip, each timed by first_picture (built beside the benchmarks) from spawn until the
# clip's colours show at the middle of the screen, the same way for both. Prints the median
# and the 90th percentile of each, and zvp's median less the player's 500 ms clip-shift
# delay (the target: at most mpv's median). Without mpv, zvp's figures only. Runs under
# xvfb-run (1280x1024) when there is no display.
#   usage: startup_first_frame.sh ZVP [CLIP] [RUNS]
# CLIP defaults to h264_aac.mp4 in the media folder of zvp's build ($ZVP_MEDIA_DIR when set).
set -euo pipefail

zvp=$(realpath "${1:?usage: startup_first_frame.sh ZVP [CLIP] [RUNS]}")
build=$(cd "$(dirname "$zvp")/../.." && pwd)
clip=$(realpath "${2:-${ZVP_MEDIA_DIR:-$build/media}/h264_aac.mp4}")
runs=${3:-10}
watch=${ZVP_FIRST_PICTURE:-$build/bench/first_picture}
[ -x "$watch" ] || { echo "startup_first_frame: no $watch (build the first_picture target)" >&2; exit 1; }

if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$zvp" "$clip" "$runs"
fi

# The middle of the screen: inside both players' pictures.
read -r sw sh < <(xdpyinfo 2>/dev/null | sed -n 's/ *dimensions: *\([0-9]*\)x\([0-9]*\).*/\1 \2/p')
region="$((sw / 2 - 32)) $((sh / 2 - 16)) 64 32"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# time_runs NAME COMMAND...: RUNS timings of COMMAND, one a line, in "$work/NAME".
time_runs() {
    local name=$1
    shift
    : >"$work/$name"
    for i in $(seq "$runs"); do
        # zvp keeps a playlist: a fresh home each run, so each start is a first one.
        rm -rf "$work/home"
        mkdir -p "$work/home"
        XDG_DATA_HOME=$work/home XDG_CONFIG_HOME=$work/home SDL_AUDIODRIVER=dummy \
            QT_QPA_PLATFORM=xcb "$watch" $region 20000 "$@" >>"$work/$name" 2>"$work/$name.err" ||
            { echo "$name run $i: $(cat "$work/$name.err")" >&2; exit 1; }
    done
}
# stats FILE: "median p90" in milliseconds (nearest-rank).
stats() {
    sort -n "$1" | awk '{ v[NR] = $1 } END {
        m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
        p = int(0.9 * NR + 0.999); if (p < 1) p = 1
        printf "%d %d\n", m, v[p] }'
}

time_runs zvp "$zvp" "$clip"
read -r zmed zp90 < <(stats "$work/zvp")
printf 'clip: %s, %d starts each\n' "$clip" "$runs"
printf 'zvp: median %d ms, p90 %d ms; less the 500 ms clip-shift delay: %d ms\n' \
    "$zmed" "$zp90" $((zmed - 500))
if command -v mpv >/dev/null 2>&1; then
    # Centred like zvp's window, so the same region shows both pictures.
    time_runs mpv mpv --no-config --ao=null --really-quiet --geometry=50%:50% "$clip"
    read -r mmed mp90 < <(stats "$work/mpv")
    printf 'mpv: median %d ms, p90 %d ms\n' "$mmed" "$mp90"
    if [ $((zmed - 500)) -le "$mmed" ]; then verdict="met"; else verdict="missed"; fi
    printf 'target (zvp less the delay <= mpv median): %s\n' "$verdict"
else
    echo "mpv: not installed"
fi
