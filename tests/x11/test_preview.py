"""The preview "/p <id>" inside a host window, and starts whose id names no window."""
import subprocess
import unittest

import xenv


class Preview(xenv.Case):
    def test_fills_follows_and_ends_with_its_host(self):
        for form in ("%d", "0x%x"):
            with self.subTest(form=form):
                host = self.host()
                preview = self.start("/p", form % host.id)
                self.assertEqual(xenv.poll(lambda: host.command("query")),
                                 ["152x112+0+0 viewable"])
                self.assertTrue(self.painted(4), "no 4 px dots")
                xenv.xdotool(self.state, "mousemove", 1150, 150, "click", 1, "key", "a",
                             "mousemove", 1200, 160)
                host.command("resize 300 200")
                self.assertTrue(xenv.poll(lambda: host.command("query") == [
                    "300x200+0+0 viewable"]))
                self.assertIsNone(preview.poll(), "input ended the preview")
                host.command("destroy")
                self.assertTrue(xenv.ended(preview, 1.5))
                self.assertEqual(preview.returncode, 0)

    def test_an_id_that_names_no_window_ends_at_once(self):
        root = subprocess.run(["xwininfo", "-root"], env=xenv.env(self.state), text=True,
                              capture_output=True).stdout.split("Window id: ")[1].split()[0]
        for argument in ("/p 0", "/p 123456789", "/p:1234", "/p", "/p 0x7fffff0", "/p " + root):
            with self.subTest(argument=argument):
                process = self.start(*argument.split(" ", 1))
                self.assertTrue(xenv.ended(process, 2))
                self.assertEqual(process.returncode, 0)
                self.assertEqual(xenv.xdotool(self.state, "search", "--name", "^Form1$"), "")


if __name__ == "__main__":
    unittest.main()
