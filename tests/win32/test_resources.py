"""The resources of the built Fernhollow.scr, read from the PE file itself: the icon, the VERSIONINFO,
and a string table without the tests' own entry."""
import os
import struct
import unittest

RT_ICON, RT_STRING, RT_GROUP_ICON, RT_VERSION = 3, 6, 14, 16


class PeResources:
    """The resource tree of a PE file: {type: {id: bytes}} (the first language of each)."""

    def __init__(self, path):
        with open(path, "rb") as f:
            self.data = f.read()
        data = self.data
        if data[:2] != b"MZ":
            raise ValueError("%s: not an MZ executable" % path)
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("%s: no PE header" % path)
        sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
        optional = pe + 24
        magic = struct.unpack_from("<H", data, optional)[0]
        directories = optional + (112 if magic == 0x20B else 96)
        self.resource_rva = struct.unpack_from("<I", data, directories + 2 * 8)[0]
        self.sections = []
        table = optional + optional_size
        for i in range(sections):
            virtual_size, rva, raw_size, raw_offset = struct.unpack_from("<IIII", data, table + 40 * i + 8)
            self.sections.append((rva, max(virtual_size, raw_size), raw_offset))
        self.root = self.offset(self.resource_rva)
        self.tree = {}
        for type_id, type_dir in self.entries(self.root):
            self.tree[type_id] = {}
            for name_id, name_dir in self.entries(self.root + type_dir):
                languages = self.entries(self.root + name_dir)
                leaf = self.root + languages[0][1]
                rva, size = struct.unpack_from("<II", data, leaf)
                start = self.offset(rva)
                self.tree[type_id][name_id] = data[start:start + size]

    def offset(self, rva):
        for start, size, raw in self.sections:
            if start <= rva < start + size:
                return raw + rva - start
        raise ValueError("RVA %#x in no section" % rva)

    def entries(self, directory):
        """(id or name, offset below the root) of a resource directory; subdirectories' offsets
        have their high bit cleared."""
        named, numbered = struct.unpack_from("<HH", self.data, directory + 12)
        found = []
        for i in range(named + numbered):
            name, target = struct.unpack_from("<II", self.data, directory + 16 + 8 * i)
            found.append((name if not name & 0x80000000 else "name@%x" % (name & 0x7FFFFFFF),
                          target & 0x7FFFFFFF))
        return found


def string_block(block):
    """The 16 strings of one RT_STRING block (ids 16 * (block id - 1) onwards)."""
    strings = []
    at = 0
    for _ in range(16):
        length = struct.unpack_from("<H", block, at)[0]
        strings.append(block[at + 2:at + 2 + 2 * length].decode("utf-16-le"))
        at += 2 + 2 * length
    return strings


class SaverResourcesTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.path = os.environ["FERNHOLLOW_SCR"]
        cls.resources = PeResources(cls.path)

    def test_the_icon_has_its_16_32_48_and_256_pixel_images(self):
        groups = self.resources.tree.get(RT_GROUP_ICON, {})
        self.assertIn(1, groups)
        group = groups[1]
        reserved, kind, count = struct.unpack_from("<HHH", group, 0)
        self.assertEqual((reserved, kind), (0, 1))
        sizes = []
        for i in range(count):
            width, height, _, _, _, bits, size, icon_id = struct.unpack_from("<BBBBHHIH", group, 6 + 14 * i)
            # 0 stands for 256.
            sizes.append((width or 256, height or 256))
            image = self.resources.tree[RT_ICON][icon_id]
            self.assertEqual(len(image), size)
            self.assertEqual(bits, 32)
        self.assertEqual(sorted(sizes), [(16, 16), (32, 32), (48, 48), (256, 256)])
        # The very images the art tools painted.
        with open(os.path.join(os.environ["FERNHOLLOW_SOURCE"], "assets", "icons", "fernhollow.ico"), "rb") as f:
            ico = f.read()
        for icon_id, image in self.resources.tree[RT_ICON].items():
            self.assertIn(image, ico, "icon image %d is not one of assets/icons/fernhollow.ico" % icon_id)

    def test_the_version_information_names_the_product_and_version_0_1_2_1(self):
        version = self.resources.tree.get(RT_VERSION, {}).get(1)
        self.assertIsNotNone(version, "no VERSIONINFO")
        fixed = version.find(struct.pack("<I", 0xFEEF04BD))
        self.assertGreater(fixed, 0)
        file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<IIII", version, fixed + 8)
        for ms, ls in ((file_ms, file_ls), (product_ms, product_ls)):
            self.assertEqual((ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF), (0, 1, 2, 1))
        text = version.decode("utf-16-le", errors="replace")
        for name, value in (("ProductName", "Fernhollow Screensaver"), ("ProductVersion", "0.1.2.1"),
                            ("FileVersion", "0.1.2.1"), ("OriginalFilename", "Fernhollow.scr")):
            at = text.find(name + "\0")
            self.assertGreaterEqual(at, 0, "no %s" % name)
            # The value follows its name after the padding to a 32-bit boundary.
            self.assertEqual(text[at + len(name):].lstrip("\0").split("\0")[0], value)

    def test_the_string_table_holds_the_saver_strings_and_not_the_test_entry(self):
        strings = string_block(self.resources.tree[RT_STRING][1])
        self.assertEqual(strings[1], "Fernhollow Screensaver")
        self.assertEqual(strings[4], "0")
        self.assertEqual(strings[9], "")
        self.assertNotIn("Test entry for the string look-up limit".encode("utf-16-le"), self.resources.data)
        self.assertNotIn(b"Test entry for the string look-up limit", self.resources.data)

    def test_the_reader_sees_the_test_entry_in_the_tests_own_build(self):
        # The same reader finds the entry where it belongs: it could see it in the saver too.
        tests = PeResources(os.environ["FERNHOLLOW_UNIT_TESTS"])
        strings = string_block(tests.tree[RT_STRING][1])
        self.assertTrue(strings[9].startswith("Test entry for the string look-up limit"))


if __name__ == "__main__":
    unittest.main()
