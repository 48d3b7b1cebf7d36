#!/usr/bin/env bash
# `cmake --install` into a temporary prefix: exactly the player's files, a desktop entry that
# validates and claims every type of the MIME table, icons of their stated sizes, and a
# program that still finds its files after the prefix has moved, run from /.
#   usage: install_e2e.sh BUILD_DIR SOURCE_DIR MEDIA_DIR WORK_DIR VERSION
#   (run under xvfb-run and dbus-run-session)
set -euo pipefail

build=${1:?usage}
source=${2:?usage}
media=${3:?usage}
work=${4:?usage}
version=${5:?usage}
rm -rf "$work"
mkdir -p "$work"
prefix=$work/prefix

fail() {
    echo "FAIL: $*"
    [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null
    exit 1
}

cmake --install "$build" --prefix "$prefix" >"$work/install.log" || fail "install failed"

# Exactly these files.
sizes="16 22 24 32 48 64 128 256"
expected="bin/zvp
share/applications/zvp.desktop
share/icons/hicolor/scalable/apps/zvp.svg
share/zvp/ZVP.ini"
for n in $sizes; do expected+=$'\n'"share/icons/hicolor/${n}x${n}/apps/zvp.png"; done
if [ -n "$(find "$build" -name Hopover -type f -perm -u+x -print -quit)" ]; then
    expected+=$'\n'"libexec/zvp/Hopover"
fi
if [ -n "$(find "$build" -name Faultpost -type f -perm -u+x -print -quit)" ]; then
    expected+=$'\n'"libexec/zvp/Faultpost"
fi
actual=$(cd "$prefix" && find . -not -type d | sed 's|^\./||' | LC_ALL=C sort)
expected=$(echo "$expected" | LC_ALL=C sort)
[ "$actual" = "$expected" ] || fail "installed files differ:"$'\n'"$(diff <(echo "$expected") <(echo "$actual"))"
echo "installed files: $(echo "$actual" | wc -l)"

# The desktop entry: no error, no warning.
entry=$prefix/share/applications/zvp.desktop
report=$(desktop-file-validate "$entry" 2>&1) || fail "desktop-file-validate: $report"
[ -z "$report" ] || fail "desktop-file-validate: $report"
echo "desktop entry validates"

# Every type of the table lists the entry, once the MIME cache is built as a package's
# trigger builds it (GIO reads the types from mimeinfo.cache), with the prefix's bin/ on the
# PATH (GIO hides an entry whose program it cannot find).
update-desktop-database "$prefix/share/applications" || fail "update-desktop-database failed"
types=$(grep -v '^#' "$source/resources/mime-types.txt" | awk 'NF { print $1 }' | sort -u)
for type in $types; do
    listed=$(PATH=$prefix/bin:$PATH XDG_DATA_DIRS=$prefix/share XDG_DATA_HOME=$work/no-user-data \
        gio mime "$type" 2>&1 || true)
    grep -q 'zvp\.desktop' <<<"$listed" || fail "gio mime $type does not list zvp.desktop"
done
echo "gio lists zvp.desktop for $(echo "$types" | wc -w) types"

# Each icon its size.
for n in $sizes; do
    got=$(identify -format '%wx%h' "$prefix/share/icons/hicolor/${n}x${n}/apps/zvp.png")
    [ "$got" = "${n}x${n}" ] || fail "the ${n} px icon is $got"
done
echo "icons have their sizes"

# A moved prefix, run from /: the version from the installed INI, and a clip plays.
moved=$work/moved
mv "$prefix" "$moved"
rm -f "$moved/share/applications/mimeinfo.cache"
got=$(cd / && "$moved/bin/zvp" --version)
[ "$got" = "zvp $version" ] || fail "--version printed '$got', not 'zvp $version'"
echo "--version: $got"

export XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config
export SDL_AUDIODRIVER=dummy QT_QPA_PLATFORM=xcb
clip=$(realpath "$media/h264_aac.mp4")
(cd / && exec "$moved/bin/zvp" "$clip") >"$work/zvp.log" 2>&1 &
pid=$!
property() {
    gdbus call --session --dest org.mpris.MediaPlayer2.zvp --object-path /org/mpris/MediaPlayer2 \
        --method org.freedesktop.DBus.Properties.Get org.mpris.MediaPlayer2.Player "$1" 2>/dev/null
}
playing() { property PlaybackStatus | grep -q "'Playing'"; }
deadline=$((SECONDS + 30))
until playing; do
    kill -0 "$pid" 2>/dev/null || fail "the player ended: $(tail -5 "$work/zvp.log")"
    [ "$SECONDS" -lt "$deadline" ] || fail "the clip does not play"
    sleep 0.2
done
position() { property Position | grep -o '[0-9]\+' | tail -1; }
first=$(position)
sleep 1
[ "$(position)" -gt "$first" ] || fail "the position does not move"
echo "a clip plays from the moved prefix"
kill -TERM "$pid"
wait "$pid" || fail "the player did not end cleanly on SIGTERM"
pid=

# Every type's sample plays to its end: after the end, the one-row playlist loads it again
# under a new track id.
pc() { playerctl --player=zvp "$@" 2>/dev/null; }
for ext in $(grep -v '^#' "$source/resources/mime-types.txt" | awk 'NF > 1 { $1 = ""; print }' |
        tr ' ' '\n' | sort -u); do
    sample=$media/mime/sample.$ext
    [ -f "$sample" ] || fail "no sample for .$ext"
    rm -f "$XDG_DATA_HOME/ZVP/Playlists/__default.mpl"
    (cd / && exec "$moved/bin/zvp" "$sample") >>"$work/samples.log" 2>&1 &
    pid=$!
    first=""
    loaded() { [ "$(pc metadata xesam:title)" = "sample.$ext" ] && first=$(pc metadata mpris:trackid); }
    deadline=$((SECONDS + 20))
    until loaded; do
        kill -0 "$pid" 2>/dev/null || fail ".$ext: the player ended"
        [ "$SECONDS" -lt "$deadline" ] || fail ".$ext does not load"
        sleep 0.1
    done
    again() { local t; t=$(pc metadata mpris:trackid); [ -n "$t" ] && [ "$t" != "$first" ] &&
        [ "$(pc metadata xesam:title)" = "sample.$ext" ]; }
    deadline=$((SECONDS + 20))
    until again; do
        [ "$SECONDS" -lt "$deadline" ] || fail ".$ext does not play to its end"
        sleep 0.1
    done
    kill -TERM "$pid"
    wait "$pid" || fail ".$ext: the player did not end cleanly"
    pid=
done
echo "every MIME sample plays to its end"
echo "PASS"
