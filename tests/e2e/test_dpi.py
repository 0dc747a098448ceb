"""The display scale: the dialog and the full screen at 96, 120, 144 and 192 DPI, the awareness
each mode declares, read from outside, and a change of DPI while the dialog is open."""

import unittest

from harness import DIALOG, HSPEED, SAVER, TXTNUM, SaverCase, prepare_wine_prefix, wait_for
from test_dialog import DOWN, IMAGE1, UP, ink, pixels

DPIS = (96, 120, 144, 192)
UNAWARE, PER_MONITOR = 0, 2  # GetAwarenessFromDpiAwarenessContext
PICTURES = {IMAGE1: ((31, 30), 0), UP: ((7, 6), 2), DOWN: ((8, 7), 2)}  # ink at 96 DPI, border


def scaled(pixels, dpi):  # a length of the 96-DPI table at dpi, rounded as the layout rounds
    return (pixels * 15 * dpi + 720) // 1440


class Dpi(SaverCase):
    def set_dpi(self, dpi):
        """The DPI the next process sees; with DpiScalingVer, Wine honours the awareness that
        the program declares instead of taking every process as aware."""
        desktop = lambda *values: prepare_wine_prefix.import_registry(  # noqa: E731
            [r"[HKEY_CURRENT_USER\Control Panel\Desktop]", *values], self.env)
        desktop(f'"LogPixels"=dword:{dpi:08x}', '"DpiScalingVer"=dword:00001018')
        self.addCleanup(desktop, '"LogPixels"=dword:00000060', '"DpiScalingVer"=-')

    def controls(self, pid, window):
        return {w["id"]: w for w in self.windows(pid) if w["parent"] == window["hwnd"]}

    def assert_layout(self, table, window, controls, dpi):
        self.assertEqual(window["client"][2:], [scaled(353, dpi), scaled(169, dpi)])
        for row in table:
            got = [a - b for a, b in zip(controls[row["id"]]["rect"], window["client"][:2] * 2)]
            want = [scaled(value, dpi) for value in row["rect"]]
            if row["caption"] and controls[row["id"]]["class"] == "Static":  # grown to its caption
                got[2:] = [min(g, w) for g, w in zip(got[2:], want[2:])]
            self.assertTrue(all(abs(a - b) <= 1 for a, b in zip(got, want)), (dpi, row, got))

    def test_dialog_at_each_dpi_and_after_a_change(self):
        table = self.driver("layout")
        for dpi, new in zip(DPIS, DPIS[1:] + DPIS[:1]):
            self.set_dpi(dpi)
            with self.subTest(dpi=dpi, new=new):
                pid, window, controls = self.dialog()
                try:
                    self.assertEqual(window["dpi"], PER_MONITOR)
                    left, top, right, bottom = window["rect"]  # as laid out where it fits, else centred
                    self.assertTrue(0 <= left and 0 <= top and right <= 1024 and bottom <= 768, (dpi, window))
                    laid_out = [scaled(333, dpi), scaled(237, dpi)]
                    self.assertEqual(window["client"][:2] == laid_out, dpi < 144, (dpi, window))
                    self.assert_layout(table, window, controls, dpi)
                    self.assert_change(pid, window, controls, table, new)
                finally:
                    self.driver("wait", pid, "kill")

    def assert_change(self, pid, window, controls, table, new):
        self.driver("msg", "send", controls[HSPEED]["hwnd"], 0xE0, 1300, 1)  # SBM_SETPOS
        self.driver("msg", "post", controls[UP]["hwnd"], 0xF5, 0, 0)  # BM_CLICK: 31, selected, focused
        wait_for(lambda: self.controls(pid, window)[TXTNUM]["text"] == "31")
        self.driver("dpi", window["hwnd"], new)
        window = self.window(pid, DIALOG)
        controls = self.controls(pid, window)
        self.assert_layout(table, window, controls, new)
        self.assertEqual((controls[TXTNUM]["text"], controls[TXTNUM]["selection"],
                          controls[HSPEED]["scroll"][0], self.driver("tree", pid)[-1]["focus"]),
                         ("31", [0, 2], 1300, controls[TXTNUM]["hwnd"]))
        shot = self.shot()
        ground = pixels(shot, *window["client"][:2], *[c + 1 for c in window["client"][:2]])[0][0]
        for control, (size, border) in PICTURES.items():
            left, top, right, bottom = controls[control]["rect"]
            box = ink(pixels(shot, left + border, top + border, right - border, bottom - border), ground)
            drawn = (box[2] - box[0], box[3] - box[1])
            self.assertTrue(all(abs(d - s * new / 96) <= 1 for d, s in zip(drawn, size)), (control, drawn))

    def test_full_screen_dots_of_the_scaled_pen(self):
        self.store(NumberofPoint="200", speed="2000")
        for dpi in DPIS:
            self.set_dpi(dpi)
            with self.subTest(dpi=dpi):
                window = self.window(pid := self.start("/s"), SAVER)
                try:
                    self.assertEqual((window["dpi"], window["rect"]), (PER_MONITOR, [0, 0, 1024, 768]))
                    self.driver("ticks", window["hwnd"], 12)
                    pen = scaled(12, dpi)
                    sizes = [(w, h) for x, y, w, h, _ in self.blobs()
                             if x > 0 and y > 0 and x + w < 1024 and y + h < 768 and max(w, h) <= pen + 1]
                    self.assertTrue(len(sizes) >= 3 and min(map(min, sizes)) >= pen - 1, (pen, sizes))
                finally:
                    self.driver("wait", pid, "kill")

    def test_the_preview_declares_nothing(self):
        self.set_dpi(144)
        host = self.host()
        preview = wait_for(lambda: [w for w in self.windows(host["pid"]) if w["class"] == SAVER])[0]
        self.assertEqual(preview["dpi"], UNAWARE)


if __name__ == "__main__":
    unittest.main()
