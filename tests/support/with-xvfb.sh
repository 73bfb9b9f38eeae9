#!/bin/sh
# Runs a command under a private Xvfb display: with-xvfb.sh WxHxD -- command args...
# The display number is picked by Xvfb itself (-displayfd), so parallel runs never collide.
set -eu
geometry=$1; shift
[ "$1" = "--" ] && shift
fifo=$(mktemp -u)
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 "$geometry" -nolisten tcp -noreset 3>"$fifo" 2>/dev/null &
xpid=$!
read -r num <"$fifo"
rm -f "$fifo"
trap 'kill $xpid 2>/dev/null || true' EXIT INT TERM
DISPLAY=:$num "$@"
