"""Private X servers, each picking a free display through -displayfd and ended by its PID: Xvfb,
and Xorg with the dummy driver for two real heads. A server may outlive the process that started
it (a ctest fixture): its state is plain data, which that step keeps as JSON."""

import dataclasses
import os
import pathlib
import subprocess
import tempfile

from glimratest.processes import HelperFailed, call, end_pid, run

XORG_CONF = pathlib.Path(__file__).with_name("xorg-dummy.conf")


@dataclasses.dataclass
class XServer:
    display: str
    pid: int
    program: str

    def env(self, base=None, **extra):
        """base (by default this process's environment) on this display, without Wayland."""
        env = dict(os.environ if base is None else base, DISPLAY=self.display, **extra)
        env.pop("WAYLAND_DISPLAY", None)
        return env

    def stop(self):
        end_pid(self.pid, self.program)


def xdotool(env, *args):
    """xdotool's output on the display of env. A search that finds nothing fails silently and
    gives ""; any other failure raises with its stderr."""
    done = call(["xdotool", *args], env=env)
    if done.returncode != 0 and (done.stdout or done.stderr or args[0] != "search"):
        raise HelperFailed(["xdotool", *args], done.returncode, done.stderr)
    return done.stdout.strip()


def cache_fonts():
    """Builds fontconfig's cache now if it is missing: otherwise the first program that draws
    text (GTK, or Wine listing the system's fonts) builds it, and on a new machine that start
    takes long enough to outlast the tests' waits."""
    run(["fc-cache"], timeout=600)


def _start(command):
    """Starts an X server that writes its display number to the pipe that -displayfd names."""
    read_end, write_end = os.pipe()
    with tempfile.TemporaryFile() as stderr:
        server = subprocess.Popen(
            command + ["-displayfd", str(write_end)],
            pass_fds=[write_end],
            stdin=subprocess.DEVNULL,
            stdout=subprocess.DEVNULL,
            stderr=stderr,
            start_new_session=True,  # may outlive this process; it is ended by its PID
        )
        os.close(write_end)
        with os.fdopen(read_end) as pipe:
            number = pipe.readline().strip()
        if not number:
            stderr.seek(0)
            raise HelperFailed(command, server.wait(), stderr.read().decode(errors="replace"))
    return XServer(":" + number, server.pid, os.path.basename(command[0]))


def start_xvfb(*options):
    """Xvfb with options such as "-screen", "0", "1024x768x24" or "-wr"."""
    return _start(["Xvfb", "-nolisten", "tcp", "-noreset", *options])


def start_two_heads(folder):
    """Xorg with the dummy driver: two 1024x768 heads side by side, the primary on the right
    (at 1024,0). Runs as root; its log goes into folder."""
    server = _start(
        ["Xorg", "-config", str(XORG_CONF), "-configdir", folder, "-noreset", "-nolisten", "tcp"]
        + ["-ac", "-novtswitch", "-logfile", os.path.join(folder, "xorg.log")]
    )
    for options in (
        "--addmode DUMMY1 1024x768",
        "--output DUMMY0 --mode 1024x768 --pos 0x0",
        "--output DUMMY1 --mode 1024x768 --right-of DUMMY0 --primary",
    ):
        run(["xrandr", "-display", server.display, *options.split()])
    return server
