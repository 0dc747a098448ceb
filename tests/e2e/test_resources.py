"""The resources of the built saver, read straight from its PE file, and the recipe of its
pictures.

GLIMRA_SCR names the file (default: build/windows/Lumeck.scr of the work tree)."""
import os
import pathlib
import struct
import subprocess
import sys
import tempfile
import unittest

ROOT = pathlib.Path(__file__).resolve().parents[2]
RESOURCES = ROOT / "resources"
SCR = pathlib.Path(os.environ.get("GLIMRA_SCR", ROOT / "build" / "windows" / "Lumeck.scr"))

RT_ICON, RT_GROUP_ICON, RT_VERSION = 3, 14, 16
NEUTRAL, CHINESE_SIMPLIFIED = 0x0000, 0x0804


def maker_name():
    lines = (ROOT / "resources" / "maker.txt").read_text(encoding="utf-8").splitlines()
    return dict(line.split("=", 1) for line in lines if line)["name"]


def read_resources(image):
    """{(type, name, language): bytes} from the resource directory of a PE image."""
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    assert image[pe : pe + 4] == b"PE\0\0", "not a PE file"
    sections, optional_size = struct.unpack_from("<H12xH", image, pe + 6)
    optional = pe + 24
    magic = struct.unpack_from("<H", image, optional)[0]
    directories = optional + (112 if magic == 0x20B else 96)
    rsrc_rva, _ = struct.unpack_from("<II", image, directories + 2 * 8)
    if rsrc_rva == 0:
        return {}
    table = optional + optional_size
    spans = []
    for i in range(sections):
        size, rva, _, raw = struct.unpack_from("<IIII", image, table + i * 40 + 8)
        spans.append((rva, size, raw))

    def offset(rva):
        for start, size, raw in spans:
            if start <= rva < start + size:
                return rva - start + raw
        raise AssertionError(f"RVA {rva:#x} lies in no section")

    base = offset(rsrc_rva)

    def entries(at):
        named, ids = struct.unpack_from("<12xHH", image, base + at)
        for i in range(named + ids):
            name, target = struct.unpack_from("<II", image, base + at + 16 + 8 * i)
            if name & 0x80000000:
                length = struct.unpack_from("<H", image, base + (name & 0x7FFFFFFF))[0]
                start = base + (name & 0x7FFFFFFF) + 2
                name = image[start : start + 2 * length].decode("utf-16-le")
            yield name, target

    found = {}
    for kind, types in entries(0):
        for name, names in entries(types & 0x7FFFFFFF):
            for language, leaf in entries(names & 0x7FFFFFFF):
                rva, size = struct.unpack_from("<II", image, base + leaf)
                found[(kind, name, language)] = bytes(image[offset(rva) : offset(rva) + size])
    return found


def version_node(block, at=0):
    """(key, value bytes, children, end) of the VS_VERSIONINFO-style node at `at`."""
    length, value_length, is_text = struct.unpack_from("<HHH", block, at)
    end = at + length
    key_end = block.index(b"\0\0", at + 6)
    while (key_end - at) % 2:
        key_end = block.index(b"\0\0", key_end + 1)
    key = block[at + 6 : key_end].decode("utf-16-le")
    cursor = (key_end + 2 + 3) & ~3
    value_size = value_length * 2 if is_text else value_length
    value = block[cursor : cursor + value_size]
    cursor = (cursor + value_size + 3) & ~3
    children = []
    while cursor < end:
        child = version_node(block, cursor)
        children.append(child)
        cursor = (child[3] + 3) & ~3
    return key, value, children, end


class ExecutableResources(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        if not SCR.is_file():
            raise AssertionError(f"{SCR} is not built (GLIMRA_SCR names the file to read)")
        cls.resources = read_resources(SCR.read_bytes())

    def test_holds_the_version_and_one_icon_and_nothing_else(self):
        self.assertEqual(
            sorted(self.resources),
            sorted(
                [
                    (RT_ICON, 30001, NEUTRAL),
                    (RT_GROUP_ICON, 1, NEUTRAL),
                    (RT_VERSION, 1, CHINESE_SIMPLIFIED),
                ]
            ),
        )

    def test_icon_group_names_its_one_image(self):
        group = self.resources[(RT_GROUP_ICON, 1, NEUTRAL)]
        image = self.resources[(RT_ICON, 30001, NEUTRAL)]
        self.assertEqual(struct.unpack_from("<HHH", group), (0, 1, 1))
        self.assertEqual(len(group), 6 + 14)
        width, height, colours, _, planes, bits, size, number = struct.unpack_from(
            "<BBBBHHIH", group, 6
        )
        self.assertEqual((width, height, colours, planes, bits), (32, 32, 16, 1, 4))
        self.assertEqual((size, number), (len(image), 30001))

    def test_icon_image_is_32_pixels_square_in_16_colours_with_a_mask(self):
        image = self.resources[(RT_ICON, 30001, NEUTRAL)]
        header_size, width, height, planes, bits = struct.unpack_from("<IiiHH", image)
        self.assertEqual((header_size, width, height, planes, bits), (40, 32, 64, 1, 4))
        colour_table, colour_bits, mask_bits = 16 * 4, 32 * 32 // 2, 32 * 4
        self.assertEqual(len(image), 40 + colour_table + colour_bits + mask_bits)
        self.assertEqual(image, (RESOURCES / "dialog.ico").read_bytes()[22:])

    def version(self):
        return version_node(self.resources[(RT_VERSION, 1, CHINESE_SIMPLIFIED)])

    def test_fixed_version_part(self):
        key, value, _, _ = self.version()
        self.assertEqual(key, "VS_VERSION_INFO")
        fields = struct.unpack("<13I", value)
        self.assertEqual(fields[0], 0xFEEF04BD)
        file_version, product_version = fields[2:4], fields[4:6]
        self.assertEqual(file_version, (0x00010000, 0))
        self.assertEqual(product_version, (0x00010000, 0))
        flags, os_, type_, subtype, date_high, date_low = fields[7:]
        self.assertEqual((flags, os_, type_, subtype), (0, 0x00000004, 0x00000001, 0))
        self.assertEqual((date_high, date_low), (0, 0))

    def test_string_table_holds_exactly_the_product_texts(self):
        _, _, children, _ = self.version()
        string_info = [c for c in children if c[0] == "StringFileInfo"]
        self.assertEqual(len(string_info), 1)
        tables = string_info[0][2]
        self.assertEqual([t[0] for t in tables], ["080404B0"])
        values = {k: v.decode("utf-16-le").rstrip("\0") for k, v, _, _ in tables[0][2]}
        maker = maker_name()
        self.assertEqual(
            values,
            {
                "FileDescription": "Glimra - 屏幕保护程序",
                "ProductName": "Glimra - 屏幕保护程序",
                "FileVersion": "1.00",
                "ProductVersion": "1.00",
                "InternalName": "Lumeck",
                "OriginalFilename": "Lumeck.scr",
                "CompanyName": maker,
                "LegalCopyright": maker,
                "LegalTrademarks": maker,
            },
        )

    def test_translation_is_simplified_chinese_in_utf16(self):
        _, _, children, _ = self.version()
        var_info = [c for c in children if c[0] == "VarFileInfo"]
        self.assertEqual(len(var_info), 1)
        self.assertEqual(
            [(k, v) for k, v, _, _ in var_info[0][2]],
            [("Translation", struct.pack("<HH", 0x0804, 0x04B0))],
        )


class HandCursor(unittest.TestCase):
    """The logo's pointer, as the program embeds it."""

    def test_black_and_white_32_square_with_the_hot_spot_on_the_fingertip(self):
        data = (RESOURCES / "hand.cur").read_bytes()
        reserved, kind, count = struct.unpack_from("<HHH", data, 0)
        self.assertEqual((reserved, kind, count), (0, 2, 1))
        width, height, _, _, hot_x, hot_y, size, offset = struct.unpack_from("<BBBBHHII", data, 6)
        self.assertEqual((width, height, hot_x, hot_y), (32, 32, 6, 0))
        header = struct.unpack_from("<IiiHH", data, offset)
        self.assertEqual(header, (40, 32, 64, 1, 1))  # one bit per pixel, image and mask
        colours = struct.unpack_from("<8B", data, offset + 40)
        self.assertEqual(set(colours[0:3] + colours[4:7]), {0, 255}, "black and white only")
        # Rows are stored bottom up, 4 bytes each: the image, then the transparency mask.
        image, mask = offset + 48, offset + 48 + 128

        def bit(base, x, y):
            return data[base + (31 - y) * 4 + x // 8] >> (7 - x % 8) & 1

        self.assertEqual(bit(mask, hot_x, hot_y), 0, "the hot spot is on the hand")
        self.assertEqual(bit(mask, 0, 0), 1, "the corner is transparent")
        opaque = [(x, y) for y in range(32) for x in range(32) if not bit(mask, x, y)]
        self.assertGreater(len(opaque), 100)
        self.assertTrue(any(bit(image, x, y) for x, y in opaque), "white inside")
        self.assertTrue(any(not bit(image, x, y) for x, y in opaque), "black outline")


class PictureRecipe(unittest.TestCase):
    def test_recipe_remakes_the_committed_pictures(self):
        names = ["dialog.ico", "dialog_icon.dib", "up_arrow.gif", "down_arrow.gif"]
        names += ["logo.gif", "hand.cur"]
        with tempfile.TemporaryDirectory() as out:
            subprocess.run([sys.executable, str(RESOURCES / "make_pictures.py"), out], check=True)
            self.assertEqual(sorted(os.listdir(out)), sorted(names))
            for name in names:
                with self.subTest(picture=name):
                    made = pathlib.Path(out, name).read_bytes()
                    self.assertEqual(made, (RESOURCES / name).read_bytes())


if __name__ == "__main__":
    unittest.main()
