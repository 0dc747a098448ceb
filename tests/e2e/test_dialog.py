"""The settings dialog at 150 % through real clicks and keys: where it stands, the settings it
reads, its arrows, and what OK stores."""

import unittest

from glimratest.waiting import wait_for
from harness import SCREEN, SaverCase, rect_of


class Dialog(SaverCase):
    def assert_laid_out(self, window, controls):
        """Each control where the layout places it at 144 DPI, with its caption if it has one."""
        *rows, client = self.layout(144)
        size = [client["right"] - client["left"], client["bottom"] - client["top"]]
        self.assertEqual(window["client"][2:], size, "the client area")
        laid_out = {row["name"]: row for row in rows}
        self.assertEqual(sorted(controls), sorted(laid_out), "the controls")
        left, top = window["client"][:2]
        for name, row in laid_out.items():
            rect = rect_of(controls[name])
            placed = {"left": rect.left - left, "top": rect.top - top}
            placed.update(right=rect.right - left, bottom=rect.bottom - top)
            if row["kind"] == "label":  # it fits its caption, never larger than laid out
                placed.update({edge: min(placed[edge], row[edge]) for edge in ("right", "bottom")})
            placed["caption"] = controls[name]["text"] if row["caption"] else ""
            self.assertEqual(placed, {key: row[key] for key in placed}, name)

    def test_at_150_percent_it_reads_texts_alone_its_arrows_step_and_ok_stores_as_typed(self):
        self.set_dpi(144)
        # A REG_EXPAND_SZ count ("50") counts as not stored; the speed is "300" and half a letter.
        self.store(NumberofPoint="hex(2):35,00,30,00,00,00", speed="hex(1):33,00,30,00,30,00,37")
        before = self.stored()
        pid, window, controls = self.dialog()
        self.assert_laid_out(window, controls)
        frame = rect_of(window)
        centre = [(SCREEN.width - frame.width) // 2, (SCREEN.height - frame.height) // 2]
        self.assertEqual([frame.left, frame.top], [max(0, at) for at in centre], f"{frame} centred")
        self.assertEqual(self.stored(), before, "written on loading")
        count = controls["TxtNum"]["hwnd"]
        for arrow, want in (("CmdChange(0)", "31"), ("CmdChange(1)", "30")):
            self.click(controls[arrow])
            now = lambda: next(w for w in self.windows(pid) if w["hwnd"] == count)  # noqa: E731
            wait_for(lambda: now()["text"] == want, f"the count {want} after {arrow}")
            self.assertEqual(self.gui_state(pid)["focus"], count, "the focus on the count")
        self.xdotool("type", " 50x ")  # over the count, which the arrow left selected
        bar = rect_of(controls["Hspeed"])
        self.xdotool("mousemove", bar.left + 4, (bar.top + bar.bottom) // 2, "click", 1)
        self.click(controls["Command3"])
        self.assertIn(self.exit_code(pid), (0, None))
        # The speed read was 300: its left arrow stepped it by 50.
        stored = {"NumberofPoint": ("REG_SZ", " 50x "), "speed": ("REG_SZ", "250")}
        self.assertEqual(self.stored(), stored)


if __name__ == "__main__":
    unittest.main()
