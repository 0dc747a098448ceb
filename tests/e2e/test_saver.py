"""The saver and its preview: black cover, round dots, the clear, real input, and the GDI and USER
objects over 10,000 ticks."""

import unittest

from glimratest import pictures
from glimratest.waiting import wait_for
from harness import SAVER, SCREEN, WM_CLOSE, SaverCase


def lone_dots(blobs, rect, largest):
    """The dots inside rect that touch no edge and no other dot."""
    return [blob for blob in blobs if max(blob.width, blob.height) <= largest and blob.inside(rect)]


class Saver(SaverCase):
    def saver(self, **settings):
        self.store(**settings)
        pid = self.start("/s")
        return pid, self.window(pid, SAVER)

    def test_black_cover_round_dots_of_twelve_pixels_and_a_black_repaint(self):
        _, window = self.saver(NumberofPoint="200", speed="2000")
        # The root is white: anything uncovered is a large blob. The first dot comes after 2 s.
        uncovered = [blob for blob in self.blobs() if blob.pixels >= 200]
        self.assertEqual(uncovered, [], "a black cover")
        self.driver("ticks", window["hwnd"], 40)
        dots = lone_dots(self.blobs(), SCREEN, 13)
        self.assertGreaterEqual(len(dots), 3, dots)
        for dot in dots:
            self.assertGreaterEqual(min(dot.width, dot.height), 12, dot)
            self.assertTrue(0.65 < dot.pixels / dot.width / dot.height < 0.9, f"round: {dot}")
        self.driver("ticks", window["hwnd"], 0, "redraw")
        self.assertLessEqual(len(self.blobs()), 1, "a repaint shows the background")

    def test_never_more_than_pointlimit_dots_and_one_after_the_clear(self):
        self.saver(NumberofPoint="10", speed="100")
        counts = []

        def lone_dot_after_more():
            counts.append(len(self.blobs()))
            self.assertLessEqual(counts[-1], 10, counts)
            return counts[-1] == 1 and max(counts) > 1

        wait_for(lone_dot_after_more, "a lone dot after a clear", 120)

    def test_ten_thousand_ticks_leak_no_gdi_or_user_objects(self):
        pid, window = self.saver(speed="2000")
        self.driver("ticks", window["hwnd"], 200)
        before = self.driver("gui", pid)
        self.driver("ticks", window["hwnd"], 10000)
        after = self.driver("gui", pid)
        print("GDI and USER objects before and after 10,000 ticks:", before, after)
        self.assertLessEqual(after["gdi"], before["gdi"], "GDI objects")
        self.assertLessEqual(after["user"], before["user"], "USER objects")

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
        shown = lambda: self.gui_state(1)["cursor"][1]  # noqa: E731
        wait_for(shown, "the cursor back")

    def test_the_preview_fills_its_host_ignores_input_ends_with_it_and_paints_small_dots(self):
        self.store(NumberofPoint="200", speed="100")
        for high in (False, True):
            host = self.host(high)
            child = wait_for(lambda: self.preview_in(host), "the preview in its host")
            self.assertEqual(int(host["handle"]) >= 2**31, high, "the handle's bit 31")
            self.assertEqual(child["style"][0] & 0x40000000, 0x40000000, "WS_CHILD")
            if high:
                break
            self.assertEqual([w for w in self.windows(host["pid"]) if not w["parent"]], [])
            self.assertNotEqual(self.gui_state(host["pid"])["active"], child["hwnd"])
            left, top = child["client"][:2]
            self.xdotool("mousemove", left + 40, top + 40, "mousemove", left + 90, top + 70)
            self.xdotool("click", 1, "key", "a", "Escape", "Return")
            self.assertEqual(self.driver("wait", host["pid"], 2000)["exited"], 0, "input ended it")
            self.driver("msg", "post", host["host"], WM_CLOSE, 0, 0)
            self.assertEqual(host["next"]()["exited"], 1, "ended with its host")
        # Wine shows no pixels of a child in another process's window: move it out first.
        self.driver("detach", child["hwnd"], 600, 400)
        preview = pictures.Rect(600, 400, 752, 512)
        inside = pictures.Rect(0, 0, 152, 112)
        in_preview = lambda: lone_dots(self.blobs(preview), inside, 5)  # noqa: E731
        dots = wait_for(lambda: len(found := in_preview()) >= 3 and found, "three dots in it")
        for dot in dots:
            self.assertTrue(3 <= dot.width <= 5 and 3 <= dot.height <= 5, dot)

    def preview_in(self, host):
        """The saver's window inside the host, once in place: while it attaches it can show at
        full-screen size."""
        for window in self.windows(host["pid"]):
            if window["class"] == SAVER and window["parent"] == host["host"]:
                if window["shown"][0] and window["client"][2:] == [152, 112]:
                    return window
        return None


if __name__ == "__main__":
    unittest.main()
