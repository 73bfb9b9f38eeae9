#!/bin/sh
# The Wine session every Windows test shares: one prefix, one persistent wineserver, one Xvfb display.
#   wine-session.sh start          makes the prefix (once), starts Xvfb and the server, warms up
#   wine-session.sh run PROG ARGS  runs a Windows program in the session (exit status passed on)
#   wine-session.sh stop           ends the server and Xvfb
# State lives in $FERNHOLLOW_WINE_STATE (prefix/, display, xvfb.pid); WINEPREFIX points into it.
# Order matters: the prefix is made with a server of its own and that server is waited out
# (wineserver -w) before the persistent one starts (-p); `wineserver -w` must never run while a
# persistent server does, it would wait forever.
set -eu
state=${FERNHOLLOW_WINE_STATE:?}
export WINEPREFIX=${WINEPREFIX:-$state/prefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
wine=/usr/lib/wine/wine64
mkdir -p "$state"

display() {
    cat "$state/display"
}

case "$1" in
start)
    # A server left over from an interrupted run of this build is ended first.
    WINEPREFIX=$WINEPREFIX wineserver -k 2>/dev/null || true
    if [ -f "$state/xvfb.pid" ]; then
        kill "$(cat "$state/xvfb.pid")" 2>/dev/null || true
        rm -f "$state/xvfb.pid"
    fi
    if [ ! -f "$WINEPREFIX/system.reg" ] || [ ! -f "$state/prefix.ready" ]; then
        rm -rf "$WINEPREFIX"
        DISPLAY= wineboot -i >/dev/null 2>&1 </dev/null
        wineserver -w
        # No sound driver unless a test asks for one: ALSA would print errors for the missing device.
        $wine reg add 'HKCU\Software\Wine\Drivers' /v Audio /d "" /f >/dev/null 2>&1
        wineserver -w
        touch "$state/prefix.ready"
    fi
    fifo=$state/displayfd
    rm -f "$fifo"
    mkfifo "$fifo"
    # Every program started here keeps no descriptor of the caller's: CTest waits for its pipes to close.
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset -br 3>"$fifo" >/dev/null 2>&1 </dev/null &
    echo $! >"$state/xvfb.pid"
    read -r number <"$fifo"
    rm -f "$fifo"
    echo ":$number" >"$state/display"
    wineserver -p >/dev/null 2>&1 </dev/null
    # The first program in a fresh server starts Wine's own services; later ones start at once.
    DISPLAY=$(display) $wine "${FERNHOLLOW_WARM_UP:?}" version >/dev/null 2>&1 || true
    echo "Wine session ready on display $(display)"
    ;;
run)
    shift
    DISPLAY=$(display) exec $wine "$@"
    ;;
stop)
    wineserver -k 2>/dev/null || true
    if [ -f "$state/xvfb.pid" ]; then
        kill "$(cat "$state/xvfb.pid")" 2>/dev/null || true
        rm -f "$state/xvfb.pid"
    fi
    ;;
*)
    echo "wine-session.sh: start, run or stop" >&2
    exit 2
    ;;
esac
