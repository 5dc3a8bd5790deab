"""The console release's executable (static, aarch64) under user-mode
emulation: it is what the consoles can load, starts in the simulator, takes
commands from the pipe through its reader thread, fetches through curl as a
child process, and leaves with status 0.

qemu reports the consoles' kernel release (4.9) to the program, so a C
library that refused to start on that kernel would show here."""

import os
import re
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
_SERVER = harness.anchored(os.environ["PAPYR_CONSOLE_SERVER_EXE"])
_SERVER_MAP = harness.anchored(os.environ["PAPYR_CONSOLE_SERVER_EXE"] + ".map")


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


def linked_members(map_path):
    """"archive(member)" -> the reference that brought it in, from the
    linker map's first section."""
    members = {}
    with open(map_path, encoding="utf-8") as file:
        lines = iter(file.read().split("Discarded input sections")[0].splitlines()[1:])
    for line in lines:
        if line and not line.startswith(" "):
            name, _, reason = line.strip().partition(" ")
            # A long name puts the reference on a line of its own.
            members[re.sub(r"^.*/", "", name)] = reason.strip() or next(lines, "").strip()
    return members


class ConsoleExecutable(NamespaceTestCase):
    def test_reader_and_service_are_stripped_static_aarch64_executables(self):
        for program in (_EXECUTABLE, _SERVER):
            with self.subTest(program=os.path.basename(program)):
                machine, segments, sections = elf_facts(program)
                self.assertEqual(machine, 183)  # EM_AARCH64
                self.assertNotIn(3, segments, "PT_INTERP: it would need the console's dynamic loader")
                self.assertNotIn(2, segments, "PT_DYNAMIC: it would need shared libraries")
                self.assertNotIn(".symtab", sections, "not stripped")

    def test_service_links_no_loader_interface_or_name_service_of_the_c_library(self):
        """OpenSSL's module loader and address lookups are in the program
        (its TLS core refers to them), but their calls reach the refusals
        and numeric stand-ins of the service, not the C library."""
        members = linked_members(_SERVER_MAP)
        self.assertIn("libcrypto.a(libcrypto-lib-dso_dlfcn.o)", members)
        self.assertIn("libcrypto.a(libcrypto-lib-bio_addr.o)", members)
        forbidden = re.compile(r"^libc\.a\((dlopen|dlsym|getaddrinfo|getnameinfo|gethstbynm|"
                               r"gethstbynm_r|getpwnam|getpwuid|getgrnam|nsswitch|nss_.*)\.o\)$")
        for member, reason in members.items():
            # glibc's own static start-up table names its loader functions.
            if member.startswith("libc.a(dl") and "rtld_static_init.o" in reason:
                continue
            self.assertIsNone(forbidden.match(member), f"{member} is linked, for {reason}")
        with open(_SERVER_MAP, encoding="utf-8") as file:
            layout = file.read()
        for function in ("dlopen", "dlsym", "getaddrinfo", "gethostbyname"):
            self.assertRegex(layout, rf"\s__wrap_{function}\n")

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
