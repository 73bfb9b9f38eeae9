#!/bin/sh
# Runs a command on a private X display with two 1280x720 monitors side by side:
#   with-two-monitors.sh -- command args...
# Xorg with the dummy video driver (xserver-xorg-video-dummy), two screens joined by Xinerama; it must
# run as root. Xorg picks a free display number itself (-displayfd), so parallel runs never collide.
set -eu
[ "${1:-}" = "--" ] && shift
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
mkdir "$work/conf.d"
mkfifo "$work/fd"
Xorg -config "$here/two-monitors.conf" -configdir "$work/conf.d" -logfile "$work/Xorg.log" \
    -nolisten tcp -noreset -displayfd 3 3>"$work/fd" 2>/dev/null &
xpid=$!
trap 'kill $xpid 2>/dev/null || true; wait $xpid 2>/dev/null || true; rm -rf "$work"' EXIT INT TERM
read -r num <"$work/fd"
DISPLAY=:$num "$@"
