#!/usr/bin/env bash
# Real-time playback CPU against mpv on the same clip, in the same run: `pipeline_bench
# --realtime CLIP` (null renderers) beside `mpv --vo=null --ao=null --hwdec=no CLIP`, each
# the lowest user + system CPU seconds of RUNS runs, and their ratio; also the bytes the video
# stream copied per presented picture. Without mpv our own figures only.
#   usage: pipeline_cpu.sh PIPELINE_BENCH [CLIP] [RUNS]
# CLIP defaults to hd1080_20s.mp4 in the media folder beside the benchmark's build
# ($ZVP_MEDIA_DIR when set).
set -euo pipefail

bench=${1:?usage: pipeline_cpu.sh PIPELINE_BENCH [CLIP] [RUNS]}
build=$(cd "$(dirname "$bench")/.." && pwd)
# shellcheck source=reference_clip.sh
source "$(dirname "$0")/reference_clip.sh"
clip=${2:-$(reference_clip "$build")}
runs=${3:-3}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
min() { awk -v a="$1" -v b="$2" 'BEGIN { print (a < b) ? a : b }'; }

ours=1e9 theirs=1e9 copied=- copies=-
have_mpv=$(command -v mpv >/dev/null && echo yes || echo no)
for _ in $(seq "$runs"); do
    /usr/bin/time -f '%U %S' -o "$work/time" "$bench" "$clip" --realtime > "$work/out" 2>/dev/null
    ours=$(min "$(awk '{ print $1 + $2 }' "$work/time")" "$ours")
    copied=$(sed -n 's/^bytes copied per picture: //p' "$work/out")
    copies=$(sed -n 's/^full-picture copies per picture: //p' "$work/out")
    if [ "$have_mpv" = yes ]; then
        /usr/bin/time -f '%U %S' -o "$work/time" mpv --no-config --really-quiet --vo=null \
            --ao=null --hwdec=no "$clip" > /dev/null 2>&1
        theirs=$(min "$(awk '{ print $1 + $2 }' "$work/time")" "$theirs")
    fi
done

echo "clip: $clip"
echo "bytes copied per picture: ${copied:--}"
echo "full-picture copies per picture: ${copies:--}"
echo "pipeline_bench --realtime CPU seconds: $ours"
if [ "$have_mpv" = yes ]; then
    echo "mpv --vo=null CPU seconds: $theirs"
    awk -v o="$ours" -v t="$theirs" 'BEGIN {
        r = (t > 0) ? o / t : 0
        printf "ratio: %.3f\n", r
        printf "RESULT|realtime CPU s (null renderers)|%.3f|%.3f|%.3f|<= 0.8 x mpv|%s\n", o, t, r,
               (r <= 0.8) ? "met" : "missed"
    }'
else
    echo "peer missing: mpv"
    echo "RESULT|realtime CPU s (null renderers)|$ours|-|-|<= 0.8 x mpv|-"
fi
echo "RESULT|full-picture copies per picture|${copies:--}|-|-|<= 1|$(
    awk -v c="${copies:--}" 'BEGIN { print (c == "-") ? "-" : (c <= 1.0) ? "met" : "missed" }')"
