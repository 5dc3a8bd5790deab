"""Signed releases end to end: a local HTTPS release host serves a channel
signed with a key made at test time (scripts/sign-release.sh), the real
papyr-server checks it (verified TLS, its --release-key) and offers the
reader only what the key vouches for; the real reader, installed with
launch.sh in /mnt/SDCARD/Apps/papyr, installs the offer from the service."""

import hashlib
import http.server
import os
import shutil
import ssl
import subprocess
import threading
import time

import harness
from harness import NamespaceTestCase, PapyrProcess, read_text

# Anchored when the module loads, before a test case mounts its own /tmp over
# a repository that may live there (the sources.json path compiled into the
# service may lie under it too, hence --sources below).
_SERVER_EXECUTABLE = harness.anchored(os.environ["PAPYR_SERVER_EXE"])

APP = "/mnt/SDCARD/Apps/papyr"
CHANNEL = "/tmp/channel"  # what the release host serves
HOST = "https://127.0.0.1:8443"
MARK = "/tmp/new-release-started"
NEW_PROGRAM = """#!/bin/sh
echo "papyr 1.0.1 in $(pwd)" > /tmp/new-release-started
"""


def sha256_of(path):
    with open(path, "rb") as file:
        return hashlib.sha256(file.read()).hexdigest()


def run(*command):
    subprocess.run(command, check=True, stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)


class ReleaseHost(http.server.ThreadingHTTPServer):
    """Files of CHANNEL over HTTPS on 127.0.0.1:8443; request paths noted."""

    def __init__(self, cert, key):
        class Handler(http.server.SimpleHTTPRequestHandler):
            def __init__(self, *args, **kwargs):
                super().__init__(*args, directory=CHANNEL, **kwargs)

            def log_message(self, format, *args):  # noqa: A002  (the base class's signature)
                self.server.paths.append(self.path)

        super().__init__(("127.0.0.1", 8443), Handler)
        self.paths = []
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(cert, key)
        self.socket = context.wrap_socket(self.socket, server_side=True)


class SignedReleases(NamespaceTestCase):
    def setUp(self):
        super().setUp()
        os.makedirs(os.path.join(CHANNEL, "papyr"))
        os.makedirs("/tmp/keys")
        for name in ("release", "other"):
            run("openssl", "genpkey", "-algorithm", "ed25519", "-out", f"/tmp/keys/{name}.pem")
        run("openssl", "pkey", "-in", "/tmp/keys/release.pem", "-pubout", "-out", "/tmp/keys/release.pub")
        run("openssl", "req", "-x509", "-nodes", "-days", "2", "-newkey", "ec", "-pkeyopt",
            "ec_paramgen_curve:prime256v1", "-keyout", "/tmp/keys/tls.key", "-out", "/tmp/keys/tls.pem",
            "-subj", "/CN=papyr releases", "-addext", "subjectAltName=IP:127.0.0.1")
        host = ReleaseHost("/tmp/keys/tls.pem", "/tmp/keys/tls.key")
        threading.Thread(target=host.serve_forever, daemon=True).start()
        self.addCleanup(host.server_close)
        self.addCleanup(host.shutdown)
        self.host = host

        os.makedirs(os.path.join(APP, "bin"))
        self.program = os.path.join(APP, "bin", "papyr-native64")
        shutil.copy2(harness.executable(), self.program)
        shutil.copy2(harness.source_dir() + "/packaging/launch.sh", APP)
        self.installed = sha256_of(self.program)
        with open("/tmp/new-program", "w", encoding="utf-8") as file:
            file.write(NEW_PROGRAM)
        self.package = os.path.join(CHANNEL, "papyr", "papyr-1.0.1.zip")
        run("sh", harness.source_dir() + "/packaging/make-release.sh",
            "--executable", "/tmp/new-program", "--output", self.package)

        self.service = PapyrProcess(argv=[
            _SERVER_EXECUTABLE, "serve", "--data", "/tmp/server-data",
            "--sources", harness.source_dir() + "/packaging/sources.json",
            "--demo", "--prefetch", "0", "--ca-bundle", "/tmp/keys/tls.pem",
            "--release-channel", HOST + "/papyr/papyr.json", "--release-key", "/tmp/keys/release.pub"])
        self.addCleanup(self.service.stop)
        self.service.wait_for_line(r"^\[Server\] Listening on https://127\.0\.0\.1:4548$", timeout=30)

    @staticmethod
    def end_group(pid):
        try:
            os.killpg(pid, 9)
        except ProcessLookupError:
            pass

    def sign(self, version="1.0.1", key="release"):
        run(harness.source_dir() + "/scripts/sign-release.sh", f"/tmp/keys/{key}.pem", self.package,
            version, HOST + "/papyr/papyr-1.0.1.zip", os.path.join(CHANNEL, "papyr"))

    def test_a_signed_newer_release_is_offered_installed_and_started_through_launch_sh(self):
        self.sign()
        # A check before the reader's: the package is downloaded only once.
        subprocess.run(["curl", "-sk", "-o", "/dev/null", "https://127.0.0.1:4548/ota/papyr.json"],
                       check=True)
        papyr = self.start_papyr(argv=["setsid", os.path.join(APP, "launch.sh")])
        # launch.sh runs in a session of its own: a failed test ends what it started.
        self.addCleanup(self.end_group, papyr.proc.pid)

        papyr.wait_for_line(r"^\[OTA\] Found new version: 1\.0\.1 \(current: 1\.0\.0\)$", timeout=20)
        self.wait_for_pipe()
        papyr.send("HELP")
        papyr.wait_for_line(r"^\[Main\] Received action: HelpToggle$")
        papyr.send("Y")
        papyr.wait_for_line(r"^\[OTA\] Starting download from: "
                            r"https://127\.0\.0\.1:4548/ota/package/1\.0\.1\.zip$")
        papyr.wait_for_line(r"^\[OTA\] Update successfully applied! Restarting Papyr\.\.\.$", timeout=30)
        self.assertEqual(papyr.wait(30), 0)  # launch.sh, once the new release ended
        self.assertEqual(read_text(MARK), f"papyr 1.0.1 in {APP}\n")
        self.assertEqual(read_text(self.program), NEW_PROGRAM)
        self.assertEqual(self.host.paths.count("/papyr/papyr-1.0.1.zip"), 1)
        self.assertEqual(self.host.paths.count("/papyr/papyr.json"), 2)
        self.service.wait_for_line(r"^\[Server\] GET /ota/package/1\.0\.1\.zip 200 .* disk ")

    def test_nothing_is_offered_that_the_release_key_does_not_vouch_for(self):
        manifest = os.path.join(CHANNEL, "papyr", "papyr.json")

        def tamper_manifest():
            self.sign()
            with open(manifest, "r+", encoding="utf-8") as file:
                text = file.read().replace('"Papyr 1.0.1"', '"Papyr 1.0.1 "', 1)
                file.seek(0)
                file.write(text)

        def tamper_package():
            self.sign()
            with open(self.package, "ab") as file:
                file.write(b"\0")

        cases = [
            ("tampered manifest", tamper_manifest, r"signature is not the release key's"),
            ("another key", lambda: self.sign(key="other"), r"signature is not the release key's"),
            ("missing signature", lambda: (self.sign(), os.remove(manifest + ".sig")),
             r"no signature next to its manifest \(HTTP 404\)"),
            ("older version", lambda: self.sign("0.9.4"), r"version 0\.9\.4 is not newer than this release \(1\.0\.0\)"),
            ("equal version", lambda: self.sign("1.0.0"), r"version 1\.0\.0 is not newer than this release"),
            ("tampered package", tamper_package, r"the package does not match the signed sha256 \(got [0-9a-f]{64}\)"),
        ]
        for what, fault, reason in cases:
            with self.subTest(what):
                fault()
                start = len(self.service.lines)
                papyr = self.start_papyr()
                self.service.wait_for_line(
                    r"^\[Server\] GET /ota/papyr\.json 404 .* channel \(no offer: .*" + reason, start=start)
                time.sleep(0.5)  # the reader reads the answer
                papyr.stop()
                self.assertEqual(papyr.matching(r"^\[OTA\] Found new version"), [])
                self.assertEqual(sha256_of(self.program), self.installed)
                self.assertFalse(os.path.exists(MARK))
        self.assertEqual(os.listdir("/tmp/server-data/release"), [])
        self.service.wait_for_line(r"^\[Release\] The package of 1\.0\.1 is refused: the package does not match")
