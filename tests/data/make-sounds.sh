#!/bin/sh
# Makes the short Ogg Vorbis sounds the audio tests play (stereo, 44.1 kHz, exact lengths).
# tone-882hz-500ms.ogg: 0.5 s of an 882 Hz sine, 441 whole periods of 50 samples, so it loops
#   seamlessly.
# tone-882hz-300ms.ogg: the same tone for 0.3 s (13230 samples), played once per play.
set -eu
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
for ms in 500 300; do
    sox -n -r 44100 -c 2 -b 16 -e signed "$tmp/tone.wav" synth "0.$ms" sine 882 vol 0.5
    oggenc -Q --serial 1 -q 4 "$tmp/tone.wav" -o "tone-882hz-${ms}ms.ogg"
done
