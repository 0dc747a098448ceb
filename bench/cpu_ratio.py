#!/usr/bin/env python3
"""What the saver costs beyond a bare message loop, measured under Wine.

Runs Lumeck.scr /s with a 100 ms interval beside idle_window.exe (a full-screen window whose
100 ms timer does nothing) on a private Xvfb display with a fresh prefix, for a fixed time,
and prints both processes' CPU time and peak memory and their ratios, then the size of the
.scr and the DLLs it imports.

Usage: bench/cpu_ratio.py [seconds]   (after `cmake --build --preset windows`)
With GLIMRA_BASELINE=paint the baseline also paints one fixed dot per tick.
"""

import os
import re
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
import harness  # noqa: E402

BUILD = os.path.join(ROOT, "build", "windows")
SCR = os.path.join(BUILD, "Lumeck.scr")
IDLE = os.path.join(BUILD, "bench", "win32", "idle_window.exe")
DRIVER = os.path.join(BUILD, "tests", "e2e", "driver.exe")
TICKS_PER_SECOND = os.sysconf("SC_CLK_TCK")
# "paint" makes the baseline draw one dot per tick as well.
IDLE_ARGS = os.environ.get("GLIMRA_BASELINE", "")


def linux_pid(image):
    """The Linux process that Wine runs the Windows program in."""
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open(f"/proc/{entry}/cmdline", "rb") as cmdline:
                    argv = cmdline.read().split(b"\0")
            except OSError:
                continue
            if argv and argv[0].decode(errors="replace").endswith(image):
                return int(entry)
    return None


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICKS_PER_SECOND


def peak_kib(pid):
    with open(f"/proc/{pid}/status") as status:
        return int(re.search(r"VmHWM:\s+(\d+)", status.read()).group(1))


def main():
    seconds = float(sys.argv[1]) if len(sys.argv) > 1 else 60.0
    state_path = os.path.join(tempfile.mkdtemp(prefix="glimra-bench-"), "state.env")
    setup = [sys.executable, os.path.join(ROOT, "tests", "e2e", "fixture_setup.py"),
             "--state", state_path, "--driver", DRIVER]
    subprocess.run(setup, check=True, stdout=subprocess.DEVNULL)
    os.environ["GLIMRA_E2E_STATE"] = state_path
    driver = harness.Driver(harness.read_state(state_path), DRIVER)
    started = []
    try:
        driver.reg_set("speed", "100")
        driver.reg_set("NumberofPoint", "200")
        for exe, argtext in ((IDLE, IDLE_ARGS), (SCR, "/s")):
            started.append(driver.start(exe, argtext))
        pids = {name: harness.wait_for(lambda n=name: linux_pid(n), timeout=30, message=name)
                for name in ("idle_window.exe", "Lumeck.scr")}
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
        subprocess.run([sys.executable, os.path.join(ROOT, "tests", "e2e", "fixture_cleanup.py"),
                        "--state", state_path], stdout=subprocess.DEVNULL)

    saver, idle = used["Lumeck.scr"], used["idle_window.exe"]
    print(f"over {seconds:.0f} s at 100 ms:")
    print(f"  CPU time: saver {saver:.2f} s, bare loop {idle:.2f} s, ratio "
          f"{saver / idle if idle else float('inf'):.2f}")
    print(f"  peak memory: saver {peak['Lumeck.scr']} KiB, bare loop {peak['idle_window.exe']}"
          f" KiB, ratio {peak['Lumeck.scr'] / peak['idle_window.exe']:.2f}")
    print(f"  Lumeck.scr: {os.path.getsize(SCR)} bytes")
    dump = subprocess.run(["x86_64-w64-mingw32-objdump", "-p", SCR], capture_output=True,
                          text=True, check=True).stdout
    print("  imports:", ", ".join(re.findall(r"DLL Name: (\S+)", dump)))


if __name__ == "__main__":
    main()
