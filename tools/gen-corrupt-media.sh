#!/usr/bin/env bash
# Writes the corrupt media set into OUT_DIR from the test media set in MEDIA_DIR.
#   usage: gen-corrupt-media.sh OUT_DIR MEDIA_DIR [FFMPEG]
#          gen-corrupt-media.sh --big-picture OUT_FILE [FFMPEG]   (big16000.avi alone, for the
#          unit tests: the `big_picture_media` target)
# The build runs it through the `corrupt_media` target (tools/playcheck.cmake, not in the
# default target); the `corrupt` tests play every file with zvp-playcheck
# (tests/tools/corrupt_media_test.sh). Everything is derived with stream copies and byte
# patches: the set takes a few seconds.
#
# Bases, 3 s stream copies of the test clips: h264_aac.mp4, mpeg4_mp3.avi, two_audio_ass.mkv,
# srt.mkv, mpegts.ts, program.mpg, real.rm, tone.mp3, tone.flac, tone.ogg, tone.wav
# (named base_<clip>). Of each base B.ext:
#   B_cut1.ext, B_cut50.ext, B_cut99.ext   the first 1 %, 50 %, 99 % of its bytes
#   B_header.ext                           the bytes before its first packet
#   B_flips.ext                            16 one-bit flips (fixed seed), 8 in the first 4 KiB
# Others:
#   empty.mp4                 0 bytes
#   mkv_audio_nopackets.mkv   H.264 + AAC track without a single packet
#   mkv_only_nopackets.mkv    one AAC track without a single packet
#   audio_ends_1s.mkv         10 s 160x120 H.264 whose AAC audio ends at 1 s
#   wav_rate0.wav, wav_rate1.wav, wav_rate2147483647.wav   base_tone.wav, sample rate patched
#   wav_channels0.wav, wav_channels65535.wav, wav_bits0.wav          channels / bits patched
#   avi_0x0.avi, avi_1x65535.avi, avi_16000x16000.avi      base_mpeg4_mp3.avi, the video size
#                             patched in the main header and the video format
#   mp4_0x0.mp4, mp4_1x65535.mp4, mp4_16000x16000.mp4      base_h264_aac.mp4, the video size
#                             patched in the track header and the sample description
#   big16000.avi              1 s of 16000x16000 raw video frames (each 256 bytes: the size is
#                             only in the header) + PCM audio: the picture size is real to every
#                             reader, not only to the container
#   mp4_timescale0.mp4, mp4_timescale1.mp4                 base_h264_aac.mp4, every media
#                             header's time scale patched
#   s1_srt100k.mp4 + .srt     100,000 cues            s2_ass100k.mp4 + .ass  100,000 dialogues
#   s3_nested.mp4 + .ass      \t nested 10,000 deep   s4_fs.mp4 + .ass       \fs1000000
#   s5_fscx.mp4 + .ass        \fscx100000             s6_blur.mp4 + .ass     \blur100000
#   s7_tags.mp4 + .ass        10,000 tags on one line
#                             (each .mp4 a hard link of base_h264_aac.mp4; the subtitles are
#                             found beside it by name)
#   sparse_zero.mp4           4 GiB of zeros, a hole      \  left out where the file system
#   sparse_ts.ts              mpegts.ts + a hole to 4 GiB /  makes no holes
#   net_http.m3u8             HLS playlist naming http://127.0.0.1:PORT/ (PORT from
#                             $ZVP_CORRUPT_PORT, default 47321)
#   fifo/x.mp4                a FIFO
#   folder/x.mp4              a folder
#   urandom/x.mp4             a symbolic link to /dev/urandom
set -euo pipefail

# big_picture OUT FFMPEG: raw frames of 16000x16000 declared, 256 bytes each stored (made at
# 16x16 and patched) + 1 s of PCM audio.
big_picture() {
    local tmp
    tmp=$(mktemp -d)
    "$2" -hide_banner -nostdin -loglevel error -y \
        -f lavfi -i "color=c=gray:size=16x16:rate=5:duration=1" \
        -f lavfi -i "sine=sample_rate=8000:duration=1" -c:v rawvideo -pix_fmt gray \
        -c:a pcm_s16le "$tmp/big.avi"
    python3 - "$tmp/big.avi" "$1" <<'EOF'
import struct, sys
data = bytearray(open(sys.argv[1], 'rb').read())
avih = data.find(b'avih') + 8
struct.pack_into('<II', data, avih + 32, 16000, 16000)
strf = data.find(b'strf', data.find(b'vids')) + 8
struct.pack_into('<ii', data, strf + 4, 16000, 16000)
open(sys.argv[2], 'wb').write(data)
EOF
    rm -rf "$tmp"
}
if [ "${1:-}" = --big-picture ]; then
    big_picture "${2:?usage: gen-corrupt-media.sh --big-picture OUT_FILE [FFMPEG]}" "${3:-ffmpeg}"
    exit 0
fi

out=${1:?usage: gen-corrupt-media.sh OUT_DIR MEDIA_DIR [FFMPEG]}
media=${2:?usage: gen-corrupt-media.sh OUT_DIR MEDIA_DIR [FFMPEG]}
ffmpeg=${3:-ffmpeg}
port=${ZVP_CORRUPT_PORT:-47321}
rm -rf "$out"
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

ff() { "$ffmpeg" -hide_banner -nostdin -loglevel error -y "$@"; }
ffprobe=${ffmpeg%ffmpeg}ffprobe

# --- bases and their cuts ----------------------------------------------------------------------
bases=()
for clip in h264_aac.mp4 mpeg4_mp3.avi two_audio_ass.mkv srt.mkv mpegts.ts program.mpg real.rm \
    tone.mp3 tone.flac tone.ogg tone.wav; do
    base="$out/base_$clip"
    extra=()
    case "$clip" in
        *.mp4) extra=(-movflags +faststart) ;;
        program.mpg) extra=(-f vob -loglevel fatal) ;;  # the muxer complains of the copy
    esac
    ff -i "$media/$clip" -map 0 -t 3 -c copy "${extra[@]}" "$base"
    bases+=("$base")
done

# Byte offset of the first packet of FILE, from the demuxer (0 when it reports none).
first_packet() {
    "$ffprobe" -v error -show_entries packet=pos -read_intervals %+#1 -of csv=p=0 "$1" |
        awk -F, '$1 ~ /^[0-9]+$/ { print $1; found = 1; exit } END { if (!found) print 0 }'
}

for base in "${bases[@]}"; do
    name=$(basename "$base")
    stem=${name%.*}
    ext=${name##*.}
    size=$(stat -c %s "$base")
    for pct in 1 50 99; do
        head -c $((size * pct / 100)) "$base" >"$out/${stem}_cut$pct.$ext"
    done
    head -c "$(first_packet "$base")" "$base" >"$out/${stem}_header.$ext"
    python3 - "$base" "$out/${stem}_flips.$ext" <<'EOF'
import random, sys
data = bytearray(open(sys.argv[1], 'rb').read())
rng = random.Random(0x5eed)
head = min(len(data), 4096)
spots = [rng.randrange(head) for _ in range(8)] + [rng.randrange(len(data)) for _ in range(8)]
for at in spots:
    data[at] ^= 1 << rng.randrange(8)
open(sys.argv[2], 'wb').write(data)
EOF
done

# --- empty files and tracks --------------------------------------------------------------------
: >"$out/empty.mp4"
# A track with no packet: the stream is declared, the muxer gets nothing for it.
ff -f lavfi -i "testsrc=size=160x120:rate=25:duration=2" -f lavfi -i "anullsrc=r=48000:cl=stereo" \
   -map 0:v -map 1:a -c:v libx264 -preset veryfast -threads 2 -c:a aac -frames:a 0 -t 2 \
   "$out/mkv_audio_nopackets.mkv"
ff -f lavfi -i "anullsrc=r=48000:cl=stereo" -c:a aac -frames:a 0 "$out/mkv_only_nopackets.mkv"
ff -f lavfi -i "testsrc=size=160x120:rate=25:duration=10" -f lavfi -i "sine=duration=1" \
   -c:v libx264 -preset veryfast -g 50 -threads 2 -c:a aac "$out/audio_ends_1s.mkv"

# --- patched headers ---------------------------------------------------------------------------
# patch FILE OUT KIND VALUES...: copies FILE to OUT with fields rewritten (see patch.py).
cat >"$work/patch.py" <<'EOF'
import struct, sys

src, dst, kind = sys.argv[1], sys.argv[2], sys.argv[3]
values = [int(v) for v in sys.argv[4:]]
data = bytearray(open(src, 'rb').read())

def box_positions(tag):
    at = data.find(tag)
    while at >= 0:
        yield at
        at = data.find(tag, at + 1)

if kind in ('wav_rate', 'wav_channels', 'wav_bits'):
    fmt = data.find(b'fmt ') + 8
    field = {'wav_channels': (2, '<H'), 'wav_rate': (4, '<I'), 'wav_bits': (14, '<H')}[kind]
    struct.pack_into(field[1], data, fmt + field[0], values[0])
elif kind == 'avi_size':
    w, h = values
    avih = data.find(b'avih') + 8
    struct.pack_into('<II', data, avih + 32, w, h)
    vids = data.find(b'vids')
    strf = data.find(b'strf', vids) + 8
    struct.pack_into('<ii', data, strf + 4, w, h)
elif kind == 'mp4_size':
    w, h = values
    for at in box_positions(b'tkhd'):
        size = struct.unpack_from('>I', data, at - 4)[0]
        end = at - 4 + size
        if struct.unpack_from('>I', data, end - 8)[0] != 0:  # the video track
            struct.pack_into('>II', data, end - 8, w << 16, h << 16)
    for at in box_positions(b'avc1'):
        struct.pack_into('>HH', data, at + 28, w, h)
elif kind == 'mp4_timescale':
    for tag in (b'mvhd', b'mdhd'):
        for at in box_positions(tag):
            version = data[at + 4]
            struct.pack_into('>I', data, at + 8 + (20 if version == 1 else 12), values[0])
open(dst, 'wb').write(data)
EOF
patch() { python3 "$work/patch.py" "$@"; }
wav=$out/base_tone.wav
for rate in 0 1 2147483647; do patch "$wav" "$out/wav_rate$rate.wav" wav_rate "$rate"; done
for channels in 0 65535; do
    patch "$wav" "$out/wav_channels$channels.wav" wav_channels "$channels"
done
patch "$wav" "$out/wav_bits0.wav" wav_bits 0
for size in 0x0 1x65535 16000x16000; do
    patch "$out/base_mpeg4_mp3.avi" "$out/avi_$size.avi" avi_size ${size/x/ }
    patch "$out/base_h264_aac.mp4" "$out/mp4_$size.mp4" mp4_size ${size/x/ }
done
for scale in 0 1; do
    patch "$out/base_h264_aac.mp4" "$out/mp4_timescale$scale.mp4" mp4_timescale "$scale"
done
big_picture "$out/big16000.avi" "$ffmpeg"

# --- subtitles beside copies of the clip -------------------------------------------------------
ass_head() {
    cat <<'EOF'
[Script Info]
ScriptType: v4.00+
PlayResX: 320
PlayResY: 240

[V4+ Styles]
Format: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, BackColour, Bold, Italic, Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, BorderStyle, Outline, Shadow, Alignment, MarginL, MarginR, MarginV, Encoding
Style: Default,DejaVu Sans,20,&H00FFFFFF,&H000000FF,&H00000000,&H00000000,0,0,0,0,100,100,0,0,1,2,0,2,10,10,10,1

[Events]
Format: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text
EOF
}
# dialogue TEXT: one event over the whole clip.
dialogue() { printf 'Dialogue: 0,0:00:00.00,0:00:03.00,Default,,0,0,0,,%s\n' "$1"; }
python3 - "$out/s1_srt100k.srt" <<'EOF'
import sys
with open(sys.argv[1], 'w') as f:
    for i in range(100000):
        ms = i * 30
        t = lambda v: '%02d:%02d:%02d,%03d' % (v // 3600000, v // 60000 % 60, v // 1000 % 60, v % 1000)
        f.write('%d\n%s --> %s\nCue %d\n\n' % (i + 1, t(ms), t(ms + 30), i + 1))
EOF
{
    ass_head
    awk 'BEGIN { for (i = 0; i < 100000; i++) {
        ms = i * 3; printf "Dialogue: 0,0:%02d:%02d.%02d,0:%02d:%02d.%02d,Default,,0,0,0,,Line %d\n",
        int(ms / 6000), int(ms / 100) % 60, ms % 100,
        int((ms + 3) / 6000), int((ms + 3) / 100) % 60, (ms + 3) % 100, i } }'
} >"$out/s2_ass100k.ass"
nested=$(awk 'BEGIN { printf "{"; for (i = 0; i < 10000; i++) printf "\\t(";
                      printf "\\fs40"; for (i = 0; i < 10000; i++) printf ")"; printf "}Deep" }')
{ ass_head; dialogue "$nested"; } >"$out/s3_nested.ass"
{ ass_head; dialogue '{\fs1000000}Huge'; } >"$out/s4_fs.ass"
{ ass_head; dialogue '{\fscx100000}Wide'; } >"$out/s5_fscx.ass"
{ ass_head; dialogue '{\blur100000}Blurred'; } >"$out/s6_blur.ass"
tags=$(awk 'BEGIN { for (i = 0; i < 10000; i++) printf "{\\c&H%06X&}x", i * 97 % 16777216 }')
{ ass_head; dialogue "$tags"; } >"$out/s7_tags.ass"
for sub in "$out"/s[1-7]_*.srt "$out"/s[1-7]_*.ass; do
    ln -f "$out/base_h264_aac.mp4" "${sub%.*}.mp4"
done

# --- 4 GiB sparse files ------------------------------------------------------------------------
four_gib=4294967296
if truncate -s "$four_gib" "$out/sparse_zero.mp4" 2>/dev/null &&
    [ "$(du -k "$out/sparse_zero.mp4" | cut -f1)" -lt 1024 ]; then
    cp "$media/mpegts.ts" "$out/sparse_ts.ts"
    truncate -s "$four_gib" "$out/sparse_ts.ts"
else
    rm -f "$out/sparse_zero.mp4"
    echo "gen-corrupt-media: no sparse files here, the 4 GiB files are left out" >&2
fi

# --- names that are no local media file --------------------------------------------------------
cat >"$out/net_http.m3u8" <<EOF
#EXTM3U
#EXT-X-TARGETDURATION:10
#EXTINF:10.0,
http://127.0.0.1:$port/segment.ts
#EXT-X-ENDLIST
EOF
mkdir -p "$out/fifo" "$out/folder/x.mp4" "$out/urandom"
mkfifo "$out/fifo/x.mp4"
ln -s /dev/urandom "$out/urandom/x.mp4"
