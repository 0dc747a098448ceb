"""ctest fixture of the X11 end-to-end tests: "setup" starts the two-head X server and
writes its state; "cleanup" ends it by its pid and removes the folder."""
import json
import os
import shutil
import signal
import sys
import tempfile

import xenv

state_file = os.environ["GLIMRA_X11_STATE"]
if sys.argv[1] == "setup":
    folder = tempfile.mkdtemp(prefix="glimra-x11-")
    os.chmod(folder, 0o755)
    display, pid = xenv.start_server(folder)
    config, runtime = os.path.join(folder, "config"), os.path.join(folder, "run")
    os.mkdir(config)
    os.mkdir(runtime, 0o700)
    os.makedirs(os.path.dirname(state_file), exist_ok=True)
    with open(state_file, "w") as out:
        json.dump({"folder": folder, "display": display, "pid": pid, "config": config,
                   "runtime": runtime}, out)
else:
    state = xenv.load_state()
    try:
        os.kill(state["pid"], signal.SIGTERM)
    except ProcessLookupError:
        pass
    xenv.poll(lambda: not os.path.exists("/proc/%d" % state["pid"]), 10)
    shutil.rmtree(state["folder"], ignore_errors=True)
    os.remove(state_file)
