#!/usr/bin/env bash
# Writes one 1 s sample of every extension of resources/mime-types.txt into OUT_DIR, named
# sample.<ext>, with the ffmpeg command-line tool: 176x144 test picture at 25 fps and a 440 Hz
# tone where the format carries video, the tone alone for the audio formats.
#   usage: gen-mime-samples.sh OUT_DIR [FFMPEG]
# The build runs it through the `mime_samples` target (tools/mime_samples.cmake). Every type
# the MIME table claims has a sample here, and tests/e2e/install_e2e.sh plays each to its end.
#
#   sample.mp4  H.264 + AAC            sample.m4v  H.264 (MP4)        sample.m4a  AAC (MP4)
#   sample.mkv  H.264 + AAC            sample.mka  AAC (Matroska)     sample.webm VP8 + Vorbis
#   sample.avi  MPEG-4 + MP3           sample.mpg  MPEG-1 + MP2       sample.ts   H.264 + AAC
#   sample.mov  H.264 + AAC            sample.flv  FLV1 + MP3         sample.3gp  H.263 + AAC
#   sample.3g2  H.263 + AAC            sample.wmv  WMV8 + WMA2        sample.asf  MS-MPEG4 + WMA2
#   sample.rm   RealVideo 1 + AC-3     sample.mp3  MP3                sample.flac FLAC
#   sample.wav  PCM                    sample.ogg  Vorbis             sample.opus Opus
#   sample.aac  AAC (ADTS)             sample.ac3  AC-3               sample.mp2  MP2
#   sample.wma  WMA2
set -euo pipefail

out=${1:?usage: gen-mime-samples.sh OUT_DIR [FFMPEG]}
ffmpeg=${2:-ffmpeg}
mkdir -p "$out"

ff() { "$ffmpeg" -hide_banner -nostdin -loglevel error -y "$@"; }
picture=(-f lavfi -i "testsrc=size=176x144:rate=25:duration=1,format=yuv420p")
tone=(-f lavfi -i "sine=frequency=440:sample_rate=44100:duration=1")
both=("${picture[@]}" "${tone[@]}" -shortest)
x264=(-c:v libx264 -preset veryfast -g 25)

ff "${both[@]}" "${x264[@]}" -c:a aac "$out/sample.mp4"
ff "${picture[@]}" "${x264[@]}" -f mp4 "$out/sample.m4v"
ff "${tone[@]}" -c:a aac -f mp4 "$out/sample.m4a"
ff "${both[@]}" "${x264[@]}" -c:a aac "$out/sample.mkv"
ff "${tone[@]}" -c:a aac -f matroska "$out/sample.mka"
ff "${both[@]}" -c:v libvpx -deadline realtime -cpu-used 8 -b:v 200k -c:a libvorbis "$out/sample.webm"
ff "${both[@]}" -c:v mpeg4 -c:a libmp3lame "$out/sample.avi"
ff "${both[@]}" -c:v mpeg1video -c:a mp2 -f mpeg "$out/sample.mpg"
ff "${both[@]}" "${x264[@]}" -c:a aac -f mpegts "$out/sample.ts"
ff "${both[@]}" "${x264[@]}" -c:a aac "$out/sample.mov"
ff "${both[@]}" -c:v flv -c:a libmp3lame "$out/sample.flv"
ff "${both[@]}" -c:v h263 -c:a aac -ac 1 -ar 22050 -f 3gp "$out/sample.3gp"
ff "${both[@]}" -c:v h263 -c:a aac -ac 1 -ar 22050 -f 3g2 "$out/sample.3g2"
ff "${both[@]}" -c:v wmv2 -c:a wmav2 -f asf "$out/sample.wmv"
ff "${both[@]}" -c:v msmpeg4 -c:a wmav2 -f asf "$out/sample.asf"
ff "${both[@]}" -c:v rv10 -c:a ac3 -f rm "$out/sample.rm"
ff "${tone[@]}" -c:a libmp3lame "$out/sample.mp3"
ff "${tone[@]}" -c:a flac "$out/sample.flac"
ff "${tone[@]}" -c:a pcm_s16le "$out/sample.wav"
ff "${tone[@]}" -c:a libvorbis "$out/sample.ogg"
ff -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=1" -c:a libopus "$out/sample.opus"
ff "${tone[@]}" -c:a aac -f adts "$out/sample.aac"
ff "${tone[@]}" -c:a ac3 -f ac3 "$out/sample.ac3"
ff "${tone[@]}" -c:a mp2 -f mp2 "$out/sample.mp2"
ff "${tone[@]}" -c:a wmav2 -f asf "$out/sample.wma"
