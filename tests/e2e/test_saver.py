"""The full-screen saver, end to end: its window, its dots and the input that ends it."""

import unittest

import harness
from harness import SAVER_CLASS, SaverTestCase, wait_for

SCREEN = (1024, 768)
BLACK = (0, 0, 0)


def blobs(image):
    """The non-black areas of a picture (8-connected), each as its list of pixels."""
    width, height, data = image.width, image.height, image.data
    seen = bytearray(width * height)
    found = []
    for start in range(width * height):
        if seen[start] or data[start * 3:start * 3 + 3] == b"\0\0\0":
            continue
        seen[start] = 1
        stack, pixels = [start], []
        while stack:
            at = stack.pop()
            pixels.append((at % width, at // width))
            x, y = at % width, at // width
            for dy in (-1, 0, 1):
                for dx in (-1, 0, 1):
                    nx, ny = x + dx, y + dy
                    if 0 <= nx < width and 0 <= ny < height:
                        near = ny * width + nx
                        if not seen[near] and data[near * 3:near * 3 + 3] != b"\0\0\0":
                            seen[near] = 1
                            stack.append(near)
        found.append(pixels)
    return found


def box(pixels):
    xs = [x for x, _ in pixels]
    ys = [y for _, y in pixels]
    return min(xs), min(ys), max(xs) + 1, max(ys) + 1


class FullScreenTest(SaverTestCase):
    def start_saver(self, **settings):
        self.store(**settings)
        pid = self.start("/s")
        window = self.wait_window(pid, SAVER_CLASS)
        return pid, window

    def test_window_covers_the_screen_black_and_topmost(self):
        pid, window = self.start_saver(speed="2000")
        left, top, right, bottom = window["rect"]
        self.assertEqual((left, top, right - left, bottom - top), (0, 0) + SCREEN)
        self.assertEqual(window["text"], "Form1")
        self.assertTrue(window["style"] & harness.WS_POPUP)
        self.assertFalse(window["style"] & (harness.WS_CAPTION | harness.WS_THICKFRAME))
        self.assertTrue(window["topmost"])
        # The root window is white: any pixel the saver fails to cover shows. The first dot
        # comes two seconds after the load, so at most one dot may already be there.
        shot = self.saver.screenshot()
        self.assertEqual(shot.count((255, 255, 255)), 0)
        self.assertLessEqual(len(blobs(shot)), 1)

    def test_dots_are_round_and_twelve_pixels_across(self):
        self.start_saver(NumberofPoint="200", speed="100")
        shot = wait_for(lambda: self._shot_with_blobs(8), timeout=30, message="eight dots")
        # Dots that overlap or touch an edge are not whole; the lone ones inside are.
        lone = [pixels for pixels in blobs(shot) if self._inside(box(pixels))]
        whole = [pixels for pixels in lone if self._size(pixels) <= (13, 13)]
        self.assertGreaterEqual(len(whole), 3)
        for pixels in whole:
            width, height = self._size(pixels)
            self.assertIn(width, range(11, 14), box(pixels))
            self.assertIn(height, range(11, 14), box(pixels))
            # A disc fills about pi/4 of its box; a square would fill all of it.
            self.assertLess(len(pixels) / (width * height), 0.9)
            self.assertGreater(len(pixels) / (width * height), 0.65)
            self.assertEqual(len({shot.pixel(x, y) for x, y in pixels}), 1, "one solid colour")

    def test_never_more_than_pointlimit_dots_and_one_after_a_clear(self):
        self.start_saver(NumberofPoint="10", speed="100")
        counts = []

        def single_dot_seen():
            counts.append(len(blobs(self.saver.screenshot())))
            self.assertLessEqual(counts[-1], 10, counts)
            return counts[-1] == 1 and max(counts) > 1

        wait_for(single_dot_seen, timeout=120, interval=0.05, message="a lone dot after a clear")

    def test_a_repaint_shows_only_the_background(self):
        pid, window = self.start_saver(NumberofPoint="200", speed="2000")
        self.driver.post_timer(window["hwnd"], 30)  # thirty ticks at once
        self.assertGreaterEqual(len(blobs(self.saver.screenshot())), 20)
        self.driver.redraw(window["hwnd"])
        self.assertLessEqual(len(blobs(self.saver.screenshot())), 1)

    def test_the_cursor_is_hidden_while_it_runs_and_shown_after(self):
        pid, window = self.start_saver(speed="2000")
        wait_for(lambda: not self.driver.cursor()["shown"], timeout=10, message="no cursor")
        self.saver.xdotool("key", "a")
        self.wait_exit(pid)
        wait_for(lambda: self.driver.cursor()["shown"], timeout=10, message="the cursor back")

    def _shot_with_blobs(self, count):
        shot = self.saver.screenshot()
        return shot if len(blobs(shot)) >= count else None

    @staticmethod
    def _inside(rect):
        left, top, right, bottom = rect
        return left > 0 and top > 0 and right < SCREEN[0] and bottom < SCREEN[1]

    @staticmethod
    def _size(pixels):
        left, top, right, bottom = box(pixels)
        return right - left, bottom - top


class InputTest(SaverTestCase):
    """Each case in a fresh run, with real input from xdotool."""

    def start_saver(self):
        self.saver.xdotool("mousemove", 300, 300)
        pid = self.start("/s")
        window = self.wait_window(pid, SAVER_CLASS)
        wait_for(lambda: self.driver.focus(pid).get("active") == window["hwnd"], timeout=20,
                 message="the saver to be active")
        return pid

    def assert_closes(self, pid):
        self.assertIn(self.wait_exit(pid), (0, None))
        self.assertFalse(self.running_savers())

    def assert_stays(self, pid):
        self.assertFalse(self.driver.wait(pid, 1500)["exited"])

    def test_character_keys_close_it(self):
        for key in ("a", "7", "space", "Return", "Escape"):
            with self.subTest(key=key):
                pid = self.start_saver()
                self.saver.xdotool("key", key)
                self.assert_closes(pid)

    def test_keys_without_a_character_leave_it(self):
        for key in ("Left", "F5", "Shift_L", "Control_L"):
            with self.subTest(key=key):
                pid = self.start_saver()
                self.saver.xdotool("key", key)
                self.assert_stays(pid)
                self.saver.xdotool("key", "a")  # the keyboard did reach it
                self.assert_closes(pid)

    def test_a_click_closes_it(self):
        for button in (1, 3):
            with self.subTest(button=button):
                pid = self.start_saver()
                self.saver.xdotool("click", button)
                self.assert_closes(pid)

    def test_the_first_move_only_records_and_a_new_position_closes(self):
        pid = self.start_saver()
        # The window appeared under the pointer: that move is the recorded one.
        self.saver.xdotool("mousemove", 300, 300)
        self.assert_stays(pid)
        self.saver.xdotool("mousemove", 420, 360)
        self.assert_closes(pid)


class ResourceTest(SaverTestCase):
    def test_ten_thousand_ticks_leak_no_gdi_or_user_objects(self):
        self.store(speed="2000")
        pid = self.start("/s")
        window = self.wait_window(pid, SAVER_CLASS)
        self.driver.post_timer(window["hwnd"], 200)
        before = self.driver.gui_resources(pid)
        self.driver.post_timer(window["hwnd"], 10000)
        after = self.driver.gui_resources(pid)
        print("GUI objects before and after 10,000 ticks:", before, after)
        self.assertTrue(self.alive(pid))
        self.assertLessEqual(after["gdi"], before["gdi"], (before, after))
        self.assertLessEqual(after["user"], before["user"], (before, after))


if __name__ == "__main__":
    unittest.main()
