#!/bin/sh
# Cross-builds the Windows screen saver and its installer into ./build-win:
#   build-win/Fernhollow.scr          the saver, one self-contained executable
#   build-win/FernhollowSetup.exe     the NSIS installer (with its uninstaller)
# Needs Debian's MinGW-w64, libstb-dev and nsis (scripts/install-deps.sh installs them).
set -eu
cd "$(dirname "$0")/.."
cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE="$(pwd)/cmake/mingw-w64-posix.cmake" \
    -DCMAKE_BUILD_TYPE=Release ${FERNHOLLOW_WIN_CMAKE_ARGS:-} >/dev/null
cmake --build build-win
