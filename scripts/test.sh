#!/bin/sh
# Installs what is missing, builds, runs every test, then runs each fuzz target for a short time.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
(cd build && ctest --output-on-failure --timeout 1200 -j "${FERNHOLLOW_TEST_JOBS:-2}" "$@")
scripts/fuzz.sh "${FERNHOLLOW_FUZZ_SECONDS:-20}"
