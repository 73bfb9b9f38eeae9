#!/bin/sh
# Builds the libFuzzer targets with clang (sanitizers on) in build-fuzz/ and runs each of them.
#   scripts/fuzz.sh            each target for 20 seconds (what the test command runs)
#   scripts/fuzz.sh 600        each target for 10 minutes
# A failing input is kept under /tmp/fernhollow-fuzz-<target>/; once fixed, add it to
# tests/fuzz/regressions/<target>/ so it is replayed on every run.
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-20}
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DFERNHOLLOW_FUZZ=ON -DFERNHOLLOW_TESTS=OFF -DFERNHOLLOW_BENCH=OFF -DFUZZ_SECONDS="$seconds" >/dev/null
cmake --build build-fuzz
cd build-fuzz
ctest --output-on-failure -j "${FERNHOLLOW_TEST_JOBS:-2}" -R '^fuzz_'
