"""The console release's executable (static, aarch64) under user-mode
emulation: it is what the consoles can load, starts in the simulator, takes
commands from the pipe through its reader thread, fetches through curl as a
child process, and leaves with status 0.

qemu reports the consoles' kernel release (4.9) to the program, so a C
library that refused to start on that kernel would show here."""

import os
import struct
import time
import urllib.parse

import harness
from harness import NamespaceTestCase, demo_feed

QEMU = "qemu-aarch64-static"
CONSOLE_KERNEL = "4.9.191"
SIMULATOR_NOTICE = (
    r"^\[Framebuffer\] Notice: Could not open /dev/fb0 \(Forced simulator mode\)\. "
    r"Initializing Desktop Simulator mode\.$"
)


# Anchored at import, before any test case mounts its private /tmp (the build
# folder may be under /tmp).
_EXECUTABLE = harness.anchored(os.environ["PAPYR_CONSOLE_EXE"])


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
    def test_is_a_stripped_static_aarch64_executable(self):
        machine, segments, sections = elf_facts(_EXECUTABLE)
        self.assertEqual(machine, 183)  # EM_AARCH64
        self.assertNotIn(3, segments, "PT_INTERP: it would need the console's dynamic loader")
        self.assertNotIn(2, segments, "PT_DYNAMIC: it would need shared libraries")
        self.assertNotIn(".symtab", sections, "not stripped")

    def test_starts_takes_pipe_commands_fetches_through_curl_and_exits_with_0(self):
        """The release was configured for the stand-in server's origin; the
        program runs the build machine's curl as a child process."""
        server = self.start_server()
        papyr = self.start_papyr(argv=[QEMU, "-r", CONSOLE_KERNEL, _EXECUTABLE])
        papyr.wait_for_line(SIMULATOR_NOTICE, timeout=30)
        # The command pipe has a reader thread of its own: the line reaching
        # the main loop shows that threads start in the static program.
        self.wait_for_pipe(timeout=30)
        papyr.send("THEME")
        papyr.wait_for_line(r"^\[Main\] Received action: ToggleTheme$")

        # Opening a headline is possible only once the feed has been fetched
        # and decoded; until then the command does nothing.
        deadline = time.monotonic() + 30
        while not server.requests("GET /api/v1/news/article"):
            self.assertLess(time.monotonic(), deadline,
                            f"no article was ever requested; requests: {server.requests()}; "
                            "program:\n" + "\n".join(papyr.lines))
            papyr.send("OPEN")
            time.sleep(0.5)
        self.assertEqual(server.requests("GET /api/v1/news/feed"),
                         ["GET /api/v1/news/feed?source=vnexpress&category=tin-moi"])
        first_link = demo_feed("vnexpress", "tin-moi")[0]["link"]
        for request in server.requests("GET /api/v1/news/article"):
            query = urllib.parse.urlsplit(request.split(" ", 1)[1]).query
            self.assertEqual(urllib.parse.parse_qs(query)["url"], [first_link])

        self.assertEqual(papyr.exit_with_menu(), 0)
        papyr.wait_for_line(r"^\[Main\] MENU button pressed\. Exiting cleanly to MainUI\.$")
        self.assertEqual(papyr.matching(r"failed to spawn thread"), [])
