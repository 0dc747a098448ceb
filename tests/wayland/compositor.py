"""A headless sway for the tests, run as an unprivileged user (sway refuses root) with its
own runtime folder, and the tools that drive and look at it: swaymsg, grim, wtype."""
import glob
import os
import shutil
import subprocess
import tempfile
import time

FIRST = "HEADLESS-1"
AS_NOBODY = "setpriv --reuid=nobody --regid=nogroup --clear-groups".split()


def poll(condition, timeout=10.0):
    """The condition's first true value, or its last value once the time is up."""
    end = time.monotonic() + timeout
    while not (value := condition()) and time.monotonic() < end:
        time.sleep(0.05)
    return value


def run(command, env=None, input=None):
    return subprocess.run(command, env=env, input=input, check=True, capture_output=True).stdout


class Sway:
    """Its background is magenta, so what the saver leaves uncovered is easy to tell."""

    def __init__(self):
        self.folder = tempfile.mkdtemp(prefix="glimra-wayland-")
        os.chmod(self.folder, 0o755)
        server_run = self.folder + "/run"
        for folder in (server_run, self.folder + "/home"):
            os.mkdir(folder, 0o700)
            shutil.chown(folder, "nobody", "nogroup")
        with open(self.folder + "/config", "w") as out:
            out.write("output * bg #ff00ff solid_color\noutput %s resolution 1024x768\n" % FIRST)
        self.log = open(self.folder + "/sway.log", "w")
        server_env = dict(os.environ, XDG_RUNTIME_DIR=server_run, HOME=self.folder + "/home")
        server_env.update(WLR_BACKENDS="headless", WLR_RENDERER="pixman")
        server_env.update(WLR_LIBINPUT_NO_DEVICES="1")
        command = AS_NOBODY + ["sway", "-c", self.folder + "/config"]
        self.process = subprocess.Popen(command, env=server_env, stdout=self.log, stderr=self.log)
        sockets = lambda: glob.glob(server_run + "/wayland-?") + glob.glob(server_run + "/sway-*")
        if len(poll(lambda: len(sockets()) == 2 and sockets())) != 2:
            self.stop()
            raise RuntimeError("sway did not start: " + open(self.folder + "/sway.log").read())
        # Clients get a runtime folder of their own (the instance lock is there)
        os.mkdir(self.folder + "/client-run", 0o700)
        self.env = dict(os.environ, XDG_RUNTIME_DIR=self.folder + "/client-run")
        self.env.update(WAYLAND_DISPLAY=sockets()[0], SWAYSOCK=sockets()[1])
        self.env.update(XDG_CONFIG_HOME=self.folder + "/config-home")
        self.env.pop("DISPLAY", None)

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            self.process.wait(10)
        self.log.close()
        shutil.rmtree(self.folder, ignore_errors=True)

    def swaymsg(self, *args):
        return run(["swaymsg", *args], self.env).decode()

    def picture(self, output=None, area=None):
        """A PPM picture of an output, or of an area "X,Y WxH" of the layout."""
        where = ["-o", output] if output else ["-g", area]
        return run(["grim", *where, "-t", "ppm", "-"], self.env)


def blobs(ppm):
    """The blobs of non-black pixels in a PPM picture, as their size "WxH" and pixel count,
    and the number of black pixels."""
    components = "-define connected-components:verbose=true -connected-components 4"
    command = ("convert ppm:- -threshold 0 %s null:" % components).split()
    found = [line.split() for line in run(command, input=ppm).decode().splitlines()[1:]]
    dots = [
        (blob[1].split("+")[0], int(blob[3]))
        for blob in found
        if blob[-1].endswith("(255,255,255)")
    ]
    return dots, sum(int(blob[3]) for blob in found if blob[-1].endswith("(0,0,0)"))


def colour_count(ppm):
    return int(run("convert ppm:- -format %k info:".split(), input=ppm))
