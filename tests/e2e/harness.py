"""Runs the real papyr executable in a private mount and network namespace.

Every end-to-end test module is started through run.py, which re-executes
itself under `unshare --mount --net`. Inside, each test case gets fresh
tmpfs mounts over /tmp and /mnt, so the program's fixed paths
("/tmp/papyr_cmd", "/mnt/SDCARD/...") are real but private, and a loopback
interface of its own, so servers on fixed ports never collide between tests
and nothing reaches the outside network.
"""

import errno
import os
import re
import subprocess
import sys
import tempfile
import threading
import time
import unittest

NAMESPACE_MARKER = "PAPYR_E2E_IN_NAMESPACE"
COMMAND_PIPE = "/tmp/papyr_cmd"


def inside_namespace():
    return os.environ.get(NAMESPACE_MARKER) == "1"


def reexec_in_namespace(argv):
    """Replaces this process by the same command inside new namespaces."""
    env = dict(os.environ, **{NAMESPACE_MARKER: "1"})
    os.execvpe(
        "unshare",
        ["unshare", "--mount", "--net", "--propagation", "private", "--", sys.executable] + argv,
        env,
    )


class _Anchor:
    """Keeps a folder reachable after /tmp or /mnt is mounted over it.

    The repository (and its build folder) may itself live under /tmp. An open
    descriptor of the folder stays valid after the mount hides its path, and
    /proc/<pid>/fd/<n> reaches it from any process.
    """

    def __init__(self, path):
        self.fd = os.open(path, os.O_RDONLY | os.O_DIRECTORY)

    def path(self, *parts):
        return os.path.join(f"/proc/{os.getpid()}/fd/{self.fd}", *parts)


_anchors = {}


def anchored(path):
    """A path to `path` that survives the tmpfs mounts of the test cases."""
    path = os.path.realpath(path)
    folder, name = os.path.split(path)
    if folder not in _anchors:
        _anchors[folder] = _Anchor(folder)
    return _anchors[folder].path(name)


def executable():
    return anchored(os.environ["PAPYR_EXE"])


def source_dir():
    return anchored(os.environ["PAPYR_SOURCE_DIR"])


def _mount_private_tmpfs():
    for target in ("/tmp", "/mnt"):
        subprocess.run(["mount", "-t", "tmpfs", "-o", "mode=1777", "tmpfs", target], check=True)
    subprocess.run(["ip", "link", "set", "lo", "up"], check=True)


def _unmount_private_tmpfs():
    for target in ("/mnt", "/tmp"):
        subprocess.run(["umount", "-l", target], check=False)


class PapyrProcess:
    """The program as a child process, with its standard error collected."""

    def __init__(self, env=None, stdin=subprocess.DEVNULL, cwd=None, argv=None):
        full_env = {
            "PATH": os.environ.get("PATH", "/usr/bin:/bin"),
            "HOME": "/tmp",
            "LANG": "C.UTF-8",
            "ASAN_OPTIONS": os.environ.get("ASAN_OPTIONS", ""),
            "UBSAN_OPTIONS": os.environ.get("UBSAN_OPTIONS", ""),
        }
        full_env.update(env or {})
        self.lines = []
        self._cond = threading.Condition()
        self.started = time.monotonic()
        self.proc = subprocess.Popen(
            argv or [executable()],
            stdin=stdin,
            stdout=subprocess.DEVNULL,
            stderr=subprocess.PIPE,
            env=full_env,
            cwd=cwd or "/tmp",
        )
        self._reader = threading.Thread(target=self._read_stderr, daemon=True)
        self._reader.start()

    def _read_stderr(self):
        for raw in self.proc.stderr:
            line = raw.decode("utf-8", "replace").rstrip("\n")
            with self._cond:
                self.lines.append(line)
                self._cond.notify_all()
        with self._cond:
            self._cond.notify_all()

    def wait_for_line(self, pattern, timeout=15.0, start=0):
        """Waits for a line matching the regular expression; returns it."""
        regex = re.compile(pattern)
        deadline = time.monotonic() + timeout
        with self._cond:
            while True:
                for line in self.lines[start:]:
                    if regex.search(line):
                        return line
                remaining = deadline - time.monotonic()
                if remaining <= 0 or (self.proc.poll() is not None and not self._reader.is_alive()):
                    raise AssertionError(
                        f"no line matching {pattern!r} within {timeout}s; got:\n" + "\n".join(self.lines)
                    )
                self._cond.wait(min(remaining, 0.2))

    def matching(self, pattern):
        regex = re.compile(pattern)
        with self._cond:
            return [line for line in self.lines if regex.search(line)]

    def send(self, *commands, pipe=COMMAND_PIPE, timeout=10.0):
        """Writes command lines into the command pipe in one write."""
        data = "".join(c + "\n" for c in commands).encode("utf-8")
        write_pipe(pipe, data, timeout)

    def type_keys(self, text):
        self.proc.stdin.write(text.encode("utf-8"))
        self.proc.stdin.flush()

    def exit_with_menu(self):
        """Presses MENU until the program leaves; returns its exit status.

        MENU counts only after the program's three-second grace period, whose
        start comes a little after ours.
        """
        time.sleep(max(0.0, self.started + 3.2 - time.monotonic()))
        deadline = time.monotonic() + 15
        while self.proc.poll() is None and time.monotonic() < deadline:
            try:
                self.send("MENU", timeout=0.5)
            except OSError as error:
                # No reader any more: it exited since the check.
                if error.errno not in (errno.ENXIO, errno.ENOENT):
                    raise
            time.sleep(0.3)
        return self.wait()

    def wait(self, timeout=20.0):
        code = self.proc.wait(timeout)
        self._reader.join(5)
        return code

    def stop(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait(10)
        self._reader.join(5)


def write_pipe(path, data, timeout=10.0):
    """Opens the FIFO once its reader is there (never blocking forever)."""
    deadline = time.monotonic() + timeout
    while True:
        try:
            fd = os.open(path, os.O_WRONLY | os.O_NONBLOCK)
            break
        except OSError as error:
            if error.errno not in (errno.ENXIO, errno.ENOENT) or time.monotonic() > deadline:
                raise
            time.sleep(0.02)
    try:
        os.set_blocking(fd, True)
        os.write(fd, data)
    finally:
        os.close(fd)


def demo_data():
    """The feeds and articles the stand-in server serves."""
    sys.path.insert(0, os.path.join(source_dir(), "tests", "support"))
    import demo_content  # noqa: E402

    return demo_content.build()


def demo_feed(source, category):
    return next(feed["items"] for feed in demo_data()["feeds"]
                if (feed["source"], feed["category"]) == (source, category))


def demo_article(url):
    return next(article for article in demo_data()["articles"] if article["url"] == url)


def wait_until(condition, what, timeout=15.0):
    """Polls `condition` until it gives a true value, and returns that value."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out waiting for {what}")
        time.sleep(0.05)


def read_text(path):
    """The file's text, or None while it does not exist."""
    try:
        with open(path, encoding="utf-8") as file:
            return file.read()
    except FileNotFoundError:
        return None


class StandInServer:
    """tests/support/news_server.py with the given options (by default on the
    compiled-in origin's port 4548), until the test case ends."""

    def __init__(self, *arguments):
        folder = tempfile.mkdtemp(prefix="server-", dir="/tmp")
        ready = os.path.join(folder, "ready")
        self.log = os.path.join(folder, "requests")
        self.proc = subprocess.Popen(
            [sys.executable, os.path.join(source_dir(), "tests", "support", "news_server.py"),
             "--ready-file", ready, "--log-file", self.log, *arguments],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
        )
        wait_until(lambda: os.path.exists(ready) or self.proc.poll() is not None,
                   "the stand-in server to listen", timeout=30)
        if self.proc.poll() is not None:
            raise AssertionError("the stand-in server did not start")
        self.origins = read_text(ready).split()

    def requests(self, prefix="GET "):
        """The request lines served so far that start with `prefix`."""
        return [line for line in (read_text(self.log) or "").splitlines() if line.startswith(prefix)]

    def set_fault(self, mode, route):
        subprocess.run(
            ["curl", "-s", "-k", "-X", "POST", "--data", f'{{"mode":"{mode}","route":"{route}"}}',
             self.origins[0] + "/__control/fault"],
            check=True, stdout=subprocess.DEVNULL,
        )

    def stop(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait(10)


class NamespaceTestCase(unittest.TestCase):
    """A test case with private /tmp and /mnt; processes it starts are stopped."""

    def setUp(self):
        if not inside_namespace():
            self.skipTest("end-to-end tests run through tests/e2e/run.py")
        _mount_private_tmpfs()
        self.addCleanup(_unmount_private_tmpfs)
        self._processes = []

    def start_papyr(self, env=None, **kwargs):
        environment = {"TRIMUI_SIMULATOR": "1"}
        environment.update(env or {})
        process = PapyrProcess(env=environment, **kwargs)
        self._processes.append(process)
        self.addCleanup(process.stop)
        return process

    def start_server(self, *arguments):
        server = StandInServer(*arguments)
        self.addCleanup(server.stop)
        return server

    def wait_for_pipe(self, path=COMMAND_PIPE, timeout=10.0):
        wait_until(lambda: os.path.exists(path), f"{path} to be created", timeout)

