#!/usr/bin/env bash
# Runs COMMAND on a fresh Xvfb that picks its own free display number (-displayfd) and reports
# it when it accepts clients, so tests started at the same moment never race for one number
# (xvfb-run -a can: two runs pick the same free number and one server fails to start). The
# server ends with the command; the command's status is the script's.
#   usage: xvfb-run.sh [-a] [-s "SERVER ARGS"] COMMAND [ARG]...
set -u
server_args="-screen 0 1280x1024x24"
while [ $# -gt 0 ]; do
  case $1 in
    -a) shift ;;
    -s) server_args=$2; shift 2 ;;
    *) break ;;
  esac
done
[ $# -gt 0 ] || { echo "usage: xvfb-run.sh [-a] [-s \"SERVER ARGS\"] COMMAND [ARG]..." >&2; exit 2; }

work=$(mktemp -d)
mkfifo "$work/display"
# shellcheck disable=SC2086
Xvfb -displayfd 3 -nolisten tcp $server_args 3>"$work/display" >"$work/server.log" 2>&1 &
server=$!
trap 'kill "$server" 2>/dev/null; wait "$server" 2>/dev/null; rm -rf "$work"' EXIT
display=
read -r -t 60 display <"$work/display"
if [ -z "$display" ]; then
  echo "xvfb-run.sh: Xvfb did not start:" >&2
  cat "$work/server.log" >&2
  exit 1
fi
DISPLAY=:$display "$@"
