"""The console release's executable (static, aarch64) under user-mode
emulation: it is what the consoles can load, starts in the simulator, takes
commands from the pipe through its reader thread, and leaves with status 0.

qemu reports the consoles' kernel release (4.9) to the program, so a C
library that refused to start on that kernel would show here."""

import errno
import os
import struct
import time

import harness
from harness import NamespaceTestCase

QEMU = "qemu-aarch64-static"
CONSOLE_KERNEL = "4.9.191"
SIMULATOR_NOTICE = (
    r"^\[Framebuffer\] Notice: Could not open /dev/fb0 \(Forced simulator mode\)\. "
    r"Initializing Desktop Simulator mode\.$"
)


def console_executable():
    return harness.anchored(os.environ["PAPYR_CONSOLE_EXE"])


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
