"""The saver and its preview: black cover, round dots, real input."""

import unittest

from glimratest import pictures
from glimratest.waiting import wait_for
from harness import SAVER, SCREEN, WM_CLOSE, SaverCase


class Saver(SaverCase):
    def saver(self, **settings):
        self.store(**settings)
        pid = self.start("/s")
        return pid, self.window(pid, SAVER)

    def test_black_cover_and_round_dots_of_twelve_pixels_at_96_dpi_so_18_at_144(self):
        self.set_dpi(144)
        _, window = self.saver(NumberofPoint="200", speed="2000")
        # The root is white: anything uncovered is a large blob. The first dot comes after 2 s.
        uncovered = [blob for blob in pictures.blobs(self.env) if blob.pixels >= 200]
        self.assertEqual(uncovered, [], "a black cover")
        self.driver("ticks", window["hwnd"], 40)
        dots = [blob for blob in pictures.blobs(self.env) if blob.inside(SCREEN)]
        dots = [dot for dot in dots if max(dot.width, dot.height) <= 19]  # touching no other
        self.assertGreaterEqual(len(dots), 3, dots)
        for dot in dots:
            self.assertGreaterEqual(min(dot.width, dot.height), 18, dot)
            self.assertTrue(0.65 < dot.pixels / dot.width / dot.height < 0.9, f"round: {dot}")

    def test_a_character_a_click_and_a_real_move_close_it_other_keys_and_no_move_do_not(self):
        # Each action that must not close it is followed by one that must.
        for action, then in (
            (["key", "a"], None),
            (["click", "1"], None),
            (["key", "F5"], ["key", "a"]),
            (["mousemove", "300", "300"], ["mousemove", "420", "360"]),
        ):
            with self.subTest(action=action):
                self.end_all()  # the one before, even if it failed
                self.xdotool("mousemove", 300, 300)
                pid, window = self.saver()
                self.wait_for_keyboard(pid, window, "Form1")
                self.assertEqual(self.gui_state(pid)["cursor"][1], 0, "a hidden cursor")
                self.xdotool(*action)
                if then:
                    self.assertEqual(self.driver("wait", pid, 1500)["exited"], 0, "closed")
                    self.xdotool(*then)
                self.assertIn(self.exit_code(pid), (0, None))

    def test_the_preview_fills_its_host_ignores_input_and_ends_with_it(self):
        host = self.host()

        def preview():  # while it attaches it can show at full-screen size
            for window in self.windows(host["pid"]):
                if window["parent"] == host["host"] and window["client"][2:] == [152, 112]:
                    return window if window["shown"][0] and window["class"] == SAVER else None

        child = wait_for(preview, "the preview in its host")
        self.assertEqual([w for w in self.windows(host["pid"]) if not w["parent"]], [])
        self.assertNotEqual(self.gui_state(host["pid"])["active"], child["hwnd"])
        left, top = child["client"][:2]
        self.xdotool("mousemove", left + 40, top + 40, "mousemove", left + 90, top + 70)
        self.xdotool("click", 1, "key", "a", "Escape", "Return")
        self.assertEqual(self.driver("wait", host["pid"], 2000)["exited"], 0, "input ended it")
        self.driver("msg", "post", host["host"], WM_CLOSE, 0, 0)
        self.assertIn(self.exit_code(host["pid"]), (0, None), "ended with its host")


if __name__ == "__main__":
    unittest.main()
