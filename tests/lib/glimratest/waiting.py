"""Waiting for a state with a bound, never for a fixed time."""

import time

# Generous, since the suites share two cores with builds and other suites: a wait that is met
# returns at once, so only a fault pays for the bound.
DEFAULT_TIMEOUT = 60.0


class TimedOut(AssertionError):
    pass


def wait_for(probe, what, timeout=DEFAULT_TIMEOUT, interval=0.1, done=bool):
    """The first value of probe() that done() accepts (by default a true one). Once the time is
    up, raises TimedOut naming what was awaited and the value that probe returned last."""
    deadline = time.monotonic() + timeout
    while True:
        seen = probe()
        if done(seen):
            return seen
        if time.monotonic() > deadline:
            shown = repr(seen)[:2000]
            raise TimedOut(f"timed out after {timeout:g} s waiting for {what}; last seen: {shown}")
        time.sleep(interval)


def poll(condition, timeout=10.0):
    """The condition's first true value, or its last value once the time is up."""
    try:
        return wait_for(condition, "a condition", timeout, 0.05)
    except TimedOut:
        return condition()
