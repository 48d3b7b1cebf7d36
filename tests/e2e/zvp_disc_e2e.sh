#!/usr/bin/env bash
# The real player opens a Video CD image: the test builds an ISO 9660 image holding
# MPEGAV/AVSEQ01.DAT with xorriso, loop-mounts it, and chooses "Open Disc" from the main menu;
# the clip's frames must move. Where loop-mounting is impossible (not root, no loop devices, no
# iso9660 in the kernel) the test is skipped (exit 77) with the reason.
#   usage: zvp_disc_e2e.sh ZVP MEDIA_DIR WORK_DIR     (run under xvfb-run)
set -euo pipefail

zvp=${1:?usage}
media=${2:?usage}
work=${3:?usage}
rm -rf "$work"
mkdir -p "$work"
export XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config
export SDL_AUDIODRIVER=dummy QT_QPA_PLATFORM=xcb

skip() {
    echo "SKIP: $*"
    exit 77
}
pid=""
mounted=""
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null
    [ -n "$mounted" ] && umount "$mounted" 2>/dev/null
    return 0
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    import -window root "$work/failure.png" 2>/dev/null || true
    exit 1
}

[ "$(id -u)" = 0 ] || skip "loop-mounting needs root"
[ -e /dev/loop-control ] || skip "no /dev/loop-control"
command -v xorriso >/dev/null || skip "xorriso is not installed (scripts/install-deps)"
mkdir -p "$work/iso/MPEGAV" "$work/mnt"
cp "$media/vcd_avseq.mpg" "$work/iso/MPEGAV/AVSEQ01.DAT"
xorriso -as mkisofs -V ZVPVCD -o "$work/vcd.iso" "$work/iso" >"$work/xorriso.log" 2>&1 ||
    fail "xorriso could not build the image"
mount -o loop,ro "$work/vcd.iso" "$work/mnt" 2>"$work/mount.log" ||
    skip "cannot loop-mount here: $(head -1 "$work/mount.log")"
mounted=$work/mnt

source "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh"

"$zvp" >"$work/zvp.log" 2>&1 &
pid=$!
until_ok 20 has_window || fail "no window"
# The main menu opens on a right click on the title bar; "d" marks Open Disc, the first of
# the items whose mnemonic is d, and Return chooses it.
geometry
xdotool mousemove $((X + WIDTH / 2)) $((Y + 12)) click 3
sleep 0.5
xdotool key d Return
until_ok 10 frames_move || fail "the disc's frames do not move"
grep -q "Playing ZVPVCD (" "$work/zvp.log" || fail "the log does not name the disc"
echo "Open Disc plays the mounted Video CD"
echo "1 passed, 0 failed"
