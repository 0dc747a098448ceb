"""The preview "/p <id>" inside a host window, and starts whose id names no window."""
import subprocess
import unittest

import xenv


class Preview(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.state = xenv.load_state()
        xenv.write_settings(cls.state, 30, 100)

    def host(self, width, height):
        host = xenv.Host(self.state, width, height)
        self.addCleanup(host.close)
        return host

    def test_fills_follows_and_ends_with_its_host(self):
        for form in ("%d", "0x%x"):
            with self.subTest(form=form):
                host = self.host(152, 112)
                preview = xenv.start(self.state, "/p", form % host.id)
                self.addCleanup(lambda: preview.poll() is None and preview.kill())
                self.assertEqual(xenv.poll(lambda: host.command("query")),
                                 ["152x112+0+0 viewable"])
                shot = xenv.poll(lambda: len(xenv.round_dots(xenv.dots(
                    xenv.screenshot(self.state["display"]), (1100, 100, 152, 112)), 4)) >= 3)
                self.assertTrue(shot, "no 4 px dots in the host")
                xenv.xdotool(self.state, "mousemove", 1150, 150, "click", 1, "key", "a")
                xenv.xdotool(self.state, "mousemove", 1200, 160)
                self.assertEqual(host.command("resize 300 200"), [])
                self.assertEqual(xenv.poll(lambda: host.command("query") == [
                    "300x200+0+0 viewable"]), True)
                self.assertIsNone(preview.poll(), "input ended the preview")
                host.command("destroy")
                self.assertTrue(xenv.ended(preview, 1.5))
                self.assertEqual(preview.returncode, 0)

    def test_an_id_that_names_no_window_ends_at_once(self):
        root = subprocess.run(["xwininfo", "-root"], env=xenv.env(self.state), text=True,
                              capture_output=True).stdout.split("Window id: ")[1].split()[0]
        for argument in ("/p 0", "/p 123456789", "/p:1234", "/p", "/p 0x7fffff0", "/p " + root):
            with self.subTest(argument=argument):
                process = xenv.start(self.state, *argument.split(" ", 1))
                self.assertTrue(xenv.ended(process, 2))
                self.assertEqual(process.returncode, 0)
                self.assertEqual(xenv.xdotool(self.state, "search", "--name", "^Form1$"), "")


if __name__ == "__main__":
    unittest.main()
