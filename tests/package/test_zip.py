"""The Windows release: one zip holding Lumeck.scr as built and a read-me for Windows."""
import os
import subprocess
import unittest
import zipfile

BUILD = os.environ["GLIMRA_BUILD_DIR"]


class Zip(unittest.TestCase):
    def test_holds_the_built_saver_and_a_bilingual_read_me(self):
        subprocess.run(
            ["cmake", "--build", BUILD, "--target", "package"],
            check=True,
            stdout=subprocess.DEVNULL,
        )
        with zipfile.ZipFile(
            "%s/Glimra-%s-win64.zip" % (BUILD, os.environ["GLIMRA_VERSION"])
        ) as zip:
            self.assertEqual(zip.namelist(), ["Lumeck.scr", "README.txt"])
            self.assertEqual(zip.read("Lumeck.scr"), open(BUILD + "/Lumeck.scr", "rb").read())
            readme = zip.read("README.txt").decode("utf-8-sig")
        self.assertNotIn("\n", readme.replace("\r\n", ""))
        for words in ("安装", "Install", "System32"):
            self.assertIn(words, readme)


if __name__ == "__main__":
    unittest.main()
