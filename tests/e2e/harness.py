"""Lumeck.scr (GLIMRA_SCR) under Wine on a private Xvfb display with a fresh WINEPREFIX, driven
by driver.exe (GLIMRA_DRIVER), xdotool, ImageMagick and Wine's reg tool. `harness.py setup` makes
that world and writes GLIMRA_E2E_STATE; `harness.py cleanup` ends exactly the processes it
started, by their PIDs, and removes it."""

import json
import os
import pathlib
import shutil
import sys
import tempfile
import unittest

from glimratest import displays, pictures, processes, product
from glimratest.processes import HelperFailed, run
from glimratest.waiting import wait_for

sys.path.insert(0, str(product.ROOT / "scripts"))
import prepare_wine_prefix  # noqa: E402

STATE = pathlib.Path(os.environ["GLIMRA_E2E_STATE"])
SCR = os.environ["GLIMRA_SCR"]
DRIVER = os.environ["GLIMRA_DRIVER"]
WINE_SCR = "Z:" + SCR.replace("/", "\\")
KEY = r"HKEY_CURRENT_USER\Software\VB and VBA Program Settings\Vestrel"
SAVER = "GlimraForm1"
DIALOG = "GlimraSettingfrm"
BOX = "#32770"
SCREEN = pictures.Rect(0, 0, 1024, 768)
WM_CLOSE = 0x10
SBM_SETPOS = 0xE0


def wine_env(state):
    env = displays.XServer(**state["server"]).env(
        WINEPREFIX=state["prefix"],
        WINEDEBUG="-all,err+all",  # errors only, shown in a failure with the stderr
        WINEARCH="win64",
        WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d",
    )
    return env


def setup():
    cleanup()  # what a run that was cut off left behind
    displays.cache_fonts()
    work = tempfile.mkdtemp(prefix="glimra-e2e-")
    # A white root: anything the saver fails to cover shows up.
    server = displays.start_xvfb("-screen", "0", "1024x768x24", "-wr")
    state = {"work": work, "prefix": work + "/prefix", "server": server.__dict__, "wineserver": 0}
    STATE.write_text(json.dumps(state))
    wineserver = processes.Started(["wineserver", "-f", "-p"], env=wine_env(state))
    state["wineserver"] = wineserver.pid
    STATE.write_text(json.dumps(state))
    # No window manager: no wait for one at every close, and focus follows new windows.
    no_manager = [r"[HKEY_CURRENT_USER\Software\Wine\X11 Driver]", '"Managed"="N"', ""]
    no_crash_dialog = [
        r"[HKEY_CURRENT_USER\Software\Wine\WineDbg]",
        '"ShowCrashDialog"=dword:00000000',
    ]
    prepare_wine_prefix.prepare(wine_env(state), no_manager + no_crash_dialog)


def cleanup():
    if not STATE.exists():
        return
    state = json.loads(STATE.read_text())
    if state["wineserver"]:
        run(["wineserver", "-k"], env=wine_env(state), check=False, timeout=60)
        processes.end_pid(state["wineserver"], "wineserver")
    displays.XServer(**state["server"]).stop()
    shutil.rmtree(state["work"], ignore_errors=True)
    STATE.unlink()


def parse(line):
    """A driver answer: tab-separated key=value fields; numbers, or lists of numbers joined by
    commas, become ints or lists of ints, except the texts."""
    fields = {}
    for field in line.rstrip("\n").split("\t"):
        key, value = field.split("=", 1)
        numbers = value.split(",")
        if key in ("text", "handle", "caption", "name", "class", "error", "seen"):
            fields[key] = value
        elif all(number.lstrip("-").isdigit() for number in numbers):
            fields[key] = [int(n) for n in numbers] if len(numbers) > 1 else int(value)
        else:
            fields[key] = value
    return fields


def rect_of(window, key="rect"):
    """A window's rectangle (or its "client" area) on the screen as a Rect."""
    left, top, third, fourth = window[key]
    if key == "client":  # origin and size
        return pictures.Rect(left, top, left + third, top + fourth)
    return pictures.Rect(left, top, third, fourth)


class SaverCase(unittest.TestCase):
    """Each test starts with no settings stored, and ends every process it started."""

    def setUp(self):
        self.state = json.loads(STATE.read_text())
        self.env = wine_env(self.state)
        self.pids = []
        self.addCleanup(self.end_all)
        self.driver("acl", "D:(A;;KA;;;WD)")
        run(["wine", "reg", "delete", KEY, "/f"], env=self.env, check=False)

    def end_all(self):
        """Ends each process started so far, once: Wine soon gives its id to another."""
        while self.pids:
            self.driver("wait", self.pids.pop(), "kill")

    def driver(self, *args, check=True):
        """The driver's answers, one dict a line: the first for most commands, all of them for
        tree and layout. A failure or no answer raises with its exit status and stderr."""
        command = ["wine", DRIVER, *args]
        done = processes.call(command, env=self.env, timeout=600)
        rows = [parse(line) for line in done.stdout.splitlines()]
        if check and (not rows or "error" in rows[-1] or done.returncode != 0):
            error = rows[-1] if rows else "no answer"
            raise HelperFailed(command, done.returncode, done.stderr, f"answered {error}")
        return rows if args[0] in ("tree", "layout") else rows[0] if rows else {}

    def xdotool(self, *args):
        run(["xdotool", *args], env=self.env)

    def blobs(self, rect=None):
        return pictures.blobs(self.env, rect)

    def start(self, argtext, count=1, wait_ms=0, exe=None):
        """Starts the program as hosts do: its quoted path (or exe as it stands), a blank and the
        argument text; returns its PID, or with count or wait_ms the driver's answer."""
        line = (exe or f'"{WINE_SCR}"') + (" " + argtext if argtext else "")
        answer = self.driver("run", exe or WINE_SCR, line, count, wait_ms)
        started = answer["pids"] if count > 1 else [answer["pids"]]
        self.pids += started
        return answer if count > 1 or wait_ms else started[0]

    def background(self, *args):
        """A driver command that lives on (host, hold): its first answer, with a function that
        waits for its second. Its output goes to a file: a saver it starts would hold a pipe."""
        out = pathlib.Path(tempfile.mkstemp(dir=self.state["work"])[1])
        command = ["wine", DRIVER, *args]
        with out.open("w") as stdout:
            process = processes.Started(command, env=self.env, stdout=stdout)
        self.addCleanup(process.end, 60)

        def answer(number):
            lines = [line for line in out.read_text().splitlines(True) if line.endswith("\n")]
            if len(lines) <= number and not process.running():
                raise process.failure(f"ended after {len(lines)} answers")
            return parse(lines[number]) if len(lines) > number else None

        first = wait_for(lambda: answer(0), f"the first answer of {args}")
        self.pids.append(first["pid"])  # what it started, or itself
        return dict(first, next=lambda: wait_for(lambda: answer(1), f"the next answer of {args}"))

    def host(self, high=False):
        """A preview host with the saver inside, closed (WM_CLOSE) after the test."""
        host = self.background("host", 152, 112, WINE_SCR, *(["high"] if high else []))
        self.addCleanup(self.driver, "msg", "post", host["host"], WM_CLOSE, 0, 0, check=False)
        return host

    def gui_state(self, pid):
        """The process's focus, active window and the cursor: the last line of tree."""
        return self.driver("tree", pid)[-1]

    def wait_for_keyboard(self, pid, window, *titles):
        """Waits until keys reach the window: Wine has made it the active window and the X server
        gives the input focus to one of the process's windows, named by titles (Wine hands a
        key to the thread's focus). A key pressed before then goes elsewhere."""
        active = lambda: self.gui_state(pid)["active"] == window["hwnd"]  # noqa: E731
        wait_for(active, f"{titles[0]} to be the active window")

        def focused():
            focus = run(["xdotool", "getwindowfocus"], env=self.env, check=False).split()
            for title in titles:
                named = run(
                    ["xdotool", "search", "--name", f"^{title}$"], env=self.env, check=False
                )
                if focus and focus[0] in named.split():
                    return True
            return False

        wait_for(focused, f"the X input focus on {' or '.join(titles)}")

    def windows(self, pid):
        return self.driver("tree", pid)[:-1]

    def window(self, pid, class_name):
        """The process's top-level window of that class, once it shows."""

        def shown():
            found = self.windows(pid)
            top = [w for w in found if w["class"] == class_name and not w["parent"]]
            return top[0] if top else None

        return wait_for(shown, f"a {class_name} window of {pid}")

    def exit_code(self, pid):
        answer = self.driver("wait", pid, 30000)
        self.assertEqual(answer["exited"], 1, f"{pid} runs on")
        return answer.get("code")

    def controls(self, pid, window):
        """The window's controls by the names the layout gives them."""
        names = {row["id"]: row["name"] for row in self.layout()[:-1]}
        found = [w for w in self.windows(pid) if w["parent"] == window["hwnd"]]
        return {names.get(w["id"], w["id"]): w for w in found}

    def layout(self, dpi=96):
        """Where the product places each control at dpi (name, id, kind, caption, left, top, right,
        bottom); the last row is the client area, with the full screen's pen."""
        table = run(["wine", os.environ["GLIMRA_LAYOUT_TABLE"], dpi], env=self.env)
        return [json.loads(row) for row in table.splitlines()]

    def assert_layout(self, window, controls, layout, dpi=96):
        """Each control where the product places it, with its caption, and no default button."""
        *rows, client = layout
        size = [client["right"] - client["left"], client["bottom"] - client["top"]]
        self.assertEqual(window["client"][2:], size, f"the client area at {dpi}")
        self.assertEqual(sorted(controls), sorted(row["name"] for row in rows))
        for row in rows:
            control = controls[row["name"]]
            left, top = window["client"][:2]
            placed = dict(zip(("left", "top", "right", "bottom"), control["rect"]))
            placed = {
                edge: at - (left if edge in ("left", "right") else top)
                for edge, at in placed.items()
            }
            for edge, at in placed.items():
                laid = row[edge]
                if row["kind"] == "label" and edge in ("right", "bottom"):
                    at = min(at, laid)  # a label takes its caption's size, never less than laid out
                self.assertEqual(at, laid, f"{row['name']}'s {edge} at {dpi}")
            self.assertEqual(control["text"] if row["caption"] else "", row["caption"])
            default = control["class"] == "Button" and control["style"][0] & 0xF == 1
            self.assertFalse(default, f"{row['name']} is a default button")

    def dialog(self):
        """Starts the dialog: (pid, its window, its controls by name), once all are there."""
        pid = self.start("/c")
        window = self.window(pid, DIALOG)
        every = len(self.layout()) - 1
        names = lambda: sorted(map(str, self.controls(pid, window)))  # noqa: E731
        wait_for(names, "every control of the dialog", done=lambda found: len(found) >= every)
        controls = self.controls(pid, window)
        self.wait_for_keyboard(pid, window, "配置")  # so that clicks and keys reach it
        return pid, window, controls

    def click(self, window):
        rect = rect_of(window)
        middle = ((rect.left + rect.right) // 2, (rect.top + rect.bottom) // 2)
        self.xdotool("mousemove", *middle, "click", 1)

    def store(self, **values):
        """Stores each value: a text as REG_SZ, a tuple as regedit writes data ("dword:...")."""
        lines = [f"[{KEY}\\config]"]
        for name, value in values.items():
            lines.append(f'"{name}"=' + (f'"{value}"' if isinstance(value, str) else value[0]))
        prepare_wine_prefix.import_registry(lines, self.env)

    def stored(self):
        """{name: (type, text)} of the settings key's values, texts exactly as stored."""
        query = run(["wine", "reg", "query", KEY + r"\config"], env=self.env, check=False)
        values = {}
        for line in query.splitlines():
            if "    REG_" in line:
                name, kind, *text = line[4:].split("    ", 2)
                values[name] = (kind, text[0] if text else "")
        return values


if __name__ == "__main__":
    {"setup": setup, "cleanup": cleanup}[sys.argv[1]]()
