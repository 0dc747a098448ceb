"""The saver and its preview: black cover, round dots, the clear, real input, and the GDI and
USER objects over 10,000 ticks."""

import unittest

from harness import SAVER, SaverCase, blobs, wait_for


def lone_dots(shot, largest):
    """The sizes of the dots that touch no edge and no other dot: (width, height, pixels)."""
    dots = [(max(x for x, _ in p) - min(x for x, _ in p) + 1, max(y for _, y in p) - min(y for _, y in p) + 1,
             len(p), p) for p in blobs(shot)]
    return [d[:3] for d in dots if max(d[:2]) <= largest and all(
        0 < x < shot[0] - 1 and 0 < y < shot[1] - 1 for x, y in d[3])]


class FullScreen(SaverCase):
    def saver(self, **settings):
        self.store(**settings)
        pid = self.start("/s")
        return pid, self.window(pid, SAVER)

    def test_black_cover_then_round_dots_of_twelve_pixels(self):
        _, window = self.saver(NumberofPoint="200", speed="2000")
        # The root is white, so anything uncovered is a large blob; the first dot comes two
        # seconds after the start.
        found = blobs(self.shot())
        self.assertTrue(len(found) <= 1 and all(len(p) < 200 for p in found), "a black cover")
        self.driver("ticks", window["hwnd"], 40)
        dots = lone_dots(self.shot(), 13)
        self.assertGreaterEqual(len(dots), 3)
        for width, height, area in dots:
            self.assertTrue(11 <= min(width, height) and 0.65 < area / width / height < 0.9, dots)
        self.driver("ticks", window["hwnd"], 0, "redraw")
        self.assertLessEqual(len(blobs(self.shot())), 1, "a repaint shows the background")

    def test_never_more_than_pointlimit_dots_and_one_after_the_clear(self):
        self.saver(NumberofPoint="10", speed="100")
        counts = []

        def lone_dot_after_more():
            counts.append(len(blobs(self.shot())))
            self.assertLessEqual(counts[-1], 10, counts)
            return counts[-1] == 1 and max(counts) > 1
        wait_for(lone_dot_after_more, timeout=120, message="a lone dot after a clear")

    def test_ten_thousand_ticks_leak_no_gdi_or_user_objects(self):
        pid, window = self.saver(speed="2000")
        self.driver("ticks", window["hwnd"], 200)
        before = self.driver("gui", pid)
        self.driver("ticks", window["hwnd"], 10000)
        after = self.driver("gui", pid)
        print("GDI and USER objects before and after 10,000 ticks:", before, after)
        self.assertTrue(after["gdi"] <= before["gdi"] and after["user"] <= before["user"])


class Input(SaverCase):
    def saver(self):
        self.x("mousemove", 300, 300)
        pid = self.start("/s")
        window = self.window(pid, SAVER)
        wait_for(lambda: self.driver("tree", pid)[-1]["active"] == window["hwnd"], message="focus")
        return pid

    def test_characters_and_clicks_close_it_other_keys_do_not(self):
        for action in ("a", "7", "space", "Return", "Escape", "Left", "F5", "Shift_L", "Control_L",
                       "click 1", "click 3"):
            with self.subTest(action=action):
                pid = self.saver()
                self.assertEqual(self.driver("tree", pid)[-1]["cursor"][1], 0, "a hidden cursor")
                self.x(*action.split()) if " " in action else self.x("key", action)
                if action in ("Left", "F5", "Shift_L", "Control_L"):
                    self.assertFalse(self.driver("wait", pid, 1500)["exited"])
                    self.x("key", "a")  # the keyboard did reach it
                self.assertIn(self.exit_code(pid), (0, None))
        wait_for(lambda: self.driver("tree", 1)[-1]["cursor"][1], message="the cursor back")

    def test_the_first_move_only_records_and_a_new_position_closes(self):
        pid = self.saver()
        self.x("mousemove", 300, 300)  # where the window appeared under the pointer
        self.assertFalse(self.driver("wait", pid, 1500)["exited"])
        self.x("mousemove", 420, 360)
        self.assertIn(self.exit_code(pid), (0, None))


class Preview(SaverCase):
    def preview(self, high=False, **settings):
        self.store(**settings)
        host = self.host(high)
        # In place: while it attaches it can show at full-screen size.
        return host, wait_for(lambda: next((w for w in self.windows(host["pid"]) if w["class"] == SAVER and w[
            "parent"] == host["host"] and w["shown"][0] and w["client"][2:] == [152, 112]), None))

    def test_a_child_that_fills_the_host_ignores_input_and_ends_with_it(self):
        host, child = self.preview()
        self.assertTrue(child["style"][0] & 0x40000000, "WS_CHILD")
        self.assertEqual([w for w in self.windows(host["pid"]) if not w["parent"]], [])
        self.assertNotEqual(self.driver("tree", host["pid"])[-1]["active"], child["hwnd"])
        left, top = child["client"][:2]
        for action in (["mousemove", left + 40, top + 40], ["mousemove", left + 90, top + 70],
                       ["click", 1], ["key", "a", "Escape", "Return"]):
            self.x(*action)
        self.assertFalse(self.driver("wait", host["pid"], 2000)["exited"], "input changes nothing")
        self.driver("msg", "post", host["host"], 0x10, 0, 0)  # WM_CLOSE
        self.assertEqual(host["next"]()["exited"], 1)

    def test_dots_four_pixels_across(self):
        _, child = self.preview(NumberofPoint="200", speed="100")
        # Wine shows no pixels of a child in another process's window: move it out first.
        self.driver("detach", child["hwnd"], 600, 400)
        dots = wait_for(lambda: (lambda d: len(d) >= 3 and d)(lone_dots(self.shot(600, 400, 752, 512), 5)))
        self.assertTrue(all(3 <= w <= 5 and 3 <= h <= 5 for w, h, _ in dots), dots)

    def test_a_handle_past_two_to_the_31_hosts_the_preview(self):
        host, _ = self.preview(high=True)
        self.assertGreaterEqual(int(host["handle"]), 2 ** 31)


if __name__ == "__main__":
    unittest.main()
