"""Waiting for a state with a bound, never for a fixed time."""

import time

# Generous, since the suites share two cores with builds and other suites: a wait that is met
# returns at once, so only a fault pays for the bound.
DEFAULT_TIMEOUT = 60.0


class TimedOut(AssertionError):
    pass


def wait_for(probe, what, timeout=DEFAULT_TIMEOUT, interval=0.1):
    """The first true value that probe returns. Once the time is up, raises TimedOut naming what
    was awaited and the value that probe returned last."""
    deadline = time.monotonic() + timeout
    while True:
        seen = probe()
        if seen:
            return seen
        if time.monotonic() > deadline:
            raise TimedOut(f"timed out after {timeout:g} s waiting for {what}; last seen: {seen!r}")
        time.sleep(interval)
