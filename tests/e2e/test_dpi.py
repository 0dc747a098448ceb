"""Sharp at every display scale: the dialog and the full screen at 96, 120, 144 and 192 DPI,
their DPI awareness read from outside, and a change of DPI while the dialog is open."""

import subprocess
import unittest

import test_dialog
import test_saver
from harness import DIALOG_CLASS, HSPEED_ID, SAVER_CLASS, TXTNUM_ID, SaverTestCase, wait_for
from test_dialog import DOWN, IMAGE1, LAYOUT, UP

DPIS = (96, 120, 144, 192)
UNAWARE, PER_MONITOR = 0, 2  # GetAwarenessFromDpiAwarenessContext
# The ink of each picture at 96 DPI, width and height, and the border of its control.
PICTURES = {IMAGE1: ((31, 30), 0), UP: ((7, 6), 2), DOWN: ((8, 7), 2)}


def twips(pixels, dpi):  # a length of the 96-DPI table at dpi, rounded as the layout does
    return (pixels * 15 * dpi + 720) // 1440


def ink_size(shot, rect, border):
    inside = [edge + way * border for edge, way in zip(rect, (1, 1, -1, -1))]
    left, top, right, bottom = test_saver.box(
        test_dialog.LayoutTest._ink(shot, inside, shot.pixel(3, 3)))
    return right - left, bottom - top


class DpiTest(SaverTestCase):
    def setUp(self):
        super().setUp()
        self.addCleanup(self.desktop, "delete", "DpiScalingVer")
        self.addCleanup(self.desktop, "add", "LogPixels", "/t", "REG_DWORD", "/d", "96")

    def desktop(self, action, name, *value):
        subprocess.run(["wine", "reg", action, r"HKCU\Control Panel\Desktop", "/v", name, *value,
                        "/f"], env=self.driver.env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=bool(value))

    def set_dpi(self, dpi):
        """The DPI that the next process sees; with DpiScalingVer set, Wine honours the
        awareness the program declares instead of taking every process as aware."""
        for name, value in (("LogPixels", dpi), ("DpiScalingVer", 0x1018)):
            self.desktop("add", name, "/t", "REG_DWORD", "/d", str(value))

    def assert_layout(self, window, controls, dpi):
        self.assertEqual(window["client"], [twips(353, dpi), twips(169, dpi)])
        for control_id, (rect, caption) in LAYOUT.items():
            want = [twips(value, dpi) for value in rect]
            got = controls[control_id]["rect"]
            if controls[control_id]["class"] == "Static" and caption:  # grown to its caption
                got = got[:2] + [min(got[2], want[2]), min(got[3], want[3])]
            for have, value in zip(got, want):
                self.assertLessEqual(abs(have - value), 1, (control_id, got, want))

    def test_dialog_at_each_dpi_and_after_a_change(self):
        for dpi, new in zip(DPIS, DPIS[1:] + DPIS[:1]):
            self.set_dpi(dpi)
            with self.subTest(dpi=dpi, new=new), self.running("/c") as pid:
                window = self.wait_window(pid, DIALOG_CLASS)
                controls = self.controls(window["hwnd"])
                self.assertEqual(window["dpi_awareness"], PER_MONITOR)
                self.assert_layout(window, controls, dpi)
                self.driver.setscroll(controls[HSPEED_ID]["hwnd"], 1300)
                self.driver.press(controls[UP]["hwnd"])  # 31, all selected, focus in the box
                wait_for(lambda: self.driver.gettext(controls[TXTNUM_ID]["hwnd"]) == "31")
                self.driver.call("dpi-changed", window["hwnd"], new)
                window = self.driver.info(window["hwnd"])
                controls = self.controls(window["hwnd"])
                self.assert_layout(window, controls, new)
                count = controls[TXTNUM_ID]
                self.assertEqual((count["text"], count["selection"]), ("31", [0, 2]))
                self.assertEqual(controls[HSPEED_ID]["scroll_pos"], 1300)
                self.assertEqual(self.driver.focus(pid).get("focus"), count["hwnd"])
                shot = self.driver.capture(window["hwnd"], f"{self.saver.artifacts}/dpi.ppm")
                for control_id, (ink, border) in PICTURES.items():
                    drawn = ink_size(shot, controls[control_id]["rect"], border)
                    for have, want in zip(drawn, ink):
                        self.assertLessEqual(abs(have - want * new / 96), 1, (control_id, drawn))

    def test_full_screen_covers_the_screen_with_dots_of_the_scaled_pen(self):
        width, height = test_saver.SCREEN
        for dpi in DPIS:
            self.set_dpi(dpi)
            self.store(NumberofPoint="200", speed="2000")
            with self.subTest(dpi=dpi), self.running("/s") as pid:
                window = self.wait_window(pid, SAVER_CLASS)
                self.assertEqual(window["dpi_awareness"], PER_MONITOR)
                self.assertEqual(window["rect"], [0, 0, width, height])
                self.driver.post_timer(window["hwnd"], 12)
                pen = (12 * dpi + 48) // 96
                dots = map(test_saver.box, test_saver.blobs(self.saver.screenshot()))
                sizes = [(right - left, bottom - top) for left, top, right, bottom in dots
                         if left > 0 and top > 0 and right < width and bottom < height]
                whole = [size for size in sizes if max(size) <= pen + 1]  # not two that touch
                self.assertGreaterEqual(len(whole), 3, sizes)
                self.assertGreaterEqual(min(min(size) for size in whole), pen - 1, sizes)

    def test_the_preview_declares_nothing(self):
        self.set_dpi(144)
        host = self.start_host()
        preview = wait_for(lambda: self.driver.children(host.hwnd), message="the preview")[0]
        self.assertEqual(preview["dpi_awareness"], UNAWARE)


if __name__ == "__main__":
    unittest.main()
