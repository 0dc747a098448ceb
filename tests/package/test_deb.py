"""The Debian package as Debian's tools see it, and its files run by the real hosts."""

import glob
import os
import re
import shutil
import tempfile
import unittest
import xml.etree.ElementTree as ElementTree

from glimratest import displays, pictures, session
from glimratest.processes import AS_NOBODY, Started, call, run, running
from glimratest.waiting import wait_for

BUILD = os.environ["GLIMRA_BUILD_DIR"]
VERSION = os.environ["GLIMRA_VERSION"]  # the package's, which "--version" must name
DEB = f"{BUILD}/glimra_{VERSION}_amd64.deb"
LUMECK = "/usr/libexec/xscreensaver/lumeck"
MODULES = [
    f"/usr/lib/x86_64-linux-gnu/lumeck/lumeck-{name}.so" for name in ("gtk", "x11", "wayland")
]
ENTRIES = ["/usr/share/applications/lumeck-settings.desktop"]
ENTRIES += ["/usr/share/applications/screensavers/lumeck.desktop"]
MODE = "/usr/share/xscreensaver/config/lumeck.xml"
STOCK_MODES = "/usr/share/xscreensaver/config/*.xml"  # XScreenSaver's own, installed here
FILES = [LUMECK, *MODULES, *ENTRIES, MODE, "/usr/share/man/man6/lumeck.6.gz"]
FILES += ["/usr/share/doc/glimra/changelog.gz", "/usr/share/doc/glimra/copyright"]
FILES += ["/usr/share/lintian/overrides/glimra"]
FILES += [f"/usr/share/icons/hicolor/{size}x{size}/apps/glimra.png" for size in (16, 32, 48, 64)]


def setUpModule():
    global root
    unittest.addModuleCleanup(session.start_session().end)  # for MATE's saver
    run(["cmake", "--build", BUILD, "--target", "package"])
    root = tempfile.mkdtemp(prefix="glimra-deb-")
    unittest.addModuleCleanup(shutil.rmtree, root)
    os.chmod(root, 0o755)  # XScreenSaver's user runs the program from here
    run(["dpkg-deb", "-x", DEB, root])


class Package(unittest.TestCase):
    def test_files_lintian_desktop_entries_and_the_mode_description(self):
        listing = [line.split() for line in run(["dpkg-deb", "-c", DEB]).splitlines()]
        files = [entry[5][1:] for entry in listing if entry[0].startswith("-")]
        self.assertEqual(sorted(files), sorted(FILES))
        lintian = call(["lintian", "-I", "--fail-on", "error,warning,info", DEB])
        self.assertEqual((lintian.returncode, lintian.stdout), (0, ""), "lintian")
        for entry in ENTRIES:  # hints pass: a saver's entry is in no menu
            report = run(["desktop-file-validate", root + entry])
            self.assertEqual(re.findall(r": (error|warning): .*", report), [], entry)
        ours = ElementTree.parse(root + MODE).getroot()  # well-formed
        stock = [ElementTree.parse(path).getroot() for path in glob.glob(STOCK_MODES)]
        self.assertEqual((ours.get("name"), ours.find("command").get("arg")), ("lumeck", "--root"))
        stock_tags = {child.tag for mode in stock for child in mode}
        self.assertLessEqual({child.tag for child in ours}, stock_tags, "the mode's elements")

    def test_the_unpacked_program_answers_help_and_version_then_finds_no_display(self):
        env = {"HOME": root, "PATH": "/usr/bin:/bin"}
        usage = r"^Usage: lumeck .*--root.*/Vestrel/settings\.ini\n"
        version = rf"^lumeck \(Glimra\) {re.escape(VERSION)}\n$"
        for argument, answer in (("--help", usage), ("-h", usage), ("--version", version)):
            answered = call([root + LUMECK, argument], env=env)
            self.assertEqual((answered.returncode, answered.stderr), (0, ""), argument)
            self.assertRegex(answered.stdout, re.compile(answer, re.DOTALL), argument)
        dialog = call([root + LUMECK], env=env)
        self.assertEqual(dialog.returncode, 1, dialog.stderr)
        self.assertRegex(dialog.stderr, r"^lumeck: no display: [^\n]*\n$", "one line")


class FromTheFiles(unittest.TestCase):
    def setUp(self):
        self.server = displays.start_xvfb("-screen", "0", "1024x768x24")
        self.addCleanup(self.server.stop)
        self.home = tempfile.mkdtemp(prefix="glimra-home-")
        self.addCleanup(shutil.rmtree, self.home)

    def lumeck_pids(self):  # the hosts start the unpacked lumeck by name
        def runs_ours(pid):
            try:
                return os.path.samefile(f"/proc/{pid}/exe", root + LUMECK)
            except OSError:
                return False

        return [int(pid) for pid in os.listdir("/proc") if pid.isdigit() and runs_ours(pid)]

    def assert_shows_dots_and_ends(self, control, dashes):
        """Activated, the host shows our dots (a display mode takes no lock); deactivated, it ends
        us."""
        self.assertEqual(control(dashes + "activate"), 0, "activate")
        pids = wait_for(self.lumeck_pids, "the packaged lumeck started by the host")
        dots = lambda: pictures.blobs(self.server.env(), connectivity=4)
        whole = lambda found: sum(blob.width == blob.height == 12 for blob in found) >= 3
        wait_for(dots, "three whole dots of the pen", done=whole)
        fds = [os.readlink(fd) for fd in glob.glob(f"/proc/{pids[0]}/fd/*")]
        self.assertEqual([fd for fd in fds if fd.endswith(".lock")], [], "open files")
        self.assertEqual(control(dashes + "deactivate"), 0, "deactivate")
        wait_for(lambda: not any(map(running, pids)), "the packaged lumeck to end")

    def test_xscreensaver_runs_it(self):
        # By its path: XScreenSaver puts its own folder first on PATH, where an installed
        # lumeck would be found by name.
        with open(self.home + "/.xscreensaver", "w") as settings:
            settings.write("mode: one\nselected: 0\nlock: False\nfade: False\nunfade: False\n")
            settings.write(f"splash: False\nprograms: {root + LUMECK} --root\n")
        os.chown(self.home, 65534, 65534)
        env = {"HOME": self.home, "DISPLAY": self.server.display, "PATH": "/usr/bin:/bin"}
        daemon = Started(AS_NOBODY + ["xscreensaver", "--no-splash", "--verbose"], env=env)
        control = lambda arg: call(AS_NOBODY + ["xscreensaver-command", arg], env).returncode
        self.addCleanup(lambda: control("-exit") or daemon.end())
        # Asked before it has read its settings, the daemon sometimes ends at once.
        started = lambda: "launched xscreensaver-systemd" in daemon.error_output()
        wait_for(started, "xscreensaver to read its settings")
        self.assertEqual(control("-time"), 0, daemon.error_output())
        self.assert_shows_dots_and_ends(control, "-")

    def test_mate_screensaver_runs_it(self):
        env = dict(PATH="/usr/bin:/bin", HOME=self.home, DISPLAY=self.server.display)
        env.update(XDG_RUNTIME_DIR=self.home, XDG_CONFIG_HOME=self.home + "/xdg")
        env.update(XDG_CURRENT_DESKTOP="MATE", GSETTINGS_BACKEND="keyfile")
        env.update(DBUS_SESSION_BUS_ADDRESS=os.environ["DBUS_SESSION_BUS_ADDRESS"])
        for setting in ("lock-enabled false", "idle-activation-enabled false", "mode single"):
            run(["gsettings", "set", "org.mate.screensaver", *setting.split()], env)
        run(["gsettings", "set", "org.mate.screensaver", "themes", "['screensavers-lumeck']"], env)
        # It runs only programs in XScreenSaver's folder: in a mount namespace of its own, the
        # package's files are where the package puts them, and they alone. The modules' folder
        # is new there, so the library folder is the package's laid over the system's.
        folders = (os.path.dirname(LUMECK), os.path.dirname(ENTRIES[1]))
        mounts = "".join(f"mount --bind {root}{folder} {folder} && " for folder in folders)
        libraries = os.path.dirname(os.path.dirname(MODULES[0]))
        mounts += f"mount -t overlay -o lowerdir={root}{libraries}:{libraries} none {libraries} && "
        command = mounts + "exec mate-screensaver --no-daemon --debug"
        daemon = Started(
            ["unshare", "--mount", "--propagation=private", "sh", "-c", command], env=env
        )
        self.addCleanup(daemon.end)
        control = lambda arg: call(["mate-screensaver-command", arg], env).returncode
        on_bus = lambda: control("--query") == 0 or not daemon.running()
        wait_for(on_bus, "mate-screensaver on the bus")
        if not daemon.running():  # unshare needs "/" to be a mount point, as it is when booted
            raise daemon.failure("ended")
        self.assert_shows_dots_and_ends(control, "--")


if __name__ == "__main__":
    unittest.main()
