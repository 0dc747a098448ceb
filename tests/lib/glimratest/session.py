"""A D-Bus session bus of the test's own, and the accessible objects of the programs on it, read
through AT-SPI as assistive technology reads them. start_session() must run before pyatspi is
first imported: pyatspi connects to the session bus that the environment names."""

import os

from glimratest.processes import Started
from glimratest.waiting import wait_for


def start_bus(as_user=()):
    """Starts a session bus (dbus-daemon), through as_user (such as AS_NOBODY) if given; returns
    it (Started) and its address."""
    read_end, write_end = os.pipe()
    daemon = Started(
        [*as_user, "dbus-daemon", "--session", "--nofork", "--nopidfile"]
        + [f"--print-address={write_end}"],
        pass_fds=[write_end],
    )
    os.close(write_end)
    with os.fdopen(read_end) as pipe:
        address = pipe.readline().strip()
    if not address:
        raise daemon.failure("gave no address")
    return daemon, address


def start_session():
    """Starts a session bus for this process and the programs it starts; returns it (Started)."""
    daemon, os.environ["DBUS_SESSION_BUS_ADDRESS"] = start_bus()
    os.environ.pop("NO_AT_BRIDGE", None)
    return daemon


def _pyatspi():
    import pyatspi

    return pyatspi


def window_of(process, role, name, timeout=60):
    """The top-level accessible of that role and name of a process (Started), once it shows."""

    def windows():
        apps = _pyatspi().Registry.getDesktop(0)
        ours = [app for app in apps if app is not None and app.get_process_id() == process.pid]
        return {(window.getRoleName(), window.name): window for app in ours for window in app}

    try:
        return wait_for(lambda: windows().get((role, name)), f"the {role} {name!r}", timeout)
    except AssertionError:
        raise process.failure(f"showed no {role} {name!r}; windows: {list(windows())}") from None


def descendants(node):
    return _pyatspi().findAllDescendants(node, lambda _: True)


def extents(node):
    """(x, y, width, height) on the screen."""
    box = node.queryComponent().getExtents(_pyatspi().DESKTOP_COORDS)
    return box.x, box.y, box.width, box.height


def text_of(node):
    return node.queryText().getText(0, -1)


def selection_of(node):
    return tuple(node.queryText().getSelection(0)[:2])


def focused(node):
    return node.getState().contains(_pyatspi().STATE_FOCUSED)


def value_of(node):
    return node.queryValue().currentValue
