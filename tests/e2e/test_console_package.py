"""The console release package: its layout is the installation folder, and
the BusyBox it carries (run under user-mode emulation) unpacks and checks
it. The update install runs `unzip -o PACKAGE -d FOLDER` with the package's
bin/ first on PATH, over the folder whose program is running; the bundled
unzip must manage that where BusyBox's own applet cannot."""

import hashlib
import json
import os
import re
import shutil
import signal
import subprocess
import zipfile

import harness
from harness import NamespaceTestCase

QEMU = "qemu-aarch64-static"
APP = "/mnt/SDCARD/Apps/papyr"
TOOLS = "/tmp/tools"

EXECUTABLES = {
    "launch.sh",
    "bin/papyr-native64",
    "bin/papyr-server",
    "bin/busybox",
    "bin/unzip",
    "bin/sha256sum",
}
DATA_FILES = {
    "config.json",
    "icon.png",
    "sources.json",
    "ca-certificates.crt",
    "licences/LICENSE-DejaVu.txt",
    "licences/glibc.txt",
    "licences/gcc-runtime.txt",
    "licences/openssl.txt",
    "licences/pugixml.txt",
    "licences/gumbo.txt",
    "licences/boost.txt",
    "licences/ca-certificates.txt",
    "licences/busybox-LICENSE.txt",
    "licences/busybox-SOURCE.txt",
}


# Anchored at import, before any test case mounts its private /tmp (the build
# folder may be under /tmp).
_PACKAGE = harness.anchored(os.environ["PAPYR_CONSOLE_PACKAGE"])
_BUSYBOX = harness.anchored(os.environ["PAPYR_CONSOLE_HELPERS"] + "/busybox")
_EXECUTABLE = harness.anchored(os.environ["PAPYR_CONSOLE_EXE"])
_SERVER = harness.anchored(os.environ["PAPYR_CONSOLE_SERVER_EXE"])


def package():
    return _PACKAGE


def bundled_busybox():
    return _BUSYBOX


def busybox(*arguments, **kwargs):
    """The bundled BusyBox under emulation, at the consoles' kernel release."""
    return subprocess.run([QEMU, "-r", "4.9.191", bundled_busybox()] + list(arguments),
                          capture_output=True, **kwargs)


def read(path):
    with open(path, "rb") as file:
        return file.read()


def folder_files(root):
    """Relative path -> (bytes, mode bits) of every file under root."""
    found = {}
    for folder, _, names in os.walk(root):
        for name in names:
            path = os.path.join(folder, name)
            found[os.path.relpath(path, root)] = (read(path), os.stat(path).st_mode & 0o777)
    return found


def package_files():
    """Relative path -> (bytes, mode bits) of every file in the package."""
    with zipfile.ZipFile(package()) as archive:
        return {info.filename: (archive.read(info), info.external_attr >> 16 & 0o777)
                for info in archive.infolist() if not info.is_dir()}


class PackageLayout(NamespaceTestCase):
    def test_bundled_unzip_unpacks_the_installation_folder_with_its_run_bits(self):
        busybox("unzip", "-o", package(), "-d", "/tmp/unpacked", check=True)
        unpacked = folder_files("/tmp/unpacked")
        self.assertEqual(unpacked, package_files())
        self.assertEqual({name: mode for name, (_, mode) in unpacked.items()},
                         {**dict.fromkeys(EXECUTABLES, 0o755), **dict.fromkeys(DATA_FILES, 0o644)})

    def test_carries_this_build_the_icon_and_a_menu_entry_naming_them(self):
        files = package_files()
        self.assertEqual(files["bin/papyr-native64"][0], read(_EXECUTABLE))
        self.assertEqual(files["bin/papyr-server"][0], read(_SERVER))
        self.assertEqual(files["sources.json"][0],
                         read(harness.source_dir() + "/packaging/sources.json"))
        self.assertEqual(files["bin/busybox"][0], read(bundled_busybox()))
        self.assertEqual(files["icon.png"][0], read(harness.source_dir() + "/packaging/icon.png"))
        self.assertEqual(files["launch.sh"][0], read(harness.source_dir() + "/packaging/launch.sh"))

        entry = json.loads(files["config.json"][0].decode("utf-8"))
        self.assertEqual(set(entry), {"label", "icon", "launch", "description"})
        self.assertEqual(entry["label"], "Papyr")
        self.assertIn(entry["icon"], files)
        self.assertIn(entry["launch"], EXECUTABLES)
        self.assertTrue(entry["description"].strip())

    def test_licences_name_what_they_cover(self):
        files = package_files()
        self.assert_contains(files["licences/busybox-LICENSE.txt"],
                             b"GNU GENERAL PUBLIC LICENSE\n                       Version 2")
        source = files["licences/busybox-SOURCE.txt"][0].decode("utf-8")
        version = busybox(check=True, text=True).stdout.splitlines()[0]
        # "BusyBox v1.35.0 (Debian 1:1.35.0-4+deb12u1+b1) multi-call binary."
        binary_version = re.search(r"\(Debian ([^)]+)\)", version).group(1)
        self.assertIn(f"version {binary_version}", source)
        self.assertRegex(source, r"apt-get source busybox=\S+")
        self.assert_contains(files["licences/LICENSE-DejaVu.txt"], b"Bitstream Vera")
        self.assert_contains(files["licences/glibc.txt"], b"GNU C Library")
        self.assert_contains(files["licences/glibc.txt"],
                             b"GNU LESSER GENERAL PUBLIC LICENSE\n                       Version 2.1")
        self.assert_contains(files["licences/gcc-runtime.txt"], b"GCC RUNTIME LIBRARY EXCEPTION")
        self.assert_contains(files["licences/gcc-runtime.txt"],
                             b"GNU GENERAL PUBLIC LICENSE\n                       Version 3")

    def test_service_licences_name_what_is_linked_into_it(self):
        files = package_files()
        apache = b"TERMS AND CONDITIONS FOR USE, REPRODUCTION, AND DISTRIBUTION"
        mit = b"Permission is hereby granted, free of charge"
        for name, notices in [
            ("openssl", [b"Upstream-Name: OpenSSL", apache]),
            ("gumbo", [b"Upstream-Name: gumbo-parser", apache]),
            ("pugixml", [b"Upstream-Name: pugixml", mit]),
            ("boost", [b"Boost.Asio and Boost.Beast", b"Boost Software License - Version 1.0"]),
            ("ca-certificates", [b"Mozilla Public License Version 2.0"]),
        ]:
            for notice in notices:
                with self.subTest(licence=name, notice=notice[:30]):
                    self.assert_contains(files[f"licences/{name}.txt"], notice)

    def test_ca_bundle_is_debians_set_alone(self):
        """Every certificate of the ca-certificates package, and none that
        this build machine trusts besides."""
        bundle = package_files()["ca-certificates.crt"][0].decode("ascii")
        listed = subprocess.run(["dpkg-query", "-L", "ca-certificates"], capture_output=True,
                                text=True, check=True).stdout.split()
        shipped = [path for path in listed
                   if path.startswith("/usr/share/ca-certificates/mozilla/") and path.endswith(".crt")]
        self.assertGreater(len(shipped), 100)
        expected = set()
        for path in shipped:
            with open(path, encoding="ascii") as file:
                expected.add(file.read().strip())
        found = {"-----BEGIN CERTIFICATE-----" + block.split("-----END CERTIFICATE-----")[0] +
                 "-----END CERTIFICATE-----"
                 for block in bundle.split("-----BEGIN CERTIFICATE-----")[1:]}
        self.assertEqual(found, expected)

    def assert_contains(self, file, text):
        self.assertTrue(text in file[0], f"missing: {text!r}")

    def test_launch_script_is_valid_for_the_bundled_shell(self):
        with open("/tmp/launch.sh", "wb") as file:
            file.write(package_files()["launch.sh"][0])
        checked = busybox("sh", "-n", "/tmp/launch.sh")
        self.assertEqual(checked.returncode, 0, checked.stderr)


class UpdateUnpack(NamespaceTestCase):
    """The bundled wrappers run from a tools folder whose `busybox` starts the
    bundled one under emulation (this machine cannot start an arm64 program
    directly); the scripts themselves are the package's own."""

    def setUp(self):
        super().setUp()
        os.makedirs(TOOLS)
        files = package_files()
        for name in ("unzip", "sha256sum"):
            self.write(os.path.join(TOOLS, name), files["bin/" + name][0], 0o755)
        # BusyBox picks its applet by its own name: the copy keeps it.
        self.write(os.path.join(TOOLS, "arm64", "busybox"), read(bundled_busybox()), 0o755)
        self.write(os.path.join(TOOLS, "busybox"),
                   f'#!/bin/sh\nexec {QEMU} -r 4.9.191 {TOOLS}/arm64/busybox "$@"\n'.encode(), 0o755)

    @staticmethod
    def write(path, data, mode=0o644):
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as file:
            file.write(data)
        os.chmod(path, mode)

    def install_running_release(self, folder):
        """An older release in `folder`: the package unpacked, with other
        texts in its first files, and its program replaced by a program of
        this machine that is running, as the old release's program is while
        it installs an update."""
        os.makedirs(folder)
        subprocess.run(["unzip", "-q", package(), "-d", folder], check=True)
        for name in ("launch.sh", "config.json"):
            with open(os.path.join(folder, name), "a", encoding="utf-8") as file:
                file.write("# the older release\n")
        program = os.path.join(folder, "bin", "papyr-native64")
        os.remove(program)
        shutil.copyfile(shutil.which("sleep"), program)
        os.chmod(program, 0o755)
        running = subprocess.Popen([program, "60"])
        self.addCleanup(running.wait)
        self.addCleanup(running.send_signal, signal.SIGKILL)
        return running

    def unzip(self, *arguments):
        return subprocess.run(["sh", os.path.join(TOOLS, "unzip")] + list(arguments),
                              capture_output=True, text=True)

    def test_busybox_alone_cannot_replace_a_running_program(self):
        # Shows that the situation below is real: the kernel refuses.
        self.install_running_release("/tmp/control")
        unpacked = busybox("unzip", "-o", package(), "-d", "/tmp/control", text=True)
        self.assertNotEqual(unpacked.returncode, 0)
        self.assertIn("Text file busy", unpacked.stderr)

    def test_unpacks_over_the_running_release_and_keeps_other_files(self):
        running = self.install_running_release(APP)
        # The reader's and the service's data: the package has neither.
        kept = {os.path.join("cache", "bookmarks.json"): b"[]\n",
                os.path.join("server", "tls", "key.pem"): b"key\n",
                os.path.join("server", "cache", "feeds", "vnexpress.json"): b"{}\n"}
        for name, data in kept.items():
            self.write(os.path.join(APP, name), data)

        unpacked = self.unzip("-o", package(), "-d", APP)
        self.assertEqual(unpacked.returncode, 0, unpacked.stderr)
        self.assertEqual(sorted(os.listdir(APP)), ["bin", "ca-certificates.crt", "cache",
                                                   "config.json", "icon.png", "launch.sh",
                                                   "licences", "server", "sources.json"])

        installed = folder_files(APP)
        for name, data in kept.items():
            self.assertEqual(installed.pop(name), (data, 0o644))
        self.assertEqual(installed, package_files())
        self.assertIsNone(running.poll(), "the running program was disturbed")

    def test_a_damaged_package_leaves_the_installed_release_as_it_was(self):
        self.install_running_release(APP)
        before = folder_files(APP)
        # Unpacking gets past the first files, then finds the program's
        # data damaged.
        data = bytearray(read(package()))
        with zipfile.ZipFile(package()) as archive:
            entry = archive.getinfo("bin/papyr-native64")
        start = entry.header_offset + 30 + len(entry.filename.encode()) + len(entry.extra)
        middle = start + entry.compress_size // 2
        data[middle:middle + 64] = bytes(64)
        self.write("/tmp/damaged.zip", bytes(data))

        unpacked = self.unzip("-o", "/tmp/damaged.zip", "-d", APP)
        self.assertNotEqual(unpacked.returncode, 0)
        self.assertIn("inflating: launch.sh", unpacked.stdout)
        self.assertEqual(folder_files(APP), before)
        self.assertEqual(sorted(os.listdir(APP)), ["bin", "ca-certificates.crt", "config.json",
                                                   "icon.png", "launch.sh", "licences",
                                                   "sources.json"])

    def test_other_forms_go_to_busybox_and_sha256sum_runs_it_too(self):
        listed = self.unzip("-l", package())
        self.assertEqual(listed.returncode, 0, listed.stdout + listed.stderr)
        for name in EXECUTABLES | DATA_FILES:
            self.assertRegex(listed.stdout, rf"\s{re.escape(name)}\n")

        # The install reads the checksum from the line's first field.
        summed = subprocess.run(["sh", os.path.join(TOOLS, "sha256sum"), package()],
                                capture_output=True, text=True, check=True)
        digest = hashlib.sha256(read(package())).hexdigest()
        self.assertEqual(summed.stdout, f"{digest}  {package()}\n")
