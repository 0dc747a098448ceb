"""The saver and its preview: black cover, round dots, the clear, real input, and the GDI and USER
objects over 10,000 ticks."""

import unittest

from harness import SAVER, SaverCase, wait_for


def lone(blobs, rect, largest):
    """(width, height, pixels) of the dots in a rectangle that touch no edge and no other dot."""
    return [(w, h, n) for x, y, w, h, n in blobs if max(w, h) <= largest and x > rect[0] and y > rect[1]
            and x + w < rect[2] and y + h < rect[3]]


class Saver(SaverCase):
    def saver(self, **settings):
        self.store(**settings)
        return (pid := self.start("/s")), self.window(pid, SAVER)

    def test_black_cover_round_dots_of_twelve_pixels_and_a_black_repaint(self):
        _, window = self.saver(NumberofPoint="200", speed="2000")
        # The root is white: anything uncovered is a large blob. The first dot comes after 2 s.
        self.assertTrue(len(b := self.blobs()) <= 1 and all(n < 200 for *_, n in b), "a black cover")
        self.driver("ticks", window["hwnd"], 40)
        dots = lone(self.blobs(), (0, 0, 1024, 768), 13)
        self.assertTrue(len(dots) >= 3 and all(min(w, h) >= 12 and 0.65 < n / w / h < 0.9 for w, h, n in dots), dots)
        self.driver("ticks", window["hwnd"], 0, "redraw")
        self.assertLessEqual(len(self.blobs()), 1, "a repaint shows the background")

    def test_never_more_than_pointlimit_dots_and_one_after_the_clear(self):
        self.saver(NumberofPoint="10", speed="100")
        counts = []
        def lone_dot_after_more():
            counts.append(len(self.blobs()))
            self.assertLessEqual(counts[-1], 10, counts)
            return counts[-1] == 1 and max(counts) > 1
        wait_for(lone_dot_after_more, 120, "a lone dot after a clear")

    def test_ten_thousand_ticks_leak_no_gdi_or_user_objects(self):
        pid, window = self.saver(speed="2000")
        self.driver("ticks", window["hwnd"], 200)
        before = self.driver("gui", pid)
        self.driver("ticks", window["hwnd"], 10000)
        after = self.driver("gui", pid)
        print("GDI and USER objects before and after 10,000 ticks:", before, after)
        self.assertTrue(after["gdi"] <= before["gdi"] and after["user"] <= before["user"])

    def test_characters_clicks_and_a_real_move_close_it_other_keys_do_not(self):
        for action in ("a", "7", "space", "Return", "Escape", "Left", "F5", "Shift_L", "Control_L", "click 1",
                       "click 3", "mousemove 300 300"):
            with self.subTest(action=action):
                [self.driver("wait", pid, "kill") for pid in self.pids]  # the one before, even if it failed
                self.x("mousemove", 300, 300)
                pid, window = self.saver()
                wait_for(lambda: self.driver("tree", pid)[-1]["active"] == window["hwnd"], message="focus")
                self.assertEqual(self.driver("tree", pid)[-1]["cursor"][1], 0, "a hidden cursor")
                self.x(*action.split()) if " " in action else self.x("key", action)
                if action in ("Left", "F5", "Shift_L", "Control_L", "mousemove 300 300"):
                    self.assertFalse(self.driver("wait", pid, 1500)["exited"])
                    self.x("mousemove", 420, 360) if "move" in action else self.x("key", "a")
                self.assertIn(self.exit_code(pid), (0, None))
        wait_for(lambda: self.driver("tree", 1)[-1]["cursor"][1], message="the cursor back")

    def test_the_preview_fills_its_host_ignores_input_ends_with_it_and_paints_small_dots(self):
        self.store(NumberofPoint="200", speed="100")
        for high in (False, True):
            host = self.host(high)
            # In place: while it attaches it can show at full-screen size.
            child = wait_for(lambda: next((w for w in self.windows(host["pid"]) if w["class"] == SAVER and w[
                "parent"] == host["host"] and w["shown"][0] and w["client"][2:] == [152, 112]), None))
            self.assertEqual((int(host["handle"]) >= 2 ** 31, child["style"][0] & 0x40000000), (high, 0x40000000))
            if high:
                break
            self.assertEqual([w for w in self.windows(host["pid"]) if not w["parent"]], [])
            self.assertNotEqual(self.driver("tree", host["pid"])[-1]["active"], child["hwnd"])
            left, top = child["client"][:2]
            for action in (["mousemove", left + 40, top + 40], ["mousemove", left + 90, top + 70], ["click", 1],
                           ["key", "a", "Escape", "Return"]):
                self.x(*action)
            self.assertFalse(self.driver("wait", host["pid"], 2000)["exited"], "input changes nothing")
            self.driver("msg", "post", host["host"], 0x10, 0, 0)  # WM_CLOSE
            self.assertEqual(host["next"]()["exited"], 1)
        # Wine shows no pixels of a child in another process's window: move it out first.
        self.driver("detach", child["hwnd"], 600, 400)
        in_preview = lambda: lone(self.blobs((600, 400, 752, 512)), (0, 0, 152, 112), 5)
        dots = wait_for(lambda: len(found := in_preview()) >= 3 and found, message="three dots in the preview")
        self.assertTrue(all(3 <= w <= 5 and 3 <= h <= 5 for w, h, _ in dots), dots)

if __name__ == "__main__":
    unittest.main()
