"""lumeck's settings dialog, statement box and run-time error box, on Xvfb
with a home of its own, read as assistive technology reads them (AT-SPI on the D-Bus
session of dbus-run-session) and driven by real clicks and keys."""
import ctypes
import os
import shutil
import subprocess
import tempfile
import time
import unittest

import pyatspi
from gi.repository import GLib

def poll(check, what, timeout=15.0):
    end = time.monotonic() + timeout
    while not (result := check()):
        if time.monotonic() > end:
            raise AssertionError("timed out waiting for " + what)
        time.sleep(0.05)
    return result

def write(path, content):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w") as out:
        out.write(content)

def ended(process):
    return poll(lambda: process.poll() is not None, "the end") and process.returncode

class Display:
    """Xvfb with a home in it; `dpi` is Xft.dpi, which GTK sizes fonts and the dialog by."""

    def __init__(self, test, dpi=96):
        read_end, write_end = os.pipe()
        server = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-nolisten", "tcp", "-ac",
                                   "-noreset"], pass_fds=[write_end], stderr=subprocess.DEVNULL)
        test.addCleanup(lambda: server.terminate() or server.wait())
        os.close(write_end)
        self.name = ":" + os.fdopen(read_end).readline().strip()
        self.run("xrdb", "-merge", input=f"Xft.dpi: {dpi}\n")
        self.home = tempfile.mkdtemp(prefix="glimra-gtk-")
        test.addCleanup(shutil.rmtree, self.home)
        os.chmod(self.home, 0o755)
        os.mkdir(self.home + "/run", 0o700)
        self.env = {k: v for k, v in os.environ.items() if k != "NO_AT_BRIDGE"}
        self.env.update(DISPLAY=self.name, HOME=self.home, XDG_RUNTIME_DIR=self.home + "/run",
                        XDG_CONFIG_HOME=self.home + "/config", XDG_DATA_HOME=self.home + "/data")
        self.settings = self.home + "/config/Vestrel/settings.ini"

    def run(self, *command, input=None, check=True):
        return subprocess.run(command, input=input, text=True, capture_output=True, check=check,
                              env=dict(os.environ, DISPLAY=self.name)).stdout

    def windows(self, name):
        found = self.run("xdotool", "search", "--onlyvisible", "--name", name, check=False)
        return [int(window) for window in found.split()]

    def close_window(self, window):  # what a window manager's close box sends
        x11 = ctypes.cdll.LoadLibrary("libX11.so.6")
        x11.XOpenDisplay.restype = x11.XInternAtom.restype = ctypes.c_void_p
        display = ctypes.c_void_p(x11.XOpenDisplay(self.name.encode()))
        atoms = [x11.XInternAtom(display, name, 0) for name in (b"WM_PROTOCOLS",
                                                                 b"WM_DELETE_WINDOW")]
        event = (ctypes.c_long * 24)(33, 0, 0, 0, window, atoms[0], 32, atoms[1])
        x11.XSendEvent(display, ctypes.c_ulong(window), 0, ctypes.c_long(0), event)
        x11.XCloseDisplay(display)

    def store(self, **values):
        write(self.settings, "[config]\n" + "".join(f"{k}={v}\n" for k, v in values.items()))
        return open(self.settings, "rb").read()

    def stored(self):
        keys = GLib.KeyFile()
        keys.load_from_file(self.settings, GLib.KeyFileFlags.NONE)
        return {key: keys.get_string("config", key) for key in keys.get_keys("config")[0]}

    def start(self, *args, lumeck=os.environ.get("LUMECK"), user=None):
        as_user = ["setpriv", f"--reuid={user}", f"--regid={user}", "--clear-groups"]
        return subprocess.Popen((as_user if user else []) + [lumeck, *args], env=self.env)

def window_of(process, role, name):
    """The process's top-level accessible of that role and name, once it shows."""
    def find():
        apps = [app for app in pyatspi.Registry.getDesktop(0)
                if app is not None and app.get_process_id() == process.pid]
        return next((w for app in apps for w in app
                     if w.getRoleName() == role and w.name == name), None)
    return poll(find, f"the {role} {name!r}")

descendants = lambda node: pyatspi.findAllDescendants(node, lambda _: True)  # noqa: E731

def extents(node):
    box = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return box.x, box.y, box.width, box.height

text = lambda node: node.queryText().getText(0, -1)  # noqa: E731
selection = lambda node: node.queryText().getSelection(0)[:2]  # noqa: E731
focused = lambda node: node.getState().contains(pyatspi.STATE_FOCUSED)  # noqa: E731
value = lambda node: node.queryValue().currentValue  # noqa: E731

# Places on the client area in twips (left, top, right, bottom), captions and roles.
LAYOUT = {
    "Frame2": ((120, 120, 4215, 1215), "绘点速度", "panel"),
    "Hspeed": ((240, 720, 3975, 1095), "", "scroll bar"),
    "Label3": ((240, 360, 450, 570), "快", "label"),
    "Label2": ((3720, 360, 3930, 570), "慢", "label"),
    "Frame1": ((120, 1440, 4215, 2295), "Glimra密度", "panel"),
    "CmdChange(0)": ((3480, 1710, 3735, 1890), "", "push button"),
    "CmdChange(1)": ((3480, 1890, 3735, 2070), "", "push button"),
    "TxtNum": ((2760, 1710, 3735, 2070), "", "text"),
    "Label1": ((480, 1800, 2280, 1980), "Glimra个数(10 - 200个)", "label"),
    "Command3": ((4350, 240, 5205, 615), "确定", "push button"),
    "Command4": ((4350, 720, 5205, 1095), "取消", "push button"),
    "Image1": ((4560, 1680, 5055, 2175), "", "panel"),
}

class DialogTest(unittest.TestCase):
    def setUp(self):
        self.display = Display(self)

    def open(self):
        self.process = self.display.start()
        self.addCleanup(lambda process=self.process: process.poll() is None and process.kill())
        window = window_of(self.process, "frame", "配置")
        self.controls = {node.accessibleId: node for node in descendants(window)}
        return window

    def click(self, name, dx=None):
        x, y, width, height = extents(self.controls[name])
        self.display.run("xdotool", "mousemove", "--sync", str(x + (width // 2 if dx is None else
                         dx % width)), str(y + height // 2), "click", "1")

    def test_layout_captions_and_roles_follow_the_table_at_each_dpi(self):
        for dpi in (96, 144):
            self.display = Display(self, dpi)
            px = lambda twips: (twips * dpi + 720) // 1440  # noqa: E731
            left, top, width, height = extents(self.open())
            self.assertEqual((width, height), (px(5295), px(2535)))
            self.display.run("import", "-window", "root", "-crop", f"{width}x{height}+{left}+"
                             f"{top}", os.path.join(os.environ["GLIMRA_SHOTS"], f"dialog-{dpi}.png"))
            for name, (place, caption, role) in LAYOUT.items():
                x, y, w, h = extents(self.controls[name])
                want = [px(twips) for twips in place]
                self.assertLessEqual(abs(x - left - want[0]) + abs(y - top - want[1]), 1, name)
                for got, laid_out in ((w, want[2] - want[0]), (h, want[3] - want[1])):
                    # Labels take their caption's size, never smaller than laid out.
                    self.assertTrue(-1 <= got - laid_out <= (1, 99)["Label" in name], name)
                self.assertEqual((self.controls[name].name, self.controls[name].getRoleName()),
                                 (caption, role))

    def test_arrows_step_the_count_then_select_it_and_focus_the_box_and_the_bar_steps(self):
        self.open()
        box, bar = self.controls["TxtNum"], self.controls["Hspeed"]
        for before, arrow, after in [("30", 0, "31"), ("200", 0, "200"), ("1", 1, "0"),
                                     ("abc", 1, "abc"), ("x" * 300, 1, "x" * 300)]:
            box.queryEditableText().setTextContents(before)
            self.display.run("xdotool", "key", "Tab")  # the focus leaves the box first
            poll(lambda: not focused(box), "the focus to leave the box")
            self.click(f"CmdChange({arrow})")
            poll(lambda: text(box) == after and focused(box), f"{after[:9]!r}, focused")
            self.assertEqual(selection(box), (0, min(len(after), 255)))
        for start, dx, want in [(120, 4, 100), (1900, -25, 2000), (500, -4, 550)]:
            bar.queryValue().currentValue = start  # by its end arrows, then by its track
            poll(lambda: value(bar) == start, f"the bar at {start}")
            self.click("Hspeed", dx)
            poll(lambda: value(bar) == want, f"the bar at {want}")

    def test_ok_stores_the_text_verbatim_cancel_and_the_close_box_store_nothing(self):
        for close, typed, shown_next in [("Command3", "abc", "30"), ("Command3", " 50 ", "50"),
                                         ("Command3", "", "30"), ("Command4", "77", "40"),
                                         ("close box", "77", "40")]:
            before = self.display.store(NumberofPoint="40", speed="2000")
            self.open()
            self.controls["TxtNum"].queryEditableText().setTextContents(typed)
            if close == "close box":
                self.display.close_window(self.display.windows("^配置$")[0])
            else:
                self.click(close)
            self.assertEqual(ended(self.process), 0)
            if close == "Command3":
                self.assertEqual(self.display.stored(), {"NumberofPoint": typed, "speed": "2000"})
            else:
                self.assertEqual(open(self.display.settings, "rb").read(), before)
            self.open()  # the next start reads what was stored
            self.assertEqual((text(self.controls["TxtNum"]), value(self.controls["Hspeed"])),
                             (shown_next, 2000))
            self.process.kill()
            self.process.wait()  # the instance lock goes with the process

    def test_logo_opens_the_address_with_the_desktop_default_and_leaves_the_dialog(self):
        home, address = self.display.home, "https://www.glimra.example/\n"
        write(home + "/data/applications/recorder.desktop", "[Desktop Entry]\nType=Application\n"
              f"Name=Recorder\nExec=sh -c 'echo \"$1\" >{home}/opened' sh %u\n")
        write(home + "/config/mimeapps.list",
              "[Default Applications]\nx-scheme-handler/https=recorder.desktop\n")
        self.open()
        self.click("Image1")
        poll(lambda: os.path.exists(home + "/opened") and open(home + "/opened").read() == address,
             "the browser to get the address")
        self.assertEqual((self.process.poll(), text(self.controls["TxtNum"]),
                          value(self.controls["Hspeed"])), (None, "30", 500))

    def test_statement_box_names_the_maker_and_its_ok_ends_the_process(self):
        self.process = self.display.start("/v")
        box = window_of(self.process, "alert", "声明")
        self.assertIn("Glimra 屏幕保护程序由 Glimra 工作室 制作。", [n.name for n in descendants(box)])
        self.controls = {n.getRoleName(): n for n in descendants(box)}
        self.click("push button")  # OK
        self.assertEqual(ended(self.process), 0)

    def test_refused_write_shows_the_error_box_over_the_dialog_and_keeps_the_file(self):
        # Root writes anywhere, so the program runs as nobody, which cannot reach this
        # session's bus: the windows are found by their names.
        before = self.display.store(NumberofPoint="40", speed="700")
        user = 65534 if os.geteuid() == 0 else None
        subprocess.run(["chown", "-R", f"{user}:{user}", self.display.home] if user else ["true"])
        os.chmod(os.path.dirname(self.display.settings), 0o555)
        self.display.env["NO_AT_BRIDGE"] = "1"
        process = self.display.start(user=user)
        [dialog] = poll(lambda: self.display.windows("^配置$"), "the dialog")
        self.display.run("xdotool", "mousemove", "--window", str(dialog), "318", "28", "click", "1")
        [box] = poll(lambda: self.display.windows("^Lumeck$"), "the error box")
        owner = self.display.run("xprop", "-id", str(box), "WM_TRANSIENT_FOR").split("#")[1]
        self.assertEqual(int(owner, 16), dialog)
        self.display.run("xdotool", "windowfocus", "--sync", str(box), "key", "Return")
        self.assertEqual(ended(process), 70)
        self.assertEqual(open(self.display.settings, "rb").read(), before)

if __name__ == "__main__":
    unittest.main(verbosity=2)
