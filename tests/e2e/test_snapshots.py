"""With PAPYR_SNAPSHOT set, the simulator writes what it draws to a PNG file:
the first frame at once, every later change, and the last frame at exit."""

import os
import time

from harness import NamespaceTestCase
from png_image import read_png

SNAPSHOT = "/tmp/shot.png"
PAPER_BACKGROUND = 0xFFF6F2E8
PAPER_BAR = 0xFFE8E0CE
OLED_BACKGROUND = 0xFF0A0E17
SEPIA_BACKGROUND = 0xFF281E19


def expected_size():
    """The screen of the device profile: the device file wins over TRIMUI_DEVICE."""
    try:
        with open("/etc/trimui_device.txt", encoding="utf-8") as file:
            model = file.read()
    except (OSError, UnicodeDecodeError):
        model = "TrimUI Brick"  # the TRIMUI_DEVICE the test passes
    return (1024, 768) if "brick" in model.lower() else (1280, 720)


def background_pixel(image):
    # Low on the loading screen, where only the background is drawn.
    return image.pixel(10, image.height - 10)


def wait_for_snapshot(condition, what, timeout=15.0):
    """Reads the snapshot until `condition` holds for it; returns the image."""
    deadline = time.monotonic() + timeout
    last = None
    while time.monotonic() < deadline:
        if os.path.exists(SNAPSHOT):
            # The file is replaced by a rename, so it is always whole.
            last = read_png(SNAPSHOT)
            if condition(last):
                return last
        time.sleep(0.05)
    seen = f"last background 0x{background_pixel(last):08X}" if last else "no file"
    raise AssertionError(f"snapshot never showed {what} ({seen})")


class Snapshots(NamespaceTestCase):
    def test_loading_screen_then_theme_change_then_last_frame(self):
        papyr = self.start_papyr(env={"PAPYR_SNAPSHOT": SNAPSHOT, "TRIMUI_DEVICE": "TrimUI Brick"})
        first = wait_for_snapshot(lambda image: True, "any frame")
        self.assertEqual((first.width, first.height), expected_size())
        self.assertEqual(background_pixel(first), PAPER_BACKGROUND)
        self.assertEqual(first.pixel(0, 0), PAPER_BAR)  # the feed list's header

        papyr.send("THEME")
        papyr.wait_for_line(r"^\[Main\] Received action: ToggleTheme$")
        wait_for_snapshot(lambda image: background_pixel(image) == OLED_BACKGROUND, "Oled")

        # The next theme and the exit arrive in one write, so usually in one
        # frame: the file must still end up showing that frame.
        time.sleep(max(0.0, papyr.started + 3.3 - time.monotonic()))
        papyr.send("THEME", "MENU")
        self.assertEqual(papyr.exit_with_menu(), 0)
        self.assertEqual(background_pixel(read_png(SNAPSHOT)), SEPIA_BACKGROUND)
