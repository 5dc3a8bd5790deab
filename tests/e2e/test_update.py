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
import time

import harness
from harness import NamespaceTestCase, read_text, wait_until

APP = "/mnt/SDCARD/Apps/papyr"
PACKAGES = "/tmp/packages"
MARK = "/tmp/new-release-started"
PACKAGE_FILE = "/tmp/papyr-update.zip"
ORIGIN = "https://127.0.0.1:4548"  # the default build's update server
APPLIED = r"^\[OTA\] Update successfully applied! Restarting Papyr\.\.\.$"
EXTRACTING = rf"^\[OTA\] Download completed\. Extracting to: {APP}$"

NEW_PROGRAM = """#!/bin/sh
echo "$(pwd)" > /tmp/new-release-started
exit 0
"""


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
        # The new release: this source tree's packaging around NEW_PROGRAM.
        os.makedirs(PACKAGES)
        with open("/tmp/new-program", "w", encoding="utf-8") as file:
            file.write(NEW_PROGRAM)
        self.package = os.path.join(PACKAGES, "papyr.zip")
        subprocess.run(
            ["sh", harness.source_dir() + "/packaging/make-release.sh",
             "--executable", "/tmp/new-program", "--output", self.package],
            check=True, stderr=subprocess.DEVNULL,
        )

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

    def accept_offer(self, papyr):
        start = len(papyr.lines)
        papyr.wait_for_line(r"^\[OTA\] Found new version: 1\.0\.1 \(current: 1\.0\.0\)$", timeout=20)
        self.wait_for_pipe()
        papyr.send("HELP")
        papyr.wait_for_line(r"^\[Main\] Received action: HelpToggle$", start=start)
        papyr.send("Y")
        papyr.wait_for_line(r"^\[Main\] Received action: ActionY$", start=start)

    def assert_old_release_still_running(self, papyr):
        wait_until(lambda: not os.path.exists(PACKAGE_FILE), "the package to be deleted")
        time.sleep(0.5)
        self.assertIsNone(papyr.proc.poll())
        # A restart of the old program by launch.sh would check again.
        self.assertEqual(len(papyr.matching(r"^\[OTA\] Checking for updates from: ")), 1)
        self.assertEqual(papyr.matching(r"successfully applied"), [])
        self.assertEqual(sha256_of(self.program), self.installed_program)
        self.assertFalse(os.path.exists(MARK))

    def test_an_accepted_update_is_installed_and_started(self):
        self.start_server("--packages", PACKAGES, "--route-fault", "manifest=newer-version")
        os.makedirs(os.path.join(APP, "cache"))
        with open(os.path.join(APP, "cache", "bookmarks.json"), "w", encoding="utf-8") as file:
            file.write("[]")
        papyr = self.start_launcher()

        self.accept_offer(papyr)

        papyr.wait_for_line(rf"^\[OTA\] Starting download from: {ORIGIN}/ota/packages/papyr\.zip$")
        papyr.wait_for_line(EXTRACTING, timeout=30)
        papyr.wait_for_line(APPLIED)
        self.assertEqual(papyr.wait(30), 0)  # launch.sh, after the new program ended with 0
        self.assertEqual(read_text(MARK), APP + "\n")
        self.assertEqual(read_text(self.program), NEW_PROGRAM)
        self.assertTrue(os.access(os.path.join(APP, "launch.sh"), os.X_OK))
        # Unpacked over the installation: the user's files stay.
        self.assertEqual(sorted(os.listdir(APP)),
                         ["bin", "cache", "config.json", "icon.png", "launch.sh", "licences"])
        self.assertEqual(read_text(os.path.join(APP, "cache", "bookmarks.json")), "[]")
        self.assertFalse(os.path.exists(PACKAGE_FILE))
        self.assertFalse(os.path.exists("/tmp/stay_awake"))

    def test_the_fallback_offer_outlives_a_failed_install_and_is_installed_on_retry(self):
        # The HTTPS listener is elsewhere: the compiled-in origin is closed.
        server = self.start_server("--port", "0", "--fallback-port", "4549", "--packages", PACKAGES,
                                   "--route-fault", "manifest=no-checksum",
                                   "--route-fault", "package=not-found")
        papyr = self.start_launcher()

        papyr.wait_for_line(r"^\[OTA\] Primary endpoint unreachable, checking fallback\.\.\.$",
                            timeout=20)
        self.accept_offer(papyr)

        # An error page saved as the package fails to unpack.
        papyr.wait_for_line(
            r"^\[OTA\] Starting download from: http://127\.0\.0\.1:4549/ota/packages/papyr\.zip$")
        papyr.wait_for_line(EXTRACTING, timeout=30)
        self.assert_old_release_still_running(papyr)

        # The offer stays, and the failed install no longer blocks a retry.
        server.set_fault("none", "package")
        self.accept_offer(papyr)
        papyr.wait_for_line(APPLIED, timeout=30)
        self.assertEqual(papyr.wait(30), 0)
        self.assertTrue(os.path.exists(MARK))

    def test_a_package_that_fails_its_checksum_is_not_unpacked(self):
        self.start_server("--packages", PACKAGES, "--route-fault", "manifest=bad-checksum")
        papyr = self.start_launcher()

        self.accept_offer(papyr)

        line = papyr.wait_for_line(r"^\[OTA\] Package checksum mismatch: ", timeout=30)
        self.assertTrue(line.endswith(", got " + sha256_of(self.package)), line)
        self.assertEqual(papyr.matching(r"Download completed"), [])
        self.assert_old_release_still_running(papyr)
        self.assertEqual(papyr.exit_with_menu(), 0)
        self.assertFalse(os.path.exists(MARK))
