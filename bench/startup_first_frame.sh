#!/usr/bin/env bash
# Start-up to first picture: RUNS starts each of zvp and of `mpv --no-config --ao=null` on the
# same clip, alternating, each timed by first_picture (built beside the benchmarks) from spawn
# until the clip's colours show at the middle of the screen, the same way for both. Prints the
# median and the 90th percentile of each, and zvp's median less the player's 500 ms clip-shift
# delay (the target: at most mpv's median), then a RESULT line with that figure, mpv's median
# and their ratio. Without mpv, zvp's figures only. Runs under xvfb-run (1280x1024) when there
# is no display.
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
    exec "$(dirname "$0")/../tests/support/xvfb-run.sh" -s "-screen 0 1280x1024x24" \
        "$0" "$zvp" "$clip" "$runs"
fi

# The middle of the screen: inside both players' pictures.
read -r sw sh < <(xdpyinfo 2>/dev/null | sed -n 's/ *dimensions: *\([0-9]*\)x\([0-9]*\).*/\1 \2/p')
region="$((sw / 2 - 32)) $((sh / 2 - 16)) 64 32"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# time_one NAME COMMAND...: one timing of COMMAND, appended to "$work/NAME".
time_one() {
    local name=$1
    shift
    # zvp keeps a playlist: a fresh home each run, so each start is a first one.
    rm -rf "$work/home"
    mkdir -p "$work/home"
    XDG_DATA_HOME=$work/home XDG_CONFIG_HOME=$work/home SDL_AUDIODRIVER=dummy \
        QT_QPA_PLATFORM=xcb "$watch" $region 20000 "$@" >>"$work/$name" 2>"$work/$name.err" ||
        { echo "$name: $(cat "$work/$name.err")" >&2; exit 1; }
}
# stats FILE: "median p90" in milliseconds (nearest-rank).
stats() {
    sort -n "$1" | awk '{ v[NR] = $1 } END {
        m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
        p = int(0.9 * NR + 0.999); if (p < 1) p = 1
        printf "%d %d\n", m, v[p] }'
}

have_mpv=0
command -v mpv >/dev/null 2>&1 && have_mpv=1
: >"$work/zvp"
: >"$work/mpv"
# Alternating starts, so that a busy spell of this shared machine hits both players alike.
for _ in $(seq "$runs"); do
    time_one zvp "$zvp" "$clip"
    # Centred like zvp's window, so the same region shows both pictures.
    if [ $have_mpv -eq 1 ]; then
        time_one mpv mpv --no-config --ao=null --really-quiet --geometry=50%:50% "$clip"
    fi
done
read -r zmed zp90 < <(stats "$work/zvp")
printf 'clip: %s, %d starts each\n' "$clip" "$runs"
printf 'zvp: median %d ms, p90 %d ms; less the 500 ms clip-shift delay: %d ms\n' \
    "$zmed" "$zp90" $((zmed - 500))
figure="start-up to first picture ms (less 500 ms delay)"
if [ $have_mpv -eq 1 ]; then
    read -r mmed mp90 < <(stats "$work/mpv")
    printf 'mpv: median %d ms, p90 %d ms\n' "$mmed" "$mp90"
    if [ $((zmed - 500)) -le "$mmed" ]; then verdict="met"; else verdict="missed"; fi
    printf 'target (zvp less the delay <= mpv median): %s\n' "$verdict"
    ratio=$(awk -v a=$((zmed - 500)) -v b="$mmed" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }')
    echo "RESULT|$figure|$((zmed - 500))|$mmed|$ratio|<= 1.0 x mpv median|$verdict"
else
    echo "mpv: not installed"
    echo "peer missing: mpv"
    echo "RESULT|$figure|$((zmed - 500))|-|-|<= 1.0 x mpv median|-"
fi
