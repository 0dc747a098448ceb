"""ctest fixture of the X11 end-to-end tests: "setup" starts the two-head X server and
writes its state; "cleanup" ends it by its pid and removes its folder."""
import json
import os
import shutil
import signal
import sys
import tempfile

import xenv

if sys.argv[1] == "setup":
    folder = tempfile.mkdtemp(prefix="glimra-x11-")
    os.chmod(folder, 0o755)  # XScreenSaver's user must reach the copy of lumeck
    display, pid = xenv.start_server(folder)
    os.mkdir(os.path.join(folder, "config"))
    os.mkdir(os.path.join(folder, "run"), 0o700)
    os.makedirs(os.path.dirname(os.environ["GLIMRA_X11_STATE"]), exist_ok=True)
    with open(os.environ["GLIMRA_X11_STATE"], "w") as out:
        json.dump({"folder": folder, "display": display, "pid": pid, "runtime": folder + "/run",
                   "config": folder + "/config"}, out)
else:
    state = xenv.load_state()
    os.kill(state["pid"], signal.SIGTERM)
    xenv.poll(lambda: not os.path.exists("/proc/%d" % state["pid"]), 10)
    shutil.rmtree(state["folder"], ignore_errors=True)
