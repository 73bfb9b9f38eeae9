"""The resources of the built Fernhollow.scr, read from the PE file itself: the icon, the VERSIONINFO,
a string table without the tests' own entry, and the application manifest."""
import os
import struct
import unittest
import xml.etree.ElementTree as ElementTree

RT_ICON, RT_STRING, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 6, 14, 16, 24

ASM_V1 = "{urn:schemas-microsoft-com:asm.v1}"
ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"
COMPATIBILITY = "{urn:schemas-microsoft-com:compatibility.v1}"
SETTINGS_2005 = "{http://schemas.microsoft.com/SMI/2005/WindowsSettings}"
SETTINGS_2016 = "{http://schemas.microsoft.com/SMI/2016/WindowsSettings}"
SUPPORTED_OS = {
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}": "Windows 7",
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}": "Windows 8",
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}": "Windows 8.1",
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}": "Windows 10 and 11",
}


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


class ManifestTest(unittest.TestCase):
    """Resource 1 of type RT_MANIFEST, read out of the PE file and parsed as the loader would."""

    @classmethod
    def setUpClass(cls):
        cls.resources = PeResources(os.environ["FERNHOLLOW_SCR"])

    def manifest(self, resources=None):
        manifests = (resources or self.resources).tree.get(RT_MANIFEST, {})
        self.assertEqual(list(manifests), [1], "the manifest must be resource 1, the one a process starts with")
        return ElementTree.fromstring(manifests[1])

    def test_the_manifest_asks_for_per_monitor_v2_awareness_with_the_older_fallback(self):
        root = self.manifest()
        self.assertEqual(root.tag, ASM_V1 + "assembly")
        self.assertEqual(root.get("manifestVersion"), "1.0")
        settings = root.findall(ASM_V3 + "application/" + ASM_V3 + "windowsSettings")
        self.assertEqual(len(settings), 1)
        awareness = settings[0].findall(SETTINGS_2016 + "dpiAwareness")
        aware = settings[0].findall(SETTINGS_2005 + "dpiAware")
        self.assertEqual(len(awareness), 1, "no dpiAwareness in the 2016 namespace")
        self.assertEqual(len(aware), 1, "no dpiAware in the 2005 namespace")
        # Windows reads the list in order and takes the first value it knows.
        self.assertEqual([v.strip() for v in awareness[0].text.split(",")], ["PerMonitorV2", "PerMonitor"])
        self.assertEqual(aware[0].text.strip().lower(), "true/pm")

    def test_the_manifest_depends_on_common_controls_6(self):
        root = self.manifest()
        identities = root.findall("%sdependency/%sdependentAssembly/%sassemblyIdentity" % (ASM_V1, ASM_V1, ASM_V1))
        controls = [i for i in identities if i.get("name") == "Microsoft.Windows.Common-Controls"]
        self.assertEqual(len(controls), 1, [i.attrib for i in identities])
        identity = controls[0].attrib
        self.assertEqual(identity.get("type"), "win32")
        self.assertEqual(identity.get("version"), "6.0.0.0")
        self.assertEqual(identity.get("publicKeyToken"), "6595b64144ccf1df")
        self.assertIn(identity.get("processorArchitecture"), ("amd64", "*"))
        self.assertIn(identity.get("language"), ("*", None))

    def test_the_manifest_lists_windows_7_to_11_as_supported(self):
        root = self.manifest()
        found = [e.get("Id").lower() for e in root.findall(
            "%scompatibility/%sapplication/%ssupportedOS" % (COMPATIBILITY, COMPATIBILITY, COMPATIBILITY))]
        self.assertEqual(sorted(found), sorted(SUPPORTED_OS), [SUPPORTED_OS.get(g, g) for g in found])

    def test_the_manifest_names_the_program_at_its_version(self):
        identity = self.manifest().find(ASM_V1 + "assemblyIdentity")
        self.assertIsNotNone(identity)
        self.assertEqual(identity.get("version"), "0.1.2.1")
        self.assertEqual(identity.get("processorArchitecture"), "amd64")


if __name__ == "__main__":
    unittest.main()
