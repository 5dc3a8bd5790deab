"""The program starts in the simulator, takes commands from the pipe and from
standard input, and honours the startup guards of MENU."""

import os
import re
import subprocess
import time

from harness import NamespaceTestCase


class StartupAndExit(NamespaceTestCase):
    def test_forced_simulator_never_touches_the_framebuffer(self):
        papyr = self.start_papyr()
        papyr.wait_for_line(
            r"^\[Framebuffer\] Notice: Could not open /dev/fb0 \(Forced simulator mode\)\. "
            r"Initializing Desktop Simulator mode\.$"
        )
        self.assertIsNone(papyr.proc.poll())

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

    def test_pipe_commands_and_keys_become_actions(self):
        papyr = self.start_papyr(stdin=subprocess.PIPE)
        self.wait_for_pipe()
        papyr.send("up", "  Next_Src  ")
        papyr.wait_for_line(r"^\[Main\] Received action: Up$")
        papyr.wait_for_line(r"^\[Main\] Received action: NextSource$")
        papyr.type_keys("s\n")
        papyr.wait_for_line(r"^\[Main\] Received action: Down$")
        papyr.wait_for_line(r"^\[Main\] Received action: Confirm$")

    def test_menu_is_ignored_until_the_grace_period_has_passed(self):
        started = time.monotonic()
        papyr = self.start_papyr()
        self.wait_for_pipe()
        papyr.send("MENU")
        line = papyr.wait_for_line(r"^\[Main\] Ignoring startup key Exit \(\d+ms elapsed\)$")
        self.assertLess(int(re.search(r"(\d+)ms", line).group(1)), 1000)

        time.sleep(max(0.0, started + 1.6 - time.monotonic()))
        papyr.send("exit")
        line = papyr.wait_for_line(r"^\[Main\] Ignoring Exit during startup grace period \((\d+)ms elapsed\)$")
        self.assertGreaterEqual(int(re.search(r"(\d+)ms", line).group(1)), 1000)
        self.assertIsNone(papyr.proc.poll())

        # The program's own start instant comes a little after ours, so keep
        # asking until it has seen three seconds pass.
        time.sleep(max(0.0, started + 3.2 - time.monotonic()))
        deadline = time.monotonic() + 10
        while papyr.proc.poll() is None and time.monotonic() < deadline:
            papyr.send("q")
            time.sleep(0.3)
        papyr.wait_for_line(r"^\[Main\] MENU button pressed\. Exiting cleanly to MainUI\.$")
        self.assertEqual(papyr.wait(), 0)
