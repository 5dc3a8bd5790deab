"""The program starts in the simulator, reports its first feed request, takes
commands from the pipe and keys from standard input, and honours the startup
guards of MENU."""

import os
import re
import subprocess
import time

from harness import NamespaceTestCase


def elapsed_ms(line):
    return int(re.search(r"\((\d+)ms elapsed\)$", line).group(1))


class StartupAndExit(NamespaceTestCase):
    def test_forced_simulator_from_start_to_exit(self):
        papyr = self.start_papyr(stdin=subprocess.PIPE)
        papyr.wait_for_line(
            r"^\[Framebuffer\] Notice: Could not open /dev/fb0 \(Forced simulator mode\)\. "
            r"Initializing Desktop Simulator mode\.$"
        )
        self.wait_for_pipe()
        papyr.send("MENU")
        line = papyr.wait_for_line(r"^\[Main\] Ignoring startup key Exit \(\d+ms elapsed\)$")
        self.assertLess(elapsed_ms(line), 1000)

        papyr.send("up", "  Next_Src  ")
        papyr.wait_for_line(r"^\[Main\] Received action: Up$")
        papyr.wait_for_line(r"^\[Main\] Received action: NextSource$")
        papyr.type_keys("s\n")
        papyr.wait_for_line(r"^\[Main\] Received action: Down$")
        papyr.wait_for_line(r"^\[Main\] Received action: Confirm$")

        # Nothing listens on the news server's port in this namespace.
        papyr.wait_for_line(r"^\[Main\] Starting initial feed fetch: source=vnexpress, cat=tin-moi$")
        papyr.wait_for_line(
            r"^\[Main\] Initial feed fetch failed: Lỗi kết nối mạng \(curl exit code: Some\(7\)\)$")

        time.sleep(max(0.0, papyr.started + 1.6 - time.monotonic()))
        papyr.send("exit")
        line = papyr.wait_for_line(r"^\[Main\] Ignoring Exit during startup grace period \(\d+ms elapsed\)$")
        self.assertGreaterEqual(elapsed_ms(line), 1000)
        self.assertIsNone(papyr.proc.poll())

        self.assertEqual(papyr.exit_with_menu(), 0)
        papyr.wait_for_line(r"^\[Main\] MENU button pressed\. Exiting cleanly to MainUI\.$")
        self.assertEqual(len(papyr.matching(r"^\[Main\] Initial feed fetch (success|failed)")), 1)
        # Without PAPYR_SNAPSHOT no frame is written, not even the last.
        self.assertEqual([name for name in os.listdir("/tmp") if name.endswith(".png")], [])

    def test_without_a_framebuffer_the_simulator_takes_over(self):
        if os.path.exists("/dev/fb0"):
            self.skipTest("this machine has a framebuffer")
        papyr = self.start_papyr(env={"TRIMUI_SIMULATOR": "0"}, stdin=subprocess.PIPE)
        papyr.wait_for_line(
            r"^\[Framebuffer\] Notice: Could not open /dev/fb0 \(No such file or directory\)\. "
            r"Initializing Desktop Simulator mode\.$"
        )
        # Without /dev/fb0 the keyboard reader is the one listening.
        papyr.type_keys("t")
        papyr.wait_for_line(r"^\[Main\] Received action: ToggleTheme$")
