"""The settings dialog at 150 % through real clicks and keys: where it stands, the settings it
reads, its arrows, what OK stores, and that Cancel, the close box and a refused write store
nothing."""

import unittest

from glimratest import product
from glimratest.waiting import wait_for
from glimratest.wine import BOX, KEY, SCREEN, SaverCase, import_registry, wine


class Dialog(SaverCase):
    def dialog(self, places):
        """Starts the dialog: the watched program, its window and its controls named as in
        places, once keys reach it."""
        dialog = self.start("/c")
        window = self.window(dialog.pid, "GlimraSettingfrm")
        names = {place["id"]: name for name, place in places.items()}

        def controls():
            found = [w for w in self.windows(dialog.pid) if w["parent"] == window["hwnd"]]
            return {names.get(w["id"], w["id"]): w for w in found}

        controls = wait_for(controls, "every control", done=lambda found: len(found) >= len(names))
        self.wait_for_keyboard(dialog.pid, window, "配置")
        return dialog, window, controls

    def assert_laid_out(self, window, controls, places, client):
        """Each control where the layout places it, with its caption if it has one."""
        size = [client["right"] - client["left"], client["bottom"] - client["top"]]
        self.assertEqual(window["client"][2:], size, "the client area")
        self.assertEqual(sorted(controls), sorted(places), "the controls")
        left, top = window["client"][:2]
        for name, place in places.items():
            rect = controls[name]["rect"]
            placed = {"left": rect.left - left, "top": rect.top - top}
            placed.update(right=rect.right - left, bottom=rect.bottom - top)
            if place["kind"] == "label":  # it fits its caption, never larger than laid out
                placed.update(
                    {edge: min(placed[edge], place[edge]) for edge in ("right", "bottom")}
                )
            placed["caption"] = controls[name]["text"] if place["caption"] else ""
            self.assertEqual(placed, {key: place[key] for key in placed}, name)

    def test_at_150_percent_it_reads_texts_alone_its_arrows_step_and_ok_alone_stores(self):
        self.set_dpi(144)
        # A REG_EXPAND_SZ count ("50") counts as not stored; the speed is "300" and half a letter.
        stored = ['"NumberofPoint"=hex(2):35,00,30,00,00,00', '"speed"=hex(1):33,00,30,00,30,00,37']
        import_registry(self.env, [f"[HKEY_CURRENT_USER\\{KEY}\\config]", *stored])
        before = self.stored()
        places = product.layout(144, lambda command: wine(command, self.env).stdout)
        client = places.pop("client")
        dialog, window, controls = self.dialog(places)
        self.assert_laid_out(window, controls, places, client)
        frame = window["rect"]
        centre = [(SCREEN.width - frame.width) // 2, (SCREEN.height - frame.height) // 2]
        self.assertEqual([frame.left, frame.top], [max(0, at) for at in centre], f"{frame} centred")
        self.assertEqual(self.stored(), before, "written on loading")
        count = controls["TxtNum"]["hwnd"]
        for arrow, want in (("CmdChange(0)", "31"), ("CmdChange(1)", "30")):
            self.click(controls[arrow])
            now = lambda: next(w for w in self.windows(dialog.pid) if w["hwnd"] == count)  # noqa
            wait_for(now, f"the count {want} after {arrow}", done=lambda box: box["text"] == want)
        self.xdotool("type", " 50x ")  # over the count, if the arrow left it selected and focused
        bar = controls["Hspeed"]["rect"]
        self.xdotool("mousemove", bar.left + 4, (bar.top + bar.bottom) // 2, "click", 1)
        self.click(controls["Command3"])
        self.assertEqual(dialog.exit_code(), 0)
        # The speed read was 300: its left arrow stepped it by 50.
        typed = {"NumberofPoint": ("REG_SZ", " 50x "), "speed": ("REG_SZ", "250")}
        self.assertEqual(self.stored(), typed)
        for close, code in (("Command4", 0), ("close box", 0), ("Command3", 70)):
            with self.subTest(close=close, code=code):
                if code == 70:  # as an administrator's access list can
                    self.driver("refuse", KEY + r"\config")
                dialog, window, controls = self.dialog(places)
                self.xdotool("type", "77")
                if close == "close box":
                    frame = window["rect"]
                    self.xdotool("mousemove", frame.right - 12, frame.top + 12, "click", 1)
                else:
                    self.click(controls[close])
                if code == 70:
                    box = self.window(dialog.pid, BOX)
                    parts = [w for w in self.windows(dialog.pid) if w["parent"] == box["hwnd"]]
                    self.assertIn("运行时错误 '70':  拒绝的权限", [part["text"] for part in parts])
                    self.click(next(part for part in parts if part["class"] == "Button"))
                self.assertEqual(dialog.exit_code(), code)
                self.assertEqual(self.stored(), typed)


if __name__ == "__main__":
    unittest.main()
