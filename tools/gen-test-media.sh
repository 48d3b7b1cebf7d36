#!/usr/bin/env bash
# Writes the test media set into OUT_DIR with the ffmpeg command-line tool.
#   usage: gen-test-media.sh OUT_DIR [FFMPEG [MAKE_DVDSUB]]
# MAKE_DVDSUB is the zvp-make-dvdsub helper built from tools/make-dvdsub.cpp; without it the
# bitmap subtitle clip is skipped.
# The build runs it through the `test_media` target (tools/media.cmake) and again only when
# this script or the helper changes. Tests find the folder as $ZVP_MEDIA_DIR
# (tests/support/TestUtil.h).
#
# Every video frame shows its frame number (0-based, white on black, top left, drawn with
# drawtext when ffmpeg has it and a font is found) and, in the centre, testsrc's own counter of
# the frame time in hundredths of a second (frame n at 25 fps shows 4n). The picture is
# testsrc's colour pattern. Unless noted, audio is a 440 Hz sine of amplitude 1/8 of full scale
# (about -18 dBFS, ffmpeg's sine source) and video is 25 fps, 320x240, yuv420p.
#
#   h264_aac.mp4        10 s  H.264 (B-frames, GOP 50) + AAC stereo 48 kHz; moov at the front
#   mpeg4_mp3.avi       10 s  MPEG-4 Part 2 + MP3 stereo 44.1 kHz
#   two_audio_ass.mkv   10 s  H.264 + audio #1 AAC 440 Hz (eng, "Tone 440")
#                             + audio #2 AAC 880 Hz (fre, "Tone 880") + ASS subtitles:
#                             "First line" 1-3 s, "Second line" 4-6 s, "Third line" 7-9 s
#   srt.mkv             10 s  H.264 + AAC 440 Hz + SubRip subtitles, same three cues
#   dvdsub.mkv          10 s  h264_aac.mp4's streams + a DVD (VobSub) bitmap subtitle track (eng),
#                             events 1-3 s, 4-6 s, 7-9 s: a 120x40 white box with a black border
#                             and the event number (1, 2, 3) in black, centred 20 px above the
#                             bottom edge (drawn by tools/make-dvdsub.cpp)
#   mpegts.ts           10 s  H.264 + MP2 stereo 48 kHz in MPEG-TS (discontinuous time stamps)
#   program.mpg         10 s  MPEG-2 video + MP2 stereo 48 kHz in an MPEG-2 program stream (VOB)
#   dvd_vts.vob          2 s  MPEG-2 video + MP2 stereo 48 kHz in a program stream, for DVD trees
#   vcd_avseq.mpg        2 s  352x240 MPEG-1 video + MP2 stereo 44.1 kHz in an MPEG-1 system
#                             stream, for Video CD trees
#   real.rm             10 s  RealVideo 2.0 + RealAudio 1.0 (14.4K) 440 Hz mono 8 kHz
#   tone.mp3             5 s  audio only, MP3 stereo 44.1 kHz
#   tone.flac            5 s  audio only, FLAC stereo 48 kHz
#   tone.wav             5 s  audio only, PCM s16le stereo 48 kHz
#   tone.ogg             5 s  audio only, Vorbis stereo 48 kHz
#   tone_cover.mp3       5 s  tone.mp3 with a 160x120 PNG cover picture (attached picture stream 1)
#   tone_float.wav       5 s  audio only, PCM f32le (float samples) stereo 48 kHz
#   silence_hour.flac 3725.5 s  (1:02:05.5) digital silence, FLAC mono 8 kHz, for duration splits
#   video_only.mp4       5 s  H.264 only, no audio
#   surround51.mkv       5 s  H.264 + AC-3 5.1 (48 kHz) with the 440 Hz tone in all six channels
#   hd1080.mp4           6 s  1920x1080 H.264 (B-frames, film grain, about 6 Mbit/s) + AAC
#                             stereo, for benchmarks
#   long.mp4            45 s  160x120 H.264 + AAC, for tests that stop playback at 30 s
#   sync20.mp4          20 s  H.264 + AAC: every whole second the first frame (frames 0, 25,
#                             50, ...) carries an 80x80 white square at the centre and a 1 kHz
#                             beep (amplitude 0.5) of 40 ms starts; silence otherwise. For A/V
#                             sync measurements.
#   rate60.mp4           2 s  160x120 H.264 at 60 fps, no audio
#   three_audio_two_subs.mkv 4 s 160x120 H.264 + audio #1 AAC mono 22.05 kHz + audio #2 MP3
#                             stereo 44.1 kHz + audio #3 AC-3 5.1 48 kHz + SubRip and ASS tracks
#                             (the same three cues)
#   hevc10_71.mp4        2 s  160x120 HEVC Main 10 (yuv420p10le) + AAC 7.1 96 kHz; missing when
#                             the ffmpeg here has no 10-bit libx265
#   raw.h264             2 s  160x120 H.264 elementary stream, no container: duration unknown
#   truncated.mp4       h264_aac.mp4 cut after 50 % of its bytes (index complete, media data
#                       ends mid-stream around 5 s)
#   corrupt_middle.mp4  h264_aac.mp4 with 48 KiB of pseudo-random bytes written over the media
#                       data in the middle of the file (demuxes fully, decoding breaks mid-stream)
#   random.bin          64 KiB of pseudo-random bytes (fixed seed): no container at all
#   audio_early_end.mkv 60 s  160x120 H.264 (GOP 50) + AAC mono whose audio stops at 3 s
#   audio_runs.mkv      36 s  160x120 H.264 + MP2 mono 48 kHz muxed in 12-second runs: each run
#                             of audio packets is followed by about 300 video packets
#   annexb_nodur.mkv     4 s  160x120 H.264 from an Annex B stream (no B-frames) written to a
#                             pipe: no duration in the container or its streams, no cues
#   live.webm            4 s  160x120 VP8 + Opus mono written live to a pipe: no duration, no
#                             cues
#   bars_hd709.mp4       1 s  1920x1080 smptehdbars, lossless H.264 tagged BT.709 limited range,
#                             no audio; bars_hd709.rgb: its first picture as rgb24 (BT.709)
#   bars_sd601.mp4       1 s  720x576 smptebars, lossless H.264 untagged, no audio;
#                             bars_sd601.rgb: its first picture as rgb24 (BT.601)
#
# ffmpeg 5.1 encodes subtitles only text to text or bitmap to bitmap, so the DVD bitmap track
# cannot come from SRT/ASS input: tools/make-dvdsub.cpp draws and encodes it.
set -euo pipefail

out=${1:?usage: gen-test-media.sh OUT_DIR [FFMPEG]}
ffmpeg=${2:-ffmpeg}
make_dvdsub=${3:-}
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

ff() { "$ffmpeg" -hide_banner -nostdin -loglevel error -y "$@"; }

# --- the frame counter -----------------------------------------------------------------------
font=""
if command -v fc-match >/dev/null 2>&1; then
    font=$(fc-match -f '%{file}' 'DejaVu Sans:bold' 2>/dev/null || true)
fi
counter=""
if [ -n "$font" ] && [ -f "$font" ]; then
    counter=",drawtext=fontfile=${font}:text='%{frame_num}':fontcolor=white:box=1:boxcolor=black"
    counter+=":fontsize=h/6:x=4:y=4"
    # The filter may be missing (ffmpeg built without freetype): fall back to testsrc's counter.
    if ! ff -f lavfi -i "testsrc=size=64x64:duration=0.04${counter}" -f null - 2>/dev/null; then
        counter=""
    fi
fi

# video SIZE SECONDS [EXTRA_FILTERS]: a lavfi description of the counted test picture.
video() {
    echo "testsrc=size=$1:rate=25:duration=$2:decimals=2${3:-}${counter},format=yuv420p"
}
# tone FREQ SECONDS [RATE]: a lavfi sine source.
tone() { echo "sine=frequency=$1:sample_rate=${3:-48000}:duration=$2"; }

x264=(-c:v libx264 -preset veryfast -bf 2 -g 50 -threads 2)

# --- subtitles ---------------------------------------------------------------------------------
cat >"$work/subs.srt" <<'EOF'
1
00:00:01,000 --> 00:00:03,000
First line

2
00:00:04,000 --> 00:00:06,000
Second line

3
00:00:07,000 --> 00:00:09,000
Third line
EOF
cat >"$work/subs.ass" <<'EOF'
[Script Info]
ScriptType: v4.00+
PlayResX: 320
PlayResY: 240

[V4+ Styles]
Format: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, BackColour, Bold, Italic, Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, BorderStyle, Outline, Shadow, Alignment, MarginL, MarginR, MarginV, Encoding
Style: Default,DejaVu Sans,20,&H00FFFFFF,&H000000FF,&H00000000,&H00000000,0,0,0,0,100,100,0,0,1,2,0,2,10,10,10,1

[Events]
Format: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text
Dialogue: 0,0:00:01.00,0:00:03.00,Default,,0,0,0,,First line
Dialogue: 0,0:00:04.00,0:00:06.00,Default,,0,0,0,,Second line
Dialogue: 0,0:00:07.00,0:00:09.00,Default,,0,0,0,,Third line
EOF

# --- containers with video and audio -----------------------------------------------------------
ff -f lavfi -i "$(video 320x240 10)" -f lavfi -i "$(tone 440 10)" \
   "${x264[@]}" -c:a aac -b:a 96k -ac 2 -movflags +faststart -shortest "$out/h264_aac.mp4"

ff -f lavfi -i "$(video 320x240 10)" -f lavfi -i "$(tone 440 10 44100)" \
   -c:v mpeg4 -q:v 5 -bf 0 -g 50 -c:a libmp3lame -b:a 96k -ac 2 "$out/mpeg4_mp3.avi"

ff -f lavfi -i "$(video 320x240 10)" -f lavfi -i "$(tone 440 10)" -f lavfi -i "$(tone 880 10)" \
   -i "$work/subs.ass" -map 0:v -map 1:a -map 2:a -map 3:s \
   "${x264[@]}" -c:a aac -b:a 96k -ac 2 -c:s ass \
   -metadata:s:a:0 language=eng -metadata:s:a:0 title="Tone 440" \
   -metadata:s:a:1 language=fre -metadata:s:a:1 title="Tone 880" \
   -metadata:s:s:0 language=eng "$out/two_audio_ass.mkv"

ff -f lavfi -i "$(video 320x240 10)" -f lavfi -i "$(tone 440 10)" -i "$work/subs.srt" \
   -map 0:v -map 1:a -map 2:s "${x264[@]}" -c:a aac -b:a 96k -ac 2 -c:s srt \
   -metadata:s:s:0 language=eng "$out/srt.mkv"

ff -f lavfi -i "$(video 320x240 10)" -f lavfi -i "$(tone 440 10)" \
   "${x264[@]}" -c:a mp2 -b:a 128k -ac 2 -f mpegts "$out/mpegts.ts"

if [ -n "$make_dvdsub" ]; then
    "$make_dvdsub" "$work/dvdsub-only.mkv" 320 240
    ff -i "$out/h264_aac.mp4" -i "$work/dvdsub-only.mkv" -map 0 -map 1 -c copy \
       -metadata:s:s:0 language=eng "$out/dvdsub.mkv"
fi

ff -f lavfi -i "$(video 320x240 10)" -f lavfi -i "$(tone 440 10)" \
   -c:v mpeg2video -q:v 4 -bf 2 -g 12 -c:a mp2 -b:a 128k -ac 2 -f vob "$out/program.mpg"

# Copied by the disc tests under disc names (VIDEO_TS/VTS_01_1.VOB, MPEGAV/AVSEQ01.DAT).
ff -f lavfi -i "$(video 320x240 2)" -f lavfi -i "$(tone 440 2)" \
   -c:v mpeg2video -q:v 4 -bf 2 -g 12 -c:a mp2 -b:a 128k -ac 2 -f vob "$out/dvd_vts.vob"
ff -f lavfi -i "$(video 352x240 2)" -f lavfi -i "$(tone 440 2 44100)" \
   -c:v mpeg1video -q:v 4 -bf 2 -g 12 -c:a mp2 -b:a 224k -ac 2 -f mpeg "$out/vcd_avseq.mpg"

ff -f lavfi -i "$(video 320x240 10)" -f lavfi -i "$(tone 440 10 8000)" \
   -c:v rv20 -q:v 5 -g 25 -c:a real_144 -ac 1 -ar 8000 "$out/real.rm"

# --- audio only --------------------------------------------------------------------------------
ff -f lavfi -i "$(tone 440 5 44100)" -c:a libmp3lame -b:a 96k -ac 2 "$out/tone.mp3"
ff -f lavfi -i "testsrc=size=160x120:duration=0.04" -frames:v 1 "$work/cover.png"
ff -i "$out/tone.mp3" -i "$work/cover.png" -map 0 -map 1 -c copy -disposition:v:0 attached_pic \
   "$out/tone_cover.mp3"
ff -f lavfi -i "$(tone 440 5)" -c:a flac -ac 2 "$out/tone.flac"
ff -f lavfi -i "$(tone 440 5)" -c:a pcm_s16le -ac 2 "$out/tone.wav"
ff -f lavfi -i "$(tone 440 5)" -c:a libvorbis -q:a 2 -ac 2 "$out/tone.ogg"
ff -f lavfi -i "$(tone 440 5)" -c:a pcm_f32le -ac 2 "$out/tone_float.wav"
ff -f lavfi -i "anullsrc=channel_layout=mono:sample_rate=8000" -t 3725.5 -c:a flac \
   "$out/silence_hour.flac"

# --- special cases -----------------------------------------------------------------------------
ff -f lavfi -i "$(video 320x240 5)" "${x264[@]}" -an "$out/video_only.mp4"

ff -f lavfi -i "$(video 320x240 5)" -f lavfi -i "$(tone 440 5)" \
   -filter:a "pan=5.1|c0=c0|c1=c0|c2=c0|c3=c0|c4=c0|c5=c0" \
   "${x264[@]}" -c:a ac3 -b:a 192k "$out/surround51.mkv"

# Film grain (temporal noise) keeps the bit rate near a real 1080p file's 6 Mbit/s.
ff -f lavfi -i "$(video 1920x1080 6 ',noise=alls=12:allf=t')" -f lavfi -i "$(tone 440 6)" \
   -c:v libx264 -preset veryfast -bf 3 -g 50 -b:v 6M -maxrate 8M -bufsize 8M -threads 2 \
   -c:a aac -b:a 128k -ac 2 -movflags +faststart "$out/hd1080.mp4"

ff -f lavfi -i "$(video 160x120 45)" -f lavfi -i "$(tone 440 45)" \
   "${x264[@]}" -c:a aac -b:a 64k -ac 2 -movflags +faststart "$out/long.mp4"

ff -f lavfi -i "$(video 320x240 20 ',drawbox=x=iw/2-40:y=ih/2-40:w=80:h=80:color=white:t=fill:enable=lt(mod(n\,25)\,1)')" \
   -f lavfi -i "aevalsrc=0.5*sin(2*PI*1000*t)*lt(mod(t\,1)\,0.04):sample_rate=48000:duration=20" \
   "${x264[@]}" -c:a aac -b:a 96k -ac 2 -movflags +faststart "$out/sync20.mp4"

ff -f lavfi -i "testsrc=size=160x120:rate=60:duration=2:decimals=2${counter},format=yuv420p" \
   "${x264[@]}" -an "$out/rate60.mp4"
ff -f lavfi -i "$(video 160x120 2)" "${x264[@]}" -an -f h264 "$out/raw.h264"

ff -f lavfi -i "$(video 160x120 4)" -f lavfi -i "$(tone 440 4 22050)" \
   -f lavfi -i "$(tone 440 4 44100)" -f lavfi -i "$(tone 440 4)" -i "$work/subs.srt" \
   -i "$work/subs.ass" -map 0:v -map 1:a -map 2:a -map 3:a -map 4:s -map 5:s "${x264[@]}" \
   -c:a:0 aac -b:a:0 64k -ac:a:0 1 -c:a:1 libmp3lame -b:a:1 96k -ac:a:1 2 \
   -c:a:2 ac3 -b:a:2 192k -filter:a:2 "pan=5.1|c0=c0|c1=c0|c2=c0|c3=c0|c4=c0|c5=c0" \
   -c:s:0 srt -c:s:1 ass "$out/three_audio_two_subs.mkv"
if ! ff -f lavfi -i "testsrc=size=160x120:rate=25:duration=2,format=yuv420p10le" \
      -f lavfi -i "$(tone 440 2 96000)" \
      -af "pan=7.1|c0=c0|c1=c0|c2=c0|c3=c0|c4=c0|c5=c0|c6=c0|c7=c0" \
      -c:v libx265 -preset ultrafast -profile:v main10 -x265-params log-level=error \
      -c:a aac -b:a 256k "$out/hevc10_71.mp4" 2>/dev/null; then
    rm -f "$out/hevc10_71.mp4"
fi

# --- broken files ------------------------------------------------------------------------------
size=$(stat -c %s "$out/h264_aac.mp4")
head -c $((size / 2)) "$out/h264_aac.mp4" >"$out/truncated.mp4"

cp "$out/h264_aac.mp4" "$out/corrupt_middle.mp4"
perl -e 'srand(4711); print map { chr(int(rand(256))) } 1 .. 49152' >"$work/noise"
dd if="$work/noise" of="$out/corrupt_middle.mp4" bs=1 seek=$((size / 2)) conv=notrunc status=none

perl -e 'srand(1234); print map { chr(int(rand(256))) } 1 .. 65536' >"$out/random.bin"

# --- audio completeness and track switch -------------------------------------------------------
# Every decoded sample must reach the audio renderer; tests/media/AudioCompleteness_unittest.cpp
# compares each of these with what ffprobe decodes. Audio only unless video is named.
#   complete_flac_1frame.mkv  50 ms FLAC stereo 48 kHz: a single FLAC frame
#   complete_flac_1s.mkv       1 s FLAC stereo 48 kHz
#   complete_u8.wav, complete_s24le.wav, complete_f32le.wav, complete_f64le.wav
#                              1 s PCM stereo 48 kHz in those sample formats
#   complete_alaw.wav, complete_mulaw.wav   1 s G.711 A-law / mu-law mono 8 kHz
#   complete_8ch.mkv           1 s FLAC 7.1 48 kHz;  complete_16ch.wav  1 s PCM s16le, 16 channels
#   complete_96k.flac          1 s FLAC stereo 96 kHz;  complete_128k.wav  1 s PCM stereo 128 kHz
#   complete_ac3_early.mkv     3 s H.264 + AC-3 stereo whose first packet starts 20 ms before
#                              the first picture
#   complete_editlist.mp4      h264_aac.mp4 from 1.3 s, stream copy: edit lists on both tracks
#                              (the video starts at the key frame before, the audio with skipped
#                              samples)
#   complete_late_audio.mkv   16 s 160x120 H.264 + AAC from 12.4 s on: 310 video packets come
#                              before the first audio packet
#   complete_ts_gap.ts        10 s H.264 + MP2 in MPEG-TS with the audio packets of 3 s (from
#                              3 s of the stream's time stamps) removed
#   complete_noduration.mkv    4 s H.264 + AAC written to a pipe: no duration, no cues (the
#                              Matroska writer stores the H.264 packets length-prefixed)
#   complete_live.webm         4 s VP8 + Opus written live to a pipe: no duration, no cues
#   switch_tracks.mkv          8 s 160x120 H.264 with a white 80x80 square in frames 0, 25, 50, ...
#                              + audio #1 AAC stereo 48 kHz, a 1 kHz beep of 40 ms at every whole
#                              second + audio #2 AAC mono 22.05 kHz, a 2 kHz beep at the same times
ffprobe=${ffmpeg%ffmpeg}ffprobe
complete_tone() { echo "sine=frequency=440:sample_rate=${2:-48000}:duration=$1"; }
ff -f lavfi -i "$(complete_tone 0.05)" -c:a flac -ac 2 "$out/complete_flac_1frame.mkv"
ff -f lavfi -i "$(complete_tone 1)" -c:a flac -ac 2 "$out/complete_flac_1s.mkv"
for fmt in u8 s24le f32le f64le; do
    ff -f lavfi -i "$(complete_tone 1)" -c:a "pcm_$fmt" -ac 2 "$out/complete_$fmt.wav"
done
ff -f lavfi -i "$(complete_tone 1 8000)" -c:a pcm_alaw -ac 1 "$out/complete_alaw.wav"
ff -f lavfi -i "$(complete_tone 1 8000)" -c:a pcm_mulaw -ac 1 "$out/complete_mulaw.wav"
ff -f lavfi -i "$(complete_tone 1)" -af "pan=7.1|c0=c0|c1=c0|c2=c0|c3=c0|c4=c0|c5=c0|c6=c0|c7=c0" \
   -c:a flac "$out/complete_8ch.mkv"
ff -f lavfi -i "$(complete_tone 1)" \
   -af "pan=hexadecagonal|c0=c0|c1=c0|c2=c0|c3=c0|c4=c0|c5=c0|c6=c0|c7=c0|c8=c0|c9=c0|c10=c0|c11=c0|c12=c0|c13=c0|c14=c0|c15=c0" \
   -c:a pcm_s16le "$out/complete_16ch.wav"
ff -f lavfi -i "$(complete_tone 1 96000)" -c:a flac -ac 2 "$out/complete_96k.flac"
ff -f lavfi -i "$(complete_tone 1 128000)" -c:a pcm_s16le -ac 2 "$out/complete_128k.wav"

# The CLI rounds picture times to whole frames: the 20 ms shift is made on a stream copy.
ff -f lavfi -i "$(video 160x120 3)" -f lavfi -i "$(complete_tone 3)" \
   "${x264[@]}" -c:a ac3 -b:a 128k -ac 2 "$work/complete_ac3.mkv"
first_video=$("$ffprobe" -v error -select_streams v -read_intervals %+#1 \
    -show_entries packet=pts_time -of csv=p=0 "$work/complete_ac3.mkv" | head -n 1)
shift=$(awk -v v="$first_video" 'BEGIN { printf "%.3f", 0.020 - v }')
ff -itsoffset "$shift" -i "$work/complete_ac3.mkv" -i "$work/complete_ac3.mkv" \
   -map 0:v -map 1:a -c copy "$out/complete_ac3_early.mkv"

ff -ss 1.3 -i "$out/h264_aac.mp4" -c copy "$out/complete_editlist.mp4"

ff -f lavfi -i "$(video 160x120 16)" -itsoffset 12.4 -f lavfi -i "$(complete_tone 3.6)" \
   "${x264[@]}" -c:a aac -b:a 64k -ac 2 "$out/complete_late_audio.mkv"

ff -f lavfi -i "$(video 160x120 10)" -f lavfi -i "$(complete_tone 10)" \
   "${x264[@]}" -c:a mp2 -b:a 128k -ac 2 -f mpegts "$work/complete_ts.ts"
ff -i "$work/complete_ts.ts" -map 0 -c copy -bsf:a "noise=drop='gte(pts*tb\,3)*lt(pts*tb\,6)'" \
   -f mpegts "$out/complete_ts_gap.ts"

ff -f lavfi -i "$(video 160x120 4)" -f lavfi -i "$(complete_tone 4)" \
   "${x264[@]}" -c:a aac -b:a 64k -ac 2 -f matroska - >"$out/complete_noduration.mkv"
ff -f lavfi -i "$(video 160x120 4)" -f lavfi -i "$(complete_tone 4)" \
   -c:v libvpx -deadline realtime -cpu-used 8 -b:v 300k -c:a libopus -b:a 64k -ac 2 \
   -f webm -live 1 - >"$out/complete_live.webm"

beep() {
    echo "aevalsrc=0.5*sin(2*PI*$1*t)*lt(mod(t\,1)\,0.04):sample_rate=$2:duration=8"
}
ff -f lavfi -i "$(video 160x120 8 ',drawbox=x=iw/2-40:y=ih/2-40:w=80:h=80:color=white:t=fill:enable=lt(mod(n\,25)\,1)')" \
   -f lavfi -i "$(beep 1000 48000)" -f lavfi -i "$(beep 2000 22050)" -map 0:v -map 1:a -map 2:a \
   "${x264[@]}" -c:a aac -b:a 96k -ac:a:0 2 -ac:a:1 1 "$out/switch_tracks.mkv"

# --- long queues and unknown durations -----------------------------------------------------
ff -f lavfi -i "$(video 160x120 60)" -f lavfi -i "$(tone 440 3)" \
   "${x264[@]}" -c:a aac -b:a 64k "$out/audio_early_end.mkv"
# Frames of 12 s come out of asetnsamples at once, and an interleaving delay of 1 us lets the
# muxer write them as a run instead of spreading them between the pictures.
ff -f lavfi -i "$(video 160x120 36)" -f lavfi -i "$(tone 440 36)" -af asetnsamples=n=576000 \
   "${x264[@]}" -c:a mp2 -b:a 64k -max_interleave_delta 1 "$out/audio_runs.mkv"
ff -f lavfi -i "$(video 160x120 4)" -c:v libx264 -preset veryfast -bf 0 -g 50 -threads 2 \
   -f h264 "$work/annexb.h264"
ff -fflags +genpts -framerate 25 -f h264 -i "$work/annexb.h264" -c copy -f matroska - \
   >"$out/annexb_nodur.mkv"
ff -f lavfi -i "$(video 160x120 4)" -f lavfi -i "$(tone 440 4)" \
   -c:v libvpx -deadline realtime -cpu-used 8 -b:v 200k -c:a libopus -f webm -live 1 - \
   >"$out/live.webm"
# --- colour bars -------------------------------------------------------------------------------
# The .rgb files are the first picture as packed rgb24 (top row first, no padding), converted by
# the scale filter with the clip's own matrix and range.
ff -f lavfi -i "smptehdbars=size=1920x1080:rate=25:duration=1" -pix_fmt yuv420p \
   -c:v libx264 -preset veryfast -qp 0 -threads 2 -colorspace bt709 -color_primaries bt709 \
   -color_trc bt709 -color_range tv "$out/bars_hd709.mp4"
ff -i "$out/bars_hd709.mp4" -frames:v 1 -vf "scale=in_color_matrix=bt709:in_range=tv,format=rgb24" \
   -f rawvideo "$out/bars_hd709.rgb"
ff -f lavfi -i "smptebars=size=720x576:rate=25:duration=1" -pix_fmt yuv420p \
   -c:v libx264 -preset veryfast -qp 0 -threads 2 "$out/bars_sd601.mp4"
ff -i "$out/bars_sd601.mp4" -frames:v 1 -vf "scale=in_color_matrix=bt601:in_range=tv,format=rgb24" \
   -f rawvideo "$out/bars_sd601.rgb"
