"""The preview, end to end: the saver as a child of a host window, as the display
settings show it."""

import os
import unittest

import harness
from harness import SAVER_CLASS, SaverTestCase, wait_for
from test_saver import blobs, box


class PreviewTest(SaverTestCase):
    def preview(self, **settings):
        self.store(**settings)
        host = self.start_host(152, 112)
        child = wait_for(lambda: self._saver_child(host), timeout=20,
                         message="the saver inside the host")
        return host, child

    def _saver_child(self, host):
        """The saver's window once it is in place: a snapshot taken while it attaches can
        show it visible at full-screen size."""
        return next((child for child in self.driver.children(host.hwnd)
                     if child["class"] == SAVER_CLASS and child["visible"]
                     and child["client"] == [152, 112]), None)

    def test_it_becomes_a_visible_child_that_fills_the_host(self):
        host, child = self.preview()
        self.assertEqual(child["parent"], host.hwnd)
        self.assertTrue(child["style"] & harness.WS_CHILD)
        self.assertEqual(child["rect"], [0, 0, 152, 112])
        self.assertFalse(self.driver.windows(host.pid), "no top-level window of its own")
        self.assertNotEqual(self.driver.focus(host.pid).get("active"), child["hwnd"])

    def test_it_paints_dots_four_pixels_across(self):
        host, child = self.preview(NumberofPoint="200", speed="100")
        path = os.path.join(self.saver.state["GLIMRA_E2E_DIR"], "preview.ppm")
        # Wine shows no pixels that one process paints into another's window, so the
        # preview, pen and all, is moved out to the top level to be looked at.
        self.driver.detach(child["hwnd"], 600, 400)

        def some_dots():
            shot = self.driver.capture(child["hwnd"], path)
            found = [pixels for pixels in blobs(shot) if self._whole(box(pixels), shot)]
            return found if len(found) >= 3 else None

        for pixels in wait_for(some_dots, timeout=30, message="dots in the preview"):
            left, top, right, bottom = box(pixels)
            if (right - left, bottom - top) <= (5, 5):
                self.assertIn(right - left, (3, 4, 5))
                self.assertIn(bottom - top, (3, 4, 5))

    @staticmethod
    def _whole(rect, shot):
        left, top, right, bottom = rect
        return left > 0 and top > 0 and right < shot.width and bottom < shot.height

    def test_input_changes_nothing(self):
        host, child = self.preview()
        left, top, _, _ = child["screen_rect"]
        self.saver.xdotool("mousemove", left + 40, top + 40)
        self.saver.xdotool("mousemove", left + 90, top + 70)
        self.saver.xdotool("click", 1)
        self.saver.xdotool("key", "a", "Escape", "Return")
        self.saver.xdotool("mousemove", left + 20, top + 30)
        self.assertFalse(self.driver.wait(host.pid, 2000)["exited"])
        self.assertTrue(self._saver_child(host))

    def test_destroying_the_host_ends_the_process(self):
        host, _ = self.preview()
        host.close()
        self.assert_no_crash(self.wait_exit(host.pid, timeout=10))

    def test_a_handle_that_names_no_window_ends_at_once(self):
        for argtext in ("/p 0", "/p:1234", "x/p 1234", "/p 99999999999", "/p"):
            with self.subTest(argtext=argtext):
                answer = self.run_to_end(argtext, timeout=30)
                self.assertTrue(answer["exited"], argtext)
                self.assert_no_crash(answer["code"])
                self.assertFalse(self.running_savers())


if __name__ == "__main__":
    unittest.main()
