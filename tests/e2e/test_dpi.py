"""The display scale: the dialog and the full screen at other DPIs, the awareness each mode
declares, read from outside, and a change of DPI while the dialog is open."""

import collections
import unittest

from glimratest import pictures
from glimratest.waiting import wait_for
from harness import DIALOG, SAVER, SBM_SETPOS, SCREEN, SaverCase, prepare_wine_prefix, rect_of

UNAWARE, PER_MONITOR = 0, 2  # GetAwarenessFromDpiAwarenessContext
BM_CLICK = 0xF5
# The ink of each picture at 96 DPI (width, height), and the button border around it.
PICTURES = {"Image1": ((31, 30), 0), "CmdChange(0)": ((7, 6), 2), "CmdChange(1)": ((8, 7), 2)}


def ink(rows, ground=None):
    """The Rect of the pixels that differ from the ground, by default the commonest colour."""
    ground = ground or collections.Counter(p for row in rows for p in row).most_common(1)[0][0]
    inked = [(x, y) for y, row in enumerate(rows) for x, pixel in enumerate(row) if pixel != ground]
    xs = [x for x, _ in inked]
    ys = [y for _, y in inked]
    return pictures.Rect(min(xs), min(ys), max(xs) + 1, max(ys) + 1)


class Dpi(SaverCase):
    def set_dpi(self, dpi):
        """The DPI the next process sees; with DpiScalingVer, Wine honours the awareness that
        the program declares instead of taking every process as aware."""

        def desktop(*values):
            lines = [r"[HKEY_CURRENT_USER\Control Panel\Desktop]", *values]
            prepare_wine_prefix.import_registry(lines, self.env)

        desktop(f'"LogPixels"=dword:{dpi:08x}', '"DpiScalingVer"=dword:00001018')
        self.addCleanup(desktop, '"LogPixels"=dword:00000060', '"DpiScalingVer"=-')

    def test_dialog_at_a_dpi_and_after_a_change(self):
        for dpi, new in ((120, 192), (192, 96)):
            self.set_dpi(dpi)
            with self.subTest(dpi=dpi, new=new):
                self.end_all()
                pid, window, controls = self.dialog()
                self.assertEqual(window["dpi"], PER_MONITOR)
                layout = self.layout(dpi)
                self.assert_placed(window, layout[-1])
                self.assert_layout(window, controls, layout, dpi)
                self.assert_change(pid, controls, new)

    def assert_placed(self, window, client):
        """Where laid out if the whole window fits on the screen there, else centred on it."""
        frame = rect_of(window)
        inside = [edge - outer for edge, outer in zip(window["client"][:2], window["rect"][:2])]
        laid_out = pictures.Rect(
            client["left"] - inside[0],
            client["top"] - inside[1],
            client["left"] - inside[0] + frame.width,
            client["top"] - inside[1] + frame.height,
        )
        fits = laid_out.left >= 0 and laid_out.top >= 0 and laid_out.right <= 1024
        fits = fits and laid_out.bottom <= 768
        self.assertEqual(frame == laid_out, fits, f"{frame} laid out at {laid_out}")
        self.assertTrue(frame.left >= 0 and frame.top >= 0, f"{frame} on the screen")
        self.assertTrue(frame.right <= 1024 and frame.bottom <= 768, f"{frame} on the screen")

    def assert_change(self, pid, controls, new):
        self.driver("msg", "send", controls["Hspeed"]["hwnd"], SBM_SETPOS, 1300, 1)
        self.driver("msg", "post", controls["CmdChange(0)"]["hwnd"], BM_CLICK, 0, 0)
        window = self.window(pid, DIALOG)
        count = lambda: self.controls(pid, window)["TxtNum"]["text"]  # noqa: E731
        wait_for(lambda: count() == "31", "the count stepped to 31")
        self.driver("dpi", window["hwnd"], new)
        window = self.window(pid, DIALOG)
        controls = self.controls(pid, window)
        self.assert_layout(window, controls, self.layout(new), new)
        self.assertEqual(controls["TxtNum"]["text"], "31")
        self.assertEqual(controls["TxtNum"]["selection"], [0, 2])
        self.assertEqual(controls["Hspeed"]["scroll"][0], 1300)
        self.assertEqual(self.gui_state(pid)["focus"], controls["TxtNum"]["hwnd"])
        shot = pictures.screenshot(self.env)
        ground = shot.pixel(*window["client"][:2])
        for name, (size, border) in PICTURES.items():
            left, top, right, bottom = controls[name]["rect"]
            inner = pictures.Rect(left + border, top + border, right - border, bottom - border)
            box = ink(shot.pixels(inner), ground)
            want = [length * new / 96 for length in size]
            drawn = [box.width, box.height]
            off = [abs(got - laid) for got, laid in zip(drawn, want)]
            self.assertLessEqual(max(off), 1, f"{name} at {new}: {drawn}, not {want}")

    def test_full_screen_dots_of_the_scaled_pen(self):
        self.store(NumberofPoint="200", speed="2000")
        dpi = 192
        self.set_dpi(dpi)
        window = self.window(self.start("/s"), SAVER)
        self.assertEqual(window["dpi"], PER_MONITOR)
        self.assertEqual(rect_of(window), SCREEN)
        self.driver("ticks", window["hwnd"], 12)
        pen = self.layout(dpi)[-1]["pen"]
        dots = [b for b in self.blobs() if b.inside(SCREEN) and max(b.width, b.height) <= pen + 1]
        self.assertGreaterEqual(len(dots), 3, f"dots of {pen}: {dots}")
        self.assertGreaterEqual(min(min(dot.width, dot.height) for dot in dots), pen - 1, dots)

    def test_the_preview_declares_nothing(self):
        self.set_dpi(144)
        host = self.host()
        in_host = lambda: [
            w for w in self.windows(host["pid"]) if w["class"] == SAVER
        ]  # noqa: E731
        self.assertEqual(wait_for(in_host, "the preview")[0]["dpi"], UNAWARE)


if __name__ == "__main__":
    unittest.main()
