"""Lumeck.scr (GLIMRA_SCR) under Wine on a private Xvfb display with a fresh WINEPREFIX, driven
by driver.exe (GLIMRA_DRIVER), xdotool, ImageMagick and Wine's reg tool. `harness.py setup` makes
that world and writes GLIMRA_E2E_STATE; `harness.py cleanup` ends exactly the processes it
started, by their PIDs, and removes it."""

import json, os, pathlib, re, shutil, signal, subprocess, sys, tempfile, time, unittest  # noqa: E401

ROOT = pathlib.Path(__file__).resolve().parents[2]
sys.path.insert(0, str(ROOT / "scripts"))
import prepare_wine_prefix  # noqa: E402

STATE, SCR = pathlib.Path(os.environ["GLIMRA_E2E_STATE"]), os.environ["GLIMRA_SCR"]
WINE_SCR = "Z:" + SCR.replace("/", "\\")
KEY = r"HKEY_CURRENT_USER\Software\VB and VBA Program Settings\Vestrel"
SAVER, DIALOG, BOX, TXTNUM, HSPEED, OK, CANCEL = "GlimraForm1", "GlimraSettingfrm", "#32770", 103, 105, 106, 107
MAKER = dict(line.split("=", 1) for line in (ROOT / "resources/maker.txt").read_text().splitlines())
QUIET = {"stdin": subprocess.DEVNULL, "stdout": subprocess.DEVNULL, "stderr": subprocess.DEVNULL}


def wine_env(state):
    env = dict(os.environ, DISPLAY=state["display"], WINEPREFIX=state["prefix"], WINEDEBUG="-all",
               WINEARCH="win64", WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")
    return {k: v for k, v in env.items() if k != "WAYLAND_DISPLAY"}


def setup():
    cleanup()  # what a run that was cut off left behind
    work = tempfile.mkdtemp(prefix="glimra-e2e-")
    state = {"work": work, "prefix": work + "/prefix", "display": "", "pids": {}}
    try:
        read, write = os.pipe()
        xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "1024x768x24", "-nolisten",
                                 "tcp", "-wr"], pass_fds=(write,), **QUIET)
        os.close(write)
        state["pids"][xvfb.pid] = "Xvfb"
        STATE.write_text(json.dumps(state))
        state["display"] = ":" + os.fdopen(read).readline().strip()
        state["pids"][subprocess.Popen(["wineserver", "-f", "-p"], env=wine_env(state), **QUIET).pid] = "wineserver"
        STATE.write_text(json.dumps(state))
        # No window manager: no wait for one at every close, and focus follows new windows.
        prepare_wine_prefix.prepare(wine_env(state), [
            r"[HKEY_CURRENT_USER\Software\Wine\X11 Driver]", '"Managed"="N"', "",
            r"[HKEY_CURRENT_USER\Software\Wine\WineDbg]", '"ShowCrashDialog"=dword:00000000'])
    except BaseException:
        cleanup()
        raise


def cleanup():
    if STATE.exists():
        state = json.loads(STATE.read_text())
        if state["display"]:
            subprocess.run(["wineserver", "-k"], env=wine_env(state), timeout=60)
        for pid, name in state["pids"].items():
            if name in (pathlib.Path(f"/proc/{pid}/cmdline").read_text() if os.path.exists(f"/proc/{pid}") else ""):
                os.kill(int(pid), signal.SIGTERM)
        shutil.rmtree(state["work"], ignore_errors=True)
        STATE.unlink()


def wait_for(predicate, timeout=40, message="condition", interval=0.2):
    deadline = time.monotonic() + timeout
    while not (value := predicate()):
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out after {timeout} s waiting for {message}")
        time.sleep(interval)
    return value


def parse(line):
    """A driver answer: key=value fields, numbers joined by commas."""
    fields = dict(field.split("=", 1) for field in line.rstrip("\n").split("\t"))
    number = lambda v: all(n.lstrip("-").isdigit() for n in v.split(","))
    return {k: ([int(n) for n in v.split(",")] if "," in v else int(v)) if number(v) and k not in ("text", "handle")
            else v for k, v in fields.items()}


class SaverCase(unittest.TestCase):
    """Each test starts with no settings stored, and ends every process it started."""
    def setUp(self):
        self.state = json.loads(STATE.read_text())
        self.env, self.pids = wine_env(self.state), []
        self.addCleanup(lambda: [self.driver("wait", pid, "kill") for pid in self.pids])
        self.driver("acl", "D:(A;;KA;;;WD)")
        subprocess.run(["wine", "reg", "delete", KEY, "/f"], env=self.env, **QUIET)

    def driver(self, *args, check=True):
        """The driver's answer: a dict, or for tree and layout a list of them."""
        out = subprocess.run(["wine", os.environ["GLIMRA_DRIVER"]] + [str(a) for a in args], env=self.env,
                             stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, timeout=600).stdout.decode()
        rows = [parse(line) for line in out.splitlines()]
        self.assertFalse(check and "error" in rows[-1], (args, rows[-1]))
        return rows if args[0] in ("tree", "layout") else rows[0]

    def x(self, *args):
        subprocess.run(["xdotool"] + [str(a) for a in args], env=self.env, check=True)

    def convert(self, rect, *args):
        """ImageMagick on a rectangle (left, top, right, bottom) of the display."""
        left, top, right, bottom = rect or (0, 0, 1024, 768)
        return subprocess.run(["convert", "x:root", "-crop", f"{right - left}x{bottom - top}+{left}+{top}", "+repage",
                               *args], env=self.env, stdout=subprocess.PIPE, check=True).stdout

    def shot(self, rect=None):
        """The pixels of a rectangle of the display: (width, height, RGB bytes)."""
        _, width, height, _, data = self.convert(rect, "-depth", "8", "ppm:-").split(maxsplit=4)
        return int(width), int(height), data

    def blobs(self, rect=None):
        """The areas of a rectangle of the display that are not black (8-connected), each as
        (left, top, width, height, pixels)."""
        out = self.convert(rect, "-fill", "white", "+opaque", "black", "-define", "connected-components:verbose=true",
                           "-connected-components", "8", "null:").decode()
        return [(int(x), int(y), int(w), int(h), int(area)) for _, w, h, x, y, _, area, colour in
                (re.split(r"[x+ ]+", line.strip()) for line in out.splitlines()[1:]) if colour == "srgb(255,255,255)"]

    def start(self, argtext, count=1, wait_ms=0, exe=None):
        """Starts the program as hosts do: its quoted path (or exe as it stands), a blank and the
        argument text; returns its PID, or with count or wait_ms the driver's answer."""
        line = (exe or f'"{WINE_SCR}"') + (" " + argtext if argtext else "")
        answer = self.driver("run", exe or WINE_SCR, line, count, wait_ms)
        self.pids += answer["pids"] if count > 1 else [answer["pids"]]
        return answer if count > 1 or wait_ms else answer["pids"]

    def background(self, *args):
        """A driver command that lives on (host, hold): its first answer, with its second from
        "next"(). Its output goes to a file: a saver it starts would hold a pipe open."""
        out = tempfile.NamedTemporaryFile(dir=self.state["work"], delete=False)
        process = subprocess.Popen(["wine", os.environ["GLIMRA_DRIVER"]] + [str(a) for a in args], env=self.env,
                                   stdin=subprocess.DEVNULL, stdout=out)
        self.addCleanup(process.wait, 60)
        lines = lambda: [parse(l) for l in pathlib.Path(out.name).read_text().splitlines(True) if l[-1] == "\n"]
        line = lambda n: lines()[n:n + 1]
        first = wait_for(lambda: line(0))[0]
        self.addCleanup(self.driver, "wait", first["pid"], "kill")  # the saver it started, or itself
        return dict(first, next=lambda: wait_for(lambda: line(1))[0])

    def host(self, high=False):
        """A preview host with the saver inside, closed (WM_CLOSE) after the test."""
        host = self.background("host", 152, 112, WINE_SCR, *(["high"] * high))
        self.pids.append(host["pid"])
        self.addCleanup(self.driver, "msg", "post", host["host"], 0x10, 0, 0, check=False)
        return host

    def windows(self, pid):
        return self.driver("tree", pid)[:-1]

    def window(self, pid, class_name):
        """The process's top-level window of that class, once it shows."""
        return wait_for(lambda: next((w for w in self.windows(pid) if w["class"] == class_name and not w["parent"]),
                                     None), message=class_name)

    def exit_code(self, pid):
        answer = self.driver("wait", pid, 30000)
        self.assertTrue(answer["exited"], f"{pid} runs on")
        return answer.get("code")

    def dialog(self):
        """Starts the dialog: (pid, its window, its controls by id)."""
        window = self.window(pid := self.start("/c"), DIALOG)
        return pid, window, wait_for(lambda: {w["id"]: w for w in self.windows(pid) if w["parent"] == window["hwnd"]})

    def click(self, window):
        left, top, right, bottom = window["rect"]
        self.x("mousemove", (left + right) // 2, (top + bottom) // 2, "click", 1)

    def store(self, **values):
        """Stores each value: a text as REG_SZ, a tuple as regedit writes data ("dword:...")."""
        prepare_wine_prefix.import_registry([f"[{KEY}\\config]"] + [
            f'"{name}"=' + (f'"{v}"' if isinstance(v, str) else v[0]) for name, v in values.items()], self.env)

    def stored(self):
        """{name: (type, text)} of the settings key's values, texts exactly as stored."""
        out = subprocess.run(["wine", "reg", "query", KEY + r"\config"], env=self.env, stdout=subprocess.PIPE,
                             stderr=subprocess.DEVNULL).stdout.decode()
        return {row[0]: (row[1], row[2]) for row in [line[4:].split("    ", 2) + [""] for line in out.splitlines()
                                                     if "    REG_" in line]}

if __name__ == "__main__":
    {"setup": setup, "cleanup": cleanup}[sys.argv[1]]()
