#!/usr/bin/env bash
# Pipeline throughput with subtitles: `pipeline_bench --fast` on the 1080p clip beside the same
# clip with each of three subtitle files:
#   per-picture SRT   two lines whose text changes on every picture (every picture renders anew)
#   animated ASS      two karaoke lines (\k), one moving (\move), one turning (\t(\frz)):
#                     every picture renders anew
#   static cue        one SRT cue of four lines for the whole clip
# For each: plain and subtitled frames per second (best of RUNS, interleaved) and their ratio;
# libass's own ass_render_frame time per picture for the same file, frame size and picture
# times (subtitle_libass_bench, beside PIPELINE_BENCH) and ours (subtitled minus plain CPU per
# picture), with the part of it that painting libass's images into the overlay and converting
# that for YV12 take when timed alone in the same bench; the limit plainCPU / (plainCPU +
# libassCPU) per picture and ratio / limit; the peak resident memory of the plain and the
# subtitled runs (the most of RUNS).
#   usage: subtitle_pipeline.sh PIPELINE_BENCH [CLIP] [RUNS]
# CLIP defaults to the reference clip (reference_clip.sh): on the 6 s test clip the one-off
# work of the first pictures (font loading, libass's caches, the decoder's pool) weighs on every
# figure.
set -euo pipefail

bench=${1:?usage: subtitle_pipeline.sh PIPELINE_BENCH [CLIP] [RUNS]}
build=$(cd "$(dirname "$bench")/.." && pwd)
libass_bench=$(dirname "$bench")/subtitle_libass_bench
# shellcheck source=reference_clip.sh
source "$(dirname "$0")/reference_clip.sh"
clip=${2:-$(reference_clip "$build")}
runs=${3:-3}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# One cue per 40 ms picture for 60 s, each with two lines naming its picture.
awk 'function t(ms) { return sprintf("%02d:%02d:%02d,%03d", ms/3600000, (ms/60000)%60, (ms/1000)%60, ms%1000) }
     BEGIN { for (i = 0; i < 1500; i++)
               printf "%d\n%s --> %s\nPicture number %d of the benchmark\nsecond line, moving on %d\n\n",
                      i + 1, t(i * 40), t(i * 40 + 40), i, i }' > "$work/per_picture.srt"

# Two animated karaoke lines per 3 s for 60 s.
{
    printf '[Script Info]\nScriptType: v4.00+\nPlayResX: 1920\nPlayResY: 1080\n\n'
    printf '[V4+ Styles]\nFormat: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, BackColour, Bold, Italic, Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, BorderStyle, Outline, Shadow, Alignment, MarginL, MarginR, MarginV, Encoding\n'
    printf 'Style: Default,Sans,64,&H00FFFFFF,&H000000FF,&H00000000,&H80000000,0,0,0,0,100,100,0,0,1,3,2,2,10,10,40,1\n\n'
    printf '[Events]\nFormat: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\n'
    awk 'function t(ms) { return sprintf("%d:%02d:%02d.%02d", ms/3600000, (ms/60000)%60, (ms/1000)%60, (ms%1000)/10) }
         BEGIN { for (i = 0; i < 20; i++) {
                   s = t(i * 3000); e = t(i * 3000 + 3000)
                   printf "Dialogue: 0,%s,%s,Default,,0,0,0,,{\\move(300,1000,1600,760)}{\\k40}Sing{\\k40}ing {\\k50}a{\\k60}long {\\k40}the {\\k70}first {\\k40}line %d\n", s, e, i
                   printf "Dialogue: 0,%s,%s,Default,,0,0,0,,{\\pos(960,420)\\t(0,3000,\\frz40)}{\\k60}And {\\k40}the {\\k50}sec{\\k40}ond {\\k60}one {\\k50}turns\n", s, e
                 } }'
} > "$work/animated.ass"

# One four-line cue for 60 s.
printf '1\n00:00:00,000 --> 00:01:00,000\nThe first of four lines\nthe second of them, a little longer\nthe third\nand the fourth one closes the cue\n\n' > "$work/static.srt"

# "fps cpu frames rss" of one run (rss: peak resident KiB, 0 without /usr/bin/time).
run() {
    local out=$work/run.out kib=$work/run.kib
    : > "$kib"
    if [ -x /usr/bin/time ]; then
        /usr/bin/time -f %M -o "$kib" "$bench" "$clip" --fast "$@" > "$out" 2>/dev/null
    else
        "$bench" "$clip" --fast "$@" > "$out" 2>/dev/null
    fi
    awk -F': ' -v m="$(cat "$kib")" '/^frames per second/ { f = $2 } /^CPU seconds/ { c = $2 }
                    /^frames presented/ { n = $2 } END { print f + 0, c + 0, n + 0, m + 0 }' "$out"
}
max() { awk -v a="$1" -v b="$2" 'BEGIN { print (a > b) ? a : b }'; }
min() { awk -v a="$1" -v b="$2" 'BEGIN { print (a < b) ? a : b }'; }

size=$(ffprobe -v error -select_streams v:0 -show_entries stream=width,height,r_frame_rate \
       -of default=nw=1:nk=1 "$clip" | paste -sd' ')
read -r width height rate <<<"$size"
step=$(awk -v r="$rate" 'BEGIN { split(r, p, "/"); print (p[2] > 0 && p[1] > 0) ? 1000 * p[2] / p[1] : 40 }')

echo "clip: $clip (${width}x${height}, picture every $step ms)"
for case in per_picture.srt animated.ass static.srt; do
    name=${case%.*}
    name=${name//_/-}
    file=$work/$case
    best_plain=0 best_sub=0 plain_cpu=1e9 sub_cpu=1e9 frames=0 plain_rss=0 sub_rss=0
    for _ in $(seq "$runs"); do
        read -r f c n m <<<"$(run)"
        best_plain=$(max "$f" "$best_plain")
        plain_rss=$(max "$m" "$plain_rss")
        [ "$n" -gt 0 ] && plain_cpu=$(min "$(awk -v c="$c" -v n="$n" 'BEGIN { print 1000 * c / n }')" "$plain_cpu")
        frames=$n
        read -r f c n m <<<"$(run --subtitle "$file")"
        best_sub=$(max "$f" "$best_sub")
        sub_rss=$(max "$m" "$sub_rss")
        [ "$n" -gt 0 ] && sub_cpu=$(min "$(awk -v c="$c" -v n="$n" 'BEGIN { print 1000 * c / n }')" "$sub_cpu")
    done
    alone=$("$libass_bench" "$file" "$width" "$height" "$frames" "$step" 2>/dev/null || true)
    libass=$(sed -n 's/^libass ms per picture: //p' <<<"$alone")
    libass=${libass:-0}
    paint=$(sed -n 's/^overlay paint ms per picture: //p' <<<"$alone")
    convert=$(sed -n 's/^overlay conversion ms per picture: //p' <<<"$alone")
    awk -v name="$name" -v p="$best_plain" -v s="$best_sub" -v pc="$plain_cpu" -v sc="$sub_cpu" \
        -v l="$libass" -v pm="$plain_rss" -v sm="$sub_rss" -v pa="${paint:-0}" -v cv="${convert:-0}" 'BEGIN {
        ratio = (p > 0) ? s / p : 0
        ours = sc - pc
        limit = pc / (pc + l)
        rl = ratio / limit
        printf "%s: plain frames per second: %.1f\n", name, p
        printf "%s: subtitled frames per second: %.1f\n", name, s
        printf "%s: ratio: %.3f\n", name, ratio
        printf "%s: plain CPU ms per picture: %.3f\n", name, pc
        printf "%s: libass ms per picture: %.3f\n", name, l
        printf "%s: our subtitle ms per picture: %.3f\n", name, ours
        printf "%s: of which overlay paint ms per picture (one thread, alone): %.3f\n", name, pa
        printf "%s: of which overlay conversion ms per picture (one thread, alone): %.3f\n", name, cv
        printf "%s: limit: %.3f\n", name, limit
        printf "%s: ratio / limit: %.3f\n", name, rl
        printf "%s: plain peak RSS MiB: %.1f\n", name, pm / 1024
        printf "%s: subtitled peak RSS MiB: %.1f\n", name, sm / 1024
        printf "RESULT|subtitles %s: ratio / limit|%.3f|-|-|>= 0.9|%s\n", name, rl, (rl >= 0.9) ? "met" : "missed"
        printf "RESULT|subtitles %s: our ms per picture (libass alone)|%.3f|%.3f|%s|-|-\n", name, ours, l,
               (l > 0) ? sprintf("%.2f", ours / l) : "-"
    }'
done
