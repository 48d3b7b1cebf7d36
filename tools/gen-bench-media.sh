#!/usr/bin/env bash
# Writes the large benchmark clips into OUT_DIR with the ffmpeg command-line tool. Too big and
# too slow to make for the test suite: the `bench_media` target (tools/bench_media.cmake, not in
# the default build) runs it on demand, and bench/compare_ffmpeg.sh builds that target.
#   usage: gen-bench-media.sh OUT_DIR [FFMPEG]
#
# Each clip is testsrc2's moving pattern with temporal noise (so that every picture carries
# real residual data) and a 440 Hz tone, 5 s unless said; fast encoder presets keep the
# generation short.
#
#   hevc_2160p10.mp4   3840x2160 25 fps HEVC Main 10 (yuv420p10le, about 12 Mbit/s) + AAC stereo
#   vp9_1440p.webm     2560x1440 25 fps VP9 profile 0 (about 8 Mbit/s) + Opus stereo
#   h264_1080p60.mp4   1920x1080 60 fps H.264 High (B-frames, about 10 Mbit/s) + AAC stereo
#   hd1080_20s.mp4     20 s 1920x1080 25 fps H.264 High (GOP 60, 3 B-frames, about 6 Mbit/s)
#                      + AAC stereo: the real-time playback reference (bench/pipeline_cpu.sh)
#
# A clip whose encoder this ffmpeg lacks is left out, with a line on the error stream.
set -euo pipefail

out=${1:?usage: gen-bench-media.sh OUT_DIR [FFMPEG]}
ffmpeg=${2:-ffmpeg}
mkdir -p "$out"

ff() { "$ffmpeg" -hide_banner -nostdin -loglevel error -y "$@"; }
has_encoder() { "$ffmpeg" -hide_banner -encoders 2>/dev/null | grep " $1 " >/dev/null; }

# picture SIZE RATE [SECONDS]: the moving pattern, 5 s unless said.
picture() { echo "testsrc2=size=$1:rate=$2:duration=${3:-5},noise=alls=6:allf=t"; }
tone=(-f lavfi -i "sine=frequency=440:sample_rate=48000:duration=5")

# Written under a temporary name first: an interrupted run leaves no half clip behind.
make() {
    local name=$1 encoder=$2
    shift 2
    if ! has_encoder "$encoder"; then
        echo "gen-bench-media: no $encoder in $ffmpeg; $name left out" >&2
        return 0
    fi
    local part="$out/.part.${name}" format=${name##*.}  # mp4, webm: muxer names
    ff "$@" -f "$format" "$part"
    mv "$part" "$out/$name"
}

make hevc_2160p10.mp4 libx265 -f lavfi -i "$(picture 3840x2160 25),format=yuv420p10le" "${tone[@]}" \
    -c:v libx265 -preset ultrafast -profile:v main10 -b:v 12M -x265-params log-level=error \
    -tag:v hvc1 -c:a aac -b:a 128k -ac 2 -movflags +faststart -shortest

make vp9_1440p.webm libvpx-vp9 -f lavfi -i "$(picture 2560x1440 25),format=yuv420p" "${tone[@]}" \
    -c:v libvpx-vp9 -deadline realtime -cpu-used 8 -row-mt 1 -b:v 8M -g 125 \
    -c:a libopus -b:a 96k -ac 2 -shortest

make h264_1080p60.mp4 libx264 -f lavfi -i "$(picture 1920x1080 60),format=yuv420p" "${tone[@]}" \
    -c:v libx264 -preset veryfast -bf 3 -g 120 -b:v 10M -maxrate 14M -bufsize 14M \
    -c:a aac -b:a 128k -ac 2 -movflags +faststart -shortest

make hd1080_20s.mp4 libx264 -f lavfi -i "$(picture 1920x1080 25 20),format=yuv420p" \
    -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=20" \
    -c:v libx264 -preset veryfast -profile:v high -bf 3 -g 60 -b:v 6M -maxrate 8M -bufsize 8M \
    -c:a aac -b:a 128k -ac 2 -movflags +faststart -shortest
