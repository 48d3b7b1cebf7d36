#!/usr/bin/env bash
# CPU of playing a clip through the software video renderer (the path of a machine without
# OpenGL) against mpv drawing through X11 without OpenGL (`--vo=xv` where the X server offers
# XVideo, else `--vo=x11`), one after the other on the same X server: the user + system CPU
# seconds of each whole run, and their ratio. zvp runs with ZVP_RENDERERS=software and is sent
# SIGTERM once the clip's length and a start-up margin have passed (it stays open after the
# end); mpv ends by itself. Both play to the SDL or null audio sink. Runs under the project's
# Xvfb wrapper (1920x1080) when there is no display.
#   usage: software_render_cpu.sh ZVP [CLIP] [SECONDS]
# CLIP defaults to hd1080.mp4 in the media folder of zvp's build ($ZVP_MEDIA_DIR when set);
# SECONDS plays only that much of it (both players).
set -euo pipefail

zvp=$(realpath "${1:?usage: software_render_cpu.sh ZVP [CLIP] [SECONDS]}")
build=$(cd "$(dirname "$zvp")/../.." && pwd)
clip=$(realpath "${2:-${ZVP_MEDIA_DIR:-$build/media}/hd1080.mp4}")
seconds=${3:-}
if [ -z "${DISPLAY:-}" ]; then
    exec "$(dirname "$0")/../tests/support/xvfb-run.sh" -s "-screen 0 1920x1080x24" \
        "$0" "$zvp" "$clip" "$seconds"
fi
[ -x /usr/bin/time ] || { echo "software_render_cpu: /usr/bin/time is missing (Debian package time)" >&2; exit 1; }
if [ -z "$seconds" ]; then
    seconds=$(ffprobe -v error -show_entries format=duration -of default=nw=1:nk=1 "$clip")
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home"

# zvp needs up to a few seconds to start and fill its queues: the margin keeps the whole clip
# inside the run, and an idle player after the end costs next to nothing.
limit=$(awk -v s="$seconds" 'BEGIN { printf "%d", s + 4.999 }')
XDG_DATA_HOME=$work/home XDG_CONFIG_HOME=$work/home SDL_AUDIODRIVER=dummy QT_QPA_PLATFORM=xcb \
    ZVP_RENDERERS=software /usr/bin/time -f "%U %S" -o "$work/zvp.cpu" \
    timeout -s TERM "$limit" "$zvp" "$clip" >"$work/zvp.out" 2>&1 || true
cpu() { tail -n 1 "$1" | awk '{ printf "%.2f", $1 + $2 }'; }
ours=$(cpu "$work/zvp.cpu")
printf "clip: %s, %.1f s\n" "$clip" "$seconds"
printf 'zvp (software renderer) CPU seconds: %s\n' "$ours"
figure="software renderer CPU s (Xvfb)"
if command -v mpv >/dev/null 2>&1; then
    vo=x11
    xdpyinfo 2>/dev/null | grep -q XVideo && vo=xv
    /usr/bin/time -f "%U %S" -o "$work/mpv.cpu" mpv --no-config --really-quiet --vo=$vo \
        --ao=null --hwdec=no --length="$seconds" "$clip" </dev/null >/dev/null 2>&1 || true
    theirs=$(cpu "$work/mpv.cpu")
    ratio=$(awk -v a="$ours" -v b="$theirs" 'BEGIN { if (b > 0) printf "%.3f", a / b; else print "-" }')
    printf 'mpv --vo=%s CPU seconds: %s\nratio: %s\n' "$vo" "$theirs" "$ratio"
    echo "RESULT|$figure|$ours|$theirs (--vo=$vo)|$ratio|printed|-"
else
    echo "peer missing: mpv"
    echo "RESULT|$figure|$ours|-|-|printed|-"
fi
