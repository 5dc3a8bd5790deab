"""The console release's executable (static, aarch64) under user-mode
emulation: it is what the consoles can load, starts in the simulator, takes
commands from the pipe through its reader thread, fetches through curl as a
child process, and leaves with status 0.

qemu reports the consoles' kernel release (4.9) to the program, so a C
library that refused to start on that kernel would show here."""

import errno
import json
import os
import struct
import subprocess
import sys
import time
import urllib.parse

import harness
from harness import NamespaceTestCase

QEMU = "qemu-aarch64-static"
CONSOLE_KERNEL = "4.9.191"
SIMULATOR_NOTICE = (
    r"^\[Framebuffer\] Notice: Could not open /dev/fb0 \(Forced simulator mode\)\. "
    r"Initializing Desktop Simulator mode\.$"
)
SERVER_LOG = "/tmp/server-requests.log"


# Anchored at import, before any test case mounts its private /tmp (the build
# folder may be under /tmp).
_EXECUTABLE = harness.anchored(os.environ["PAPYR_CONSOLE_EXE"])


def console_executable():
    return _EXECUTABLE


def elf_facts(path):
    """Machine, program header types and section names of a 64-bit ELF file."""
    with open(path, "rb") as file:
        data = file.read()
    if data[:4] != b"\x7fELF" or data[4] != 2 or data[5] != 1:
        raise AssertionError(f"{path} is not a 64-bit little-endian ELF file")
    (machine,) = struct.unpack_from("<H", data, 18)
    phoff, shoff = struct.unpack_from("<QQ", data, 32)
    phentsize, phnum, shentsize, shnum, shstrndx = struct.unpack_from("<HHHHH", data, 54)
    segments = [struct.unpack_from("<I", data, phoff + i * phentsize)[0] for i in range(phnum)]
    sections = []
    if shnum:
        names_offset = struct.unpack_from("<Q", data, shoff + shstrndx * shentsize + 24)[0]
        for i in range(shnum):
            (name,) = struct.unpack_from("<I", data, shoff + i * shentsize)
            end = data.index(b"\0", names_offset + name)
            sections.append(data[names_offset + name:end].decode("ascii"))
    return machine, segments, sections


class ConsoleExecutable(NamespaceTestCase):
    def start_console_papyr(self, env=None):
        return self.start_papyr(env=env, argv=[QEMU, "-r", CONSOLE_KERNEL, console_executable()])

    def press_menu_until_it_exits(self, papyr, started):
        # MENU counts only after the program's 3-second grace period, whose
        # start comes a little after ours.
        time.sleep(max(0.0, started + 3.2 - time.monotonic()))
        deadline = time.monotonic() + 15
        while papyr.proc.poll() is None and time.monotonic() < deadline:
            try:
                papyr.send("MENU", timeout=0.5)
            except OSError as error:
                if error.errno not in (errno.ENXIO, errno.ENOENT):
                    raise
            time.sleep(0.3)
        papyr.wait_for_line(r"^\[Main\] MENU button pressed\. Exiting cleanly to MainUI\.$")
        return papyr.wait()

    def test_is_a_stripped_static_aarch64_executable(self):
        machine, segments, sections = elf_facts(console_executable())
        self.assertEqual(machine, 183)  # EM_AARCH64
        self.assertNotIn(3, segments, "PT_INTERP: it would need the console's dynamic loader")
        self.assertNotIn(2, segments, "PT_DYNAMIC: it would need shared libraries")
        self.assertNotIn(".symtab", sections, "not stripped")

    def test_starts_in_the_simulator_takes_pipe_commands_and_exits_with_0(self):
        started = time.monotonic()
        papyr = self.start_console_papyr()
        papyr.wait_for_line(SIMULATOR_NOTICE, timeout=30)
        # The command pipe has a reader thread of its own: the line reaching
        # the main loop shows that threads start in the static program.
        self.wait_for_pipe(timeout=30)
        papyr.send("THEME")
        papyr.wait_for_line(r"^\[Main\] Received action: ToggleTheme$")
        self.assertEqual(self.press_menu_until_it_exits(papyr, started), 0)
        self.assertEqual(papyr.matching(r"failed to spawn thread"), [])

    def test_fetches_the_feed_and_an_article_through_curl(self):
        """The release was configured for the stand-in server's origin; the
        program runs the build machine's curl as a child process."""
        server = self.start_stand_in_server()
        started = time.monotonic()
        papyr = self.start_console_papyr()
        self.wait_for_pipe(timeout=30)

        # Opening a headline is possible only once the feed has been fetched
        # and decoded; until then the command does nothing.
        deadline = time.monotonic() + 30
        while not self.requests("/api/v1/news/article"):
            self.assertLess(time.monotonic(), deadline,
                            "no article was ever requested; requests: "
                            f"{self.requests('')}; program:\n" + "\n".join(papyr.lines))
            papyr.send("OPEN")
            time.sleep(0.5)
        feed_query = urllib.parse.parse_qs(self.query_of(self.requests("/api/v1/news/feed")[0]))
        first_link = self.first_headline_link(feed_query["source"][0], feed_query["category"][0])
        for request in self.requests("/api/v1/news/article"):
            self.assertEqual(urllib.parse.parse_qs(self.query_of(request))["url"], [first_link])
        self.assertEqual(self.press_menu_until_it_exits(papyr, started), 0)
        server.stdin.close()
        server.wait(10)

    def start_stand_in_server(self):
        ready = "/tmp/server-ready"
        server = subprocess.Popen(
            [sys.executable, harness.source_dir() + "/tests/support/news_server.py",
             "--port", "4548", "--ready-file", ready, "--log-file", SERVER_LOG,
             "--exit-on-stdin-eof"],
            stdin=subprocess.PIPE, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
        )
        self.addCleanup(self.stop_server, server)
        deadline = time.monotonic() + 20
        while not os.path.exists(ready):
            self.assertIsNone(server.poll(), "the stand-in server ended")
            self.assertLess(time.monotonic(), deadline, "the stand-in server never got ready")
            time.sleep(0.05)
        return server

    @staticmethod
    def stop_server(server):
        if server.poll() is None:
            server.kill()
            server.wait(10)

    @staticmethod
    def first_headline_link(source, category):
        dump = subprocess.run(
            [sys.executable, harness.source_dir() + "/tests/support/news_server.py", "--dump-content"],
            check=True, capture_output=True, text=True,
        )
        for feed in json.loads(dump.stdout)["feeds"]:
            if feed["source"] == source and feed["category"] == category:
                return feed["items"][0]["link"]
        raise AssertionError(f"the demo content has no feed {source}/{category}")

    @staticmethod
    def query_of(request_line):
        return urllib.parse.urlsplit(request_line.split(" ", 1)[1]).query

    @staticmethod
    def requests(path):
        if not os.path.exists(SERVER_LOG):
            return []
        with open(SERVER_LOG, encoding="utf-8") as file:
            return [line.rstrip("\n") for line in file if line.startswith(f"GET {path}")]
