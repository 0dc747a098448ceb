"""End-to-end harness: the real Lumeck.scr under Wine on the private display of the fixture.

The fixture (fixture_setup.py) starts Xvfb and a wineserver on a fresh prefix and writes a
state file; ctest passes its path in GLIMRA_E2E_STATE, with GLIMRA_SCR (the program under
test) and GLIMRA_DRIVER (driver.exe). Everything here talks to Wine through driver.exe, one
call per action, each answering one JSON object. Python standard library only.
"""

import contextlib
import json
import os
import shlex
import subprocess
import tempfile
import time
import unittest

# The settings key as the driver's reg-* commands address it.
SETTINGS_NAMES = ("NumberofPoint", "speed")

SAVER_CLASS = "GlimraForm1"
DIALOG_CLASS = "GlimraSettingfrm"
MESSAGE_BOX_CLASS = "#32770"

# Control IDs of the settings dialog.
TXTNUM_ID = 103
HSPEED_ID = 105
OK_ID = 106
CANCEL_ID = 107

WS_POPUP = 0x80000000
WS_CHILD = 0x40000000
WS_CAPTION = 0x00C00000
WS_BORDER = 0x00800000
WS_THICKFRAME = 0x00040000


def wine_overrides():
    # No Mono or Gecko installer, and no menu entries written into the real home directory.
    return "mscoree,mshtml=;winemenubuilder.exe=d"


def read_state(path=None):
    """The fixture's state file as a dict (shell-quoted KEY=VALUE lines)."""
    path = path or os.environ.get("GLIMRA_E2E_STATE")
    if not path:
        raise RuntimeError("GLIMRA_E2E_STATE is not set; run the tests through ctest")
    state = {}
    with open(path, encoding="utf-8") as lines:
        for line in lines:
            line = line.strip()
            if line and not line.startswith("#"):
                key, _, value = line.partition("=")
                state[key] = shlex.split(value)[0] if value else ""
    return state


def write_state(path, state):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8") as out:
        out.write("# written by fixture_setup.py, read by harness.py and fixture_cleanup.py\n")
        for key, value in state.items():
            out.write(f"{key}={shlex.quote(str(value))}\n")


def wine_env(state):
    """The environment of every Wine call: the fixture's display and prefix, never the user's."""
    env = {key: value for key, value in os.environ.items()
           if key not in ("DISPLAY", "WAYLAND_DISPLAY", "WINEPREFIX", "WINESERVER", "WINELOADER")}
    env.update({
        "DISPLAY": state["DISPLAY"],
        "WINEPREFIX": state["WINEPREFIX"],
        "WINEARCH": "win64",
        "WINEDEBUG": "-all",
        "WINEDLLOVERRIDES": wine_overrides(),
    })
    return env


def x_env(state):
    env = {key: value for key, value in os.environ.items() if key != "WAYLAND_DISPLAY"}
    env["DISPLAY"] = state["DISPLAY"]
    return env


def windows_path(path):
    """A Linux path as Wine's Z: drive shows it."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


class DriverError(RuntimeError):
    pass


class Driver:
    """Runs `wine driver.exe <command> ...` and returns its JSON answer."""

    def __init__(self, state, driver_path):
        self.state = state
        self.exe = driver_path
        self.env = wine_env(state)
        # Wine hands a child process the unix standard error of its parent even when the
        # child gets no standard handles, so the driver's goes to a file, never to a pipe
        # that a started saver would hold open.
        self.stderr_path = os.path.join(state["GLIMRA_E2E_DIR"], "driver-stderr.log")

    def call(self, *args, timeout=60, check=True):
        command = ["wine", self.exe] + [str(arg) for arg in args]
        with open(self.stderr_path, "ab") as stderr:
            done = subprocess.run(command, env=self.env, stdin=subprocess.DEVNULL,
                                  stdout=subprocess.PIPE, stderr=stderr, timeout=timeout)
        lines = [line for line in done.stdout.decode("utf-8").splitlines() if line.strip()]
        if not lines:
            raise DriverError(f"driver {args!r} printed nothing (exit {done.returncode})")
        answer = json.loads(lines[-1])
        if check and (done.returncode != 0 or "error" in answer):
            raise DriverError(f"driver {args!r} failed (exit {done.returncode}): {answer}")
        return answer

    # Processes.
    def start(self, exe, argtext):
        return self.call("start", windows_path(exe), argtext)["pid"]

    def run(self, exe, argtext, timeout_ms):
        return self.call("run", windows_path(exe), argtext, timeout_ms,
                         timeout=timeout_ms / 1000 + 60)

    def start_many(self, count, exe, argtext):
        return self.call("start-many", count, windows_path(exe), argtext)["pids"]

    def wait(self, pid, timeout_ms):
        return self.call("wait", pid, timeout_ms, timeout=timeout_ms / 1000 + 60)

    def kill(self, pid):
        return self.call("kill", pid)

    def processes(self, image_name):
        return self.call("procs", image_name)["pids"]

    # Windows.
    def windows(self, pid, include_hidden=False):
        args = ["windows", pid] + (["all"] if include_hidden else [])
        return self.call(*args)["windows"]

    def children(self, hwnd):
        return self.call("children", hwnd)["children"]

    def info(self, hwnd):
        answer = self.call("info", hwnd)
        return answer["window"] if answer["exists"] else None

    def focus(self, pid):
        return self.call("focus", pid)

    def redraw(self, hwnd):
        return self.call("redraw", hwnd)

    def cursor(self):
        """The pointer's shape: hot spot, mask size, colour, and whether it is the arrow."""
        return self.call("cursor")

    def settext(self, hwnd, text):
        return self.call("settext", hwnd, text)

    def gettext(self, hwnd):
        return self.call("gettext", hwnd)["text"]

    def setscroll(self, hwnd, pos):
        return self.call("setscroll", hwnd, pos)

    def press(self, hwnd):
        return self.call("press", hwnd)

    def close(self, hwnd, syscommand=False):
        return self.call("close", hwnd, *(["syscommand"] if syscommand else []))

    def post_timer(self, hwnd, count, timer_id=1):
        """Posts count WM_TIMER messages; returns once the target's thread has gone quiet
        ("settled" tells whether it did within two minutes)."""
        return self.call("post-timer", hwnd, count, timer_id, timeout=600)

    def detach(self, hwnd, x, y):
        """Moves a preview out of its host to the top level at (x, y): Wine 8 shows no pixels
        that a process paints into a child of another process's window."""
        return self.call("detach", hwnd, x, y)

    def gui_resources(self, pid):
        """The process's GDI and USER objects: GetGuiResources where the system has it; under
        Wine 8, which does not, the used entries of its GDI handle table and its windows."""
        return self.call("gui-resources", pid)

    def capture(self, hwnd, path, mode="dc"):
        """The window's pixels as an Image: "dc" its client area through its own DC, "window"
        the whole window, "screen" the screen under it, "print" what WM_PRINT draws. Under
        Wine a child of another process's window has no DC pixels: detach it first."""
        self.call("capture", hwnd, windows_path(path), mode)
        return Image.read_ppm(path)

    def text_ink(self, face, text):
        return self.call("text-ink", face, text)

    # The settings key.
    def reg_get(self, name):
        return self.call("reg-get", name)

    def reg_set(self, name, text):
        return self.call("reg-set", name, text)

    def reg_set_long(self, name, char, count):
        return self.call("reg-set-long", name, char, count)

    def reg_set_dword(self, name, value):
        return self.call("reg-set-dword", name, value)

    def reg_delete_value(self, name):
        return self.call("reg-delete-value", name)

    def reg_delete_key(self):
        return self.call("reg-delete-key")

    def reg_deny_write(self):
        return self.call("reg-deny-write")

    def reg_allow_write(self):
        return self.call("reg-allow-write", check=False)


def _maker(key):
    """A line of resources/maker.txt, "key=value", one for the name and the address."""
    here = os.path.dirname(os.path.abspath(__file__))
    with open(os.path.join(here, "..", "..", "resources", "maker.txt"), encoding="utf-8") as text:
        return dict(line.split("=", 1) for line in text.read().splitlines() if line)[key]


def maker_name():
    return _maker("name")


def maker_address():
    return _maker("address")


def wait_for(predicate, timeout=20.0, interval=0.2, message="condition"):
    """Polls until predicate() gives a true value and returns it; fails after timeout."""
    deadline = time.monotonic() + timeout
    last = None
    while True:
        last = predicate()
        if last:
            return last
        if time.monotonic() >= deadline:
            raise AssertionError(f"timed out after {timeout:.0f} s waiting for {message}"
                                 f" (last value {last!r})")
        time.sleep(interval)


class Image:
    """RGB pixels, row by row, from a binary PPM."""

    def __init__(self, width, height, data):
        self.width, self.height, self.data = width, height, data

    @staticmethod
    def read_ppm(path):
        with open(path, "rb") as source:
            raw = source.read()
        fields, offset = [], 0
        while len(fields) < 4:
            while raw[offset:offset + 1].isspace():
                offset += 1
            if raw[offset:offset + 1] == b"#":
                offset = raw.index(b"\n", offset) + 1
                continue
            end = offset
            while not raw[end:end + 1].isspace():
                end += 1
            fields.append(raw[offset:end])
            offset = end
        if fields[0] != b"P6" or fields[3] != b"255":
            raise ValueError(f"{path}: not an 8-bit binary PPM")
        width, height = int(fields[1]), int(fields[2])
        data = raw[offset + 1:offset + 1 + width * height * 3]
        if len(data) != width * height * 3:
            raise ValueError(f"{path}: truncated PPM")
        return Image(width, height, data)

    def pixel(self, x, y):
        at = (y * self.width + x) * 3
        return tuple(self.data[at:at + 3])

    def region(self, left, top, right, bottom):
        """The pixels of a rectangle as a new Image (clipped to this one)."""
        left, top = max(left, 0), max(top, 0)
        right, bottom = min(right, self.width), min(bottom, self.height)
        rows = [self.data[(y * self.width + left) * 3:(y * self.width + right) * 3]
                for y in range(top, bottom)]
        return Image(max(right - left, 0), max(bottom - top, 0), b"".join(rows))

    def colours(self):
        """How many pixels have each colour."""
        counts = {}
        for at in range(0, len(self.data), 3):
            colour = tuple(self.data[at:at + 3])
            counts[colour] = counts.get(colour, 0) + 1
        return counts

    def count(self, colour):
        return self.colours().get(tuple(colour), 0)


class Saver:
    """The fixture, the program under test and the driver, for one test module."""

    def __init__(self):
        self.state = read_state()
        self.scr = os.environ["GLIMRA_SCR"]
        self.driver = Driver(self.state, os.environ["GLIMRA_DRIVER"])
        self.image_name = os.path.basename(self.scr)
        self.artifacts = os.path.join(os.path.dirname(os.environ["GLIMRA_E2E_STATE"]),
                                      "artifacts")
        os.makedirs(self.artifacts, exist_ok=True)

    def screenshot(self, path=None):
        """The whole private display, exact pixels."""
        if path is None:
            with tempfile.NamedTemporaryFile(suffix=".ppm", dir=self.state["GLIMRA_E2E_DIR"],
                                             delete=False) as target:
                path = target.name
        subprocess.run(["import", "-window", "root", "-depth", "8", f"ppm:{path}"],
                       env=x_env(self.state), stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, check=True, timeout=60)
        return Image.read_ppm(path)

    def xdotool(self, *args):
        subprocess.run(["xdotool"] + [str(arg) for arg in args], env=x_env(self.state),
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.PIPE, check=True, timeout=60)


class Host:
    """A preview host window (driver.exe host) with the saver as its child process."""

    def __init__(self, saver, width, height, prefix, high=False):
        self.saver = saver
        self.output = tempfile.NamedTemporaryFile(
            prefix="host-", suffix=".jsonl", dir=saver.state["GLIMRA_E2E_DIR"], delete=False)
        args = ["wine", saver.driver.exe, "host", width, height, windows_path(saver.scr)]
        if prefix is not None or high:
            args.append("/p " if prefix is None else prefix)
        if high:
            args.append("high")
        # Standard output goes to a file, not a pipe: the host lives on after this call.
        self.process = subprocess.Popen([str(arg) for arg in args], env=saver.driver.env,
                                        stdin=subprocess.DEVNULL, stdout=self.output,
                                        stderr=subprocess.DEVNULL)
        started = wait_for(lambda: self._line(0), timeout=30, message="the preview host")
        self.hwnd, self.pid, self.host_pid = started["host"], started["pid"], started["host_pid"]
        self.argtext = started["argtext"]

    def _line(self, index):
        with open(self.output.name, encoding="utf-8") as lines:
            answers = [json.loads(line) for line in lines if line.endswith("\n")]
        return answers[index] if len(answers) > index else None

    def close(self, timeout=30):
        """Closes the host window; returns the host's report on the saver's exit."""
        if self.process.poll() is None and self.saver.driver.info(self.hwnd):
            self.saver.driver.close(self.hwnd)
        try:
            self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.saver.driver.kill(self.host_pid)
            self.process.wait(timeout=timeout)
        return self._line(1)

    def remove_output(self):
        self.output.close()
        os.unlink(self.output.name)


class SaverTestCase(unittest.TestCase):
    """Each test starts with no settings stored and no saver running, and ends every saver
    process and host that it started, by Windows process ID."""

    saver = None

    @classmethod
    def setUpClass(cls):
        if SaverTestCase.saver is None:
            SaverTestCase.saver = Saver()
        cls.driver = SaverTestCase.saver.driver
        cls.scr = SaverTestCase.saver.scr

    def setUp(self):
        self._pids = []
        self._hosts = []
        self.addCleanup(self._end_started)
        wait_for(lambda: not self.running_savers(), timeout=20,
                 message="no saver process left from an earlier test")
        self.reset_settings()

    def _end_started(self):
        for host in self._hosts:
            host.close()
            host.remove_output()
        for pid in self._pids:
            self.driver.kill(pid)
        self.reset_settings()

    # The settings key.
    def reset_settings(self):
        self.driver.reg_allow_write()
        self.driver.reg_delete_key()

    def store(self, **values):
        """Stores each keyword's text as a REG_SZ value of the settings key."""
        for name, text in values.items():
            self.driver.reg_set(name, text)

    # Starting the program.
    def start(self, argtext):
        """Starts the program with exactly this argument text; returns its process ID."""
        pid = self.driver.start(self.scr, argtext)
        self._pids.append(pid)
        return pid

    @contextlib.contextmanager
    def running(self, argtext):
        """Starts the program for the block and ends it after, also when the block fails."""
        pid = self.start(argtext)
        try:
            yield pid
        finally:
            self.stop(pid)

    def start_many(self, count, argtext):
        pids = self.driver.start_many(count, self.scr, argtext)
        self._pids.extend(pids)
        return pids

    def run_to_end(self, argtext, timeout=10.0):
        """Starts the program and waits for it to end; returns the driver's answer."""
        answer = self.driver.run(self.scr, argtext, int(timeout * 1000))
        if not answer["exited"]:
            self._pids.append(answer["pid"])
        return answer

    def start_host(self, width=152, height=112, prefix=None, high=False):
        host = Host(self.saver, width, height, prefix, high)
        self._hosts.append(host)
        self._pids.append(host.pid)
        return host

    def running_savers(self):
        return self.driver.processes(self.saver.image_name)

    def alive(self, pid):
        return not self.driver.wait(pid, 0)["exited"]

    # Waiting for windows and exits.
    def wait_window(self, pid, class_name, timeout=20.0):
        """The visible top-level window of this class that the process shows."""
        shown = []

        def found():
            windows = self.driver.windows(pid)
            shown[:] = [(window["class"], window["text"]) for window in windows]
            return next((window for window in windows if window["class"] == class_name), None)
        try:
            return wait_for(found, timeout=timeout, message=f"a {class_name} window")
        except AssertionError as error:
            state = "running" if self.alive(pid) else "ended"
            raise AssertionError(f"{error}; process {pid} is {state} and shows {shown}") from None

    def wait_exit(self, pid, timeout=20.0):
        """Waits for the process to end; returns its exit code (None if nobody kept it)."""
        answer = self.driver.wait(pid, int(timeout * 1000))
        self.assertTrue(answer["exited"], f"process {pid} still runs after {timeout:.0f} s")
        return answer["code"]

    def assert_no_crash(self, code):
        if code is not None:
            self.assertLess(code, 0x80000000, f"the process crashed (exit code {code:#x})")

    # The settings dialog.
    def open_dialog(self, argtext="/c"):
        """Starts the dialog; returns (pid, window, {control id: control})."""
        pid = self.start(argtext)
        window = self.wait_window(pid, DIALOG_CLASS)
        controls = wait_for(lambda: self.controls(window["hwnd"]), timeout=10,
                            message="the dialog's controls")
        return pid, window, controls

    def controls(self, hwnd):
        """The direct children of a window by control ID."""
        return {child["id"]: child for child in self.driver.children(hwnd)
                if child["parent"] == hwnd}

    def dialog_values(self, argtext="/c"):
        """Opens the dialog and reads what it shows: (TxtNum's text, Hspeed's position).
        The dialog is ended again before this returns."""
        pid, _, controls = self.open_dialog(argtext)
        try:
            return controls[TXTNUM_ID]["text"], controls[HSPEED_ID]["scroll_pos"]
        finally:
            self.stop(pid)

    def stop(self, pid):
        self.driver.kill(pid)
        self.wait_exit(pid)
