"""packaging/launch.sh, the script the console starts: it runs the program
from its own folder with its bin/ first on PATH, keeps /tmp/stay_awake while
the program runs, starts it again after exit status 42 and otherwise returns
0 to the console's launcher. The program is a stand-in script here; /tmp is
the test case's private tmpfs, so the fixed stay-awake path is safe to use."""

import os
import shutil
import signal
import subprocess
import time

import harness
from harness import NamespaceTestCase

APP = "/mnt/SDCARD/Apps/papyr"
STAY_AWAKE = "/tmp/stay_awake"
RUNS = "/tmp/runs"

# Notes each start (folder, first PATH entry, whether the stay-awake file is
# there), then ends with the status that the test prepared for that start.
STAND_IN = """#!/bin/sh
awake=no
[ -e /tmp/stay_awake ] && awake=yes
echo "cwd=$(pwd) path=${PATH%%:*} awake=$awake" >> /tmp/runs
n=$(wc -l < /tmp/runs)
status=$(sed -n "${n}p" /tmp/statuses)
if [ "$status" = wait ]; then
    while [ ! -e /tmp/release ]; do sleep 0.05; done
    exit 42
fi
exit "$status"
"""


class LaunchScript(NamespaceTestCase):
    def setUp(self):
        super().setUp()
        os.makedirs(os.path.join(APP, "bin"))
        self.launch = os.path.join(APP, "launch.sh")
        shutil.copy2(harness.source_dir() + "/packaging/launch.sh", self.launch)
        program = os.path.join(APP, "bin", "papyr-native64")
        with open(program, "w", encoding="utf-8") as file:
            file.write(STAND_IN)
        os.chmod(program, 0o755)

    def prepare(self, *statuses):
        with open("/tmp/statuses", "w", encoding="utf-8") as file:
            file.write("".join(f"{status}\n" for status in statuses))

    def runs(self):
        if not os.path.exists(RUNS):
            return []
        with open(RUNS, encoding="utf-8") as file:
            return file.read().splitlines()

    def test_restarts_after_status_42_and_returns_0_otherwise(self):
        for final in (0, 3):
            with self.subTest(final=final):
                if os.path.exists(RUNS):
                    os.remove(RUNS)
                self.prepare(42, 42, final)
                done = subprocess.run([self.launch], cwd="/", timeout=30)
                self.assertEqual(done.returncode, 0)
                expected = f"cwd={APP} path={APP}/bin awake=yes"
                self.assertEqual(self.runs(), [expected] * 3)
                self.assertFalse(os.path.exists(STAY_AWAKE))

    def test_a_signal_ends_it_without_a_restart_once_the_program_has_ended(self):
        self.prepare("wait", 0)
        launcher = subprocess.Popen([self.launch], cwd="/")
        self.addCleanup(launcher.kill)
        deadline = time.monotonic() + 10
        while not self.runs() and time.monotonic() < deadline:
            time.sleep(0.02)
        self.assertEqual(len(self.runs()), 1)
        self.assertTrue(os.path.exists(STAY_AWAKE))

        launcher.send_signal(signal.SIGTERM)
        time.sleep(0.2)
        # The program ends with 42 after the signal: no restart follows.
        open("/tmp/release", "w").close()
        self.assertEqual(launcher.wait(10), 143)
        self.assertEqual(len(self.runs()), 1)
        self.assertFalse(os.path.exists(STAY_AWAKE))
