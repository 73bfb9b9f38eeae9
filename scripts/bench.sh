#!/bin/sh
# Installs what is missing, builds, and runs every benchmark under Xvfb + Mesa; writes bench/RESULTS.md.
# Takes about 15 minutes on two cores. Run it on an otherwise quiet machine: the results file records
# the load average and the busiest other processes, but cannot subtract them.
#   FERNHOLLOW_BENCH_REPEATS=N   runs per figure (default 5; start-up takes at least 7)
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
exec /usr/bin/python3 bench/run_bench.py
