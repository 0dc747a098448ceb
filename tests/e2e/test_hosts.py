"""How real hosts and systems start the program: handles as Windows passes them, paths with
blanks, values of other types, a lock name held by others, and captions in the stand-in font."""

import json
import os
import shutil
import subprocess
import unittest

from harness import DIALOG_CLASS, SAVER_CLASS, SaverTestCase, wait_for

WINE_DESKTOP = 65568  # GetDesktopWindow() under Wine; 65569 names the same window
LABELS = {110: 105, 109: 105, 108: 90}  # Label3, Label2, Label1: tenths of a point of "宋体"


def ink_box(image):
    """The box of the pixels that differ from the image's commonest colour."""
    colours = image.colours()
    ground = max(colours, key=colours.get)
    xs, ys = [], []
    for y in range(image.height):
        for x in range(image.width):
            if image.pixel(x, y) != ground:
                xs.append(x)
                ys.append(y)
    return [min(xs), min(ys), max(xs) + 1, max(ys) + 1] if xs else None


class HostsTest(SaverTestCase):
    def assert_ends_at_once(self, argtext):
        answer = self.run_to_end(argtext, timeout=10)
        self.assertTrue(answer["exited"], f"{argtext!r} runs on")
        self.assertEqual(answer["windows_seen"], [], argtext)
        self.assert_no_crash(answer["code"])

    def test_a_handle_past_two_to_the_31_hosts_the_preview(self):
        host = self.start_host(high=True)
        number = int(host.argtext.split()[1])
        self.assertGreaterEqual(number, 2 ** 31, host.argtext)
        wait_for(lambda: any(c["class"] == SAVER_CLASS and c["visible"] and c["client"] == [152, 112]
                             for c in self.driver.children(host.hwnd)),
                 timeout=30, message="the saver inside the host")
        self.assertEqual(host.close()["exited"], True, "the saver ends with its host")
        for argtext in ("/p 4294967296", "/p -2147483649"):
            with self.subTest(argtext=argtext):
                self.assert_ends_at_once(argtext)

    def test_the_desktop_cannot_host_a_preview(self):
        for number in (WINE_DESKTOP, WINE_DESKTOP + 1):
            with self.subTest(handle=number):
                self.assert_ends_at_once(f"/p {number}")
        with self.running("/c") as pid:
            self.wait_window(pid, DIALOG_CLASS)

    def test_an_unquoted_path_with_blanks_gives_the_saver(self):
        folder = os.path.join(self.saver.state["WINEPREFIX"], "drive_c", "Program Files",
                              "Glimra Test")
        os.makedirs(folder, exist_ok=True)
        shutil.copy(self.scr, os.path.join(folder, "Lumeck.scr"))
        path = r"C:\Program Files\Glimra Test\Lumeck.scr"
        pid = self.driver.call("start-line", path, path + " /s")["pid"]
        self._pids.append(pid)
        self.wait_window(pid, SAVER_CLASS)

    def test_only_text_counts_as_stored(self):
        # "50" as REG_EXPAND_SZ is not stored; "300" and half a character is "300".
        reg = os.path.join(self.saver.state["GLIMRA_E2E_DIR"], "types.reg")
        lines = ["Windows Registry Editor Version 5.00", "",
                 r"[HKEY_CURRENT_USER\Software\VB and VBA Program Settings\Vestrel\config]",
                 '"NumberofPoint"=hex(2):35,00,30,00,00,00',
                 '"speed"=hex(1):33,00,30,00,30,00,37']
        with open(reg, "w", encoding="utf-16") as out:
            out.write("\r\n".join(lines) + "\r\n")
        subprocess.run(["wine", "regedit", "/S", "Z:" + reg.replace("/", "\\")],
                       env=self.driver.env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, check=True, timeout=60)
        self.assertEqual(self.dialog_values(), ("30", 300))

    def test_a_lock_name_held_by_another_ends_the_start(self):
        # An event of the same name, or a mutex whose DACL denies us, as another instance
        # at another integrity level holds it.
        for kind in ("event", "denied"):
            with self.subTest(kind=kind):
                out = os.path.join(self.saver.state["GLIMRA_E2E_DIR"], f"hold-{kind}.jsonl")
                with open(out, "wb") as target:
                    subprocess.Popen(["wine", self.driver.exe, "hold-name", kind],
                                     env=self.driver.env, stdin=subprocess.DEVNULL,
                                     stdout=target, stderr=subprocess.DEVNULL)
                holder = wait_for(lambda: first_answer(out), timeout=30, message="the holder")
                self.assertIn(holder["mutex_error"], (5, 6))
                try:
                    self.assert_ends_at_once("/c")
                finally:
                    self.driver.kill(holder["pid"])

    def test_labels_show_their_whole_caption(self):
        pid, _, controls = self.open_dialog()
        shot_path = os.path.join(self.saver.state["GLIMRA_E2E_DIR"], "label.ppm")
        for control, tenths in LABELS.items():
            with self.subTest(caption=controls[control]["text"]):
                label = self.driver.capture(controls[control]["hwnd"], shot_path, "screen")
                drawn = self.driver.call("caption-ink", "宋体", tenths,
                                         controls[control]["text"])["ink"]
                self.assertEqual(ink_box(label), drawn)


def first_answer(path):
    with open(path, encoding="utf-8") as lines:
        line = lines.readline()
    return json.loads(line) if line.endswith("\n") else None


if __name__ == "__main__":
    unittest.main()
