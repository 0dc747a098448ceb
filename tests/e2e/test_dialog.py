"""The settings dialog at 150 % through real clicks and keys: where it stands, the settings it
reads, its arrows, and what OK stores."""

import json
import os
import unittest

from glimratest.waiting import wait_for
from harness import KEY, SCREEN, SaverCase, prepare_wine_prefix, wine


class Dialog(SaverCase):
    def dialog(self, rows):
        """Starts the dialog: its pid, its window and its controls named as in rows, once keys
        reach it."""
        pid = self.start("/c")
        window = self.window(pid, "GlimraSettingfrm")
        names = {row["id"]: row["name"] for row in rows}

        def controls():
            found = [w for w in self.windows(pid) if w["parent"] == window["hwnd"]]
            return {names.get(w["id"], w["id"]): w for w in found}

        controls = wait_for(controls, "every control", done=lambda found: len(found) >= len(rows))
        self.wait_for_keyboard(pid, window, "配置")
        return pid, window, controls

    def assert_laid_out(self, window, controls, rows, client):
        """Each control where the layout places it, with its caption if it has one."""
        size = [client["right"] - client["left"], client["bottom"] - client["top"]]
        self.assertEqual(window["client"][2:], size, "the client area")
        laid_out = {row["name"]: row for row in rows}
        self.assertEqual(sorted(controls), sorted(laid_out), "the controls")
        left, top = window["client"][:2]
        for name, row in laid_out.items():
            rect = controls[name]["rect"]
            placed = {"left": rect.left - left, "top": rect.top - top}
            placed.update(right=rect.right - left, bottom=rect.bottom - top)
            if row["kind"] == "label":  # it fits its caption, never larger than laid out
                placed.update({edge: min(placed[edge], row[edge]) for edge in ("right", "bottom")})
            placed["caption"] = controls[name]["text"] if row["caption"] else ""
            self.assertEqual(placed, {key: row[key] for key in placed}, name)

    def test_at_150_percent_it_reads_texts_alone_its_arrows_step_and_ok_stores_as_typed(self):
        self.set_dpi(144)
        # A REG_EXPAND_SZ count ("50") counts as not stored; the speed is "300" and half a letter.
        stored = ['"NumberofPoint"=hex(2):35,00,30,00,00,00', '"speed"=hex(1):33,00,30,00,30,00,37']
        prepare_wine_prefix.import_registry([f"[{KEY}\\config]", *stored], self.env)
        before = self.stored()
        table = wine([os.environ["GLIMRA_LAYOUT_TABLE"], "144"], self.env).stdout
        *rows, client = [json.loads(row) for row in table.splitlines()]  # where each control goes
        pid, window, controls = self.dialog(rows)
        self.assert_laid_out(window, controls, rows, client)
        frame = window["rect"]
        centre = [(SCREEN.width - frame.width) // 2, (SCREEN.height - frame.height) // 2]
        self.assertEqual([frame.left, frame.top], [max(0, at) for at in centre], f"{frame} centred")
        self.assertEqual(self.stored(), before, "written on loading")
        count = controls["TxtNum"]["hwnd"]
        for arrow, want in (("CmdChange(0)", "31"), ("CmdChange(1)", "30")):
            self.click(controls[arrow])
            now = lambda: next(w for w in self.windows(pid) if w["hwnd"] == count)  # noqa: E731
            wait_for(now, f"the count {want} after {arrow}", done=lambda box: box["text"] == want)
        self.xdotool("type", " 50x ")  # over the count, if the arrow left it selected and focused
        bar = controls["Hspeed"]["rect"]
        self.xdotool("mousemove", bar.left + 4, (bar.top + bar.bottom) // 2, "click", 1)
        self.click(controls["Command3"])
        self.assertIn(self.exit_code(pid), (0, None))
        # The speed read was 300: its left arrow stepped it by 50.
        typed = {"NumberofPoint": ("REG_SZ", " 50x "), "speed": ("REG_SZ", "250")}
        self.assertEqual(self.stored(), typed)


if __name__ == "__main__":
    unittest.main()
