#!/bin/sh
# Installs what is missing, builds, and runs the screensaver (/s).
# On a desktop the saver takes the screen until a key is released or the mouse moves.
# Without a display it plays on a virtual one for a few seconds and saves a screenshot.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh --run
# Running needs neither GoogleTest nor the benchmarks.
FERNHOLLOW_CMAKE_ARGS="-DFERNHOLLOW_TESTS=OFF -DFERNHOLLOW_BENCH=OFF ${FERNHOLLOW_CMAKE_ARGS:-}" scripts/build.sh

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    exec build/fernhollow /s
fi

seconds=${FERNHOLLOW_DEMO_SECONDS:-8}
shot=$(pwd)/build/screenshot.png
echo "No display: running the saver on a virtual 1920x1080 display for $seconds seconds."
tests/support/with-xvfb.sh 1920x1080x24 -- sh -c '
    FERNHOLLOW_MESSAGE_BOX=stderr build/fernhollow /s &
    pid=$!
    sleep "$1"
    import -window root "$2"
    kill -TERM $pid
    wait $pid
' run "$seconds" "$shot"
echo "Screenshot: $shot"
