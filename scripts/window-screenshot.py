#!/usr/bin/env python3
"""Takes the README's screenshot of the simulator's window: papyr-server
with its demo set, Papyr with PAPYR_WINDOW=1 on a virtual X server, and the
window's pixels read back with xwd and written as PNG.

Usage (root, for the private network namespace that keeps the demo offline
and the ports free):
  unshare --mount --net --propagation private scripts/window-screenshot.py \\
      build/dev docs/window.png
"""

import os
import struct
import subprocess
import sys
import tempfile
import time
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))

from x_display import VirtualDisplay  # noqa: E402


def write_png(path, image):
    rows = bytearray()
    for y in range(image.height):
        rows.append(0)  # no filter
        for pixel in image.pixels[y * image.width : (y + 1) * image.width]:
            rows += bytes(((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF))

    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body
                + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))

    with open(path, "wb") as file:
        file.write(b"\x89PNG\r\n\x1a\n")
        file.write(chunk(b"IHDR", struct.pack(">IIBBBBB", image.width, image.height, 8, 2, 0, 0, 0)))
        file.write(chunk(b"IDAT", zlib.compress(bytes(rows), 9)))
        file.write(chunk(b"IEND", b""))


def wait_for(path, text, timeout=30):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if os.path.exists(path) and text in open(path, encoding="utf-8", errors="replace").read():
            return
        time.sleep(0.1)
    raise SystemExit(f"window-screenshot: no {text!r} in {path}")


def main():
    build, output = sys.argv[1], os.path.abspath(sys.argv[2])
    # The namespace's own /tmp, for the X server's sockets and the run's files.
    subprocess.run(["mount", "-t", "tmpfs", "-o", "mode=1777", "tmpfs", "/tmp"], check=True)
    subprocess.run(["ip", "link", "set", "lo", "up"], check=True)
    work = tempfile.mkdtemp(prefix="papyr-window-shot-")
    server_log = os.path.join(work, "server.log")
    papyr_log = os.path.join(work, "papyr.log")
    display = VirtualDisplay(9, 1600, 1000)
    server = subprocess.Popen(
        [os.path.join(build, "src/news_server/papyr-server"), "serve", "--listen",
         "127.0.0.1:4548", "--data", os.path.join(work, "server"), "--demo"],
        stderr=open(server_log, "w"), stdout=subprocess.DEVNULL)
    papyr = None
    try:
        wait_for(server_log, "[Server] Listening on ")
        papyr = subprocess.Popen(
            [os.path.join(build, "src/main/papyr")], cwd=work, stdin=subprocess.DEVNULL,
            stderr=open(papyr_log, "w"), stdout=subprocess.DEVNULL,
            env=dict(os.environ, TRIMUI_SIMULATOR="1", TRIMUI_DEVICE="TrimUI Brick",
                     PAPYR_WINDOW="1", DISPLAY=display.name))
        wait_for(papyr_log, "[Window] Showing")
        window = display.find_window("Papyr")
        time.sleep(4)  # the headlines arrive and the startup notice expires
        display.key(window, "Down", "Down")
        time.sleep(0.5)
        write_png(output, display.screenshot(window))
        display.close(window)
        papyr.wait(10)
    finally:
        if papyr is not None and papyr.poll() is None:
            papyr.kill()
        server.kill()
        display.stop()


if __name__ == "__main__":
    main()
