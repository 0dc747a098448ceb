"""The statement box, the starts that must end at once (with a handle that names no host, or
beside a running instance), and the resources of the file."""

import os
import re
import unittest

from glimratest import product
from glimratest.processes import run
from glimratest.wine import BOX, SaverCase


class Modes(SaverCase):
    def assert_ends_at_once(self, argtext):
        with self.subTest(argtext=argtext):
            self.assertEqual(self.start(argtext).exit_code(), 0)

    def test_previews_of_no_host_end_and_beside_the_statement_box_every_start_ends(self):
        # 65568 is Wine's desktop window; 1234 names no window.
        for argtext in ("/p", "/p 1234", "/p 65568"):
            self.assert_ends_at_once(argtext)
        pid = self.start("/v").pid
        box = self.window(pid, BOX)
        self.assertEqual([w["class"] for w in self.windows(pid) if not w["parent"]], [BOX])
        self.assertEqual(box["text"], "声明")
        for argtext in ("/s", "", "/v"):
            self.assert_ends_at_once(argtext)

    def test_one_icon_and_the_version_in_simplified_chinese(self):
        rc = run([os.environ["GLIMRA_WINDRES"], "-i", os.environ["GLIMRA_SCR"], "-O", "rc"])
        rc = re.sub(r"\\x([0-9a-f]{4})", lambda escape: chr(int(escape[1], 16)), rc)
        self.assertEqual(re.findall(r"^(\d+ \S+)", rc, re.M), ["30001 3", "1 14", "1 VERSIONINFO"])
        version = rc.split("LANGUAGE 4, 2")[1]  # Chinese, simplified
        values = dict(re.findall(r'VALUE "(\w+)", L?"?([^"\n]*)', version))
        for name, want in {
            "FileDescription": "Glimra - 屏幕保护程序",
            "FileVersion": "1.00",
            "OriginalFilename": "Lumeck.scr",
            "CompanyName": product.maker()["name"],
            "Translation": "0x804, 1200",
        }.items():
            self.assertEqual(values.get(name), want, name)


if __name__ == "__main__":
    unittest.main()
