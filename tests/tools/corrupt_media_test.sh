#!/usr/bin/env bash
# Plays every file of the corrupt media set (tools/gen-corrupt-media.sh) with zvp-playcheck,
# each in its own process, two at a time, and checks how each one went.
#   usage: corrupt_media_test.sh PLAYCHECK CORRUPT_DIR
# Every file must end without a sanitizer report, within the 30 s watchdog (on expiry the
# file and every thread's stack are printed, then the process is killed), with a log line
# saying how (the probe failed, "Load failed" or "Playback ended") and with at most 2,000
# lines on the error stream. Some files must also show a particular outcome (see expect()).
# An http:// name and a local HLS list naming one must make no connection: a local listener
# counts the connections. Prints the seconds the run took.
set -uo pipefail

playcheck=${1:?usage: corrupt_media_test.sh PLAYCHECK CORRUPT_DIR}
dir=${2:?usage: corrupt_media_test.sh PLAYCHECK CORRUPT_DIR}
[ -d "$dir" ] || { echo "corrupt: $dir missing (build the corrupt_media target)"; exit 1; }
watchdog_seconds=${ZVP_CORRUPT_WATCHDOG:-30}
started=$(date +%s)
work=$(mktemp -d)
listener_pid=
cleanup() {
    [ -n "$listener_pid" ] && kill "$listener_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy
export XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data XDG_CACHE_HOME=$work/cache
export XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

# --- the listener that must see no connection ---------------------------------------------------
python3 - "$work/port" "$work/connections" <<'EOF' &
import socket, sys
server = socket.socket()
server.bind(('127.0.0.1', 0))
server.listen(8)
open(sys.argv[1] + '.tmp', 'w').write(str(server.getsockname()[1]))
import os; os.rename(sys.argv[1] + '.tmp', sys.argv[1])
while True:
    peer, _ = server.accept()
    with open(sys.argv[2], 'a') as f:
        f.write('connection\n')
    peer.close()
EOF
listener_pid=$!
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.05; done
port=$(cat "$work/port")
printf '#EXTM3U\n#EXT-X-TARGETDURATION:10\n#EXTINF:10.0,\nhttp://127.0.0.1:%s/a.ts\n#EXT-X-ENDLIST\n' \
    "$port" >"$work/net_local.m3u8"

# --- what to play, and how -----------------------------------------------------------------------
cases=()
while IFS= read -r f; do cases+=("$f"); done < <(
    cd "$dir" && find . -mindepth 1 -maxdepth 2 \( -name '*.srt' -o -name '*.ass' \) -prune \
        -o \( -type f -o -type p -o -type l -o -name x.mp4 \) -print | sed 's|^\./||' | sort)
cases+=("$work/net_local.m3u8" "http://127.0.0.1:$port/clip.mp4")

# Options of zvp-playcheck for a case: real time where the timing is what is tested.
options() {
    case "$1" in
        audio_ends_1s.mkv) echo "--realtime --no-seek --limit 20" ;;
        wav_rate* | mp4_timescale* | empty.mp4 | mkv_*nopackets.mkv) echo "--realtime --limit 20" ;;
        *) echo "--limit 20" ;;
    esac
}

# expect CASE OUT SUMMARY: the outcome particular to CASE; prints what is wrong.
expect() {
    local name=$1 out=$2 summary=$3
    field() { sed -n "s/.* $1=\([^ ]*\).*/\1/p" <<<"$summary"; }
    case "$name" in
        sparse_zero.mp4 | sparse_ts.ts)
            [ "$(field size)" = 4294967296 ] || echo "size $(field size), not 4 GiB" ;;
        fifo/x.mp4 | folder/x.mp4 | urandom/x.mp4)
            grep -q "Not a regular file" "$out" || echo "not refused as no regular file"
            awk -v w="$(field wall)" 'BEGIN { exit !(w < 1.0) }' || echo "took $(field wall) s" ;;
        s3_nested.mp4)
            [ "$(field ended)" = Completed ] || echo "did not play to the end" ;;
        big16000.avi)
            grep -q "Video picture too large: 16000x16000" "$out" || echo "no 'too large' line"
            [ "$(field ended)" = Completed ] || echo "audio did not play to the end"
            [ "$(field samples | cut -d/ -f2)" -gt 0 ] || echo "no audio presented" ;;
        audio_ends_1s.mkv)
            [ "$(field ended)" = Completed ] || echo "did not complete"
            awk -v v="$(field video_end)" 'BEGIN { exit !(v >= 9.9) }' ||
                echo "video ended at $(field video_end) s"
            awk -v w="$(field wall)" 'BEGIN { exit !(w >= 9.5) }' ||
                echo "took $(field wall) s: not real time" ;;
    esac
}

# run CASE: plays one case under the watchdog and writes its verdict to $work/<n>.verdict.
run() {
    local name=$1 n=$2 path=$1
    case "$name" in /* | http:*) ;; *) path=$dir/$name ;; esac
    local out=$work/$n.out err=$work/$n.err
    # shellcheck disable=SC2046
    "$playcheck" $(options "$name") -- "$path" >"$out" 2>"$err" </dev/null &
    local pid=$!
    (
        trap 'kill $sleeper 2>/dev/null; exit 0' TERM
        sleep "$watchdog_seconds" &
        sleeper=$!
        wait $sleeper
        if kill -0 "$pid" 2>/dev/null; then
            echo "watchdog: $name still running after ${watchdog_seconds} s; its threads:"
            gdb -batch -p "$pid" -ex "thread apply all bt" 2>&1 | grep -v '^\[New LWP'
            kill -9 "$pid" 2>/dev/null
        fi
    ) >"$work/$n.watchdog" 2>&1 </dev/null &
    local watchdog=$!
    wait "$pid"
    local rc=$?
    kill "$watchdog" 2>/dev/null
    wait "$watchdog" 2>/dev/null
    local summary problems=()
    summary=$(grep '^playcheck: ' "$out" | tail -n 1)
    [ -s "$work/$n.watchdog" ] && problems+=("watchdog expired")
    grep -qE 'ERROR: (Address|Leak|Undefined)Sanitizer|runtime error:|SUMMARY: .*Sanitizer' \
        "$err" && problems+=("sanitizer report")
    grep -qE "Load failed: |Playback ended: |Couldn't (open|find)|Not a regular file" "$out" ||
        problems+=("no outcome in the log")
    [ "$(wc -l <"$err")" -le 2000 ] || problems+=("$(wc -l <"$err") lines on stderr")
    [ "$rc" -eq 0 ] || problems+=("exit status $rc")
    local why
    while IFS= read -r why; do [ -n "$why" ] && problems+=("$why"); done \
        < <(expect "$name" "$out" "$summary")
    {
        if [ ${#problems[@]} -eq 0 ]; then
            echo "ok    $name  ${summary#playcheck: }"
        else
            echo "FAIL  $name  ${summary#playcheck: }"
            printf '        %s\n' "${problems[@]}"
            sed 's/^/        | /' "$work/$n.watchdog"
            grep -E -A30 'Sanitizer|runtime error' "$err" | head -n 60 | sed 's/^/        ! /'
        fi
    } >"$work/$n.verdict"
}

n=0
for name in "${cases[@]}"; do
    while [ "$(jobs -rp | wc -l)" -ge 3 ]; do wait -n; done  # the listener and two plays
    n=$((n + 1))
    run "$name" "$n" &
done
while [ "$(jobs -rp | wc -l)" -gt 1 ]; do wait -n; done

status=0
for i in $(seq "$n"); do
    cat "$work/$i.verdict"
    grep -q '^FAIL' "$work/$i.verdict" && status=1
done
if [ -s "$work/connections" ]; then
    echo "FAIL  $(wc -l <"$work/connections") connection(s) reached the local listener"
    status=1
fi
echo "corrupt: $n files in $(($(date +%s) - started)) s"
exit $status
