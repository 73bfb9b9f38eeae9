"""A strict reading of the settings file: every line must be one the program writes, so a torn or
half-written file fails instead of being read around."""
import re

from harness import KEY_PATH

SECTION = "HKEY_CURRENT_USER\\" + KEY_PATH
_SECTION = re.compile(r"^\[[^\]\n]+\]$")
_DWORD = re.compile(r'^"((?:[^"\\]|\\.)*)"=dword:([0-9a-fA-F]{8})$')
_STRING = re.compile(r'^"((?:[^"\\]|\\.)*)"="((?:[^"\\]|\\.)*)"$')


class Unparseable(AssertionError):
    pass


def parse_strict(text):
    """{section: {name: int or str}}; raises Unparseable naming the first line that is not whole."""
    lines = text.split("\n")
    if lines[0] != "REGEDIT4":
        raise Unparseable("first line %r is not the header" % lines[0][:80])
    if text and not text.endswith("\n"):
        raise Unparseable("the file does not end with a line break: cut short?")
    sections, current = {}, None
    for number, line in enumerate(lines[1:], 2):
        if not line:
            continue
        if _SECTION.match(line):
            current = sections.setdefault(line[1:-1], {})
            continue
        match = _DWORD.match(line) or _STRING.match(line)
        if not match or current is None:
            raise Unparseable("line %d is not a value line: %r" % (number, line[:80]))
        name = match.group(1).replace('\\"', '"').replace("\\\\", "\\")
        value = match.group(2)
        current[name] = int(value, 16) if line[len(match.group(1)) + 3:].startswith("dword:") else \
            value.replace('\\"', '"').replace("\\\\", "\\")
    return sections


def read_values(path):
    """The saver's own values from a file that must parse strictly."""
    with open(path, encoding="utf-8") as source:
        return parse_strict(source.read()).get(SECTION, {})
