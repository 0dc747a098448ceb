#!/usr/bin/env python3
"""lumeck "/s" against a bare painter of the same display system, side by side.

    bench/saver_ratio.py x11|wayland [seconds] [rounds] [1|2 outputs]
        (default 60 s, 3 rounds, one output; build the linux preset first, or name another
        build tree in GLIMRA_BUILD_DIR)

X11 runs on a private Xvfb beside a bare Xlib window (bench/x11/bare_window.cpp); Wayland on a
headless sway (the tests' compositor, as an unprivileged user) beside a bare layer-shell
painter (bench/wayland/bare_painter.cpp), which covers one output whatever their number (a
second output is 1024x768 too, right of the first). The machine may be busy with other work, so both
sides are measured in turns and the medians reported, which biases both alike. CPU, wake-ups
(context switches) and peak memory: in each round both run together for the given time,
lumeck at 100 ms a dot, the bare painter committing one fixed dot every 100 ms; the one
started first alternates, and the second starts half a tick later: two programs that wake at
the same moment share the cost of the wake unevenly (the same bare painter run twice at once
measured 1.24 times as much CPU for the one started first), which a ratio of an even number
of rounds cancels. Start-up: from the start of the process to its first frame (on
X11 the first black pixel at the centre of a white root; on Wayland the first commit of a
buffer, as libwayland's debug log stamps it), starts alternating, five pairs a round. Also
checks that the saver never loads GTK, and reports the size of lumeck.
"""
import ctypes
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.environ.get("GLIMRA_BUILD_DIR", os.path.join(ROOT, "build/linux"))
LUMECK = os.path.join(BUILD, "lumeck")
BARE = {
    "x11": os.path.join(BUILD, "bench/x11/bare_window"),
    "wayland": os.path.join(BUILD, "bench/wayland/bare_painter"),
}

x11 = ctypes.CDLL("libX11.so.6")
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
x11.XDefaultRootWindow.restype = ctypes.c_ulong
x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
x11.XGetImage.restype = ctypes.c_void_p
x11.XGetImage.argtypes = [
    ctypes.c_void_p,
    ctypes.c_ulong,
    ctypes.c_int,
    ctypes.c_int,
    ctypes.c_uint,
    ctypes.c_uint,
    ctypes.c_ulong,
    ctypes.c_int,
]
x11.XGetPixel.restype = ctypes.c_ulong
x11.XGetPixel.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int]
x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
x11.XInitThreads()


def cpu_seconds(pid):
    """Time on the CPU, to the nanosecond (utime and stime count in 10 ms ticks)."""
    with open("/proc/%d/schedstat" % pid) as schedstat:
        return int(schedstat.read().split()[0]) / 1e9


def status(pid):
    """Peak memory in KB and wake-ups (context switches) from /proc/PID/status."""
    fields = dict(line.split(":", 1) for line in open("/proc/%d/status" % pid))
    wakeups = sum(
        int(fields[key]) for key in ("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches")
    )
    return int(fields["VmHWM"].split()[0]), wakeups


def first_commit_ms(command, env):
    """Milliseconds from the start of `command` to its first commit of a buffer, by the
    realtime stamps of libwayland's debug log (microseconds kept to 32 bits, shown in ms)."""
    start = time.time_ns() // 1000 % 2**32
    process = subprocess.Popen(
        command, env=dict(env, WAYLAND_DEBUG="client"), stderr=subprocess.PIPE, text=True
    )
    attached = False
    elapsed = float("nan")
    for line in process.stderr:
        attached = attached or ".attach(wl_buffer" in line
        if attached and ".commit()" in line:
            stamp = round(float(line[1 : line.index("]")]) * 1000)
            elapsed = (stamp - start) % 2**32 / 1000
            break
    process.terminate()
    process.communicate()
    return elapsed


def first_black_ms(command, env, connection):
    """Milliseconds from the start of `command` to a black pixel at 512,384."""
    subprocess.run(["xsetroot", "-solid", "white"], env=env, check=True)
    root = x11.XDefaultRootWindow(connection)
    start = time.monotonic()
    process = subprocess.Popen(command, env=env)
    while True:
        image = x11.XGetImage(connection, root, 512, 384, 1, 1, 0xFFFFFFFF, 2)
        if image and x11.XGetPixel(image, 0, 0) == 0:
            elapsed = (time.monotonic() - start) * 1000
            break
        if time.monotonic() - start > 10:
            elapsed = float("nan")
            break
        time.sleep(0.0002)  # leaves the CPU to the program being measured and the server
    process.terminate()
    process.wait()
    return elapsed


class Xvfb:
    def __init__(self, folder):
        read_end, write_end = os.pipe()
        self.server = subprocess.Popen(
            [
                "Xvfb",
                "-displayfd",
                str(write_end),
                "-screen",
                "0",
                "1024x768x24",
                "-nolisten",
                "tcp",
            ],
            pass_fds=[write_end],
            stderr=subprocess.DEVNULL,
        )
        os.close(write_end)
        display = ":" + os.fdopen(read_end).readline().strip()
        self.env = dict(os.environ, DISPLAY=display, XDG_CONFIG_HOME=folder, XDG_RUNTIME_DIR=folder)
        self.env.pop("WAYLAND_DISPLAY", None)
        subprocess.run(["xset", "-display", display, "s", "off"], check=False)
        self.connection = None
        while not self.connection:  # the server may not take connections yet
            self.connection = x11.XOpenDisplay(display.encode())

    def first_frame_ms(self, command):
        return first_black_ms(command, self.env, self.connection)

    def stop(self):
        self.server.terminate()
        self.server.wait()


class Sway:
    def __init__(self, folder, outputs):
        sys.path.insert(0, os.path.join(ROOT, "tests/lib"))
        from glimratest.wayland import Sway as HeadlessSway

        self.sway = HeadlessSway()
        if outputs == 2:
            self.sway.swaymsg("create_output")
            self.sway.swaymsg("output", "HEADLESS-2", "resolution", "1024x768")
        self.env = dict(self.sway.env, XDG_CONFIG_HOME=folder)

    def first_frame_ms(self, command):
        return first_commit_ms(command, self.env)

    def stop(self):
        self.sway.stop()


def settings_folder():
    """A new configuration folder whose settings give 30 dots at 100 ms."""
    folder = tempfile.mkdtemp(prefix="glimra-bench-")
    os.makedirs(os.path.join(folder, "Vestrel"))
    with open(os.path.join(folder, "Vestrel/settings.ini"), "w") as out:
        out.write("[config]\nNumberofPoint=30\nspeed=100\n")
    return folder


def main():
    system = sys.argv[1] if len(sys.argv) > 1 else "x11"
    seconds = float(sys.argv[2]) if len(sys.argv) > 2 else 60
    rounds = int(sys.argv[3]) if len(sys.argv) > 3 else 3
    outputs = int(sys.argv[4]) if len(sys.argv) > 4 else 1
    folder = settings_folder()
    display = Xvfb(folder) if system == "x11" else Sway(folder, outputs)
    try:
        commands = {"bare": [BARE[system]], "lumeck": [LUMECK, "/s"]}
        starts = {name: [] for name in commands}
        usage = {name: [] for name in commands}
        for round_number in range(rounds):
            order = list(commands.items())[:: 1 if round_number % 2 else -1]
            for _ in range(5):
                for name, command in order:
                    starts[name].append(display.first_frame_ms(command))
            running = {}
            for name, command in order:
                time.sleep(0.05)  # half a tick apart, so that neither wakes in the other's turn
                running[name] = subprocess.Popen(command, env=display.env)
            time.sleep(seconds)
            maps = open("/proc/%d/maps" % running["lumeck"].pid).read()
            for name, process in running.items():
                usage[name].append((cpu_seconds(process.pid), *status(process.pid)))
                process.terminate()
                process.wait()
    finally:
        display.stop()
    stripped = os.path.join(folder, "lumeck.stripped")
    subprocess.run(["strip", "-o", stripped, LUMECK], check=True)
    median = statistics.median
    print(
        "%s: %d rounds of %.0f s at 100 ms a dot, %d output(s) of 1024x768; medians"
        % (system, rounds, seconds, outputs)
    )
    for what, index, form in (
        ("CPU", 0, "%.3f s"),
        ("peak memory", 1, "%d KB"),
        ("wake-ups", 2, "%d"),
    ):
        sides = [form % median(u[index] for u in usage[name]) for name in ("lumeck", "bare")]
        ratio = median(l[index] / b[index] for l, b in zip(usage["lumeck"], usage["bare"]))
        print("%s: lumeck %s, bare painter %s, ratio %.2f" % (what, *sides, ratio))
    print(
        "start-up to the first frame: lumeck %.1f ms, bare painter %.1f ms, ratio %.2f"
        % (
            median(starts["lumeck"]),
            median(starts["bare"]),
            median(starts["lumeck"]) / median(starts["bare"]),
        )
    )
    print("GTK loaded in the saver: %s" % ("yes" if "libgtk" in maps else "no"))
    print("lumeck: %d bytes, %d stripped" % (os.path.getsize(LUMECK), os.path.getsize(stripped)))
    shutil.rmtree(folder)


if __name__ == "__main__":
    main()
