"""Lumeck.scr under Wine on a private Xvfb with a fresh WINEPREFIX. `harness.py setup` makes that
world and writes GLIMRA_E2E_STATE; `cleanup` ends the processes it started, by PID, and removes
it."""

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
BOX = "#32770"
SCREEN = pictures.Rect(0, 0, 1024, 768)


def wine(command, env, check=True):
    """Runs a program under Wine; a failure shows its status and stderr. Debian's Wine has no
    preloader: now and then the address-space layout takes the fixed page Wine needs and nothing
    runs, so that start is made again."""
    done = processes.call(["wine", *command], env=env, timeout=600)
    if "failed to map the shared user data" in done.stderr:
        done = processes.call(["wine", *command], env=env, timeout=600)
    if check and done.returncode != 0:
        raise HelperFailed(["wine", *command], done.returncode, done.stderr)
    return done


def wine_env(state):
    return displays.XServer(**state["server"]).env(
        WINEPREFIX=state["prefix"],
        WINEDEBUG="-all,err+all",  # errors only, shown in a failure with the stderr
        WINEARCH="win64",
        WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d",
    )


def setup():
    cleanup()  # what a run that was cut off left behind
    displays.cache_fonts()
    work = tempfile.mkdtemp(prefix="glimra-e2e-")
    # A white root: anything the saver fails to cover shows up.
    server = displays.start_xvfb("-screen", "0", "1024x768x24", "-wr")
    state = {"work": work, "prefix": work + "/prefix", "server": server.__dict__}
    state["wineserver"] = processes.Started(["wineserver", "-f", "-p"], env=wine_env(state)).pid
    STATE.write_text(json.dumps(state))
    # No window manager: no wait for one at every close, and focus follows new windows.
    lines = [r"[HKEY_CURRENT_USER\Software\Wine\X11 Driver]", '"Managed"="N"', ""]
    lines += [r"[HKEY_CURRENT_USER\Software\Wine\WineDbg]", '"ShowCrashDialog"=dword:00000000']
    prepare_wine_prefix.prepare(wine_env(state), lines)


def cleanup():
    if not STATE.exists():
        return
    state = json.loads(STATE.read_text())
    run(["wineserver", "-k"], env=wine_env(state), check=False, timeout=60)
    processes.end_pid(state["wineserver"], "wineserver")
    displays.XServer(**state["server"]).stop()
    shutil.rmtree(state["work"], ignore_errors=True)
    STATE.unlink()


def parse(line):
    """A driver answer: tab-separated key=value fields, numbers (joined by commas) as ints, a
    window's rect as a Rect."""
    fields = {}
    for field in line.rstrip("\n").split("\t"):
        key, value = field.split("=", 1)
        numbers = value.split(",")
        fields[key] = value
        if key not in ("text", "class", "error") and all(n.lstrip("-").isdigit() for n in numbers):
            fields[key] = [int(n) for n in numbers] if len(numbers) > 1 else int(value)
    if "rect" in fields:
        fields["rect"] = pictures.Rect(*fields["rect"])
    return fields


class SaverCase(unittest.TestCase):
    """Each test starts with no settings stored, and ends every process it started."""

    def setUp(self):
        self.state = json.loads(STATE.read_text())
        self.env = wine_env(self.state)
        self.pids = []
        self.addCleanup(self.end_all)
        run(["wine", "reg", "delete", KEY, "/f"], env=self.env, check=False)

    def end_all(self):
        """Ends each process started so far, once: Wine soon gives its id to another."""
        while self.pids:
            self.driver("wait", self.pids.pop(), "kill")

    def driver(self, *args, check=True):
        """The driver's answer as a dict, for tree a list; a failure shows its status and stderr."""
        command = [DRIVER, *args]
        done = wine(command, self.env, check=False)
        rows = [parse(line) for line in done.stdout.splitlines()]
        if check and (not rows or "error" in rows[-1] or done.returncode != 0):
            error = rows[-1] if rows else "no answer"
            raise HelperFailed(
                ["wine", *command], done.returncode, done.stderr, f"answered {error}"
            )
        return rows if args[0] == "tree" else rows[0]

    def xdotool(self, *args):
        run(["xdotool", *args], env=self.env)

    def start(self, argtext, *wait_ms):
        """Starts the program as hosts do: its quoted path, a blank and the argument text; returns
        its PID, or with wait_ms the driver's answer."""
        line = f'"{WINE_SCR}"' + (" " + argtext if argtext else "")
        answer = self.driver("run", WINE_SCR, line, *wait_ms)
        self.pids.append(answer["pid"])
        return answer if wait_ms else answer["pid"]

    def host(self):
        """A preview host running the saver: its answer (host, pid), read from a file, not from a
        pipe, which the saver would hold."""
        out = pathlib.Path(tempfile.mkstemp(dir=self.state["work"])[1])
        with out.open("w") as stdout:
            command = ["wine", DRIVER, "host", 152, 112, WINE_SCR]
            process = processes.Started(command, env=self.env, stdout=stdout)
        self.addCleanup(process.end, 60)

        def answer():
            if not process.running():
                raise process.failure("ended without an answer")
            text = out.read_text()
            return parse(text) if text.endswith("\n") else None

        host = wait_for(answer, "the preview host")
        self.pids.append(host["pid"])
        self.addCleanup(self.driver, "close", host["host"], check=False)
        return host

    def gui_state(self, pid):
        return self.driver("tree", pid)[-1]

    def wait_for_keyboard(self, pid, window, title):
        """Waits until keys reach the window: it is the active window, and X gives the focus to a
        window titled title (Wine hands a key to the thread's focus)."""
        active = lambda: self.gui_state(pid)["active"] == window["hwnd"]  # noqa: E731
        wait_for(active, f"{title} to be the active window")

        def focused():
            focus = run(["xdotool", "getwindowfocus"], env=self.env, check=False).split()
            search = ["xdotool", "search", "--name", f"^{title}$"]
            return focus and focus[0] in run(search, env=self.env, check=False).split()

        wait_for(focused, f"the X input focus on {title}")

    def windows(self, pid):
        return self.driver("tree", pid)[:-1]

    def window(self, pid, class_name):
        """The process's top-level window of that class, once it shows."""

        def shown():
            top = [w for w in self.windows(pid) if w["class"] == class_name and not w["parent"]]
            return top[0] if top else None

        return wait_for(shown, f"a {class_name} window of {pid}")

    def exit_code(self, pid):
        answer = self.driver("wait", pid, 30000)
        self.assertEqual(answer["exited"], 1, f"{pid} runs on")
        return answer.get("code")

    def click(self, window):
        rect = window["rect"]
        middle = ((rect.left + rect.right) // 2, (rect.top + rect.bottom) // 2)
        self.xdotool("mousemove", *middle, "click", 1)

    def set_dpi(self, dpi):
        """The DPI of the next process; with DpiScalingVer, Wine honours the program's awareness."""

        def desktop(*values):
            lines = [r"[HKEY_CURRENT_USER\Control Panel\Desktop]", *values]
            prepare_wine_prefix.import_registry(lines, self.env)

        desktop(f'"LogPixels"=dword:{dpi:08x}', '"DpiScalingVer"=dword:00001018')
        self.addCleanup(desktop, '"LogPixels"=dword:00000060', '"DpiScalingVer"=-')

    def stored(self):
        """{name: (type, text)} of the settings key's values, texts exactly as stored."""
        query = wine(["reg", "query", KEY + r"\config"], self.env)
        values = {}
        for line in query.stdout.splitlines():
            if "    REG_" in line:
                name, kind, *text = line[4:].split("    ", 2)
                values[name] = (kind, text[0] if text else "")
        return values


if __name__ == "__main__":
    {"setup": setup, "cleanup": cleanup}[sys.argv[1]]()
