#!/usr/bin/env bash
# Seek latency against mpv on the same clip and the same positions, one after the other:
# seek_latency (the player's controller and engine, null renderers) and then mpv
# (`--vo=null --ao=null --hwdec=no`, driven through its JSON IPC: `seek <t> absolute`, timed
# until the `playback-restart` event). Prints both players' p50/p95/max seek-to-picture
# times, our UI-thread block per seek, and one RESULT line per figure.
#   usage: seek_latency.sh SEEK_LATENCY [CLIP] [SEEKS]
# CLIP defaults to hd1080.mp4 in the media folder beside the benchmark's build
# ($ZVP_MEDIA_DIR when set); SEEKS to 50.
set -euo pipefail

bench=${1:?usage: seek_latency.sh SEEK_LATENCY [CLIP] [SEEKS]}
build=$(cd "$(dirname "$bench")/.." && pwd)
clip=${2:-${ZVP_MEDIA_DIR:-$build/media}/hd1080.mp4}
seeks=${3:-50}
settle_ms=200

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$bench" "$clip" --seeks "$seeks" --settle "$settle_ms" >"$work/ours"
value() { sed -n "s/^$1: //p" "$work/ours"; }
positions=$(value positions)
ours_p50=$(value "seek to picture p50 ms")
ours_p95=$(value "seek to picture p95 ms")
ours_max=$(value "seek to picture max ms")
block_p95=$(value "ui block p95 ms")
printf 'clip: %s, %s seeks\n' "$clip" "$seeks"
printf 'positions (s): %s\n' "$positions"
printf 'zvp seek to picture: p50 %s ms, p95 %s ms, max %s ms\n' "$ours_p50" "$ours_p95" "$ours_max"
printf 'zvp UI thread blocked per seek: p50 %s ms, p95 %s ms, max %s ms\n' \
    "$(value "ui block p50 ms")" "$block_p95" "$(value "ui block max ms")"
printf 'zvp UI thread blocked by the load: %s ms\n' "$(value "load ui block ms")"

# mpv_seeks POSITION...: mpv's seek-to-picture times, "p50 p95 max" in milliseconds.
mpv_seeks() {
    python3 - "$clip" "$work/mpv.sock" "$settle_ms" "$@" <<'PY'
import json, os, socket, subprocess, sys, time

clip, path, settle = sys.argv[1], sys.argv[2], int(sys.argv[3]) / 1000.0
positions = [float(p) for p in sys.argv[4:]]
player = subprocess.Popen(["mpv", "--no-config", "--really-quiet", "--pause", "--keep-open=yes",
                           "--vo=null", "--ao=null", "--hwdec=no",
                           "--input-ipc-server=" + path, clip],
                          stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL)
try:
    deadline = time.monotonic() + 20
    conn = None
    while conn is None:
        try:
            conn = socket.socket(socket.AF_UNIX)
            conn.connect(path)
        except OSError:
            conn = None
            if time.monotonic() > deadline or player.poll() is not None:
                sys.exit("mpv did not open its IPC socket")
            time.sleep(0.01)
    lines = conn.makefile("r")

    def send(*command):
        conn.sendall((json.dumps({"command": list(command)}) + "\n").encode())

    def wait_restart():
        for line in lines:
            if json.loads(line).get("event") == "playback-restart":
                return
        sys.exit("mpv went away")

    send("seek", 0, "absolute")
    wait_restart()
    send("set_property", "pause", False)
    times = []
    for p in positions:
        start = time.monotonic()
        send("seek", p, "absolute")
        wait_restart()
        times.append((time.monotonic() - start) * 1000.0)
        time.sleep(settle)
    send("quit")
    times.sort()
    rank = lambda q: times[min(len(times) - 1, int(q * (len(times) - 1) + 0.5))]
    print("%.1f %.1f %.1f" % (rank(0.5), rank(0.95), times[-1]))
finally:
    try:
        player.wait(timeout=5)
    except subprocess.TimeoutExpired:
        player.kill()
PY
}

verdict() { awk -v a="$1" -v b="$2" 'BEGIN { print (a <= b) ? "met" : "missed" }'; }
if command -v mpv >/dev/null 2>&1; then
    # shellcheck disable=SC2086
    read -r mpv_p50 mpv_p95 mpv_max < <(mpv_seeks $positions)
    printf 'mpv seek to picture: p50 %s ms, p95 %s ms, max %s ms\n' "$mpv_p50" "$mpv_p95" "$mpv_max"
    ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }
    echo "RESULT|seek to picture p50 ms|$ours_p50|$mpv_p50|$(ratio "$ours_p50" "$mpv_p50")|-|-"
    echo "RESULT|seek to picture p95 ms|$ours_p95|$mpv_p95|$(ratio "$ours_p95" "$mpv_p95")|<= 1.0 x mpv|$(verdict "$ours_p95" "$mpv_p95")"
else
    echo "peer missing: mpv"
    echo "RESULT|seek to picture p50 ms|$ours_p50|-|-|-|-"
    echo "RESULT|seek to picture p95 ms|$ours_p95|-|-|<= 1.0 x mpv|-"
fi
echo "RESULT|seek UI block p95 ms|$block_p95|-|-|<= 30 ms|$(verdict "$block_p95" 30)"
load_block=$(value "load ui block ms")
echo "RESULT|load UI block ms (longest stall)|$load_block|-|-|<= 30 ms|$(verdict "$load_block" 30)"
