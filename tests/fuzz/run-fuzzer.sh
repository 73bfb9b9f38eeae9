#!/bin/sh
# run-fuzzer.sh <binary> <name> <fuzz-source-dir> <seconds>
# Replays the kept regression inputs, then fuzzes for the given time from the seed corpus (copied,
# so the repository's corpus is not rewritten). A crash leaves its input in the work folder and fails.
set -eu
binary=$1; name=$2; source=$3; seconds=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/corpus" "$work/artifacts"
export LSAN_OPTIONS="suppressions=$source/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
[ -d "$source/corpus/$name" ] && cp -r "$source/corpus/$name/." "$work/corpus/" 2>/dev/null || true
if [ -d "$source/regressions/$name" ] && [ -n "$(ls -A "$source/regressions/$name" 2>/dev/null)" ]; then
    "$binary" -rss_limit_mb=2048 "$source/regressions/$name"/*
fi
"$binary" "$work/corpus" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
    -artifact_prefix="$work/artifacts/" -print_final_stats=1 || {
    echo "fuzz_$name found a failing input:" >&2
    ls -l "$work/artifacts" >&2
    mkdir -p "/tmp/fernhollow-fuzz-$name"
    cp "$work/artifacts/"* "/tmp/fernhollow-fuzz-$name/" 2>/dev/null || true
    echo "copied to /tmp/fernhollow-fuzz-$name" >&2
    exit 1
}
