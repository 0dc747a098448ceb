#!/usr/bin/env python3
"""What the saver costs beyond a window that paints one dot per tick, measured under Wine.

On a private Xvfb display with a fresh prefix:
- start-up: starts Lumeck.scr /s and idle_window.exe in turn, several times each, and takes
  the time from each process's start to its window being mapped; prints the medians and
  their ratio;
- CPU and memory: runs Lumeck.scr /s with a 100 ms interval beside idle_window.exe (a
  full-screen window whose 100 ms timer paints one fixed dot the cheapest way) for a fixed
  time, and prints both processes' CPU time and peak memory and their ratios;
then the size of the .scr and the DLLs it imports.

Usage: bench/cpu_ratio.py [seconds]   (after `cmake --build --preset windows`)
GLIMRA_BASELINE=bare makes the baseline paint nothing; GLIMRA_STARTUP_RUNS sets the number
of start-ups of each program (15).
"""

import json
import os
import re
import statistics
import subprocess
import sys
import tempfile
import threading
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.path.join(ROOT, "build", "windows")
SCR = os.environ.get("GLIMRA_SCR", os.path.join(BUILD, "Lumeck.scr"))  # another build to compare
IDLE = os.path.join(BUILD, "bench", "win32", "idle_window.exe")
DRIVER = os.path.join(BUILD, "tests", "e2e", "driver.exe")
# The end-to-end tests' Wine world (glimratest.wine) reads these when imported.
os.environ.update(
    GLIMRA_SCR=SCR,
    GLIMRA_DRIVER=DRIVER,
    GLIMRA_E2E_STATE=os.path.join(tempfile.mkdtemp(prefix="glimra-bench-"), "state.json"),
)
sys.path.insert(0, os.path.join(ROOT, "tests", "lib"))
from glimratest import wine as harness  # noqa: E402

TICKS_PER_SECOND = os.sysconf("SC_CLK_TCK")
# "bare" makes the baseline paint nothing.
IDLE_ARGS = os.environ.get("GLIMRA_BASELINE", "")
STARTUP_RUNS = int(os.environ.get("GLIMRA_STARTUP_RUNS", "15"))


class Driver:
    """The end-to-end driver in the harness's world: starting and ending programs."""

    def __init__(self):
        self.state = json.loads(harness.STATE.read_text())
        self.env = harness.wine_env(self.state)
        self.watched = {}

    def start(self, exe, argtext):
        path = "Z:" + os.path.abspath(exe).replace("/", "\\")
        line = f'"{path}" {argtext}'.rstrip()
        watched = harness.Watched(self.env, self.state["work"], "run", path, line)
        self.watched[watched.pid] = watched
        return watched.pid

    def kill(self, pid):
        self.watched.pop(pid).let_go()


def linux_pid(image, prefix):
    """The Linux process that Wine runs the Windows program in, in our prefix only: other
    people's tests may run the same program at the same time."""
    wanted = b"WINEPREFIX=" + os.fsencode(prefix)
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open(f"/proc/{entry}/cmdline", "rb") as cmdline:
                    argv = cmdline.read().split(b"\0")
                if not argv or not argv[0].decode(errors="replace").endswith(image):
                    continue
                with open(f"/proc/{entry}/environ", "rb") as environ:
                    if wanted in environ.read().split(b"\0"):
                        return int(entry)
            except OSError:
                continue
    return None


def cpu_seconds(pid):
    """CPU time of all the process's threads, to the nanosecond (the scheduler's count;
    /proc/PID/stat counts in clock ticks of 10 ms, too coarse for a few ms a second)."""
    total = 0
    for task in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{task}/schedstat") as schedstat:
                total += int(schedstat.read().split()[0])
        except OSError:
            continue  # a thread that has just ended
    return total / 1e9


def start_seconds(pid):
    """When the process started, in seconds since boot, to the kernel's clock tick."""
    with open(f"/proc/{pid}/stat") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return int(fields[19]) / TICKS_PER_SECOND


def mapped(state, title):
    search = ["xdotool", "search", "--onlyvisible", "--name", f"^{title}$"]
    return (
        subprocess.run(
            search,
            env=harness.wine_env(state),
            stdin=subprocess.DEVNULL,
            stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL,
        ).returncode
        == 0
    )


def startup_seconds(driver, exe, argtext, image, title):
    """From the process's start to its window being mapped. The driver starts it from
    another thread, so that the polling runs while Wine is still starting the driver."""
    started = []
    starter = threading.Thread(target=lambda: started.append(driver.start(exe, argtext)))
    starter.start()
    try:
        prefix = driver.state["prefix"]
        pid = harness.wait_for(
            lambda: linux_pid(image, prefix), timeout=30, interval=0.005, what=image
        )
        harness.wait_for(
            lambda: mapped(driver.state, title),
            timeout=30,
            interval=0.005,
            what=f"{title} mapped",
        )
        return time.clock_gettime(time.CLOCK_BOOTTIME) - start_seconds(pid)
    finally:
        starter.join()
        for windows_pid in started:
            driver.kill(windows_pid)
        harness.wait_for(
            lambda: not linux_pid(image, driver.state["prefix"]),
            timeout=30,
            what=f"{image} to end",
        )


def peak_kib(pid):
    with open(f"/proc/{pid}/status") as status:
        return int(re.search(r"VmHWM:\s+(\d+)", status.read()).group(1))


def main():
    seconds = float(sys.argv[1]) if len(sys.argv) > 1 else 60.0
    harness.setup()
    driver = Driver()
    started = []
    try:
        settings = [f"[HKEY_CURRENT_USER\\{harness.KEY}\\config]", '"speed"="100"']
        harness.import_registry(driver.env, settings + ['"NumberofPoint"="200"'])
        startup = {"Lumeck.scr": [], "idle_window.exe": []}
        for _ in range(STARTUP_RUNS):
            startup["Lumeck.scr"].append(startup_seconds(driver, SCR, "/s", "Lumeck.scr", "Form1"))
            startup["idle_window.exe"].append(
                startup_seconds(driver, IDLE, IDLE_ARGS, "idle_window.exe", "idle")
            )
        for exe, argtext in ((IDLE, IDLE_ARGS), (SCR, "/s")):
            started.append(driver.start(exe, argtext))
        prefix = driver.state["prefix"]
        pids = {
            name: harness.wait_for(lambda n=name: linux_pid(n, prefix), timeout=30, what=name)
            for name in ("idle_window.exe", "Lumeck.scr")
        }
        time.sleep(3)  # past start-up, so that only the steady state is measured
        before = {name: cpu_seconds(pid) for name, pid in pids.items()}
        time.sleep(seconds)
        for name, pid in pids.items():
            if not os.path.exists(f"/proc/{pid}"):
                raise SystemExit(f"{name} ended during the measurement")
        used = {name: cpu_seconds(pid) - before[name] for name, pid in pids.items()}
        peak = {name: peak_kib(pid) for name, pid in pids.items()}
    finally:
        for pid in started:
            driver.kill(pid)
        harness.cleanup()

    baseline = "bare loop" if IDLE_ARGS == "bare" else "dot window"
    first = {name: statistics.median(times) * 1000 for name, times in startup.items()}
    print(
        f"start-up to the mapped window, median of {STARTUP_RUNS}: saver "
        f"{first['Lumeck.scr']:.0f} ms, {baseline} {first['idle_window.exe']:.0f} ms, ratio "
        f"{first['Lumeck.scr'] / first['idle_window.exe']:.2f}"
    )
    saver, idle = used["Lumeck.scr"], used["idle_window.exe"]
    print(f"over {seconds:.0f} s at 100 ms:")
    print(
        f"  CPU time: saver {saver:.3f} s, {baseline} {idle:.3f} s, ratio "
        f"{saver / idle if idle else float('inf'):.2f}"
    )
    print(
        f"  peak memory: saver {peak['Lumeck.scr']} KiB, {baseline} {peak['idle_window.exe']}"
        f" KiB, ratio {peak['Lumeck.scr'] / peak['idle_window.exe']:.2f}"
    )
    print(f"  Lumeck.scr: {os.path.getsize(SCR)} bytes")
    dump = subprocess.run(
        ["x86_64-w64-mingw32-objdump", "-p", SCR], capture_output=True, text=True, check=True
    ).stdout
    print("  imports:", ", ".join(re.findall(r"DLL Name: (\S+)", dump)))


if __name__ == "__main__":
    main()
