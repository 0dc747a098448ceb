"""A headless sway for the tests, run as an unprivileged user (sway refuses root) with its
own runtime folder, and the tools that drive and look at it: swaymsg, grim, wtype."""
import glob
import os
import shutil
import subprocess
import tempfile
import time

FIRST = "HEADLESS-1"
BACKGROUND = "#ff00ff"  # what the saver does not cover shows magenta


def poll(condition, timeout=10.0):
    """The condition's first true value, or its last value once the time is up."""
    end = time.monotonic() + timeout
    while not (value := condition()) and time.monotonic() < end:
        time.sleep(0.05)
    return value


class Sway:
    def __init__(self):
        self.folder = tempfile.mkdtemp(prefix="glimra-wayland-")
        os.chmod(self.folder, 0o755)
        self.run_dir = os.path.join(self.folder, "run")
        for folder in (self.run_dir, self.folder + "/home"):
            os.mkdir(folder, 0o700)
            shutil.chown(folder, "nobody", "nogroup")
        config = os.path.join(self.folder, "config")
        with open(config, "w") as out:
            out.write(
                "output * bg %s solid_color\noutput %s resolution 1024x768\n" % (BACKGROUND, FIRST)
            )
        self.log = open(self.folder + "/sway.log", "w")
        self.process = subprocess.Popen(
            [
                "setpriv",
                "--reuid=nobody",
                "--regid=nogroup",
                "--clear-groups",
                "sway",
                "-c",
                config,
            ],
            stdout=self.log,
            stderr=subprocess.STDOUT,
            env=dict(
                os.environ,
                XDG_RUNTIME_DIR=self.run_dir,
                HOME=self.folder + "/home",
                WLR_BACKENDS="headless",
                WLR_RENDERER="pixman",
                WLR_LIBINPUT_NO_DEVICES="1",
            ),
        )
        sockets = poll(
            lambda: glob.glob(self.run_dir + "/sway-ipc.*.sock")
            and glob.glob(self.run_dir + "/wayland-?")
        )
        if not sockets or self.process.poll() is not None:
            self.stop()
            raise RuntimeError("sway did not start: " + open(self.folder + "/sway.log").read())
        # The clients' own runtime folder (the instance lock is there), the socket by its path
        os.mkdir(self.folder + "/client-run", 0o700)
        self.env = dict(
            os.environ,
            XDG_RUNTIME_DIR=self.folder + "/client-run",
            WAYLAND_DISPLAY=glob.glob(self.run_dir + "/wayland-?")[0],
            SWAYSOCK=glob.glob(self.run_dir + "/sway-ipc.*.sock")[0],
            XDG_CONFIG_HOME=self.folder + "/config-home",
        )
        self.env.pop("DISPLAY", None)

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            self.process.wait(10)
        self.log.close()
        shutil.rmtree(self.folder, ignore_errors=True)

    def swaymsg(self, *args):
        return subprocess.run(
            ["swaymsg", *args], env=self.env, check=True, capture_output=True, text=True
        ).stdout

    def picture(self, output):
        """The output's pixels, as a PPM picture."""
        return subprocess.run(
            ["grim", "-o", output, "-t", "ppm", "-"], env=self.env, check=True, capture_output=True
        ).stdout

    def wtype(self, *args):
        subprocess.run(["wtype", *args], env=self.env, check=True)


def blobs(ppm):
    """The blobs of non-black pixels in a PPM picture, as their size "WxH" and pixel count,
    and the share of the picture that is black."""
    found = subprocess.run(
        [
            "convert",
            "ppm:-",
            "-threshold",
            "0",
            "-define",
            "connected-components:verbose=true",
            "-connected-components",
            "4",
            "null:",
        ],
        input=ppm,
        check=True,
        capture_output=True,
    ).stdout
    lines = found.decode().splitlines()[1:]
    dots = [
        (line.split()[1].split("+")[0], int(line.split()[3]))
        for line in lines
        if line.endswith("(255,255,255)")
    ]
    black = sum(int(line.split()[3]) for line in lines if line.endswith("(0,0,0)"))
    return dots, black


def colours(ppm):
    """The distinct colours of a PPM picture, up to three, as "#RRGGBB"."""
    out = subprocess.run(
        ["convert", "ppm:-", "-unique-colors", "-depth", "8", "txt:-"],
        input=ppm,
        check=True,
        capture_output=True,
    ).stdout
    return [line.split()[2] for line in out.decode().splitlines()[1:4]]
