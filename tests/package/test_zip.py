"""The Windows release: one zip holding Lumeck.scr as built and a read-me for Windows."""

import os
import unittest
import zipfile

from glimratest.processes import run

BUILD = os.environ["GLIMRA_BUILD_DIR"]


class Zip(unittest.TestCase):
    def test_holds_the_built_saver_and_a_bilingual_read_me(self):
        run(["cmake", "--build", BUILD, "--target", "package"])
        with zipfile.ZipFile(f"{BUILD}/Glimra-{os.environ['GLIMRA_VERSION']}-win64.zip") as zip:
            self.assertEqual(zip.namelist(), ["Lumeck.scr", "README.txt"])
            with open(BUILD + "/Lumeck.scr", "rb") as built:
                self.assertEqual(zip.read("Lumeck.scr"), built.read(), "Lumeck.scr")
            readme = zip.read("README.txt").decode("utf-8-sig")
        for words in ("安装", "Install", "System32"):
            self.assertIn(words, readme)


if __name__ == "__main__":
    unittest.main()
