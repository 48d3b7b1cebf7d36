#!/usr/bin/env bash
# Pipeline throughput with subtitles: `pipeline_bench --fast` on the 1080p clip with a
# two-line SRT whose text changes on every picture (so every picture is rendered anew), beside
# the same clip without subtitles; best of RUNS runs each, interleaved, and their ratio.
#   usage: subtitle_pipeline.sh PIPELINE_BENCH [CLIP] [RUNS]
set -euo pipefail

bench=${1:?usage: subtitle_pipeline.sh PIPELINE_BENCH [CLIP] [RUNS]}
build=$(cd "$(dirname "$bench")/.." && pwd)
clip=${2:-${ZVP_MEDIA_DIR:-$build/media}/hd1080.mp4}
runs=${3:-3}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
srt=$work/lines.srt
# One cue per 40 ms picture for 60 s, each with two lines naming its picture.
awk 'function t(ms) { return sprintf("%02d:%02d:%02d,%03d", ms/3600000, (ms/60000)%60, (ms/1000)%60, ms%1000) }
     BEGIN { for (i = 0; i < 1500; i++)
               printf "%d\n%s --> %s\nPicture number %d of the benchmark\nsecond line, moving on %d\n\n",
                      i + 1, t(i * 40), t(i * 40 + 40), i, i }' > "$srt"

fps() { "$bench" "$clip" --fast "$@" 2>/dev/null | sed -n 's/^frames per second: //p'; }
best_plain=0
best_subtitled=0
for _ in $(seq "$runs"); do
    p=$(fps)
    s=$(fps --subtitle "$srt")
    best_plain=$(awk -v a="$p" -v b="$best_plain" 'BEGIN { print (a > b) ? a : b }')
    best_subtitled=$(awk -v a="$s" -v b="$best_subtitled" 'BEGIN { print (a > b) ? a : b }')
done
echo "clip: $clip"
echo "plain frames per second: $best_plain"
echo "subtitled frames per second: $best_subtitled"
awk -v s="$best_subtitled" -v p="$best_plain" 'BEGIN { printf "ratio: %.3f\n", (p > 0) ? s / p : 0 }'
