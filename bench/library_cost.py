#!/usr/bin/env python3
"""What each shared library costs lumeck: the start-up it adds and the file pages it holds.

    bench/library_cost.py x11|wayland [runs]
        (the build in GLIMRA_BUILD_DIR, build/linux by default; 400 runs a measure)

Start-up: lumeck's direct libraries (its NEEDED entries, in the loader's order), each with the
libraries it brings that the ones before it did not, as the CPU time it adds to a run of /bin/true:
LD_PRELOAD of the libraries before it, then of those and it, runs alternating, the difference of
their medians. File pages: the resident pages of each library's mappings in a running
"lumeck /s" (on a private Xvfb or a headless sway), indirect libraries included.
"""
import os
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import saver_ratio  # noqa: E402  (the displays and the build)


def needed(program):
    dynamic = subprocess.run(["readelf", "-d", program], capture_output=True, text=True).stdout
    names = [
        line.split("[")[1].split("]")[0] for line in dynamic.splitlines() if "(NEEDED)" in line
    ]
    return [name for name in names if not name.startswith(("libc.", "ld-linux"))]  # in every start


def spawn_ms(preload):
    """The CPU time of one run of /bin/true: unlike the time on the clock, it leaves out the
    waits for a CPU that other work on the machine causes."""
    env = dict(os.environ, LD_PRELOAD=":".join(preload)) if preload else dict(os.environ)
    pid = os.posix_spawn("/bin/true", ["/bin/true"], env)
    usage = os.wait4(pid, 0)[2]
    return (usage.ru_utime + usage.ru_stime) * 1000


def start_up_costs(libraries, runs):
    """The milliseconds each library adds to a start, libraries in the loader's order."""
    prefixes = [libraries[:count] for count in range(len(libraries) + 1)]
    times = [[] for _ in prefixes]
    for _ in range(runs):
        for index, prefix in enumerate(prefixes):
            times[index].append(spawn_ms(prefix))
    medians = [statistics.median(measured) for measured in times]
    return {lib: medians[i + 1] - medians[i] for i, lib in enumerate(libraries)}, medians[0]


def file_pages(pid):
    """Resident KB of each shared library's file mappings in process pid."""
    pages, library = {}, None
    for line in open("/proc/%d/smaps" % pid):
        fields = line.split()
        if "-" in fields[0] and ":" not in fields[0]:
            path = fields[-1] if len(fields) >= 6 else ""
            library = os.path.basename(path) if ".so" in path else None
        elif fields[0] == "Rss:" and library:
            pages[library] = pages.get(library, 0) + int(fields[1])
    return pages


def main():
    system = sys.argv[1] if len(sys.argv) > 1 else "x11"
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 400
    costs, bare = start_up_costs(needed(saver_ratio.LUMECK), runs)
    folder = saver_ratio.settings_folder()
    display = saver_ratio.Xvfb(folder) if system == "x11" else saver_ratio.Sway(folder)
    try:
        lumeck = subprocess.Popen([saver_ratio.LUMECK, "/s"], env=display.env)
        time.sleep(2)
        pages = file_pages(lumeck.pid)
        lumeck.terminate()
        lumeck.wait()
    finally:
        display.stop()
    print(
        "%s, %s: /bin/true runs in %.2f ms of CPU; %d runs each"
        % (saver_ratio.LUMECK, system, bare, runs)
    )
    for library, cost in costs.items():
        print("start-up  %-26s %+6.2f ms" % (library, cost))
    for library, kilobytes in sorted(pages.items(), key=lambda item: -item[1]):
        print("file pages %-25s %6d KB" % (library, kilobytes))
    print("file pages of all libraries: %d KB" % sum(pages.values()))


if __name__ == "__main__":
    main()
