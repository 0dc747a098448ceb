"""The settings dialog through real clicks and keys: its layout as the product's table has it,
its pictures and captions, its handlers, and the settings it reads and writes."""

import collections, pathlib, subprocess, unittest  # noqa: E401

from harness import BOX, CANCEL, HSPEED, KEY, MAKER, OK, QUIET, TXTNUM, SaverCase, wait_for

UP, DOWN, FRAME1, LABEL1, LABEL2, LABEL3, IMAGE1 = 102, 101, 100, 108, 109, 110, 111


def pixels(shot, left, top, right, bottom):
    """The pixels of a rectangle of a shot, row by row."""
    return [[tuple(shot[2][(y * shot[0] + x) * 3:][:3]) for x in range(left, right)] for y in range(top, bottom)]


def ink(rows, ground=None):
    """The box of the pixels that differ from the ground, by default the commonest colour."""
    ground = ground or collections.Counter(p for row in rows for p in row).most_common(1)[0][0]
    at = [(x, y) for y, row in enumerate(rows) for x, p in enumerate(row) if p != ground]
    return [min(x for x, _ in at), min(y for _, y in at), max(x for x, _ in at) + 1, max(y for _, y in at) + 1]


class Dialog(SaverCase):
    def values(self):
        pid, _, controls = self.dialog()
        self.driver("wait", pid, "kill")
        return controls[TXTNUM]["text"], controls[HSPEED]["scroll"][0]

    def set(self, controls, count, speed):  # WM_SETTEXT, SBM_SETPOS
        self.driver("msg", "send", controls[TXTNUM]["hwnd"], 0x0C, 0, "=" + count)
        self.driver("msg", "send", controls[HSPEED]["hwnd"], 0xE0, speed, 1)

    def test_layout_captions_and_pictures(self):
        pid, window, controls = self.dialog()
        table = self.driver("layout")
        self.assertEqual(sorted(controls), sorted(row["id"] for row in table))
        for row in table:
            control, want = controls[row["id"]], row["rect"]
            got = [a - b for a, b in zip(control["rect"], window["client"][:2] * 2)]
            if row["caption"] and control["class"] == "Static":  # a label takes its caption's size
                got[2:] = [want[i] if want[i] - 1 <= got[i] < want[i] + 30 else got[i] for i in (2, 3)]
            self.assertEqual(got, want, row)  # exact at 96 DPI: 15 twips a pixel
            default = control["class"] == "Button" and control["style"][0] & 0xF == 1  # BS_DEFPUSHBUTTON
            self.assertEqual((control["text"] if row["caption"] else "", default), (row["caption"], False), row)
        self.assertEqual((controls[TXTNUM]["text"], controls[HSPEED]["scroll"]), ("30", [500, 100, 2000]))
        shot = self.shot((0, 0, 1024, 768))
        for label in (LABEL1, LABEL2, LABEL3):  # the whole caption, in the stand-in font
            drawn = self.driver("ink", "宋体", 90 if label == LABEL1 else 105, controls[label]["text"])
            self.assertEqual(ink(pixels(shot, *controls[label]["rect"])), drawn["ink"], label)
        self.assertNotEqual(*[pixels(shot, *controls[c]["rect"]) for c in (LABEL2, LABEL3)])
        for arrow, grows in ((UP, True), (DOWN, False)):  # black triangles
            rows = [n for n in (row.count((0, 0, 0)) for row in pixels(shot, *controls[arrow]["rect"])) if n]
            self.assertEqual(rows[0] < rows[-1], grows, rows)
        logo = sum(pixels(shot, *controls[IMAGE1]["rect"]), [])
        self.assertTrue(any(r > 180 and g > 150 and b < 100 for r, g, b in logo), "yellow")
        self.assertTrue(any(g > 120 and r < 100 and b < 100 for r, g, b in logo), "green")
        self.assertEqual(logo[0], pixels(shot, *window["client"][:2], *[c + 1 for c in window["client"][:2]])[0][0])
        # No other process gets the window's icon under Wine, but the caption draws it.
        icon = sum(pixels(shot, *window["rect"][:2], window["rect"][0] + 40, window["rect"][1] + 30), [])
        self.assertTrue(any(r > 200 and g < 80 and b < 80 for r, g, b in icon), "red disc")
        self.assertTrue(any(g > 200 and r < 80 and b < 80 for r, g, b in icon), "green disc")

    def test_keys_tab_in_order_and_press_no_button(self):
        pid, window, controls = self.dialog()
        for want in (TXTNUM, HSPEED, OK, CANCEL, TXTNUM):
            focused = lambda: self.driver("tree", pid)[-1]["focus"] == controls[want]["hwnd"]
            wait_for(focused, message=f"focus on {want}")
            self.x("key", *(["Return", "Escape", "KP_Enter"] if want in (TXTNUM, HSPEED) else []), "Tab")
        self.assertEqual((self.driver("wait", pid, 1000)["exited"], self.stored()), (0, {}))

    def test_the_speed_bar_and_the_arrows_step_within_their_stops(self):
        pid, window, controls = self.dialog()
        bar = controls[HSPEED]["rect"]
        now = lambda id_, key: next(w[key] for w in self.windows(pid) if w["id"] == id_)
        for start, x, want in ((120, bar[0] + 4, 100), (1900, bar[2] - 23, 2000)):
            self.set(controls, "30", start)
            self.x("mousemove", x, (bar[1] + bar[3]) // 2, "click", 1)
            wait_for(lambda: now(HSPEED, "scroll")[0] == want, message=f"the bar at {want}")
        for text, arrow, want in (("30", UP, "31"), ("30", DOWN, "29"), ("200", UP, "200"), ("0", DOWN, "0"),
                                  ("12abc", UP, "13")):
            self.set(controls, text, 500)
            self.click(controls[arrow])
            wait_for(lambda: now(TXTNUM, "text") == want, message=want)
            self.assertEqual((now(TXTNUM, "selection"), self.driver("tree", pid)[-1]["focus"]),
                             ([0, len(want)], controls[TXTNUM]["hwnd"]))

    def test_ok_stores_the_texts_as_they_stand_cancel_and_the_close_box_store_nothing(self):
        for count, speed, how, shown in ((" 50x ", 100, OK, "50"), ("", 2000, OK, "30"), ("150", 1500, CANCEL, "30"),
                                         ("150", 1500, "close box", "30")):
            with self.subTest(count=count, how=how):
                [self.driver("wait", pid, "kill") for pid in self.pids]  # the one before, even if it failed
                pid, window, controls = self.dialog()
                self.set(controls, count, speed)
                if how == "close box":  # WM_SYSCOMMAND SC_CLOSE
                    self.driver("msg", "post", window["hwnd"], 0x112, 0xF060, 0)
                else:
                    self.click(controls[how])
                self.assertIn(self.exit_code(pid), (0, None))
                if how == OK:
                    self.assertEqual(self.stored(), {"NumberofPoint": ("REG_SZ", count),
                                                     "speed": ("REG_SZ", str(speed))})
                self.assertEqual(self.values(), (shown, speed if how == OK else 2000))

    def test_a_refused_write_shows_error_70_over_the_disabled_form(self):
        pid, window, controls = self.dialog()
        self.driver("acl", "D:(D;;0x6;;;WD)(A;;KA;;;WD)")  # KEY_SET_VALUE, KEY_CREATE_SUB_KEY refused
        self.click(controls[OK])
        texts = [w["text"] for w in self.windows(pid) if w["parent"] == self.window(pid, BOX)["hwnd"]]
        self.assertTrue(any("运行时错误" in text and "70" in text for text in texts), texts)
        self.assertEqual((self.window(pid, BOX)["owner"], next(w for w in self.windows(pid) if w["hwnd"] == window[
            "hwnd"])["shown"]), (window["hwnd"], [1, 0]))
        self.x("key", "Return")
        self.assertEqual((self.exit_code(pid), self.stored()), (70, {}))

    def test_the_logo_names_the_maker_and_opens_the_address(self):
        record, script = (pathlib.Path(self.state["work"], name) for name in ("urls.txt", "browser.sh"))
        script.write_text(f'#!/bin/sh\necho "$@" >> "{record}"\n')
        script.chmod(0o755)  # winebrowser runs the first of these browsers it finds
        subprocess.run(["wine", "reg", "add", r"HKCU\Software\Wine\WineBrowser", "/v", "Browsers", "/d", str(script),
                        "/f"], env=self.env, **QUIET)
        pid, window, controls = self.dialog()
        logo = controls[IMAGE1]["rect"]
        self.x("mousemove", (logo[0] + logo[2]) // 2, (logo[1] + logo[3]) // 2)
        tip = lambda: next((w["text"] for w in self.windows(pid) if w["class"] == "tooltips_class32" and w["text"]), 0)
        self.assertEqual(wait_for(tip, message="the tooltip"), MAKER["name"])
        hand = self.driver("tree", pid)[-1]["cursor"][0]
        self.x("mousemove", controls[FRAME1]["rect"][0] + 60, controls[FRAME1]["rect"][1] + 30)
        wait_for(lambda: self.driver("tree", pid)[-1]["cursor"][0] != hand, message="another cursor")
        self.click(controls[IMAGE1])
        wait_for(record.exists, message="the browser")
        self.assertEqual((record.read_text().split(), self.driver("wait", pid, 0)["exited"]), ([MAKER["address"]], 0))

    def test_reading_takes_only_texts_and_never_writes(self):
        for stored, shown in (({"NumberofPoint": "9.5", "speed": "1500.5"}, ("10", 1500)),
                              ({"speed": "300"}, ("30", 300)),  # a key without the other value
                              ({"NumberofPoint": ("hex(2):35,00,30,00,00,00",),  # "50" as REG_EXPAND_SZ
                                "speed": ("hex(1):33,00,30,00,30,00,37",)}, ("30", 300)),  # "300" and half
                              ({"NumberofPoint": ("dword:00000032",), "speed": ("dword:0000012c",)}, ("30", 500)),
                              ({"NumberofPoint": "9" * (1 << 20), "speed": " " * (1 << 20)}, ("30", 500))):
            subprocess.run(["wine", "reg", "delete", KEY, "/f"], env=self.env, **QUIET)
            self.store(**stored)
            before = self.stored()
            self.assertEqual((self.values(), self.stored()), (shown, before), str(stored)[:80])

if __name__ == "__main__":
    unittest.main()
