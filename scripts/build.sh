#!/bin/sh
# Configures and builds into ./build (Ninja).
set -eu
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja ${FERNHOLLOW_CMAKE_ARGS:-} >/dev/null
cmake --build build
