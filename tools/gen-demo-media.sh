#!/usr/bin/env bash
# Writes the demo clip the README's run command plays: OUT_DIR/demo.mp4 (60 s, 640x360 H.264
# at 25 fps with its playing time drawn large in the middle, AAC stereo) and OUT_DIR/demo.srt
# beside it, which the player finds and shows on its own.
#   usage: gen-demo-media.sh OUT_DIR [FFMPEG]
set -euo pipefail

out=${1:?usage: gen-demo-media.sh OUT_DIR [FFMPEG]}
ffmpeg=${2:-ffmpeg}
mkdir -p "$out"
ff() { "$ffmpeg" -hide_banner -nostdin -loglevel error -y "$@"; }

clock=""
font=""
if command -v fc-match >/dev/null 2>&1; then
    font=$(fc-match -f '%{file}' 'DejaVu Sans:bold' 2>/dev/null || true)
fi
if [ -n "$font" ] && [ -f "$font" ]; then
    clock=",drawtext=fontfile=${font}:text='%{pts\:hms}':fontcolor=white:fontsize=48"
    clock+=":box=1:boxcolor=black@0.6:boxborderw=8:x=(w-tw)/2:y=(h-th)/2"
    if ! ff -f lavfi -i "testsrc2=size=64x64:duration=0.04${clock}" -f null - 2>/dev/null; then
        clock=""
    fi
fi

ff -f lavfi -i "testsrc2=size=640x360:rate=25:duration=60${clock},format=yuv420p" \
   -f lavfi -i "sine=frequency=440:beep_factor=2:sample_rate=48000:duration=60" \
   -c:v libx264 -preset veryfast -g 50 -threads 2 -c:a aac -b:a 96k -ac 2 \
   -movflags +faststart -shortest "$out/demo.mp4"

{
    n=1
    for start in 2 10 20 30 40 50; do
        end=$((start + 4))
        printf '%d\n00:00:%02d,000 --> 00:00:%02d,000\n' "$n" "$start" "$end"
        printf 'Demo subtitle %d of 6\n\n' "$n"
        n=$((n + 1))
    done
} >"$out/demo.srt"
