"""Which window each argument text brings up, the starts that must end at once (beside a running
instance, or with a handle that names no host), and the resources of the file."""

import os
import re
import unittest

from glimratest import product
from harness import BOX, DIALOG, SAVER, SaverCase, run


class Modes(SaverCase):
    def test_each_mode_shows_its_one_window(self):
        for argtext, shown, caption in (
            ("/S", SAVER, "Form1"),
            ("", DIALOG, "配置"),
            ("/v", BOX, "声明"),
        ):
            with self.subTest(argtext=argtext):
                self.end_all()  # the one before, even if it failed
                pid = self.start(argtext)
                window = self.window(pid, shown)
                top_level = [w["class"] for w in self.windows(pid) if not w["parent"]]
                self.assertEqual(top_level, [shown])
                self.assertEqual(window["text"], caption)
                if shown == SAVER:
                    style, extended_style = window["style"]
                    self.assertEqual(window["rect"], [0, 0, 1024, 768])
                    self.assertEqual(style & 0x80C40000, 0x80000000, "WS_POPUP alone")
                    self.assertEqual(extended_style & 8, 8, "WS_EX_TOPMOST")

    def test_starts_beside_a_running_saver_and_handles_of_no_host_end_at_once(self):
        # 65568 is Wine's desktop window; 1234 names no window.
        for argtext in ("/p", "/p 1234", "/p 65568", "/s", "", "/v"):
            with self.subTest(argtext=argtext):
                if argtext == "/s":  # the lock is free again: a saver takes it
                    self.window(self.start("/s"), SAVER)
                answer = self.start(argtext, 10000)
                self.assertEqual(answer["exited"], 1, "ended")
                self.assertLess(answer["code"], 0x80000000, "did not crash")

    def test_one_icon_and_the_version_in_simplified_chinese(self):
        rc = run([os.environ["GLIMRA_WINDRES"], "-i", os.environ["GLIMRA_SCR"], "-O", "rc"])
        rc = re.sub(r"\\x([0-9a-f]{4})", lambda m: chr(int(m[1], 16)), rc)
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
