"""Helper programs run to completion, and processes started and ended by their PID. A helper that
fails or answers nothing raises HelperFailed with its exit status and its stderr."""

import os
import signal
import subprocess
import tempfile

from glimratest.waiting import poll

# Runs a command as nobody: root writes anywhere, and some programs refuse to run as root.
AS_NOBODY = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"]


class HelperFailed(AssertionError):
    def __init__(self, command, status, stderr, why="failed"):
        program = " ".join(str(part) for part in command)[:200]
        super().__init__(f"{program} {why}: exit status {status}, stderr: {stderr.strip()!r}")


def call(command, env=None, input=None, timeout=300, text=True):
    """Runs a helper to its end: its CompletedProcess, stderr as text, stdout too unless text is
    False. Its stderr goes through a file, not a pipe: a program that the helper starts may
    inherit that descriptor (as Wine's programs do) and would hold a pipe open after it ended."""
    command = [str(part) for part in command]
    input = input.encode() if isinstance(input, str) else input
    with tempfile.TemporaryFile() as stderr:
        options = dict(env=env, input=input, stdout=subprocess.PIPE, stderr=stderr)
        try:
            done = subprocess.run(command, timeout=timeout, **options)
        except subprocess.TimeoutExpired:
            stderr.seek(0)
            raise HelperFailed(command, None, stderr.read().decode(errors="replace"), "runs on")
        stderr.seek(0)
        done.stderr = stderr.read().decode(errors="replace")
    if text:
        done.stdout = done.stdout.decode("utf-8", errors="replace")
    return done


def run(command, env=None, input=None, timeout=300, check=True, text=True):
    """Runs a helper to its end and returns its stdout, as text unless text is False."""
    done = call(command, env, input, timeout, text)
    if check and done.returncode != 0:
        raise HelperFailed(command, done.returncode, done.stderr)
    return done.stdout


class Started(subprocess.Popen):
    """A process that runs beside the test, its stderr kept in a file so that a failure can show
    it. end() stops it by its PID."""

    def __init__(self, command, env=None, stdout=subprocess.DEVNULL, **options):
        self.command = [str(part) for part in command]
        self.error_file = tempfile.TemporaryFile()
        self.error_text = ""
        options.setdefault("stdin", subprocess.DEVNULL)
        super().__init__(self.command, env=env, stdout=stdout, stderr=self.error_file, **options)

    def error_output(self):
        """What it has written to stderr so far; all of it once it has ended."""
        if not self.error_file.closed:
            self.error_file.seek(0)
            self.error_text = self.error_file.read().decode(errors="replace")
            if self.poll() is not None:
                self.error_file.close()
        return self.error_text

    def exit_status(self, timeout=30):
        """Its exit status once it has ended, waiting up to timeout."""
        if not self.ended(timeout):
            raise self.failure("runs on")
        self.error_output()  # keeps it and closes the file
        return self.returncode

    def running(self):
        return self.poll() is None

    def ended(self, timeout):
        return poll(lambda: not self.running(), timeout)

    def failure(self, why):
        return HelperFailed(self.command, self.poll(), self.error_output(), why)

    def end(self, timeout=15):
        """SIGTERM, then SIGKILL if it is still there after timeout; returns its exit status."""
        if self.running():
            self.terminate()
            if not self.ended(timeout):
                self.kill()
        return self.exit_status(timeout)


def libraries_of(pid, *prefixes):
    """The file names of the shared objects mapped in process pid that start with one of
    prefixes."""
    with open(f"/proc/{pid}/maps") as maps:
        names = {os.path.basename(line.split()[-1]) for line in maps if "/" in line}
    return {name for name in names if name.startswith(prefixes) and ".so" in name}


def running(pid):
    """Whether the process runs; a zombie has ended."""
    try:
        with open(f"/proc/{pid}/stat") as stat:
            return stat.read().rsplit(")", 1)[1].split()[0] != "Z"
    except FileNotFoundError:
        return False


def end_pid(pid, program, timeout=15):
    """Ends a process that an earlier step started, if that PID still runs that program: SIGTERM,
    then SIGKILL once timeout has passed."""
    try:
        with open(f"/proc/{pid}/cmdline", "rb") as cmdline:
            if program.encode() not in cmdline.read():
                return
        os.kill(pid, signal.SIGTERM)
        if not poll(lambda: not running(pid), timeout):
            os.kill(pid, signal.SIGKILL)
    except FileNotFoundError:
        return
