"""The self-update end to end: the real program, installed with launch.sh in
/mnt/SDCARD/Apps/papyr (a private tmpfs here), finds a newer release on the
stand-in server at the compiled-in origin, and the user accepts it with HELP
then Y. The new release's program is a script that leaves a mark file, so a
successful install shows as that mark, written after launch.sh restarted the
program that ended with status 42."""

import hashlib
import os
import shutil
import subprocess
import sys
import time

import harness
from harness import NamespaceTestCase

APP = "/mnt/SDCARD/Apps/papyr"
PACKAGES = "/tmp/packages"
MARK = "/tmp/new-release-started"
PACKAGE_FILE = "/tmp/papyr-update.zip"
ORIGIN = "https://127.0.0.1:4548"  # the default build's update server

NEW_PROGRAM = """#!/bin/sh
echo "$(pwd)" > /tmp/new-release-started
exit 0
"""


class StandInServer:
    """tests/support/news_server.py on the fixed ports, until the test ends."""

    def __init__(self, *arguments):
        ready = "/tmp/server-ready"
        self.proc = subprocess.Popen(
            [sys.executable, harness.source_dir() + "/tests/support/news_server.py",
             "--ready-file", ready, "--packages", PACKAGES, *arguments],
            stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL,
        )
        deadline = time.monotonic() + 30
        while not os.path.exists(ready):
            if self.proc.poll() is not None or time.monotonic() > deadline:
                raise AssertionError("the stand-in server did not start")
            time.sleep(0.05)
        with open(ready, encoding="utf-8") as file:
            self.origins = file.read().split()

    def set_fault(self, mode, route):
        subprocess.run(
            ["curl", "-s", "-k", "-X", "POST", "--data", f'{{"mode":"{mode}","route":"{route}"}}',
             self.origins[0] + "/__control/fault"],
            check=True, stdout=subprocess.DEVNULL,
        )

    def stop(self):
        self.proc.kill()
        self.proc.wait(10)


def sha256_of(path):
    with open(path, "rb") as file:
        return hashlib.sha256(file.read()).hexdigest()


class SelfUpdate(NamespaceTestCase):
    def setUp(self):
        super().setUp()
        os.makedirs(os.path.join(APP, "bin"))
        self.program = os.path.join(APP, "bin", "papyr-native64")
        shutil.copy2(harness.executable(), self.program)
        shutil.copy2(harness.source_dir() + "/packaging/launch.sh", APP)
        self.installed_program = sha256_of(self.program)
        self.package = self.build_release()

    def build_release(self):
        os.makedirs(PACKAGES)
        with open("/tmp/new-program", "w", encoding="utf-8") as file:
            file.write(NEW_PROGRAM)
        package = os.path.join(PACKAGES, "papyr.zip")
        subprocess.run(
            ["sh", harness.source_dir() + "/packaging/make-release.sh",
             "--executable", "/tmp/new-program", "--output", package],
            check=True, stderr=subprocess.DEVNULL,
        )
        return package

    def start_server(self, *arguments):
        server = StandInServer(*arguments)
        self.addCleanup(server.stop)
        return server

    def start_launcher(self):
        # In a session of its own, so the cleanup also ends a program that
        # launch.sh started if the test fails half-way.
        papyr = self.start_papyr(argv=["setsid", os.path.join(APP, "launch.sh")])
        self.addCleanup(self.kill_session, papyr.proc.pid)
        return papyr

    @staticmethod
    def kill_session(pid):
        try:
            os.killpg(pid, 9)
        except ProcessLookupError:
            pass

    def accept_offer(self, papyr, start=0):
        papyr.wait_for_line(r"^\[OTA\] Found new version: 1\.0\.1 \(current: 1\.0\.0\)$", timeout=20)
        self.wait_for_pipe()
        papyr.send("HELP")
        papyr.wait_for_line(r"^\[Main\] Received action: HelpToggle$", start=start)
        papyr.send("Y")
        papyr.wait_for_line(r"^\[Main\] Received action: ActionY$", start=start)

    def exit_papyr(self, papyr):
        """Presses MENU until the program leaves (after its startup grace)."""
        deadline = time.monotonic() + 15
        while papyr.proc.poll() is None and time.monotonic() < deadline:
            papyr.send("MENU")
            time.sleep(0.3)
        return papyr.wait()

    def assert_old_release_still_running(self, papyr):
        self.assertIsNone(papyr.proc.poll())
        # A restart of the old program by launch.sh would check again.
        self.assertEqual(len(papyr.matching(r"^\[OTA\] Checking for updates from: ")), 1)
        self.assertEqual(papyr.matching(r"successfully applied"), [])
        self.assertEqual(sha256_of(self.program), self.installed_program)
        self.assertFalse(os.path.exists(MARK))

    def test_an_accepted_update_is_installed_and_started(self):
        self.start_server("--port", "4548", "--route-fault", "manifest=newer-version")
        papyr = self.start_launcher()

        self.accept_offer(papyr)

        papyr.wait_for_line(rf"^\[OTA\] Starting download from: {ORIGIN}/ota/packages/papyr\.zip$")
        papyr.wait_for_line(rf"^\[OTA\] Download completed\. Extracting to: {APP}$", timeout=30)
        papyr.wait_for_line(r"^\[OTA\] Update successfully applied! Restarting Papyr\.\.\.$")
        self.assertEqual(papyr.wait(30), 0)  # launch.sh, after the new program ended with 0
        with open(MARK, encoding="utf-8") as file:
            self.assertEqual(file.read(), APP + "\n")
        with open(self.program, encoding="utf-8") as file:
            self.assertEqual(file.read(), NEW_PROGRAM)
        self.assertTrue(os.path.exists(os.path.join(APP, "config.json")))
        self.assertFalse(os.path.exists(PACKAGE_FILE))
        self.assertFalse(os.path.exists("/tmp/stay_awake"))

    def test_an_error_page_instead_of_the_package_keeps_the_program_running(self):
        server = self.start_server("--port", "4548", "--route-fault", "manifest=no-checksum",
                                   "--route-fault", "package=not-found")
        papyr = self.start_launcher()

        self.accept_offer(papyr)

        papyr.wait_for_line(rf"^\[OTA\] Download completed\. Extracting to: {APP}$", timeout=30)
        deadline = time.monotonic() + 10
        while os.path.exists(PACKAGE_FILE) and time.monotonic() < deadline:
            time.sleep(0.05)
        self.assertFalse(os.path.exists(PACKAGE_FILE))
        time.sleep(0.5)
        self.assert_old_release_still_running(papyr)

        # The offer stays, and the failed install no longer blocks a retry.
        server.set_fault("none", "package")
        lines_so_far = len(papyr.lines)
        papyr.send("HELP")
        papyr.wait_for_line(r"^\[Main\] Received action: HelpToggle$", start=lines_so_far)
        papyr.send("Y")
        papyr.wait_for_line(r"^\[OTA\] Update successfully applied! Restarting Papyr\.\.\.$",
                            timeout=30, start=lines_so_far)
        self.assertEqual(papyr.wait(30), 0)
        self.assertTrue(os.path.exists(MARK))

    def test_a_package_that_fails_its_checksum_is_not_unpacked(self):
        self.start_server("--port", "4548", "--route-fault", "manifest=bad-checksum")
        papyr = self.start_launcher()

        self.accept_offer(papyr)

        line = papyr.wait_for_line(r"^\[OTA\] Package checksum mismatch: ", timeout=30)
        self.assertTrue(line.endswith(", got " + sha256_of(self.package)), line)
        self.assertFalse(os.path.exists(PACKAGE_FILE))
        self.assertEqual(papyr.matching(r"Download completed"), [])
        time.sleep(0.5)
        self.assert_old_release_still_running(papyr)
        self.assertEqual(self.exit_papyr(papyr), 0)
        self.assertFalse(os.path.exists(MARK))

    def test_the_loopback_fallback_offers_the_update_when_the_server_is_down(self):
        # The HTTPS listener is elsewhere: the compiled-in origin is closed.
        self.start_server("--port", "0", "--fallback-port", "4549",
                          "--route-fault", "manifest=newer-version")
        papyr = self.start_launcher()

        papyr.wait_for_line(r"^\[OTA\] Primary endpoint unreachable, checking fallback\.\.\.$",
                            timeout=20)
        self.accept_offer(papyr)

        papyr.wait_for_line(
            r"^\[OTA\] Starting download from: http://127\.0\.0\.1:4549/ota/packages/papyr\.zip$")
        self.assertEqual(papyr.wait(30), 0)
        self.assertTrue(os.path.exists(MARK))
