"""The saver and its preview: one topmost black cover, round dots, real input."""

import unittest

from glimratest import pictures
from glimratest.waiting import wait_for
from glimratest.wine import SAVER, SCREEN, WINE_SCR, SaverCase


def lone_dots(blobs):
    return [blob for blob in blobs if blob.inside(SCREEN) and max(blob.width, blob.height) <= 19]


class Saver(SaverCase):
    def test_one_topmost_black_cover_and_round_dots_of_12_pixels_at_96_dpi_so_18_at_144(self):
        self.set_dpi(144)
        pid = self.start("/s").pid
        window = self.window(pid, SAVER)
        self.assertEqual([w["class"] for w in self.windows(pid) if not w["parent"]], [SAVER])
        self.assertEqual(window["rect"], SCREEN)
        style, extended_style = window["style"]
        self.assertEqual(style & 0x80C40000, 0x80000000, "WS_POPUP alone")
        self.assertEqual(extended_style & 8, 8, "WS_EX_TOPMOST")
        shown = lambda: pictures.blobs(self.env)  # noqa: E731
        blobs = wait_for(shown, "three dots", done=lambda blobs: len(lone_dots(blobs)) >= 3)
        # The root is white: what is left uncovered is larger than a few dots side by side.
        self.assertEqual([blob for blob in blobs if blob.pixels > 1000], [], "a black cover")
        for dot in lone_dots(blobs):
            self.assertGreaterEqual(min(dot.width, dot.height), 18, dot)
            self.assertTrue(0.65 < dot.pixels / dot.width / dot.height < 0.9, f"round: {dot}")

    def test_a_character_a_click_and_a_real_move_close_it_other_keys_and_no_move_do_not(self):
        for harmless, closing in (
            (["key", "F5"], ["key", "a"]),
            (["key", "shift"], ["click", "1"]),
            (["mousemove", "300", "300"], ["mousemove", "420", "360"]),
        ):
            with self.subTest(closing=closing):
                self.end_all()  # the one before, even if it failed
                self.xdotool("mousemove", 300, 300)
                saver = self.start("/s")
                window = self.window(saver.pid, SAVER)
                self.wait_for_keyboard(saver.pid, window, "Form1")
                self.assertEqual(self.gui_state(saver.pid)["cursor"], 0, "a hidden cursor")
                self.xdotool(*harmless)
                screen = lambda: pictures.shot(self.env)  # noqa: E731
                self.assertTrue(pictures.runs_after_two_draws(saver.running, screen), harmless)
                self.xdotool(*closing)
                self.assertEqual(saver.exit_code(), 0)

    def test_the_preview_fills_its_host_ignores_input_and_ends_with_it(self):
        host = self.watch("host", 152, 112, WINE_SCR)  # a preview host running the saver
        host_window = host.first["host"]

        def preview():  # while it attaches it can show at full-screen size
            for window in self.windows(host.pid):
                if window["parent"] == host_window and window["client"][2:] == [152, 112]:
                    return window if window["shown"] and window["class"] == SAVER else None

        child = wait_for(preview, "the preview in its host")
        self.assertEqual([w for w in self.windows(host.pid) if not w["parent"]], [])
        self.assertNotEqual(self.gui_state(host.pid)["active"], child["hwnd"])
        left, top = child["client"][:2]
        self.xdotool("mousemove", left + 40, top + 40, "mousemove", left + 90, top + 70)
        self.xdotool("click", 1, "key", "a", "Escape", "Return")
        for _ in range(2):  # by the second paint it has handled the input
            self.driver("painted", child["hwnd"])
        self.assertTrue(host.running(), "input ended it")
        self.driver("close", host_window)
        self.assertEqual(host.exit_code(), 0, "ended with its host")


if __name__ == "__main__":
    unittest.main()
