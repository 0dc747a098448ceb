#!/usr/bin/env python3
"""What each shared library costs lumeck: the start-up it adds and the file pages it holds.

    bench/library_cost.py x11|wayland [runs]
        (the build in GLIMRA_BUILD_DIR, build/linux by default; 400 runs a measure)

Start-up: lumeck's direct libraries (its NEEDED entries, in the loader's order), then those of
the display system's module that lumeck's do not bring, then the module, which lumeck loads
when it makes the saver window; each with the libraries it brings that the ones before it did
not, as the work it adds to the dynamic loader in a start of /bin/true (LD_DEBUG=statistics):
LD_PRELOAD of the libraries before it, then of those and it, starts alternating, the
difference of their lower quartiles; and the loader's work in a start of lumeck itself, which
ends at once without a display, before any module. File pages: the resident pages of each
library's mappings in a running "lumeck /s" (on a private Xvfb or a headless sway), indirect
libraries included.
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


def loader_kcycles(preload, command=("/bin/true",)):
    """The dynamic loader's own count of its work in one start of /bin/true, in thousands of
    cycles: mapping, relocating and initialising the libraries, page faults included."""
    env = dict(os.environ, LD_DEBUG="statistics", LD_PRELOAD=":".join(preload))
    for display in ("DISPLAY", "WAYLAND_DISPLAY"):
        env.pop(display, None)
    report = subprocess.run(command, env=env, capture_output=True, text=True).stderr
    line = next(line for line in report.splitlines() if "total startup time" in line)
    return int(line.split(":")[-1].split()[0].replace(",", "")) / 1000


def start_up_costs(libraries, runs):
    """The thousands of cycles each library adds to a start, libraries in the loader's order."""
    prefixes = [libraries[:count] for count in range(len(libraries) + 1)]
    times = [[] for _ in range(len(prefixes) + 1)]
    for _ in range(runs):
        for index, prefix in enumerate(prefixes):
            times[index].append(loader_kcycles(prefix))
        times[-1].append(loader_kcycles([], (saver_ratio.LUMECK, "/s")))
    # The lower quartile: on a busy machine, the starts that other work disturbed least.
    least = [statistics.quantiles(measured, n=4)[0] for measured in times]
    costs = {lib: least[i + 1] - least[i] for i, lib in enumerate(libraries)}
    return costs, least[0], least[-1]


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
    module = os.path.join(saver_ratio.BUILD, "lumeck-%s.so" % system)
    own = needed(saver_ratio.LUMECK)
    libraries = own + [name for name in needed(module) if name not in own] + [module]
    costs, bare, lumeck_start = start_up_costs(libraries, runs)
    folder = saver_ratio.settings_folder()
    display = saver_ratio.Xvfb(folder) if system == "x11" else saver_ratio.Sway(folder, 1)
    try:
        lumeck = subprocess.Popen([saver_ratio.LUMECK, "/s"], env=display.env)
        time.sleep(2)
        pages = file_pages(lumeck.pid)
        lumeck.terminate()
        lumeck.wait()
    finally:
        display.stop()
    mhz = float(next(line for line in open("/proc/cpuinfo") if "MHz" in line).split(":")[1])
    print("%s, %s; %d starts each, %.0f MHz" % (saver_ratio.LUMECK, system, runs, mhz))
    print("start-up  the loader in lumeck, in all    %6.0f kcycles" % lumeck_start)
    print("start-up  the loader in /bin/true, in all %6.0f kcycles" % bare)
    for library, cost in costs.items():
        name = os.path.basename(library)
        print("start-up  %-26s %+6.0f kcycles, %+.2f ms" % (name, cost, cost / mhz))
    for library, kilobytes in sorted(pages.items(), key=lambda item: -item[1]):
        print("file pages %-25s %6d KB" % (library, kilobytes))
    print("file pages of all libraries: %d KB" % sum(pages.values()))


if __name__ == "__main__":
    main()
