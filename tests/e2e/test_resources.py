"""The resources of the built saver, as windres reads them back from the file, and the recipe of
its pictures."""

import os
import pathlib
import re
import struct
import sys
import tempfile
import unittest

from glimratest import product
from glimratest.processes import run

RESOURCES = product.ROOT / "resources"
MAKER = product.maker()
KINDS = (".ico", ".dib", ".gif", ".cur")  # what the recipe makes


class Resources(unittest.TestCase):
    def test_one_icon_and_the_version_in_simplified_chinese(self):
        rc = run([os.environ["GLIMRA_WINDRES"], "-i", os.environ["GLIMRA_SCR"], "-O", "rc"])
        rc = re.sub(r"\\x([0-9a-f]{4})", lambda m: chr(int(m[1], 16)), rc)
        self.assertEqual(re.findall(r"/\* Type: (.*)", rc), ["icon", "group icon", "version"])
        self.assertEqual(re.findall(r"^(\d+ \S+)", rc, re.M), ["30001 3", "1 14", "1 VERSIONINFO"])
        words = re.findall(r"0x([0-9a-f]+)L", rc.split("/* Type: group icon")[0])
        self.assertEqual(
            b"".join(struct.pack("<I", int(w, 16)) for w in words),
            (RESOURCES / "dialog.ico").read_bytes()[22:],
        )  # one 32 x 32 image, 16 colours
        self.assertIn('"\\040\\040\\020\\000", 1, 4, 0x2e8L, 30001', rc)
        version = rc.split("LANGUAGE 4, 2")[1]  # Chinese, simplified
        self.assertEqual(
            re.findall(r"^ (\w+) (.*)", version, re.M),
            [
                ("FILEVERSION", "1, 0, 0, 0"),
                ("PRODUCTVERSION", "1, 0, 0, 0"),
                ("FILEFLAGSMASK", "0x3f"),
                ("FILEOS", "0x4"),
                ("FILETYPE", "0x1"),
            ],
        )
        self.assertEqual(
            dict(re.findall(r'VALUE "(\w+)", L?"?([^"\n]*)', version)),
            {
                "FileDescription": "Glimra - 屏幕保护程序",
                "ProductName": "Glimra - 屏幕保护程序",
                "FileVersion": "1.00",
                "ProductVersion": "1.00",
                "InternalName": "Lumeck",
                "OriginalFilename": "Lumeck.scr",
                "CompanyName": MAKER["name"],
                "LegalCopyright": MAKER["name"],
                "LegalTrademarks": MAKER["name"],
                "Translation": "0x804, 1200",
            },
        )

    def test_the_recipe_remakes_the_committed_pictures_and_the_hand_points_with_a_fingertip(self):
        # One 32 x 32 cursor in 2 colours, hot spot at 6, 0.
        hand = (RESOURCES / "hand.cur").read_bytes()
        self.assertEqual(struct.unpack_from("<3H4B2H", hand), (0, 2, 1, 32, 32, 2, 0, 6, 0))
        pictures = sorted(path.name for path in RESOURCES.glob("*.*") if path.suffix in KINDS)
        with tempfile.TemporaryDirectory() as out:
            run([sys.executable, RESOURCES / "make_pictures.py", out])
            self.assertEqual(sorted(os.listdir(out)), pictures)
            for name in pictures:
                made = pathlib.Path(out, name).read_bytes()
                self.assertEqual(made, (RESOURCES / name).read_bytes(), name)


if __name__ == "__main__":
    unittest.main()
