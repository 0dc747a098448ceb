"""The settings dialog through real clicks and keys: its layout as the product computes it, its
pictures and captions, its handlers, and the settings it reads and writes."""

import pathlib
import unittest

from glimratest import pictures, product
from glimratest.processes import run
from glimratest.waiting import wait_for
from harness import BOX, KEY, SBM_SETPOS, SaverCase, rect_of

WM_SETTEXT = 0x0C
WM_SYSCOMMAND, SC_CLOSE = 0x112, 0xF060


def any_pixel(rows, test):
    return any(test(*pixel) for row in rows for pixel in row)


class Dialog(SaverCase):
    def shown_settings(self):
        """What the next start of the dialog shows: the count's text and the bar's position."""
        pid, _, controls = self.dialog()
        self.driver("wait", pid, "kill")
        return {"count": controls["TxtNum"]["text"], "speed": controls["Hspeed"]["scroll"][0]}

    def set(self, controls, count, speed):
        self.driver("msg", "send", controls["TxtNum"]["hwnd"], WM_SETTEXT, 0, "=" + count)
        self.driver("msg", "send", controls["Hspeed"]["hwnd"], SBM_SETPOS, speed, 1)

    def test_layout_captions_and_pictures(self):
        pid, window, controls = self.dialog()
        self.assert_layout(window, controls, self.layout())
        self.assertEqual(controls["TxtNum"]["text"], "30")
        self.assertEqual(controls["Hspeed"]["scroll"], [500, 100, 2000])
        shot = pictures.screenshot(self.env)
        self.assertNotEqual(
            *[shot.pixels(rect_of(controls[name])) for name in ("Label2", "Label3")]
        )
        for arrow, grows in (("CmdChange(0)", True), ("CmdChange(1)", False)):  # black triangles
            rows = [row.count((0, 0, 0)) for row in shot.pixels(rect_of(controls[arrow]))]
            rows = [count for count in rows if count]
            self.assertEqual(rows[0] < rows[-1], grows, f"{arrow}: {rows}")
        logo = shot.pixels(rect_of(controls["Image1"]))
        self.assertTrue(any_pixel(logo, lambda r, g, b: r > 180 and g > 150 and b < 100), "yellow")
        self.assertTrue(any_pixel(logo, lambda r, g, b: g > 120 and r < 100 and b < 100), "green")
        self.assertEqual(logo[0][0], shot.pixel(*window["client"][:2]), "a clear background")
        # No other process gets the window's icon under Wine, but the caption draws it.
        left, top = window["rect"][:2]
        icon = shot.pixels(pictures.Rect(left, top, left + 40, top + 30))
        self.assertTrue(any_pixel(icon, lambda r, g, b: r > 200 and g < 80 and b < 80), "red disc")
        self.assertTrue(any_pixel(icon, lambda r, g, b: g > 200 and r < 80 and b < 80), "green")

    def test_keys_tab_in_order_and_press_no_button(self):
        pid, window, controls = self.dialog()
        names = {control["hwnd"]: name for name, control in controls.items()}
        focus = lambda: names.get(self.gui_state(pid)["focus"], "another window")  # noqa: E731
        for name in ("TxtNum", "Hspeed", "Command3", "Command4", "TxtNum"):
            wait_for(focus, f"the focus on {name}", done=lambda focused: focused == name)
            if name in ("TxtNum", "Hspeed"):
                self.xdotool("key", "Return", "Escape", "KP_Enter")
            self.xdotool("key", "Tab")
        self.assertEqual(self.driver("wait", pid, 1000)["exited"], 0, "a key ended it")
        self.assertEqual(self.stored(), {})

    def test_the_speed_bar_and_the_arrows_step_and_focus_the_count(self):
        pid, window, controls = self.dialog()
        bar = rect_of(controls["Hspeed"])

        def now(name, field):
            return next(w[field] for w in self.windows(pid) if w["hwnd"] == controls[name]["hwnd"])

        for start, x, want in ((120, bar.left + 4, 100), (1900, bar.right - 23, 2000)):
            self.set(controls, "30", start)
            self.xdotool("mousemove", x, (bar.top + bar.bottom) // 2, "click", 1)
            wait_for(lambda: now("Hspeed", "scroll")[0] == want, f"the bar at {want}")
        for arrow, want in (("CmdChange(0)", "31"), ("CmdChange(1)", "29")):
            self.set(controls, "30", 500)
            self.click(controls[arrow])
            wait_for(lambda: now("TxtNum", "text") == want, f"the count {want}")
            self.assertEqual(now("TxtNum", "selection"), [0, len(want)])
            self.assertEqual(self.gui_state(pid)["focus"], controls["TxtNum"]["hwnd"])

    def test_ok_stores_the_texts_as_they_stand_cancel_and_the_close_box_store_nothing(self):
        for count, speed, how, shown in (
            (" 50x ", 100, "Command3", "50"),
            ("", 2000, "Command3", "30"),
            ("150", 1500, "Command4", "30"),
            ("150", 1500, "close box", "30"),
        ):
            with self.subTest(count=count, how=how):
                self.end_all()  # the one before, even if it failed
                before = self.stored()
                pid, window, controls = self.dialog()
                self.set(controls, count, speed)
                if how == "close box":
                    self.driver("msg", "post", window["hwnd"], WM_SYSCOMMAND, SC_CLOSE, 0)
                else:
                    self.click(controls[how])
                self.assertIn(self.exit_code(pid), (0, None))
                stored = self.stored()
                if how == "Command3":
                    want = {"NumberofPoint": ("REG_SZ", count), "speed": ("REG_SZ", str(speed))}
                    self.assertEqual(stored, want)
                    self.assertEqual(self.shown_settings(), {"count": shown, "speed": speed})
                else:
                    self.assertEqual(stored, before)

    def test_a_refused_write_shows_error_70_over_the_disabled_form(self):
        pid, window, controls = self.dialog()
        self.driver(
            "acl", "D:(D;;0x6;;;WD)(A;;KA;;;WD)"
        )  # KEY_SET_VALUE, KEY_CREATE_SUB_KEY refused
        self.click(controls["Command3"])
        box = self.window(pid, BOX)
        texts = [w["text"] for w in self.windows(pid) if w["parent"] == box["hwnd"]]
        self.assertTrue(any("运行时错误" in text and "70" in text for text in texts), texts)
        self.assertEqual(box["owner"], window["hwnd"])
        form = next(w for w in self.windows(pid) if w["hwnd"] == window["hwnd"])
        self.assertEqual(form["shown"], [1, 0], "shown and disabled")
        self.wait_for_keyboard(pid, box, "Lumeck", "配置")
        self.xdotool("key", "Return")
        self.assertEqual(self.exit_code(pid), 70)
        self.assertEqual(self.stored(), {})

    def test_the_logo_names_the_maker_and_opens_the_address(self):
        maker = product.maker()
        record = pathlib.Path(self.state["work"], "urls.txt")
        browser = pathlib.Path(self.state["work"], "browser.sh")
        browser.write_text(f'#!/bin/sh\necho "$@" >> "{record}"\n')
        browser.chmod(0o755)  # winebrowser runs the first of these browsers it finds
        browsers = r"HKCU\Software\Wine\WineBrowser"
        run(["wine", "reg", "add", browsers, "/v", "Browsers", "/d", browser, "/f"], env=self.env)
        pid, window, controls = self.dialog()
        logo = rect_of(controls["Image1"])
        self.xdotool("mousemove", (logo.left + logo.right) // 2, (logo.top + logo.bottom) // 2)

        def tip():
            texts = [w["text"] for w in self.windows(pid) if w["class"] == "tooltips_class32"]
            return next((text for text in texts if text), None)

        self.assertEqual(wait_for(tip, "the tooltip"), maker["name"])
        hand = self.gui_state(pid)["cursor"][0]
        frame = rect_of(controls["Frame1"])
        self.xdotool("mousemove", frame.left + 60, frame.top + 30)
        wait_for(lambda: self.gui_state(pid)["cursor"][0] != hand, "another cursor off the logo")
        self.click(controls["Image1"])
        wait_for(record.exists, "the browser")
        self.assertEqual(record.read_text().split(), [maker["address"]])
        self.assertEqual(self.driver("wait", pid, 0)["exited"], 0, "the dialog stays")

    def test_reading_takes_only_texts_and_never_writes(self):
        for stored, shown in (
            ({"speed": "300"}, {"count": "30", "speed": 300}),  # one of the two values
            (
                {
                    "NumberofPoint": ("hex(2):35,00,30,00,00,00",),  # "50" as REG_EXPAND_SZ
                    "speed": ("hex(1):33,00,30,00,30,00,37",),  # "300" and half a character
                },
                {"count": "30", "speed": 300},
            ),
            (
                {"NumberofPoint": ("dword:00000032",), "speed": ("dword:0000012c",)},
                {"count": "30", "speed": 500},
            ),
            (
                {"NumberofPoint": "9" * (1 << 20), "speed": " " * (1 << 20)},
                {"count": "30", "speed": 500},
            ),
        ):
            with self.subTest(stored=str(stored)[:60]):
                run(["wine", "reg", "delete", KEY, "/f"], env=self.env, check=False)
                self.store(**stored)
                before = self.stored()
                self.assertEqual(self.shown_settings(), shown)
                self.assertEqual(self.stored(), before, "written")


if __name__ == "__main__":
    unittest.main()
