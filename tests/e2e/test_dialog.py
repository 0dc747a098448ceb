"""The settings dialog through real clicks: where it stands at 150 %, its handlers, and the
settings it reads and writes."""

import unittest

from glimratest.waiting import wait_for
from harness import KEY, SBM_SETPOS, SCREEN, SaverCase, rect_of, run

WM_SETTEXT = 0x0C


class Dialog(SaverCase):
    def set(self, controls, count, speed):
        self.driver("msg", "send", controls["TxtNum"]["hwnd"], WM_SETTEXT, 0, "=" + count)
        self.driver("msg", "send", controls["Hspeed"]["hwnd"], SBM_SETPOS, speed, 1)

    def test_at_150_percent_it_is_laid_out_and_centred_on_the_work_area(self):
        self.set_dpi(144)
        pid, window, controls = self.dialog()
        self.assertEqual(window["client"][2:], [530, 254], "the client area at 144 DPI")
        self.assert_layout(window, controls, 144)
        frame = rect_of(window)
        centre = [(SCREEN.width - frame.width) // 2, (SCREEN.height - frame.height) // 2]
        self.assertEqual([frame.left, frame.top], [max(0, at) for at in centre], f"{frame} centred")

    def test_arrows_step_the_count_and_ok_stores_the_texts_as_they_stand(self):
        pid, window, controls = self.dialog()
        count = controls["TxtNum"]["hwnd"]
        self.set(controls, "30", 500)
        for arrow, want in (("CmdChange(0)", "31"), ("CmdChange(1)", "30")):
            self.click(controls[arrow])
            now = lambda: next(w for w in self.windows(pid) if w["hwnd"] == count)  # noqa: E731
            wait_for(lambda: now()["text"] == want, f"the count {want} after {arrow}")
            self.assertEqual(self.gui_state(pid)["focus"], count, "the focus on the count")
        self.set(controls, " 50x ", 100)
        self.click(controls["Command3"])
        self.assertIn(self.exit_code(pid), (0, None))
        stored = {"NumberofPoint": ("REG_SZ", " 50x "), "speed": ("REG_SZ", "100")}
        self.assertEqual(self.stored(), stored)

    def test_reading_takes_only_texts_and_never_writes(self):
        for stored, count, speed in (
            ({"NumberofPoint": ("hex(2):35,00,30,00,00,00",)}, "30", 500),  # "50", REG_EXPAND_SZ
            ({"speed": ("hex(1):33,00,30,00,30,00,37",)}, "30", 300),  # and half a character
        ):
            with self.subTest(stored=str(stored)[:60]):
                self.end_all()  # the one before, even if it failed
                run(["wine", "reg", "delete", KEY, "/f"], env=self.env, check=False)
                self.store(**stored)
                before = self.stored()
                pid, _, controls = self.dialog()
                self.assertEqual(controls["TxtNum"]["text"], count, "the count shown")
                self.assertEqual(controls["Hspeed"]["scroll"], speed, "the speed shown")
                self.assertEqual(self.stored(), before, "written")


if __name__ == "__main__":
    unittest.main()
