# Helpers shared by the end-to-end scripts; sourced after the script has set $work (its
# scratch folder). Bounds are generous: a loaded machine plays and redraws slowly.

# until_ok SECONDS COMMAND...: runs COMMAND every 100 ms until it succeeds or SECONDS pass.
until_ok() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.1
    done
}
# The player's main window (the newest when there are several), or nothing.
find_window() { xdotool search --onlyvisible --name '^Zeph Vidra Player$' 2>/dev/null | tail -1; }
has_window() { wid=$(find_window); [ -n "$wid" ]; }
# Sets wid, X, Y, WIDTH and HEIGHT for the main window.
geometry() {
    wid=$(find_window)
    [ -n "$wid" ] && eval "$(xdotool getwindowgeometry --shell "$wid")"
}
key() { geometry && xdotool key --window "$wid" "$1"; }
# A shot of the video area (the window less its frame and playlist).
shot() {
    geometry
    import -window root -crop "$((WIDTH - 200))x$((HEIGHT - 80))+$((X + 10))+$((Y + 30))" \
        +repage "$1" 2>/dev/null
}
same() { [ "$(compare -metric AE "$1" "$2" null: 2>&1 || true)" = "0" ]; }
frames_move() { shot "$work/a.png" && sleep 0.3 && shot "$work/b.png" && ! same "$work/a.png" "$work/b.png"; }
frames_still() { shot "$work/a.png" && sleep 0.5 && shot "$work/b.png" && same "$work/a.png" "$work/b.png"; }
