#!/usr/bin/env python3
"""lumeck "/s" against a bare Xlib window, side by side on one private Xvfb.

    bench/x11_ratio.py [seconds]        (default 60; build the linux preset first)

CPU and peak memory: both run for the given time, lumeck at 100 ms a dot, the bare window
painting one fixed dot every 100 ms. Start-up: from the start of the process to the
first black pixel at the centre of the screen (on a white root), median of ten starts.
Also checks that the saver path never loads GTK, and reports the size of lumeck.
"""
import ctypes
import os
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
LUMECK = os.environ.get("GLIMRA_LUMECK", os.path.join(ROOT, "build/linux/lumeck"))
BARE = os.path.join(ROOT, "build/linux/bench/x11/bare_window")
TICKS = os.sysconf("SC_CLK_TCK")

x11 = ctypes.CDLL("libX11.so.6")
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
x11.XDefaultRootWindow.restype = ctypes.c_ulong
x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
x11.XGetImage.restype = ctypes.c_void_p
x11.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                          ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
x11.XGetPixel.restype = ctypes.c_ulong
x11.XGetPixel.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int]
x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
x11.XInitThreads()


def cpu_seconds(pid):
    fields = open("/proc/%d/stat" % pid).read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICKS


def peak_kb(pid):
    for line in open("/proc/%d/status" % pid):
        if line.startswith("VmHWM:"):
            return int(line.split()[1])
    return 0


def first_black_ms(command, env, display):
    """Milliseconds from the start of `command` to a black pixel at 512,384."""
    subprocess.run(["xsetroot", "-solid", "white"], env=env, check=True)
    connection = x11.XOpenDisplay(display.encode())
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
    process.terminate()
    process.wait()
    x11.XCloseDisplay(connection)
    return elapsed


def main():
    seconds = float(sys.argv[1]) if len(sys.argv) > 1 else 60
    folder = tempfile.mkdtemp(prefix="glimra-bench-")
    read_end, write_end = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0",
                               "1024x768x24", "-nolisten", "tcp"], pass_fds=[write_end],
                              stderr=subprocess.DEVNULL)
    os.close(write_end)
    display = ":" + os.fdopen(read_end).readline().strip()
    os.makedirs(os.path.join(folder, "Vestrel"))
    with open(os.path.join(folder, "Vestrel/settings.ini"), "w") as out:
        out.write("[config]\nNumberofPoint=30\nspeed=100\n")
    env = dict(os.environ, DISPLAY=display, XDG_CONFIG_HOME=folder, XDG_RUNTIME_DIR=folder)
    try:
        subprocess.run(["xset", "-display", display, "s", "off"], check=False)
        starts = {name: statistics.median(first_black_ms(command, env, display)
                                          for _ in range(10))
                  for name, command in (("bare", [BARE]), ("lumeck", [LUMECK, "/s"]))}
        saver = subprocess.Popen([LUMECK, "/s"], env=env)
        bare = subprocess.Popen([BARE], env=env)
        time.sleep(seconds)
        maps = open("/proc/%d/maps" % saver.pid).read()
        usage = {name: (cpu_seconds(p.pid), peak_kb(p.pid))
                 for name, p in (("lumeck", saver), ("bare", bare))}
        for process in (saver, bare):
            process.terminate()
            process.wait()
    finally:
        server.terminate()
        server.wait()
    stripped = os.path.join(folder, "lumeck.stripped")
    subprocess.run(["strip", "-o", stripped, LUMECK], check=True)
    print("%.0f s at 100 ms a dot, on Xvfb 1024x768" % seconds)
    print("CPU: lumeck %.2f s, bare window %.2f s, ratio %.2f"
          % (usage["lumeck"][0], usage["bare"][0], usage["lumeck"][0] / usage["bare"][0]))
    print("peak memory: lumeck %d KB, bare window %d KB, ratio %.2f"
          % (usage["lumeck"][1], usage["bare"][1], usage["lumeck"][1] / usage["bare"][1]))
    print("start-up to the first black frame: lumeck %.1f ms, bare window %.1f ms, ratio %.2f"
          % (starts["lumeck"], starts["bare"], starts["lumeck"] / starts["bare"]))
    print("GTK loaded in the saver: %s" % ("yes" if "libgtk" in maps else "no"))
    print("lumeck: %d bytes, %d stripped" % (os.path.getsize(LUMECK), os.path.getsize(stripped)))


if __name__ == "__main__":
    main()
