"""The console release's launch.sh run by the release's own BusyBox shell
under user-mode emulation, with the news service beside the reader: the
service answers /healthz before the reader starts, the reader's headlines
come from it, it is gone once the reader has ended, the new release's
service replaces the old one after an update, and a service that fails,
hangs or was left behind never keeps the reader from starting.

This machine cannot start an arm64 program by its file name (the consoles'
kernel can; here binfmt_misc has no emulator registered). So the release's
two programs are moved aside and small scripts take their names, each
starting its program under qemu as the kernel would. The service's script
also adds the test-only options that point the publishers' hosts at the
local publisher server and trust its certificate. launch.sh, BusyBox, the
reader and the service are the release's own; curl is this machine's."""

import inspect
import json
import os
import shutil
import signal
import socket
import subprocess
import sys
import time
import zipfile

import harness
from harness import NamespaceTestCase, PapyrProcess, read_text, wait_until
from test_server import Publishers, server, support_module

QEMU = "qemu-aarch64-static"
CONSOLE_KERNEL = "4.9.191"
APP = "/mnt/SDCARD/Apps/papyr"
PID_FILE = "/tmp/papyr-server.pid"
STAY_AWAKE = "/tmp/stay_awake"
RUNS = "/tmp/runs"
SERVICE = "https://127.0.0.1:4548"

# Anchored at import, before any test case mounts its private /tmp.
_PACKAGE = harness.anchored(os.environ["PAPYR_CONSOLE_PACKAGE"])

def services():
    """The service processes in this network namespace: it holds only the
    test's, while the machine's other processes are no business of it."""
    found = []
    here = os.readlink("/proc/self/ns/net")
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{pid}/cmdline", "rb") as file:
                argv = file.read().decode(errors="replace").split("\0")
            if os.readlink(f"/proc/{pid}/ns/net") != here:
                continue
        except OSError:
            continue
        if "serve" in argv and any(a.endswith("papyr-server") for a in argv):
            found.append({"pid": int(pid), "argv": argv})
    return found


# The reader's stand-in for the tests that are about the launcher: it notes
# what it finds at its start (the service's answer and every service
# process), then ends with the status prepared for that start. With
# "update" it first installs a new release's service and launcher the way
# the bundled unzip does, renaming new files over the old, and ends with 42.
STAND_IN_READER = r"""#!@PYTHON@
import json, os, subprocess, sys

@SERVICES@
health = subprocess.run(["curl", "-s", "-k", "--max-time", "2", "@SERVICE@/healthz"],
                        capture_output=True, text=True).stdout
with open("/tmp/runs", "a") as runs:
    runs.write(json.dumps({"health": health, "services": services()}) + "\n")
with open("/tmp/runs") as runs:
    count = len(runs.readlines())
with open("/tmp/statuses") as statuses:
    status = statuses.read().split()[count - 1]
if status == "update":
    for name in ("bin/papyr-server", "launch.sh"):
        os.rename(f"@APP@/.update/{os.path.basename(name)}", f"@APP@/{name}")
    sys.exit(42)
sys.exit(int(status))
""".replace("@SERVICE@", SERVICE).replace("@APP@", APP).replace(
    "@PYTHON@", sys.executable).replace("@SERVICES@", inspect.getsource(services))


def write(path, text, mode=0o644):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8") as file:
        file.write(text)
    os.chmod(path, mode)


def emulated(program, extra=(), env=""):
    """A script that starts the arm64 `program` under qemu as the console's
    kernel would start it by its name."""
    arguments = " ".join(extra)
    return f'#!/bin/sh\n{env}exec {QEMU} -r {CONSOLE_KERNEL} {program} "$@" {arguments}\n'


def port_taken():
    try:
        socket.create_connection(("127.0.0.1", 4548), timeout=1).close()
        return True
    except OSError:
        return False


def alive(pid):
    try:
        with open(f"/proc/{pid}/stat", encoding="utf-8") as file:
            return file.read().rpartition(") ")[2][:1] != "Z"
    except FileNotFoundError:
        return False


class LaunchWithService(NamespaceTestCase):
    def setUp(self):
        super().setUp()
        os.makedirs(APP)
        with zipfile.ZipFile(_PACKAGE) as archive:
            archive.extractall(APP)
            for info in archive.infolist():
                os.chmod(os.path.join(APP, info.filename), info.external_attr >> 16 & 0o777)
        # The programs move aside, each under a folder of its release.
        self.arm64 = "/tmp/arm64"
        os.makedirs(self.arm64)
        for name in ("papyr-native64", "papyr-server"):
            shutil.move(os.path.join(APP, "bin", name), os.path.join(self.arm64, name))
        # OpenSSL's configuration file for a service that fetches nothing is
        # a FIFO: a service that read it would block there and never answer.
        # (Not for one that fetches: the curl it starts reads its own.)
        self.fifo = "/tmp/openssl.cnf"
        os.mkfifo(self.fifo)
        self.addCleanup(self.end_services)

    @staticmethod
    def end_services():
        """Whatever service a failed test left running in the namespace."""
        for service in services():
            try:
                os.kill(service["pid"], signal.SIGKILL)
            except ProcessLookupError:
                pass
        wait_until(lambda: not services(), "the services to end")

    def use_service(self, publishers, folder=None, name="papyr-server"):
        """The release's service (or a copy of it in `folder`) as bin/`name`,
        reaching `publishers` (a Publishers, or None)."""
        program = os.path.join(self.arm64, "papyr-server")
        if folder is not None:
            os.makedirs(folder, exist_ok=True)
            shutil.copy2(program, os.path.join(folder, "papyr-server"))
            program = os.path.join(folder, "papyr-server")
        extra = ["--prefetch", "0"]
        if publishers is None:
            return emulated(program, extra, env=f"OPENSSL_CONF={self.fifo} ")
        extra += ["--test-resolve-publishers", "127.0.0.1", "--ca-bundle", publishers.cert]
        return emulated(program, extra)

    def install(self, name, script):
        write(os.path.join(APP, "bin", name), script, 0o755)

    def use_stand_in_reader(self, *statuses):
        self.install("papyr-native64", STAND_IN_READER)
        write("/tmp/statuses", "".join(f"{status}\n" for status in statuses))

    def launch(self, **env):
        """launch.sh under the release's BusyBox shell."""
        busybox = os.path.join(APP, "bin", "busybox")
        process = PapyrProcess(
            argv=[QEMU, "-r", CONSOLE_KERNEL, busybox, "sh", os.path.join(APP, "launch.sh")],
            env={"TRIMUI_SIMULATOR": "1", **env}, cwd="/")
        self.addCleanup(process.stop)
        return process

    @staticmethod
    def runs():
        """What the stand-in reader noted, one complete line per start."""
        text = read_text(RUNS) or ""
        return [json.loads(line) for line in text[:text.rfind("\n") + 1].splitlines()]

    def assert_nothing_left(self, pids):
        for pid in pids:
            self.assertFalse(alive(pid), f"process {pid} still runs")
        self.assertFalse(os.path.exists(PID_FILE))
        self.assertFalse(os.path.exists(STAY_AWAKE))

    def test_the_reader_gets_its_headlines_from_the_service_started_before_it(self):
        publishers = Publishers()
        self.addCleanup(publishers.stop)
        document = support_module().vnexpress_feed()
        expected = json.loads(subprocess.run(
            server("feed", "--source", "vnexpress", "--category", "tin-moi"),
            input=document.encode("utf-8"), stdout=subprocess.PIPE, check=True).stdout)
        count = len(expected["items"])
        self.assertGreater(count, 0)
        self.install("papyr-server", self.use_service(publishers))
        self.install("papyr-native64", emulated(os.path.join(self.arm64, "papyr-native64")))

        launcher = self.launch()
        launcher.wait_for_line(rf"^\[Main\] Initial feed fetch success: {count} items$", timeout=60)
        lines = list(launcher.lines)
        health = next(i for i, line in enumerate(lines)
                      if line.startswith("[Server] GET /healthz 200 "))
        reader = next(i for i, line in enumerate(lines) if line.startswith("[Framebuffer] "))
        self.assertLess(health, reader, "the reader started before the service answered:\n" +
                        "\n".join(lines))
        launcher.wait_for_line(
            r"^\[Server\] GET /api/v1/news/feed\?source=vnexpress&category=tin-moi 200 .* publisher$")
        self.assertIn("vnexpress.net /rss/tin-moi-nhat.rss", publishers.requests())
        self.assertEqual(launcher.matching(r"^launch\.sh: "), [])

        service = int(read_text(PID_FILE))
        self.assertTrue(alive(service))
        with open(f"/proc/{service}/cmdline", "rb") as file:
            argv = file.read().decode().split("\0")
        self.assertEqual(argv[argv.index("serve"):argv.index("serve") + 7],
                         ["serve", "--listen", "127.0.0.1:4548", "--data", f"{APP}/server",
                          "--sources", f"{APP}/sources.json"])
        self.assertTrue(os.path.isfile(f"{APP}/server/tls/cert.pem"))

        self.assertEqual(launcher.exit_with_menu(), 0)
        launcher.wait_for_line(r"^\[Server\] Stopping on SIGTERM$", timeout=5)
        self.assert_nothing_left([service])

    def test_after_an_update_the_new_releases_service_replaces_the_old_one(self):
        self.install("papyr-server", self.use_service(None))
        # What the update unpacks: the same service from another folder, so
        # that its process tells which release it belongs to.
        write(os.path.join(APP, ".update", "papyr-server"),
              self.use_service(None, folder="/tmp/arm64-new"), 0o755)
        # A new launcher that keeps the service's data elsewhere: the
        # restart is the new release's own.
        launcher_text = read_text(os.path.join(APP, "launch.sh"))
        self.assertIn('SERVICE_DATA="$here/server"\n', launcher_text)
        write(os.path.join(APP, ".update", "launch.sh"),
              launcher_text.replace('SERVICE_DATA="$here/server"', 'SERVICE_DATA="$here/data"'),
              0o755)
        self.use_stand_in_reader("update", 0)

        launcher = self.launch()
        self.assertEqual(launcher.wait(60), 0)
        first, second = self.runs()
        for run in (first, second):
            self.assertEqual(run["health"], "ok")
            self.assertEqual(len(run["services"]), 1, run["services"])
        old, new = first["services"][0], second["services"][0]
        self.assertIn(os.path.join(self.arm64, "papyr-server"), old["argv"])
        self.assertIn("/tmp/arm64-new/papyr-server", new["argv"])
        self.assertIn(f"{APP}/server", old["argv"])
        self.assertIn(f"{APP}/data", new["argv"])
        self.assertNotEqual(old["pid"], new["pid"])
        self.assertEqual(len(launcher.matching(r"^\[Server\] Stopping on SIGTERM$")), 2)
        self.assert_nothing_left([old["pid"], new["pid"]])

    def test_a_service_that_fails_or_hangs_never_keeps_the_reader_from_starting(self):
        # A stand-in that takes no notice of TERM and never answers.
        deaf = (f"#!{sys.executable}\nimport signal, time\n"
                "signal.signal(signal.SIGTERM, signal.SIG_IGN)\ntime.sleep(60)\n")
        cases = [
            # service script, the launcher's line, most seconds to the
            # reader's start, services running beside the reader
            ("#!/bin/sh\necho 'papyr-server: sources.json: cannot be read' >&2\nexit 1\n",
             r"the news service ended at its start; Papyr starts without it", 2.5, 0),
            (None, r"bin/papyr-server is missing or not executable; Papyr starts without its "
                   r"news service", 2.5, 0),
            (deaf, r"the news service does not answer yet; Papyr starts anyway", 6, 1),
        ]
        for script, line, most, beside in cases:
            with self.subTest(line=line):
                for path in (RUNS, os.path.join(APP, "bin", "papyr-server")):
                    if os.path.exists(path):
                        os.remove(path)
                if script is not None:
                    self.install("papyr-server", script)
                self.use_stand_in_reader(0)
                started = time.monotonic()
                launcher = self.launch()
                wait_until(self.runs, "the reader's start", timeout=20)
                took = time.monotonic() - started
                self.assertLess(took, most)
                launcher.wait_for_line("^launch\\.sh: " + line)
                self.assertEqual(self.runs()[0]["health"], "")
                self.assertEqual(launcher.wait(20), 0)
                if script is deaf:
                    launcher.wait_for_line(r"^launch\.sh: the news service did not stop; killing it$")
                    self.assertGreater(took, 2.5, "the launcher did not wait for the service")
                running = self.runs()[0]["services"]
                self.assertEqual(len(running), beside, running)
                self.assert_nothing_left([service["pid"] for service in running])

    def test_a_service_left_behind_by_an_earlier_start_is_stopped_first(self):
        # An earlier launcher's service that still holds the port (without
        # TLS, so it never passes for the new one), and a process that got
        # the recorded number after a restart of the console.
        holder = ("import socket, sys, time\ns = socket.socket()\n"
                  "s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)\n"
                  "s.bind(('127.0.0.1', 4548)); s.listen(); time.sleep(60)\n")
        write("/tmp/old-release/papyr-server", f"#!{sys.executable}\n" + holder, 0o755)
        cases = [
            ("/tmp/old-release/papyr-server", True),
            (shutil.which("sleep"), False),
        ]
        self.install("papyr-server", self.use_service(None))
        for program, is_service in cases:
            with self.subTest(program=program):
                if os.path.exists(RUNS):
                    os.remove(RUNS)
                left = subprocess.Popen([program, "serve"] if is_service else [program, "60"])
                try:
                    self.launch_beside(left, is_service)
                finally:
                    left.kill()
                    left.wait()

    def launch_beside(self, left, is_service):
        if is_service:
            wait_until(port_taken, "the old service's port")
        write(PID_FILE, f"{left.pid}\n")
        self.use_stand_in_reader(0)

        launcher = self.launch()
        self.assertEqual(launcher.wait(60), 0)
        (run,) = self.runs()
        self.assertEqual(run["health"], "ok")
        (service,) = run["services"]
        self.assertNotEqual(service["pid"], left.pid)
        if is_service:
            self.assertEqual(left.poll(), -signal.SIGTERM)
        else:
            self.assertIsNone(left.poll(), "a process that is no service was stopped")
        self.assert_nothing_left([service["pid"]])
