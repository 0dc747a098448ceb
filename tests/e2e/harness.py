"""The end-to-end world: Lumeck.scr (GLIMRA_SCR) under Wine on a private Xvfb display, with a
fresh temporary WINEPREFIX, driven by driver.exe (GLIMRA_DRIVER), xdotool and ImageMagick.

`harness.py setup` starts Xvfb and a wineserver, prepares the prefix, and writes the state
file GLIMRA_E2E_STATE; `harness.py cleanup` ends exactly those processes by their recorded
PIDs and removes the directory. The tests take SaverCase as their base.
"""

import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "scripts"))
import prepare_wine_prefix  # noqa: E402

STATE_PATH, SCR = os.environ["GLIMRA_E2E_STATE"], os.environ["GLIMRA_SCR"]
APP_KEY = r"HKEY_CURRENT_USER\Software\VB and VBA Program Settings\Vestrel"
SAVER, DIALOG, BOX = "GlimraForm1", "GlimraSettingfrm", "#32770"
TXTNUM, HSPEED, OK, CANCEL = 103, 105, 106, 107
MAKER = dict(line.split("=", 1) for line in open(os.path.join(ROOT, "resources", "maker.txt"),
                                                 encoding="utf-8").read().splitlines() if line)


def wine_env(state):
    """Wine's and X's environment: the fixture's display and prefix, never the user's."""
    env = dict(os.environ, DISPLAY=state["display"], WINEPREFIX=state["prefix"],
               WINEARCH="win64", WINEDEBUG="-all",
               WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")
    env.pop("WAYLAND_DISPLAY", None)
    return env


def setup():
    work = tempfile.mkdtemp(prefix="glimra-e2e-")
    state = {"work": work, "prefix": os.path.join(work, "prefix"), "pids": {}}
    read, write = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "1024x768x24",
                             "-nolisten", "tcp", "-wr"], pass_fds=(write,),
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write)
    state["pids"][xvfb.pid] = "Xvfb"
    with open(STATE_PATH, "w") as out:  # written early: there is something to clean up
        json.dump(state, out)
    state["display"] = ":" + os.fdopen(read).readline().strip()
    server = subprocess.Popen(["wineserver", "-f", "-p"], env=wine_env(state),
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    state["pids"][server.pid] = "wineserver"
    with open(STATE_PATH, "w") as out:
        json.dump(state, out)
    # Without a window manager: no wait for one at every close, and focus follows new windows.
    prepare_wine_prefix.prepare(wine_env(state), [
        r"[HKEY_CURRENT_USER\Software\Wine\X11 Driver]", '"Managed"="N"', "",
        r"[HKEY_CURRENT_USER\Software\Wine\WineDbg]", '"ShowCrashDialog"=dword:00000000'])


def cleanup():
    with open(STATE_PATH) as source:
        state = json.load(source)
    if "display" in state:
        subprocess.run(["wineserver", "-k"], env=wine_env(state), timeout=60)
    for pid, name in state["pids"].items():
        try:
            with open(f"/proc/{pid}/cmdline", "rb") as line:
                if name.encode() in line.read():
                    os.kill(int(pid), signal.SIGTERM)
        except OSError:
            pass
    shutil.rmtree(state["work"], ignore_errors=True)
    os.unlink(STATE_PATH)


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


def wait_for(predicate, timeout=30.0, message="condition"):
    """Polls until predicate() gives a true value and returns it."""
    deadline = time.monotonic() + timeout
    while not (value := predicate()):
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out after {timeout:.0f} s waiting for {message}")
        time.sleep(0.2)
    return value


def blobs(shot):
    """The non-black areas of a screenshot (8-connected), each as a list of pixels."""
    width, _, data = shot
    seen, found = set(), []
    for start in range(len(data) // 3):
        if start in seen or data[start * 3:start * 3 + 3] == b"\0\0\0":
            continue
        seen.add(start)
        stack, pixels = [start], []
        while stack:
            at = stack.pop()
            pixels.append((at % width, at // width))
            for near in (at + dy * width + dx for dy in (-1, 0, 1) for dx in (-1, 0, 1)):
                if (0 <= near < len(data) // 3 and abs(near % width - at % width) <= 1
                        and near not in seen and data[near * 3:near * 3 + 3] != b"\0\0\0"):
                    seen.add(near)
                    stack.append(near)
        found.append(pixels)
    return found


class SaverCase(unittest.TestCase):
    """Each test starts with no settings stored, and ends every process it started."""

    state = None

    def setUp(self):
        if SaverCase.state is None:
            with open(STATE_PATH) as source:
                SaverCase.state = json.load(source)
        self.env, self.pids = wine_env(self.state), []
        self.addCleanup(lambda: [self.driver("wait", pid, "kill") for pid in self.pids])
        self.clear_settings()

    def driver(self, *args, timeout=600, check=True):
        done = subprocess.run(["wine", os.environ["GLIMRA_DRIVER"]] + [str(a) for a in args],
                              env=self.env, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                              stderr=subprocess.DEVNULL, timeout=timeout)
        answer = json.loads(done.stdout.decode().splitlines()[-1])
        if check and "error" in answer:
            raise AssertionError(f"driver {args}: {answer}")
        return answer

    def x(self, *args):
        subprocess.run(["xdotool"] + [str(a) for a in args], env=self.env, check=True)

    def shot(self, left=0, top=0, right=1024, bottom=768):
        """The display's pixels in a rectangle as (width, height, RGB bytes)."""
        ppm = subprocess.run(["import", "-window", "root", "-crop",
                              f"{right - left}x{bottom - top}+{left}+{top}", "-depth", "8",
                              "ppm:-"], env=self.env, stdout=subprocess.PIPE, check=True).stdout
        magic, width, height, depth, data = ppm.split(maxsplit=4)
        return int(width), int(height), data

    def start(self, argtext, count=1, wait_ms=0, exe=None):
        """Starts the program as a host does: the quoted path (or exe as it stands), then a
        blank and the argument text. With wait_ms, waits that long for it to end."""
        line = (exe or f'"{windows_path(SCR)}"') + (" " + argtext if argtext else "")
        answer = self.driver("run", (exe or windows_path(SCR)).strip('"'), line, count, wait_ms)
        self.pids += answer["pids"]
        return answer if count > 1 or wait_ms else answer["pids"][0]

    def background(self, *args):
        """Runs a driver command that lives on (host, hold); returns its first answer. Its
        standard output goes to a file: a pipe would be held open by the saver it starts."""
        out = tempfile.NamedTemporaryFile(dir=self.state["work"], delete=False)
        process = subprocess.Popen(["wine", os.environ["GLIMRA_DRIVER"]] + [str(a) for a in args],
                                   env=self.env, stdin=subprocess.DEVNULL, stdout=out,
                                   stderr=subprocess.DEVNULL)
        self.addCleanup(process.wait, 60)
        lines = lambda: open(out.name).read().splitlines(keepends=True)
        first = json.loads(wait_for(lambda: lines() and lines()[0].endswith("\n") and lines()[0],
                                    message=f"driver {args[0]}"))
        first["next"] = lambda: json.loads(wait_for(lambda: len(lines()) > 1 and lines()[1]))
        return first

    def host(self, high=False):
        """A preview host, 152 x 112, with the saver inside; closed again after the test."""
        host = self.background("host", 152, 112, windows_path(SCR), *(["high"] if high else []))
        self.pids.append(host["pid"])
        self.addCleanup(self.driver, "msg", "post", host["host"], 0x10, 0, 0, check=False)
        return host

    def windows(self, pid):
        return self.driver("tree", pid)["windows"]

    def window(self, pid, class_name, timeout=40):
        """The process's top-level window of that class, once it shows."""
        return wait_for(lambda: next((w for w in self.windows(pid) if w["class"] == class_name
                                      and not w["parent"]), None), timeout, class_name)

    def exit_code(self, pid, timeout=30):
        answer = self.driver("wait", pid, int(timeout * 1000))
        self.assertTrue(answer["exited"], f"{pid} still runs")
        return answer["code"]

    def dialog(self, argtext="/c"):
        """Starts the dialog: (pid, its window, its controls by id)."""
        pid = self.start(argtext)
        window = self.window(pid, DIALOG)
        controls = wait_for(lambda: {w["id"]: w for w in self.windows(pid)
                                     if w["parent"] == window["hwnd"]}, message="controls")
        return pid, window, controls

    def click(self, window):
        left, top, right, bottom = window["rect"]
        self.x("mousemove", (left + right) // 2, (top + bottom) // 2, "click", 1)

    # The settings key, through Wine's own registry tools.
    def clear_settings(self):
        self.driver("acl", "D:(A;;KA;;;WD)")
        subprocess.run(["wine", "reg", "delete", APP_KEY, "/f"], env=self.env,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def store(self, **values):
        """Stores regedit data: a text as REG_SZ, anything else as written ("dword:...")."""
        prepare_wine_prefix.import_registry([f"[{APP_KEY}\\config]"] + [
            f'"{name}"=' + (f'"{value}"' if isinstance(value, str) else value[0])
            for name, value in values.items()], self.env)

    def stored(self):
        """{name: (type, text)} of the settings key's values."""
        out = subprocess.run(["wine", "reg", "query", APP_KEY + r"\config"], env=self.env,
                             stdout=subprocess.PIPE, stderr=subprocess.DEVNULL).stdout.decode()
        rows = [line[4:].split("    ", 2) for line in out.splitlines() if "    REG_" in line]
        return {row[0]: (row[1], row[2] if len(row) > 2 else "") for row in rows}


if __name__ == "__main__":
    {"setup": setup, "cleanup": cleanup}[sys.argv[1]]()
