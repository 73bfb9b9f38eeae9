#!/bin/sh
# Installs the Debian 12 packages that Fernhollow needs. Only what is missing is installed; nothing
# happens when everything is there.
#   scripts/install-deps.sh          building, running and testing (the test command), with the
#                                    Windows cross-build, Wine and NSIS for the Windows tests
#   scripts/install-deps.sh --run    only building and running the Linux saver (scripts/run.sh)
set -eu

RUN_PACKAGES="
build-essential cmake ninja-build pkg-config git
libsdl2-dev libgl-dev libglu1-mesa-dev libgl1-mesa-dri libglx-mesa0
libdevil-dev libopenal-dev libalure-dev libgtk-3-dev libglib2.0-dev libglib2.0-bin libx11-dev
libxinerama-dev libxext-dev libxrandr-dev libasound2-dev
libboost-dev
python3
xvfb xauth x11-utils imagemagick
"

TEST_PACKAGES="
x11-apps x11-xserver-utils xdotool openbox dbus-daemon dbus-bin python3-gi gir1.2-glib-2.0 libxss1
xserver-xorg-core xserver-xorg-video-dummy xscreensaver
dpkg-dev lintian fakeroot file man-db
procps e2fsprogs
xscreensaver-gl
mate-screensaver xsecurelock xss-lock
libgtest-dev googletest
sox libsox-fmt-all vorbis-tools
python3 python3-numpy python3-pil python3-cairo fonts-dejavu-core
clang libclang-rt-14-dev
g++-mingw-w64-x86-64-posix mingw-w64-tools libstb-dev nsis wine64 wine
"

case "${1:-}" in
    --run) PACKAGES=$RUN_PACKAGES ;;
    "") PACKAGES="$RUN_PACKAGES $TEST_PACKAGES" ;;
    *) echo "install-deps: unknown option $1 (only --run)" >&2; exit 2 ;;
esac

missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done
[ -z "$missing" ] && exit 0

echo "Installing:$missing"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null 2>&1 || { echo "install-deps: run as root or install sudo" >&2; exit 1; }
    SUDO=sudo
fi
$SUDO apt-get update
# No recommends: Wine's would pull in a whole desktop's worth of fonts and 32-bit libraries.
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends $missing
