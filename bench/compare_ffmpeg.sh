#!/usr/bin/env bash
# Decoding throughput of the playback pipeline against the ffmpeg command-line tool on the
# same clips, in the same run: frames per second of `pipeline_bench --fast CLIP` and of
# `ffmpeg -threads 0 -i CLIP -f null -`, each the best of RUNS runs, and their ratio (target:
# at least 0.95). Both are timed the same way, from process start to exit (opening and probing
# the file included), with the clip's video frame count as the numerator. One RESULT line per
# clip.
#   usage: compare_ffmpeg.sh PIPELINE_BENCH [CLIP...] [RUNS]
# A last argument that is a number is RUNS (default 3). Without clips: hd1080.mp4 and the
# benchmark clips (4K HEVC Main 10, 1440p VP9, 1080p60 H.264) in the media folder beside the
# benchmark's build ($ZVP_MEDIA_DIR when set); the build's `bench_media` target makes those
# first when they are missing.
set -euo pipefail

bench=${1:?usage: compare_ffmpeg.sh PIPELINE_BENCH [CLIP...] [RUNS]}
shift
build=$(cd "$(dirname "$bench")/.." && pwd)
media=${ZVP_MEDIA_DIR:-$build/media}
runs=3
if [ $# -gt 0 ] && [[ "${!#}" =~ ^[0-9]+$ ]]; then
    runs=${!#}
    set -- "${@:1:$#-1}"
fi
if [ $# -eq 0 ]; then
    bench_clips=(hevc_2160p10.mp4 vp9_1440p.webm h264_1080p60.mp4)
    missing=0
    for clip in "${bench_clips[@]}"; do [ -f "$media/$clip" ] || missing=1; done
    if [ $missing -eq 1 ] && [ -z "${ZVP_MEDIA_DIR:-}" ]; then
        echo "compare_ffmpeg: generating the benchmark clips (target bench_media)" >&2
        cmake --build "$build" --target bench_media >&2 ||
            echo "compare_ffmpeg: bench_media failed; the clips that exist are compared" >&2
    fi
    set -- "$media/hd1080.mp4"
    for clip in "${bench_clips[@]}"; do
        if [ -f "$media/$clip" ]; then set -- "$@" "$media/$clip"; else echo "compare_ffmpeg: no $media/$clip" >&2; fi
    done
fi

# seconds COMMAND...: wall seconds of COMMAND, its standard output into $work/out.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
seconds() {
    local start end
    start=$(date +%s.%N)
    "$@" >"$work/out" 2>"$work/err" || { cat "$work/err" >&2; return 1; }
    end=$(date +%s.%N)
    echo "$end - $start" | bc -l
}
best() { echo "if ($1 > $2) $1 else $2" | bc -l; }

status=0
for clip in "$@"; do
    name=$(basename "$clip")
    frames=$(ffprobe -v error -select_streams v:0 -count_frames -show_entries stream=nb_read_frames \
             -of default=nokey=1:noprint_wrappers=1 "$clip")
    best_ffmpeg=0
    best_pipeline=0
    for _ in $(seq "$runs"); do
        # Alternating, so that a busy spell of this shared machine hits both alike.
        t=$(seconds ffmpeg -hide_banner -nostdin -loglevel error -threads 0 -i "$clip" -f null -)
        best_ffmpeg=$(best "$(echo "$frames / $t" | bc -l)" "$best_ffmpeg")

        t=$(seconds "$bench" "$clip" --fast)
        shown=$(sed -n 's/^frames presented: //p' "$work/out")
        if [ "$shown" != "$frames" ]; then
            echo "$name: pipeline_bench presented $shown of $frames frames" >&2
            status=1
            continue 2
        fi
        best_pipeline=$(best "$(echo "$frames / $t" | bc -l)" "$best_pipeline")
    done
    ratio=$(printf '%.3f' "$(echo "$best_pipeline / $best_ffmpeg" | bc -l)")
    verdict=$(awk -v r="$ratio" 'BEGIN { print (r >= 0.95) ? "met" : "missed" }')
    printf 'clip: %s\n' "$clip"
    printf 'frames: %s\n' "$frames"
    printf 'ffmpeg frames per second: %.1f\n' "$best_ffmpeg"
    printf 'pipeline frames per second: %.1f\n' "$best_pipeline"
    printf 'ratio: %s\n' "$ratio"
    # ffmpeg is the reference here, not mpv: its column holds ffmpeg's frames per second.
    printf 'RESULT|decode fps %s|%.1f|%.1f|%s|>= 0.95 x ffmpeg|%s\n' \
        "$name" "$best_pipeline" "$best_ffmpeg" "$ratio" "$verdict"
done
exit $status
