"""The Debian package as Debian's tools see it, and its files run by the real hosts:
the unpacked tree's statement box, XScreenSaver and MATE's saver, each on an Xvfb of its own."""
import glob
import gzip
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ElementTree

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "x11"))
import xenv  # noqa: E402

BUILD, VERSION = os.environ["GLIMRA_BUILD_DIR"], os.environ["GLIMRA_VERSION"]
DEB = "%s/glimra_%s_amd64.deb" % (BUILD, VERSION)
LIBEXEC = "/usr/libexec/xscreensaver"
SCREEN = (0, 0, 1024, 768)
MODULE, MENU_ENTRY, SAVER_ENTRY = (
    "/usr/lib/x86_64-linux-gnu/lumeck/lumeck-gtk.so",
    "/usr/share/applications/lumeck-settings.desktop",
    "/usr/share/applications/screensavers/lumeck.desktop",
)
MODE, CHANGELOG, MANUAL = (
    "/usr/share/xscreensaver/config/lumeck.xml",
    "/usr/share/doc/glimra/changelog.gz",
    "/usr/share/man/man6/lumeck.6.gz",
)
ICONS = ["/usr/share/icons/hicolor/%dx%d/apps/glimra.png" % (n, n) for n in (16, 32, 48, 64)]
FILES = [LIBEXEC + "/lumeck", MODULE, MENU_ENTRY, SAVER_ENTRY, MODE, CHANGELOG, MANUAL] + ICONS


def setUpModule():
    global root
    subprocess.run(["cmake", "--build", BUILD, "--target", "package"], check=True, text=True)
    root = tempfile.mkdtemp(prefix="glimra-deb-")
    os.chmod(root, 0o755)  # XScreenSaver's user runs the program from here
    subprocess.run(["dpkg-deb", "-x", DEB, root], check=True)


def tearDownModule():
    shutil.rmtree(root)


def output(*command, **kwargs):
    done = subprocess.run(command, capture_output=True, text=True, **kwargs)
    return done.returncode, done.stdout


def running(pid):  # a zombie has ended
    try:
        return open("/proc/%d/stat" % pid).read().rsplit(")", 1)[1].split()[0] != "Z"
    except FileNotFoundError:
        return False


class Contents(unittest.TestCase):
    def test_files_are_where_the_hosts_look_and_owned_by_root(self):
        entries = [line.split() for line in output("dpkg-deb", "-c", DEB)[1].splitlines()]
        files = [entry[5][1:] for entry in entries if entry[0][0] == "-"]
        self.assertEqual(sorted(files), sorted(FILES + ["/usr/share/doc/glimra/copyright"]))
        self.assertEqual({entry[1] for entry in entries}, {"root/root"})

    def test_lintian_and_desktop_file_validate_report_nothing(self):
        self.assertEqual(output("lintian", "--fail-on", "error,warning", DEB), (0, ""))
        for entry in (MENU_ENTRY, SAVER_ENTRY):  # hints pass: a saver's entry is in no menu
            status, report = output("desktop-file-validate", root + entry)
            self.assertEqual((status, re.findall(r": (error|warning): .*", report)), (0, []))
            self.assertIn("\nTryExec=%s/lumeck\n" % LIBEXEC, open(root + entry).read())
        self.assertIn("\nIcon=glimra\n", open(root + MENU_ENTRY).read())

    def test_depends_come_from_the_binaries_and_the_description_has_a_body(self):
        fields = dict(re.findall(r"^(\w+): (.*(?:\n .*)*)", output("dpkg-deb", "-f", DEB)[1], re.M))
        for library in ("libc6", "libx11-6", "libxcb-randr0", "libglib2.0-0", "libgtk-3-0"):
            self.assertRegex(fields["Depends"], r"(^|, )%s( |,|$)" % re.escape(library))
        self.assertGreater(len(fields["Description"].splitlines()), 3)

    def test_mode_description_uses_only_what_the_stock_ones_use(self):
        self.assertEqual(output("xmllint", "--noout", root + MODE), (0, ""))
        ours = ElementTree.parse(root + MODE).getroot()
        configs = glob.glob(os.path.dirname(MODE) + "/*.xml")  # the stock modes' descriptions
        stock = [ElementTree.parse(path).getroot() for path in configs]
        self.assertEqual((ours.get("name"), ours.find("command").get("arg")), ("lumeck", "--root"))
        self.assertLessEqual({child.tag for child in ours}, {c.tag for mode in stock for c in mode})
        self.assertEqual((ours.tag, set(ours.attrib)), (stock[0].tag, set(stock[0].attrib)))

    def test_changelog_names_this_version_and_the_manual_formats_cleanly(self):
        changelog = gzip.open(root + CHANGELOG, "rt").readline()
        self.assertEqual(changelog.split(" ")[:2], ["glimra", "(%s)" % VERSION])
        manual = subprocess.run(["man", "--warnings", "-l", root + MANUAL], capture_output=True)
        self.assertEqual((manual.returncode, manual.stderr), (0, b""))


class FromTheFiles(unittest.TestCase):
    def setUp(self):
        read_end, write_end = os.pipe()
        server = subprocess.Popen(
            "Xvfb -screen 0 1024x768x24 -nolisten tcp -ac -displayfd".split() + [str(write_end)],
            pass_fds=[write_end],
            stderr=subprocess.DEVNULL,
        )
        self.addCleanup(lambda: server.terminate() or server.wait())
        os.close(write_end)
        self.display = ":" + os.fdopen(read_end).readline().strip()
        self.home = tempfile.mkdtemp(prefix="glimra-home-")
        self.addCleanup(shutil.rmtree, self.home)
        os.chmod(self.home, 0o755)

    def on_display(self, *command):
        return output(*command, env=dict(os.environ, DISPLAY=self.display))[1]

    def lumeck_pids(self):  # the hosts start it by name, on this test's display
        def ours(pid):
            try:
                environment = "\0" + open("/proc/%s/environ" % pid).read()
                return open("/proc/%s/comm" % pid).read() == "lumeck\n" and re.search(
                    r"\0DISPLAY=%s(\.0)?\0" % self.display, environment
                )
            except OSError:
                return False

        return [int(pid) for pid in os.listdir("/proc") if pid.isdigit() and ours(pid)]

    def test_unpacked_statement_box_loads_the_module_beside_it(self):
        os.chmod(self.home, 0o700)  # the lock's folder
        env = dict(os.environ, DISPLAY=self.display, HOME=self.home, XDG_RUNTIME_DIR=self.home)
        box = subprocess.Popen([root + LIBEXEC + "/lumeck", "/v"], env=env)
        self.addCleanup(lambda: box.kill() or box.wait())
        shown = xenv.poll(lambda: self.on_display("xdotool", "search", "--name", "^声明$"), 15)
        self.assertTrue(shown, "no statement box; exit status %s" % box.poll())
        self.assertIn(root + MODULE, open("/proc/%d/maps" % box.pid).read())

    def test_xscreensaver_runs_it_by_name_and_ends_it(self):
        with open(self.home + "/.xscreensaver", "w") as conf:
            conf.write("mode: one\nselected: 0\nlock: False\nfade: False\nunfade: False\n")
            conf.write("splash: False\nprograms: lumeck --root\n")
        os.chown(self.home, 65534, 65534)
        env = {
            "HOME": self.home,
            "DISPLAY": self.display,
            "PATH": root + LIBEXEC + ":/usr/bin:/bin",
        }
        as_nobody = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"]
        log = open(self.home + "/log", "w")
        daemon = subprocess.Popen(
            as_nobody + ["xscreensaver", "--no-splash", "--verbose"],
            env=env,
            stdout=log,
            stderr=log,
        )
        command = lambda *args: subprocess.run(  # noqa: E731
            as_nobody + ["xscreensaver-command", *args], env=env, capture_output=True
        ).returncode
        self.addCleanup(lambda: command("-exit") or daemon.wait(15) or log.close())
        # Asked before it has read its settings, the daemon sometimes ends at once.
        started = xenv.poll(lambda: "launched xscreensaver-systemd" in open(log.name).read(), 15)
        self.assertTrue(started and command("-time") == 0, open(log.name).read())
        for end in ("-deactivate", "key"):  # a key goes to the daemon, which ends lumeck
            self.assertEqual(command("-activate"), 0)
            pids = xenv.poll(self.lumeck_pids)
            self.assertTrue(pids, open(self.home + "/log").read())
            self.assertTrue(xenv.poll(lambda: xenv.dots(self.display, SCREEN)), "no dots")
            if end == "-deactivate":
                command(end)

            def ended():
                if end == "key":
                    self.on_display("xdotool", "key", "a")
                return not any(map(running, pids))

            self.assertTrue(xenv.poll(ended, 10), end)

    def test_mate_runs_it_with_the_home_settings_and_no_lock_and_ends_it(self):
        os.makedirs(self.home + "/.config/Vestrel")  # the fast settings: a clear every 1.1 s
        with open(self.home + "/.config/Vestrel/settings.ini", "w") as settings:
            settings.write("[config]\nNumberofPoint=10\nspeed=100\n")
        env = dict(PATH="/usr/bin:/bin", HOME=self.home, DISPLAY=self.display)
        env.update(XDG_RUNTIME_DIR=self.home, XDG_CONFIG_HOME=self.home + "/xdg")
        env.update(XDG_CURRENT_DESKTOP="MATE", GSETTINGS_BACKEND="keyfile")
        env.update(
            re.findall(
                r"^(\w+)='?([^';]*)'?;", output("dbus-launch", "--sh-syntax", env=env)[1], re.M
            )
        )
        self.addCleanup(os.kill, int(env["DBUS_SESSION_BUS_PID"]), 15)
        for setting in ("lock-enabled false", "idle-activation-enabled false", "mode single"):
            subprocess.run(["gsettings", "set", "org.mate.screensaver", *setting.split()], env=env)
        theme = ["gsettings", "set", "org.mate.screensaver", "themes", "['screensavers-lumeck']"]
        subprocess.run(theme, env=env)
        # It runs only programs in XScreenSaver's folder: in a mount namespace of its own, the
        # package's files are where the package puts them, and they alone.
        folders = (LIBEXEC, os.path.dirname(SAVER_ENTRY))
        mounts = ["mount --bind %s%s %s && " % (root, folder, folder) for folder in folders]
        log = open(self.home + "/log", "w+")
        daemon = subprocess.Popen(
            "unshare --mount --propagation private sh -c".split()
            + ["".join(mounts) + "exec mate-screensaver --no-daemon --debug"],
            env=env,
            stdout=log,
            stderr=log,
        )
        self.addCleanup(lambda: daemon.terminate() or daemon.wait() or log.close())
        command = lambda arg: subprocess.run(  # noqa: E731
            ["mate-screensaver-command", arg], env=env, capture_output=True
        ).returncode
        self.assertTrue(xenv.poll(lambda: command("--query") == 0, 15), "mate-screensaver not up")
        self.assertEqual(command("--activate"), 0)
        pids = xenv.poll(self.lumeck_pids)
        self.assertEqual(len(pids), 1, "".join(line for line in open(log.name) if "job" in line))
        environment = open("/proc/%d/environ" % pids[0]).read().split("\0")
        self.assertEqual([v for v in environment if v.startswith("XDG_CONFIG_HOME=")], [])
        counts = []
        cleared = lambda: counts.append(len(xenv.dots(self.display, SCREEN))) or (  # noqa: E731
            max(counts) >= 5 and counts[-1] <= 2
        )
        self.assertTrue(xenv.poll(cleared, 8), "no clear after 10 dots: %s" % counts)
        fds = glob.glob("/proc/%d/fd/*" % pids[0])
        self.assertEqual([fd for fd in map(os.readlink, fds) if fd.endswith(".lock")], [])
        self.assertEqual(command("--deactivate"), 0)
        self.assertTrue(xenv.poll(lambda: not running(pids[0]), 3), "still running")


if __name__ == "__main__":
    unittest.main()
