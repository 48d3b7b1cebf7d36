#!/usr/bin/env bash
# Peak memory playing in real time against mpv on the same clips, one after the other: the
# peak resident set (`/usr/bin/time -f %M`) of `pipeline_bench --realtime CLIP` (the whole
# pipeline with the null renderers) and of `mpv --vo=null --ao=null --hwdec=no CLIP`, and
# their ratio; also the packet queues' byte cap and the most they held, and the bytes of the
# pictures the video pin keeps. One RESULT line per figure.
#   usage: memory_peak.sh PIPELINE_BENCH [CLIP...]
# Without clips: hd1080.mp4 and every 4K clip (*2160*) in the media folder beside the
# benchmark's build ($ZVP_MEDIA_DIR when set). ZVP_MEMORY_SECONDS plays only that many seconds
# of each clip (both players).
set -euo pipefail

bench=${1:?usage: memory_peak.sh PIPELINE_BENCH [CLIP...]}
shift
build=$(cd "$(dirname "$bench")/.." && pwd)
media=${ZVP_MEDIA_DIR:-$build/media}
if [ $# -eq 0 ]; then
    set -- "$media/hd1080.mp4"
    for big in "$media"/*2160*; do
        [ -f "$big" ] && set -- "$@" "$big"
    done
fi
seconds=${ZVP_MEMORY_SECONDS:-}
[ -x /usr/bin/time ] || { echo "memory_peak: /usr/bin/time is missing (Debian package time)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
have_mpv=0
command -v mpv >/dev/null 2>&1 && have_mpv=1
[ $have_mpv -eq 1 ] || echo "peer missing: mpv"

mib() { awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'; }
for clip in "$@"; do
    name=$(basename "$clip")
    ours_args=("$clip" --realtime)
    mpv_args=()
    if [ -n "$seconds" ]; then
        ours_args+=(--seconds "$seconds")
        mpv_args+=(--length="$seconds")
    fi
    /usr/bin/time -f %M -o "$work/ours.kib" "$bench" "${ours_args[@]}" >"$work/ours" 2>/dev/null
    value() { sed -n "s/^$1: //p" "$work/ours"; }
    ours=$(mib "$(cat "$work/ours.kib")")
    cap=$(mib "$(( $(value "packet queue cap bytes") / 1024 ))")
    peak=$(mib "$(( $(value "packet queue peak bytes") / 1024 ))")
    pictures=$(mib "$(( $(value "picture buffer bytes") / 1024 ))")
    printf '%s: zvp peak RSS %s MiB; packet queues held at most %s MiB (cap %s MiB); picture buffers %s MiB\n' \
        "$name" "$ours" "$peak" "$cap" "$pictures"
    if [ $have_mpv -eq 1 ]; then
        /usr/bin/time -f %M -o "$work/mpv.kib" mpv --no-config --really-quiet --vo=null --ao=null \
            --hwdec=no "${mpv_args[@]}" "$clip" </dev/null >/dev/null 2>&1
        theirs=$(mib "$(cat "$work/mpv.kib")")
        read -r ratio verdict < <(awk -v a="$ours" -v b="$theirs" \
            'BEGIN { r = (b > 0) ? a / b : 0; printf "%.2f %s\n", r, (r <= 0.8) ? "met" : "missed" }')
        printf '%s: mpv peak RSS %s MiB, ratio %s\n' "$name" "$theirs" "$ratio"
        echo "RESULT|peak RSS MiB $name|$ours|$theirs|$ratio|<= 0.8 x mpv|$verdict"
    else
        echo "RESULT|peak RSS MiB $name|$ours|-|-|<= 0.8 x mpv|-"
    fi
    verdict=$(awk -v a="$peak" -v b="$cap" 'BEGIN { print (a <= b) ? "met" : "missed" }')
    echo "RESULT|packet queue peak MiB $name|$peak|-|-|<= cap $cap MiB|$verdict"
done
