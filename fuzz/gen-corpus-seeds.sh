#!/usr/bin/env bash
# Writes the generated fuzz seeds, one folder per target, into OUT_DIR (every file at most
# 64 KiB; a larger one is cut to 64 KiB, still a useful input).
#   usage: gen-corpus-seeds.sh OUT_DIR FFMPEG MAKE_DVDSUB SEED_TOOL SKIN_EXPORT
#   media_probe, media_source  1 s 64x48 clips, one of each container and codec of the test
#                              media set (tools/gen-test-media.sh); HEVC only when ffmpeg has
#                              libx265
#   subtitle_packet            the subtitle streams of the ASS, SRT, DVD and DVB clips as
#                              packet records, and a hand-made PGS display set
#   subtitle_file, subtitle_srt  the test media set's SRT and ASS, and the SRT as UTF-16LE
#   app_settings               a settings file saved by the player
#   playlist_mpl               a saved (UTF-16LE) playlist, an 8-bit one (UTF-8 and Latin-1)
#   arguments                  NUL-separated argument lists, enqueue bodies and URIs
#   skin_ini                   the built-in skin's file, its pieces of art as BMP: each seed
#                              names one of them input.bmp and carries it after "\0IMAGE\0"
# The build runs it through the `fuzz_corpus` target (fuzz/corpus.cmake).
set -euo pipefail

out=${1:?usage: gen-corpus-seeds.sh OUT_DIR FFMPEG MAKE_DVDSUB SEED_TOOL}
ffmpeg=${2:?}
make_dvdsub=${3:?}
seeds=${4:?}
skin_export=${5:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
rm -rf "$out"
# The helpers may be built with the sanitizers; what they leak at exit is not under test here.
export ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0
for t in media_probe media_source subtitle_packet subtitle_file subtitle_srt app_settings \
         playlist_mpl arguments skin_ini; do
    mkdir -p "$out/$t"
done

ff() { "$ffmpeg" -hide_banner -nostdin -loglevel error -y "$@"; }
v="testsrc=size=64x48:rate=25:duration=1,format=yuv420p"
a() { echo "sine=frequency=440:sample_rate=${1:-22050}:duration=1"; }
m=$out/media_probe
x264=(-c:v libx264 -preset ultrafast -g 12 -bf 2 -threads 1)

cat >"$work/subs.srt" <<'SRT'
1
00:00:00,100 --> 00:00:00,500
First line

2
00:00:00,600 --> 00:00:00,900
<i>Second</i> line
SRT
cat >"$work/subs.ass" <<'ASS'
[Script Info]
ScriptType: v4.00+
PlayResX: 64
PlayResY: 48

[V4+ Styles]
Format: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, BackColour, Bold, Italic, Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, BorderStyle, Outline, Shadow, Alignment, MarginL, MarginR, MarginV, Encoding
Style: Default,DejaVu Sans,12,&H00FFFFFF,&H000000FF,&H00000000,&H00000000,0,0,0,0,100,100,0,0,1,2,0,2,10,10,10,1

[Events]
Format: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text
Dialogue: 0,0:00:00.10,0:00:00.50,Default,,0,0,0,,First line
Dialogue: 0,0:00:00.60,0:00:00.90,Default,,0,0,0,,{\b1\fs20\pos(32,24)}Second line
ASS

ff -f lavfi -i "$v" -f lavfi -i "$(a)" "${x264[@]}" -c:a aac -b:a 24k -ac 1 \
   -movflags +faststart "$m/h264_aac.mp4"
ff -f lavfi -i "$v" -f lavfi -i "$(a)" -c:v mpeg4 -q:v 8 -c:a libmp3lame -b:a 32k -ac 1 \
   "$m/mpeg4_mp3.avi"
ff -f lavfi -i "$v" -f lavfi -i "$(a)" -f lavfi -i "$(a 16000)" -i "$work/subs.ass" \
   -map 0:v -map 1:a -map 2:a -map 3:s "${x264[@]}" -c:a aac -b:a 24k -ac 1 -c:s ass \
   "$m/two_audio_ass.mkv"
ff -f lavfi -i "$v" -f lavfi -i "$(a)" -i "$work/subs.srt" -map 0:v -map 1:a -map 2:s \
   "${x264[@]}" -c:a aac -b:a 24k -ac 1 -c:s srt "$m/srt.mkv"
"$make_dvdsub" "$work/dvdsub-only.mkv" 160 120
ff -i "$m/h264_aac.mp4" -i "$work/dvdsub-only.mkv" -map 0 -map 1 -c copy "$m/dvdsub.mkv"
ff -i "$work/dvdsub-only.mkv" -map 0:s -c:s dvbsub -f mpegts "$work/dvbsub.ts"
ff -f lavfi -i "$v" -f lavfi -i "$(a)" "${x264[@]}" -c:a mp2 -b:a 32k -ac 1 -f mpegts \
   "$m/mpegts.ts"
ff -f lavfi -i "$v" -f lavfi -i "$(a)" -c:v mpeg2video -q:v 8 -bf 2 -g 12 -c:a mp2 -b:a 32k \
   -ac 1 -f vob "$m/program.mpg"
ff -f lavfi -i "$v" -f lavfi -i "$(a 44100)" -c:v mpeg1video -q:v 8 -bf 2 -g 12 -c:a mp2 \
   -b:a 32k -ac 1 -f mpeg "$m/vcd_avseq.mpg"
ff -f lavfi -i "$v" -f lavfi -i "$(a 8000)" -c:v rv20 -q:v 8 -g 25 -c:a real_144 -ac 1 \
   -ar 8000 "$m/real.rm"
ff -f lavfi -i "$(a)" -c:a libmp3lame -b:a 32k -ac 1 "$m/tone.mp3"
ff -f lavfi -i "$(a 8000)" -c:a flac "$m/tone.flac"
ff -f lavfi -i "$(a 8000)" -c:a pcm_s16le "$m/tone.wav"
ff -f lavfi -i "$(a 8000)" -c:a pcm_f32le "$m/tone_float.wav"
ff -f lavfi -i "$(a)" -c:a libvorbis -q:a 0 "$m/tone.ogg"
ff -f lavfi -i "$v" "${x264[@]}" -an "$m/video_only.mp4"
ff -f lavfi -i "$v" -f lavfi -i "$(a 48000)" \
   -filter:a "pan=5.1|c0=c0|c1=c0|c2=c0|c3=c0|c4=c0|c5=c0" "${x264[@]}" -c:a ac3 -b:a 96k \
   "$m/surround51.mkv"
ff -f lavfi -i "$v" -c:v libx264 -preset ultrafast -bf 0 -an -f h264 "$m/raw.h264"
ff -f lavfi -i "$v" -f lavfi -i "$(a 48000)" -c:v libvpx -b:v 100k -c:a libopus -b:a 16k -ac 1 \
   -f webm - >"$m/live.webm"
ff -f lavfi -i "$v" -f lavfi -i "$(a 48000)" -c:v libx265 -x265-params log-level=none \
   -pix_fmt yuv420p10le -c:a aac -b:a 24k -ac 1 "$m/hevc10.mp4" 2>/dev/null ||
    rm -f "$m/hevc10.mp4"

p=$out/subtitle_packet
"$seeds" packets "$m/two_audio_ass.mkv" "$p/ass"
"$seeds" packets "$m/srt.mkv" "$p/subrip"
"$seeds" packets "$work/dvdsub-only.mkv" "$p/dvdsub"
"$seeds" packets "$work/dvbsub.ts" "$p/dvbsub"
"$seeds" pgs "$p/pgssub"

for t in subtitle_file subtitle_srt; do
    cp "$work/subs.srt" "$work/subs.ass" "$out/$t/"
    { printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE "$work/subs.srt"; } >"$out/$t/subs-utf16.srt"
done

"$seeds" settings "$out/app_settings/zvp_data.ini"
"$seeds" mpl "$out/playlist_mpl/saved.mpl"
printf '/home/user/a.mp4\r\n/home/user/\xe9t\xe9.mkv\r\n\r\nrel/b.avi\n' \
    >"$out/playlist_mpl/latin1.mpl"
printf '\xef\xbb\xbf/home/user/\xc3\xa9t\xc3\xa9.mkv\n/x/y.mp3' >"$out/playlist_mpl/utf8.mpl"

g=$out/arguments
printf -- '--enqueue\0/tmp/a.mp4\0file:///tmp/a%%20b.mp4\0' >"$g/enqueue"
printf -- '--\0-dash.mp4\0../x/./y.mkv\0file://localhost/etc/z.ogg\0' >"$g/paths"
printf -- 'file://host/x.mp4\0http://example.org/y.mp4\0file:relative\0--help\0' >"$g/urls"
printf 'enqueue\n/tmp/a.mp4\0/b c.mkv\0relative\0/tail' >"$g/enqueue-body"
printf 'raise\n' >"$g/raise"

QT_QPA_PLATFORM=offscreen "$skin_export" "$work/skin" >/dev/null
ini=$(ls "$work/skin"/*.ini | head -n 1)
for png in "$work/skin"/*.png; do
    name=$(basename "$png")
    bmp=$work/${name%.png}.bmp
    ff -i "$png" -pix_fmt bgra "$bmp"
    [ "$(stat -c %s "$bmp")" -le 32768 ] || continue
    { sed "s/=$name\r\{0,1\}\$/=input.bmp/" "$ini"; printf '\0IMAGE\0'; cat "$bmp"; } \
        >"$out/skin_ini/${name%.png}"
done

# Every target that reads media reads the same clips.
cp "$m"/* "$out/media_source/"
for f in "$out"/*/*; do
    [ "$(stat -c %s "$f")" -le 65536 ] || truncate -s 65536 "$f"
done
