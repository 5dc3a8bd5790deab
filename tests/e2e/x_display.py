"""A virtual X server for the window tests, and what a window manager and a
screenshot tool would do with the program's window: find it, close it as the
close button does (WM_DELETE_WINDOW), and read its pixels (xwd)."""

import ctypes
import os
import shutil
import struct
import subprocess

from harness import wait_until


def missing_tools():
    return [tool for tool in ("Xvfb", "xdotool", "xwd") if shutil.which(tool) is None]


class VirtualDisplay:
    """Xvfb on display :number, inside the test's private /tmp and network
    namespace, so its sockets are the test's own."""

    def __init__(self, number, width, height):
        self.name = f":{number}"
        self.proc = subprocess.Popen(
            ["Xvfb", self.name, "-screen", "0", f"{width}x{height}x24", "-nolisten", "tcp"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
        )
        socket = f"/tmp/.X11-unix/X{number}"
        wait_until(lambda: os.path.exists(socket) or self.proc.poll() is not None,
                   "Xvfb to listen", timeout=20)
        if self.proc.poll() is not None:
            raise AssertionError("Xvfb did not start")

    def run(self, *argv, check=True):
        done = subprocess.run(list(argv), env=dict(os.environ, DISPLAY=self.name),
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        if check and done.returncode != 0:
            raise AssertionError(f"{argv[0]} failed ({done.returncode}): "
                                 + done.stderr.decode("utf-8", "replace"))
        return done

    def find_window(self, title, timeout=15.0):
        def search():
            found = self.run("xdotool", "search", "--name", f"^{title}$", check=False)
            ids = found.stdout.split()
            return int(ids[0]) if ids else None

        return wait_until(search, f"a window titled {title!r}", timeout)

    def key(self, window, *keys):
        self.run("xdotool", "key", "--window", str(window), "--delay", "40", *keys)

    def press(self, window, key):
        """Presses a key without releasing it: for a key that ends the
        program, whose window is gone by the time a release would come."""
        self.run("xdotool", "keydown", "--window", str(window), key)

    def close(self, window):
        """Asks the window to close, as a window manager's close button does."""
        send_delete_window(self.name, window)

    def screenshot(self, window):
        return parse_xwd(self.run("xwd", "-id", str(window), "-silent").stdout)

    def stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait(10)


class Image:
    def __init__(self, width, height, pixels):
        self.width = width
        self.height = height
        self.pixels = pixels  # row-major 0xAARRGGBB

    def pixel(self, x, y):
        return self.pixels[y * self.width + x]


def _mask_shift(mask):
    shift = 0
    while mask and not mask & 1:
        mask >>= 1
        shift += 1
    return shift


def parse_xwd(data):
    """A 24- or 32-bit TrueColor XWD dump as an Image of 0xFFRRGGBB pixels."""
    fields = struct.unpack(">25I", data[:100])
    header_size, _, _, depth, width, height = fields[:6]
    byte_order, bits_per_pixel, bytes_per_line = fields[7], fields[11], fields[12]
    red_mask, green_mask, blue_mask = fields[14:17]
    ncolors = fields[19]
    if bits_per_pixel != 32 or depth < 24:
        raise ValueError(f"unsupported XWD: depth {depth}, {bits_per_pixel} bits per pixel")
    start = header_size + ncolors * 12
    order = "<" if byte_order == 0 else ">"
    shifts = [_mask_shift(m) for m in (red_mask, green_mask, blue_mask)]
    already_rgb = (red_mask, green_mask, blue_mask) == (0xFF0000, 0x00FF00, 0x0000FF)
    pixels = []
    for y in range(height):
        row = data[start + y * bytes_per_line : start + y * bytes_per_line + width * 4]
        values = struct.unpack(f"{order}{width}I", row)
        if already_rgb:
            pixels.extend(0xFF000000 | (value & 0xFFFFFF) for value in values)
            continue
        for value in values:
            r = (value & red_mask) >> shifts[0]
            g = (value & green_mask) >> shifts[1]
            b = (value & blue_mask) >> shifts[2]
            pixels.append(0xFF000000 | r << 16 | g << 8 | b)
    return Image(width, height, pixels)


class _ClientMessage(ctypes.Structure):
    _fields_ = [
        ("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
        ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
        ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
        ("data", ctypes.c_long * 5),
    ]


class _Event(ctypes.Union):
    _fields_ = [("xclient", _ClientMessage), ("pad", ctypes.c_long * 24)]


def send_delete_window(display_name, window):
    """Sends WM_PROTOCOLS / WM_DELETE_WINDOW to the window through libX11.
    (xdotool's windowclose destroys the window instead, which no close
    button does.)"""
    x11 = ctypes.CDLL("libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                               ctypes.POINTER(_Event)]
    x11.XFlush.argtypes = [ctypes.c_void_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    display = x11.XOpenDisplay(display_name.encode())
    if not display:
        raise AssertionError(f"cannot open X display {display_name}")
    try:
        event = _Event()
        event.xclient.type = 33  # ClientMessage
        event.xclient.window = window
        event.xclient.message_type = x11.XInternAtom(display, b"WM_PROTOCOLS", 0)
        event.xclient.format = 32
        event.xclient.data[0] = x11.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
        event.xclient.data[1] = 0  # CurrentTime
        if not x11.XSendEvent(display, window, 0, 0, ctypes.byref(event)):
            raise AssertionError("XSendEvent failed")
        x11.XFlush(display)
    finally:
        x11.XCloseDisplay(display)
