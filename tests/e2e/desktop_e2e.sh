#!/usr/bin/env bash
# The player as the desktop reaches it: file: URLs and folders on the command line, --enqueue
# from a second start, MPRIS through playerctl, the instance socket's other peers, the state
# kept across a restart, SIGHUP and SIGINT closing cleanly, saves refused by RLIMIT_FSIZE that
# keep the old files, and descriptors that do not leak into children.
#   usage: desktop_e2e.sh ZVP MEDIA_DIR WORK_DIR     (run under xvfb-run and dbus-run-session)
set -euo pipefail

zvp=${1:?usage}
media=${2:?usage}
work=${3:?usage}
rm -rf "$work"
mkdir -p "$work/clips" "$work/folder/sub"
export XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config
export SDL_AUDIODRIVER=dummy QT_QPA_PLATFORM=xcb
base=$XDG_DATA_HOME/ZVP
cp "$media/long.mp4" "$work/clips/a b.mp4"
cp "$media/h264_aac.mp4" "$work/clips/b.mp4"
cp "$media/h264_aac.mp4" "$work/folder/sub/c.mp4"
cp "$media/tone.wav" "$work/folder/d.wav"
touch "$work/folder/notes.txt"
# The desktop's opener, first on the player's PATH, lists the descriptors above 2 it inherited.
mkdir -p "$work/bin"
cat >"$work/bin/xdg-open" <<PY
#!/usr/bin/python3
import os
held = []
for fd in range(3, 4096):
    try:
        os.fstat(fd)
        held.append(str(fd) + ":" + os.readlink("/proc/self/fd/%d" % fd))
    except OSError:
        pass
with open("$work/opener.fds.part", "w") as out:
    out.write(" ".join(held) + "\\n")
os.rename("$work/opener.fds.part", "$work/opener.fds")
PY
chmod +x "$work/bin/xdg-open"
export PATH=$work/bin:$PATH

fail() {
    echo "FAIL: $*"
    [ -n "${pid:-}" ] && kill -9 "$pid" 2>/dev/null
    exit 1
}
source "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh"
pc() { playerctl --player=zvp "$@" 2>/dev/null; }
status_is() { [ "$(pc status)" = "$1" ]; }
position() { pc position | cut -d. -f1; }
rows() { iconv -f UTF-16LE -t UTF-8 "$base/Playlists/__default.mpl" | tr -d '\r' | grep -c .; }
# The player starts with 0-2 only, so any other descriptor it has is its own.
close_inherited() {
    local fd
    for fd in $(ls /proc/$BASHPID/fd); do
        [ "$fd" -gt 2 ] && eval "exec $fd>&-" 2>/dev/null
    done
    return 0
}
start() {
    (close_inherited && exec "$zvp" "$@") >>"$work/zvp.log" 2>&1 &
    pid=$!
    until_ok 30 status_is Playing || fail "'zvp $*' does not play: $(tail -3 "$work/zvp.log")"
}
# stop SIGNAL: the player saves and ends with 0.
stop() {
    kill -"$1" "$pid"
    local rc=0
    wait "$pid" || rc=$?
    pid=
    [ "$rc" = 0 ] || fail "SIG$1 ended the player with $rc"
}
window_geometry() {
    local wid
    wid=$(xdotool search --onlyvisible --name '^Zeph Vidra Player$' 2>/dev/null | tail -1)
    [ -n "$wid" ] && xdotool getwindowgeometry --shell "$wid" | grep -E '^(X|Y|WIDTH|HEIGHT)=' | tr '\n' ' '
}

# A file: URL with an escaped space plays.
start "file://$work/clips/a%20b.mp4"
[ "$(pc metadata xesam:title)" = "a b.mp4" ] || fail "title is '$(pc metadata xesam:title)'"
echo "a file: URL plays"

# Every descriptor above 2 is close-on-exec.
for info in /proc/"$pid"/fdinfo/*; do
    fd=${info##*/}
    [ "$fd" -gt 2 ] || continue
    flags=$(awk '/^flags:/ { print $2 }' "$info" 2>/dev/null) || continue
    [ -n "$flags" ] || continue
    (( (8#$flags & 8#2000000) != 0 )) || fail "descriptor $fd ($(readlink /proc/$pid/fd/$fd)) is not close-on-exec"
done
echo "every descriptor is close-on-exec"

# A child the player starts (the opener of Help > Online Feedback) holds only 0-2.
# The main menu opens on a right click; its keys: Help, then Feedback.
feedback() {
    geometry
    xdotool mousemove --window "$wid" $((WIDTH / 2)) $((HEIGHT / 3)) click 3
    sleep 1
    xdotool key h
    sleep 0.5
    xdotool key e
    until_ok 10 test -f "$work/opener.fds" && return
    xdotool key Escape Escape   # a menu left open by a slow start
    return 1
}
feedback || feedback || fail "the opener did not start"
[ "$(cat "$work/opener.fds")" = "" ] || fail "the opener inherited: $(cat "$work/opener.fds")"
echo "a child of the player holds only 0-2"

# MPRIS: play-pause twice, a seek to 5 s.
track=$(pc metadata mpris:trackid)
pc play-pause
until_ok 5 status_is Paused || fail "play-pause did not pause"
pc play-pause
until_ok 5 status_is Playing || fail "play-pause did not resume"
pc position 5
at5() { p=$(position); [ "$p" -ge 5 ] && [ "$p" -le 7 ]; }
until_ok 5 at5 || fail "position 5 gave $(position)"
echo "playerctl pauses, resumes and seeks"

# --enqueue appends and the clip goes on; a plain second start opens nothing.
out=$("$zvp" --enqueue "$work/clips/b.mp4" 2>>"$work/second.log") || fail "--enqueue ended with $?"
[ "$out" = "zvp: already running; added 1 files" ] || fail "--enqueue said '$out'"
"$zvp" "$media/tone.wav" >/dev/null 2>&1 || fail "a second start failed"
[ "$(pc metadata mpris:trackid)" = "$track" ] || fail "the clip changed"
status_is Playing || fail "the clip stopped"
echo "--enqueue adds, a second start does not"

# Peers that hang up at once, or run as another user, change nothing.
python3 - "$(id -u)" <<'PY' || fail "cannot reach the instance socket"
import socket, sys
s = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
s.connect("\0CInstanceChecker_MMF_ZVP" + sys.argv[1])
s.close()
PY
if command -v setpriv >/dev/null && [ -x /usr/bin/python3 ] && [ "$(id -u)" = 0 ]; then
    answer=$(setpriv --reuid=65534 --regid=65534 --clear-groups /usr/bin/python3 - <<'PY'
import socket
s = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
s.settimeout(3)
try:
    s.connect("\0CInstanceChecker_MMF_ZVP0")
    s.sendall(b"raise\n")
    print(s.recv(16).decode() or "closed")
except (ConnectionResetError, BrokenPipeError):
    print("closed")
except Exception as e:
    print("error", e)
PY
)
    [ "$answer" = "closed" ] || fail "another user's peer got '$answer'"
fi
kill -0 "$pid" || fail "the player went away"
echo "odd peers are refused"

# The volume, and a moved window, survive a restart; SIGHUP saves and ends with 0.
pc volume 0.35
wid=$(xdotool search --onlyvisible --name '^Zeph Vidra Player$' | tail -1)
xdotool windowmove "$wid" 100 80
moved() { window_geometry | grep -q 'X=100 Y=80'; }
until_ok 5 moved || fail "the window did not move: $(window_geometry)"
before=$(window_geometry)
stop HUP
[ "$(rows)" = 2 ] || fail "the playlist has $(rows) rows, not 2"
echo "SIGHUP saves: $(rows) rows"

# A folder: its media files join, subfolders first; the first of them plays.
start "$work/folder"
[ "$(pc metadata xesam:title)" = "c.mp4" ] || fail "the folder played '$(pc metadata xesam:title)'"
[ "$(pc volume)" = "0.350000" ] || [ "$(pc volume)" = "0.35" ] || fail "volume $(pc volume)"
[ "$(window_geometry)" = "$before" ] || fail "window $(window_geometry), not $before"
echo "a folder plays its first file; the volume and the window are kept"
stop INT
[ "$(rows)" = 4 ] || fail "the playlist has $(rows) rows, not 4"

# Saves that hit RLIMIT_FSIZE fail and leave both files as they were.
python3 - "$base/Playlists/__default.mpl" "$work/clips/b.mp4" <<'PY'
import sys
rows = [sys.argv[2]] * 40
open(sys.argv[1], "w", encoding="utf-16-le", newline="").write("\ufeff" + "".join(r + "\r\n" for r in rows))
PY
cp "$base/Playlists/__default.mpl" "$work/playlist.before"
cp "$base/zvp_data.ini" "$work/settings.before"
[ "$(stat -c %s "$base/zvp_data.ini")" -gt 1024 ] || fail "the settings file is too small for the limit"
(trap '' XFSZ; ulimit -f 1; close_inherited && exec "$zvp" "$work/clips/b.mp4") >>"$work/zvp.log" 2>&1 &
pid=$!
until_ok 30 status_is Playing || fail "the player does not play under the file size limit"
pc volume 0.5
stop INT
cmp -s "$base/Playlists/__default.mpl" "$work/playlist.before" || fail "the playlist changed"
cmp -s "$base/zvp_data.ini" "$work/settings.before" || fail "the settings changed"
echo "saves over the file size limit keep both files"

# A rectangle off every screen gives the centred default.
python3 - "$base/zvp_data.ini" <<'PY'
import sys
path = sys.argv[1]
text = open(path, encoding="utf-16").read()
lines = [("window=5000,5000,800,600" if l.startswith("window=") else l) for l in text.split("\n")]
open(path, "w", encoding="utf-16-le", newline="").write("\ufeff" + "\n".join(lines))
PY
start "$work/clips/b.mp4"
[ "$(window_geometry)" = "X=320 Y=256 WIDTH=640 HEIGHT=512 " ] || fail "window $(window_geometry)"
echo "an off-screen window comes back centred"

# MPRIS Raise answers; Quit closes as Exit does, saving and ending with 0.
root() {
    gdbus call --session --dest org.mpris.MediaPlayer2.zvp --object-path /org/mpris/MediaPlayer2 \
        --method "org.mpris.MediaPlayer2.$1" >/dev/null
}
root Raise || fail "Raise failed"
rm -f "$base/Playlists/__default.mpl"
root Quit || fail "Quit failed"
rc=0
wait "$pid" || rc=$?
pid=
[ "$rc" = 0 ] || fail "Quit ended the player with $rc"
[ "$(rows)" = 41 ] || fail "Quit saved $(rows) rows, not 41"
echo "Raise answers, Quit closes"
echo "PASS"
