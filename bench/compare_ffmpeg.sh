#!/usr/bin/env bash
# Decoding throughput of the playback pipeline against the ffmpeg command-line tool on the
# same clip, in the same run: frames per second of `pipeline_bench --fast CLIP` and of
# `ffmpeg -threads 0 -i CLIP -f null -`, each the best of RUNS runs, and their ratio. Both
# are timed the same way, from process start to exit (opening and probing the file
# included), with the clip's video frame count as the numerator.
#   usage: compare_ffmpeg.sh PIPELINE_BENCH [CLIP] [RUNS]
# CLIP defaults to hd1080.mp4 in the media folder beside the benchmark's build
# ($ZVP_MEDIA_DIR when set).
set -euo pipefail

bench=${1:?usage: compare_ffmpeg.sh PIPELINE_BENCH [CLIP] [RUNS]}
build=$(cd "$(dirname "$bench")/.." && pwd)
clip=${2:-${ZVP_MEDIA_DIR:-$build/media}/hd1080.mp4}
runs=${3:-3}

frames=$(ffprobe -v error -select_streams v:0 -count_frames -show_entries stream=nb_read_frames \
         -of default=nokey=1:noprint_wrappers=1 "$clip")

best_ffmpeg=0
best_pipeline=0
for _ in $(seq "$runs"); do
    start=$(date +%s.%N)
    ffmpeg -hide_banner -nostdin -loglevel error -threads 0 -i "$clip" -f null -
    end=$(date +%s.%N)
    fps=$(echo "$frames / ($end - $start)" | bc -l)
    best_ffmpeg=$(echo "if ($fps > $best_ffmpeg) $fps else $best_ffmpeg" | bc -l)

    start=$(date +%s.%N)
    shown=$("$bench" "$clip" --fast 2>/dev/null | sed -n 's/^frames presented: //p')
    end=$(date +%s.%N)
    if [ "$shown" != "$frames" ]; then
        echo "pipeline_bench presented $shown of $frames frames" >&2
        exit 1
    fi
    fps=$(echo "$frames / ($end - $start)" | bc -l)
    best_pipeline=$(echo "if ($fps > $best_pipeline) $fps else $best_pipeline" | bc -l)
done

printf 'clip: %s\n' "$clip"
printf 'frames: %s\n' "$frames"
printf 'ffmpeg frames per second: %.1f\n' "$best_ffmpeg"
printf 'pipeline frames per second: %.1f\n' "$best_pipeline"
printf 'ratio: %.3f\n' "$(echo "$best_pipeline / $best_ffmpeg" | bc -l)"
