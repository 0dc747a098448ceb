"""The resources of the built saver, read from its PE file, and the recipe of its pictures."""

import os
import pathlib
import struct
import subprocess
import sys
import tempfile
import unittest

RESOURCES = pathlib.Path(__file__).resolve().parents[2] / "resources"
MAKER = dict(line.split("=", 1) for line in (RESOURCES / "maker.txt").read_text().splitlines())

def resources(image):
    """{(type, name, language): bytes} of a PE image."""
    u = lambda form, at: struct.unpack_from(form, image, at)
    pe = u("<I", 0x3C)[0]
    count, optional_size = u("<H12xH", pe + 6)
    optional = pe + 24
    rva = u("<I", optional + (112 if u("<H", optional)[0] == 0x20B else 96) + 16)[0]
    sections = [u("<4I", optional + optional_size + 40 * i + 8) for i in range(count)]
    at = lambda r: next(r - start + raw for size, start, _, raw in sections if start <= r < start + size)
    entries = lambda d: [u("<II", at(rva) + d + 16 + 8 * i) for i in range(sum(u("<HH", at(rva) + d + 12)))]
    return {(kind, name, language): image[at(u("<I", at(rva) + leaf)[0]):][:u("<I", at(rva) + leaf + 4)[0]]
            for kind, names in entries(0) for name, languages in entries(names & 0x7FFFFFFF)
            for language, leaf in entries(languages & 0x7FFFFFFF)}

def version(block, at=0):
    """(key, value) of every node of version information, depth first."""
    length, size, is_text = struct.unpack_from("<3H", block, at)
    end = at + 6
    while block[end:end + 2] != b"\0\0":
        end += 2
    value = (end + 5) & ~3
    yield block[at + 6:end].decode("utf-16-le"), block[value:value + size * (1 + is_text)]
    child = (value + size * (1 + is_text) + 3) & ~3
    while child < at + length:
        yield from version(block, child)
        child = (child + struct.unpack_from("<H", block, child)[0] + 3) & ~3

class Resources(unittest.TestCase):
    def test_one_icon_and_the_version_in_simplified_chinese(self):
        found = resources(pathlib.Path(os.environ["GLIMRA_SCR"]).read_bytes())
        self.assertEqual(sorted(found), [(3, 30001, 0), (14, 1, 0), (16, 1, 0x804)])
        icon = (RESOURCES / "dialog.ico").read_bytes()  # one 32 x 32 image in 16 colours
        self.assertEqual(found[(14, 1, 0)], icon[:18] + struct.pack("<H", 30001))
        self.assertEqual(found[(3, 30001, 0)], icon[22:])
        info = dict(version(found[(16, 1, 0x804)]))
        fixed = struct.unpack("<13I", info.pop("VS_VERSION_INFO"))
        self.assertEqual(fixed[:6] + fixed[7:], (0xFEEF04BD, 0x10000, 0x10000, 0, 0x10000, 0, 0, 4, 1, 0, 0, 0))
        self.assertEqual(info.pop("Translation"), struct.pack("<HH", 0x0804, 0x04B0))
        self.assertEqual({k: v.decode("utf-16-le").rstrip("\0") for k, v in info.items()}, {
            "StringFileInfo": "", "080404B0": "", "VarFileInfo": "", "FileDescription": "Glimra - 屏幕保护程序",
            "ProductName": "Glimra - 屏幕保护程序", "FileVersion": "1.00", "ProductVersion": "1.00",
            "InternalName": "Lumeck", "OriginalFilename": "Lumeck.scr", "CompanyName": MAKER["name"],
            "LegalCopyright": MAKER["name"], "LegalTrademarks": MAKER["name"]})
    def test_the_recipe_remakes_the_committed_pictures(self):
        with tempfile.TemporaryDirectory() as out:
            subprocess.run([sys.executable, RESOURCES / "make_pictures.py", out], check=True)
            self.assertEqual(sorted(os.listdir(out)), ["dialog.ico", "dialog_icon.dib", "down_arrow.gif",
                                                       "hand.cur", "logo.gif", "up_arrow.gif"])
            for name in os.listdir(out):
                self.assertEqual(pathlib.Path(out, name).read_bytes(), (RESOURCES / name).read_bytes(), name)

if __name__ == "__main__":
    unittest.main()
