#!/bin/sh
# Installs what is missing, builds, and runs every test.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
cd build
ctest --output-on-failure --timeout 1200 -j "${FERNHOLLOW_TEST_JOBS:-2}" "$@"
