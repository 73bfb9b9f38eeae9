#!/bin/sh
# Installs what is missing, builds, runs every test, then runs each fuzz target for a short time.
# The Windows build (build-win/) is cross-built and its tests run under Wine after the Linux ones.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh
# On: a build folder configured by scripts/run.sh has them off.
FERNHOLLOW_CMAKE_ARGS="-DFERNHOLLOW_TESTS=ON -DFERNHOLLOW_BENCH=ON ${FERNHOLLOW_CMAKE_ARGS:-}" scripts/build.sh
(cd build && ctest --output-on-failure --timeout 1200 -j "${FERNHOLLOW_TEST_JOBS:-2}" "$@")
scripts/build-windows.sh
# One at a time: the Windows tests share one Wine session and one display.
(cd build-win && ctest --output-on-failure --timeout 900 "$@")
scripts/fuzz.sh "${FERNHOLLOW_FUZZ_SECONDS:-20}"
