#!/usr/bin/env bash
# The real player on an X server, driven as a person would: it plays the demo clip, pauses on
# Space, fills the screen on Return and comes back on Escape, answers a second start by
# staying alone, and closes from its close button, saving the playlist and freeing its name.
#   usage: zvp_e2e.sh ZVP MEDIA_DIR WORK_DIR     (run under xvfb-run)
set -euo pipefail

zvp=${1:?usage}
media=${2:?usage}
work=${3:?usage}
rm -rf "$work"
mkdir -p "$work"
export XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config
export SDL_AUDIODRIVER=dummy QT_QPA_PLATFORM=xcb
clip=$(realpath "$media/demo.mp4")

fail() {
    echo "FAIL: $*"
    import -window root "$work/failure.png" 2>/dev/null || true
    [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null
    exit 1
}
# until SECONDS COMMAND...: runs COMMAND every 100 ms until it succeeds or SECONDS pass.
until_ok() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.1
    done
}
find_window() { xdotool search --onlyvisible --name '^Zeph Vidra Player$' 2>/dev/null | tail -1; }
geometry() {
    wid=$(find_window)
    [ -n "$wid" ] && eval "$(xdotool getwindowgeometry --shell "$wid")"
}
# A shot of the video area (the window less its frame and playlist).
shot() {
    geometry
    import -window root -crop "$((WIDTH - 200))x$((HEIGHT - 80))+$((X + 10))+$((Y + 30))" \
        +repage "$1" 2>/dev/null
}
same() { [ "$(compare -metric AE "$1" "$2" null: 2>&1 || true)" = "0" ]; }
frames_move() { shot "$work/a.png" && sleep 0.3 && shot "$work/b.png" && ! same "$work/a.png" "$work/b.png"; }
frames_still() { shot "$work/a.png" && sleep 0.5 && shot "$work/b.png" && same "$work/a.png" "$work/b.png"; }

"$zvp" "$clip" >"$work/zvp.log" 2>&1 &
pid=$!
has_window() { wid=$(find_window); [ -n "$wid" ]; }
until_ok 20 has_window || fail "no window"
echo "window $wid"
until_ok 10 frames_move || fail "frames do not move"
echo "frames move"

key() { geometry && xdotool key --window "$wid" "$1"; }
key space
until_ok 5 frames_still || fail "Space did not pause"
key space
until_ok 5 frames_move || fail "Space did not resume"
echo "space pauses and resumes"

start=$SECONDS
"$zvp" "$media/h264_aac.mp4" >"$work/second.log" 2>&1 || fail "second start failed"
[ $((SECONDS - start)) -le 3 ] || fail "second start took too long"
grep -q "already running" "$work/second.log" || fail "second start said nothing"
kill -0 "$pid" || fail "the first player went away"
echo "a second start leaves the first alone"

geometry
normal="$X $Y $WIDTH $HEIGHT"
key Return
full() { geometry; [ "$WIDTH" = 1280 ] && [ "$HEIGHT" = 1024 ]; }
until_ok 5 full || fail "Return did not fill the screen"
# A move shows the toolbar along the bottom of the screen, a second window of the player.
xdotool mousemove 640 500
xdotool mousemove 650 510
toolbar() {
    local w
    for w in $(xdotool search --onlyvisible --class ZephVidraPlayer2 2>/dev/null); do
        eval "$(xdotool getwindowgeometry --shell "$w")"
        [ "$X $Y $WIDTH $HEIGHT" = "0 984 1280 40" ] && return 0
    done
    return 1
}
until_ok 5 toolbar || fail "no toolbar after a move in full screen"
echo "the toolbar shows in full screen"
key Escape
restored() { geometry; [ "$X $Y $WIDTH $HEIGHT" = "$normal" ]; }
until_ok 5 restored || fail "Escape did not restore the window"
echo "full screen and back"

# The main menu opens on a right click on the title bar; each dialog opens by its mnemonic,
# shows its title and goes with Escape, and the clip plays on.
dialog() {
    local keys=$1 title=$2
    geometry
    xdotool mousemove $((X + WIDTH / 2)) $((Y + 12)) click 3
    sleep 0.5
    xdotool key $keys
    timeout 10 xdotool search --sync --onlyvisible --name "$title" >/dev/null ||
        fail "no window titled $title"
    import -window root "$work/dialog-${title// /_}.png"
    xdotool key Escape
    gone() { ! xdotool search --onlyvisible --name "$title" >/dev/null 2>&1; }
    until_ok 5 gone || fail "$title stayed open"
    until_ok 5 frames_move || fail "frames stopped after $title"
    echo "$title opens and closes"
}
dialog o '^Option$'
dialog i '^Media Infomation$'
dialog 'h b' '^Zeph Vidra Player [0-9]'

geometry
xdotool mousemove $((X + WIDTH - 12)) $((Y + 11)) click 1
for _ in $(seq 1 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$pid" 2>/dev/null && fail "the close button did not end the player"
wait "$pid" || fail "the player exited with $?"
pid=""
list="$XDG_DATA_HOME/ZVP/Playlists/__default.mpl"
[ -f "$list" ] || fail "no default playlist"
iconv -f UTF-16LE -t UTF-8 "$list" | tr -d '\r\357\273\277' | grep -qxF "$clip" ||
    fail "the default playlist does not hold $clip"
if grep -q "CInstanceChecker_MMF_ZVP" /proc/net/unix; then fail "the instance name stayed"; fi
echo "closed, saved and gone"
echo "1 passed, 0 failed"
