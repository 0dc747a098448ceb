"""Lumeck.scr under Wine on a private Xvfb with a fresh WINEPREFIX, driven by the end-to-end
driver (GLIMRA_DRIVER). `python3 -m glimratest.wine setup` makes that world and writes
GLIMRA_E2E_STATE; `cleanup` ends the processes it started, by PID, and removes it. SaverCase is
a test in it."""

import json
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile
import unittest

from glimratest import displays, pictures, processes, product
from glimratest.processes import HelperFailed, Started, run
from glimratest.waiting import wait_for

STATE = pathlib.Path(os.environ["GLIMRA_E2E_STATE"])
SCR = os.environ["GLIMRA_SCR"]
DRIVER = os.environ["GLIMRA_DRIVER"]
WINE_SCR = "Z:" + SCR.replace("/", "\\")
KEY = r"Software\VB and VBA Program Settings\Vestrel"  # under HKEY_CURRENT_USER
SAVER = "GlimraForm1"
BOX = "#32770"
SCREEN = pictures.Rect(0, 0, 1024, 768)
# Debian's Wine has no preloader: now and then the address-space layout takes the fixed page
# Wine needs, it says this, and nothing runs; that start is made again.
NO_START = "failed to map the shared user data"


def wine(command, env):
    """Runs a program under Wine; a failure shows its status and stderr."""
    done = processes.call(["wine", *command], env=env, timeout=600)
    if NO_START in done.stderr:
        done = processes.call(["wine", *command], env=env, timeout=600)
    if done.returncode != 0:
        raise HelperFailed(["wine", *command], done.returncode, done.stderr)
    return done


def wine_env(state):
    return displays.XServer(**state["server"]).env(
        WINEPREFIX=state["prefix"],
        WINEDEBUG="-all,err+all",  # errors only, shown in a failure with the stderr
        WINEARCH="win64",
        WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d",
    )


def import_registry(env, lines):
    """Imports regedit lines (after the header) into the prefix of env."""
    with tempfile.NamedTemporaryFile("w", suffix=".reg", encoding="utf-16") as reg:
        reg.write("\r\n".join(["Windows Registry Editor Version 5.00", "", *lines, ""]))
        reg.flush()
        wine(["regedit", "/S", "Z:" + reg.name.replace("/", "\\")], env)


def setup():
    cleanup()  # what a run that was cut off left behind
    displays.cache_fonts()
    work = tempfile.mkdtemp(prefix="glimra-e2e-")
    # A white root: anything the saver fails to cover shows up.
    server = displays.start_xvfb("-screen", "0", "1024x768x24", "-wr")
    state = {"work": work, "prefix": work + "/prefix", "server": server.__dict__}
    STATE.write_text(json.dumps(state))
    # The prefix as the program's users get it; the script waits for that prefix's wineserver
    # to end, so the tests' own starts after it.
    prepare = [sys.executable, product.ROOT / "scripts" / "prepare_wine_prefix.py"]
    run(prepare, wine_env(state), timeout=600)
    state["wineserver"] = Started(["wineserver", "-f", "-p"], env=wine_env(state)).pid
    STATE.write_text(json.dumps(state))
    # No window manager: no wait for one at every close, and focus follows new windows.
    lines = [r"[HKEY_CURRENT_USER\Software\Wine\X11 Driver]", '"Managed"="N"', ""]
    lines += [r"[HKEY_CURRENT_USER\Software\Wine\WineDbg]", '"ShowCrashDialog"=dword:00000000']
    import_registry(wine_env(state), lines)


def cleanup():
    if not STATE.exists():
        return
    state = json.loads(STATE.read_text())
    run(["wineserver", "-k"], env=wine_env(state), check=False, timeout=60)
    if "wineserver" in state:
        processes.end_pid(state["wineserver"], "wineserver")
    displays.XServer(**state["server"]).stop()
    shutil.rmtree(state["work"], ignore_errors=True)
    STATE.unlink()


def parse(line):
    """A driver answer: a JSON object, a window's rect as a Rect."""
    answer = json.loads(line)
    if "rect" in answer:
        answer["rect"] = pictures.Rect(*answer["rect"])
    return answer


class Watched:
    """A program that the driver started and watches beside the test ("run" or "host"); the
    driver holds it, so its exit code is never lost, and kills it when let go."""

    def __init__(self, env, work, *args):
        for attempt in (1, 2):
            self.answers = pathlib.Path(tempfile.mkstemp(dir=work)[1])
            with self.answers.open("w") as stdout:
                command = ["wine", DRIVER, *args]
                self.driver = Started(command, env=env, stdin=subprocess.PIPE, stdout=stdout)
            try:
                self.first = wait_for(lambda: self.answer(0), "the driver's first answer")
                break
            except HelperFailed:
                if attempt == 2 or NO_START not in self.driver.error_output():
                    raise
        self.pid = self.first["pid"]

    def answer(self, number):
        """The driver's answer of that number (from 0) once it has given it, else None."""
        ended = not self.driver.running()
        lines = self.answers.read_text().splitlines(keepends=True)
        if len(lines) > number and lines[number].endswith("\n"):
            return parse(lines[number])
        if ended:
            raise self.driver.failure(f"ended before its answer {number}")

    def running(self):
        return self.answer(1) is None

    def exit_code(self):
        return wait_for(lambda: self.answer(1), f"{self.pid} to end", timeout=30)["code"]

    def let_go(self):
        self.driver.stdin.close()
        self.driver.ended(60)
        self.driver.end()


class SaverCase(unittest.TestCase):
    """Each test starts with no settings stored, and ends every program it started."""

    def setUp(self):
        self.state = json.loads(STATE.read_text())
        self.env = wine_env(self.state)
        self.watched = []
        self.addCleanup(self.end_all)
        run(["wine", "reg", "delete", "HKCU\\" + KEY, "/f"], env=self.env, check=False)

    def end_all(self):
        while self.watched:
            self.watched.pop().let_go()

    def driver(self, *args):
        """The driver's answer as a dict, for tree a list; a failure shows its status and stderr."""
        rows = [parse(line) for line in wine([DRIVER, *args], self.env).stdout.splitlines()]
        return rows if args[0] == "tree" else rows[0]

    def watch(self, *args):
        """The driver run with args beside the test (Watched), let go when the test ends."""
        watched = Watched(self.env, self.state["work"], *args)
        self.watched.append(watched)
        return watched

    def xdotool(self, *args):
        return displays.xdotool(self.env, *args)

    def start(self, argtext):
        """Starts the program as hosts do, its quoted path, a blank and the argument text;
        watched."""
        line = f'"{WINE_SCR}"' + (" " + argtext if argtext else "")
        return self.watch("run", WINE_SCR, line)

    def gui_state(self, pid):
        return self.driver("tree", pid)[-1]

    def wait_for_keyboard(self, pid, window, title):
        """Waits until keys reach the window: it is the active window, and X gives the focus to a
        window titled title (Wine hands a key to the thread's focus)."""
        active = lambda: self.gui_state(pid)["active"] == window["hwnd"]  # noqa: E731
        wait_for(active, f"{title} to be the active window")

        def focused():
            focus = run(["xdotool", "getwindowfocus"], env=self.env, check=False).split()
            return focus and focus[0] in self.xdotool("search", "--name", f"^{title}$").split()

        wait_for(focused, f"the X input focus on {title}")

    def windows(self, pid):
        return self.driver("tree", pid)[:-1]

    def window(self, pid, class_name):
        """The process's top-level window of that class, once it shows."""

        def shown():
            top = [w for w in self.windows(pid) if w["class"] == class_name and not w["parent"]]
            return top[0] if top else None

        return wait_for(shown, f"a {class_name} window of {pid}")

    def click(self, window):
        rect = window["rect"]
        middle = ((rect.left + rect.right) // 2, (rect.top + rect.bottom) // 2)
        self.xdotool("mousemove", *middle, "click", 1)

    def set_dpi(self, dpi):
        """The DPI of the next process; with DpiScalingVer, Wine honours the program's awareness."""

        def desktop(*values):
            import_registry(self.env, [r"[HKEY_CURRENT_USER\Control Panel\Desktop]", *values])

        desktop(f'"LogPixels"=dword:{dpi:08x}', '"DpiScalingVer"=dword:00001018')
        self.addCleanup(desktop, '"LogPixels"=dword:00000060', '"DpiScalingVer"=-')

    def stored(self):
        """{name: (type, text)} of the settings key's values, texts exactly as stored."""
        query = wine(["reg", "query", f"HKCU\\{KEY}\\config"], self.env)
        values = {}
        for line in query.stdout.splitlines():
            if "    REG_" in line:
                name, kind, *text = line[4:].split("    ", 2)
                values[name] = (kind, text[0] if text else "")
        return values


if __name__ == "__main__":
    {"setup": setup, "cleanup": cleanup}[sys.argv[1]]()
