#!/bin/sh
# Builds and makes the Debian package build/fernhollow_<version>_amd64.deb (installs into /usr).
set -eu
cd "$(dirname "$0")/.."
scripts/build.sh
cd build
cpack -G DEB
