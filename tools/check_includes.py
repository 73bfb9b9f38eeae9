#!/usr/bin/python3
"""Checks the floors of src/: no file includes a header of a floor above its own, and nothing outside
src/platform/ includes a window-system, toolkit, audio or image library header. A platform backend
(src/platform/<name>/) includes no other backend, the platform's own headers include none, and the
platform does not include the program's exception type: it reports failures by its results. The
code every backend shares (src/platform/common/) may be included by every backend; like the
platform's own headers it includes no backend and no library header.

    check_includes.py [SRC_DIR]      (default: the src/ next to this tools/ directory)

Prints one line per offending include and exits with 1 when there is any."""

import os
import re
import sys

# Bottom up; a file may include its own floor and the floors below it.
FLOORS = ["base", "platform", "engine", "scene", "config", "shell"]

# Shared by every backend, and no backend itself.
COMMON = "common"

# Headers only the platform backends may include.
PLATFORM_ONLY = re.compile(
    r"^(SDL2?/|SDL[_.]|X11/|GL/glx|GL/wgl|glib|gio/|gobject/|gtk/|gdk/|gdk-pixbuf/|gdkx\.h|AL/|alure|IL/|"
    r"stb_image|windows\.h|winuser\.h|windef\.h|wingdi\.h|winbase\.h|mmsystem\.h|mmreg\.h|dsound\.h|"
    r"xaudio2|commctrl\.h|commdlg\.h|shellapi\.h|shlobj\.h|objbase\.h)",
    re.IGNORECASE)

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
SOURCE_SUFFIXES = (".h", ".hpp", ".c", ".cpp", ".cc", ".inl")


def floor_of(parts):
    return parts[0] if parts and parts[0] in FLOORS else None


def problems(src):
    src = os.path.abspath(src)
    found = []
    for folder, subfolders, files in os.walk(src):
        subfolders.sort()
        for name in sorted(files):
            if not name.endswith(SOURCE_SUFFIXES):
                continue
            path = os.path.join(folder, name)
            relative = os.path.relpath(path, src).replace(os.sep, "/")
            parts = relative.split("/")
            own = floor_of(parts)
            backend = parts[1] if own == "platform" and len(parts) > 2 else None
            shared = backend == COMMON
            with open(path, encoding="utf-8", errors="replace") as text:
                for number, line in enumerate(text, 1):
                    match = INCLUDE.match(line)
                    if not match:
                        continue
                    quote, header = match.groups()
                    where = f"{relative}:{number}: {header}"
                    if PLATFORM_ONLY.match(header) and own != "platform":
                        found.append(f"{where}: a platform library's header outside src/platform/")
                        continue
                    if own == "platform" and backend is None and PLATFORM_ONLY.match(header):
                        found.append(f"{where}: a platform library's header in the platform's own headers")
                        continue
                    if shared and PLATFORM_ONLY.match(header):
                        found.append(f"{where}: a platform library's header in the code every backend shares")
                        continue
                    # A quoted include is looked up next to the file first, then below src/.
                    target = header
                    if quote == '"':
                        beside = os.path.normpath(os.path.join(folder, header))
                        if os.path.exists(beside):
                            target = os.path.relpath(beside, src).replace(os.sep, "/")
                    if target.startswith("../"):
                        found.append(f"{where}: reaches outside src/")
                        continue
                    if own == "platform" and target == "base/Exception.h":
                        found.append(f"{where}: the platform reports failures by its results, it throws no Exception")
                        continue
                    target_parts = target.split("/")
                    other = floor_of(target_parts)
                    if own is None or other is None:
                        continue
                    if FLOORS.index(other) > FLOORS.index(own):
                        found.append(f"{where}: the {other} floor is above the {own} floor")
                    elif own == "platform" and other == "platform" and len(target_parts) > 2:
                        if target_parts[1] == COMMON and backend is not None:
                            continue
                        if target_parts[1] != backend:
                            whose = ("the code every backend shares" if shared else f"the {backend} backend" if backend
                                     else "a platform header")
                            found.append(f"{where}: {whose} includes the {target_parts[1]} backend")
    return found


def main(argv):
    src = argv[1] if len(argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "src")
    if not os.path.isdir(src):
        print(f"check_includes: {src} is not a directory", file=sys.stderr)
        return 2
    found = problems(src)
    for line in found:
        print(line)
    if found:
        print(f"check_includes: {len(found)} include(s) break the floors", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
