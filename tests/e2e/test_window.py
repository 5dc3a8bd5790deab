"""With PAPYR_WINDOW=1 and a display, the simulator shows its frames in a
window titled "Papyr" and takes keys from it; closing the window ends the
program with status 0 at once. Runs under a virtual X server (Xvfb)."""

import os
import re
import time

from harness import NamespaceTestCase, wait_until
from png_image import read_png
from x_display import VirtualDisplay, missing_tools

SNAPSHOT = "/tmp/shot.png"
DISPLAY_NUMBER = 7  # the namespace's own: no other X server can be there
RECEIVED = re.compile(r"^\[Main\] Received action: (\w+)$")


class WindowTestCase(NamespaceTestCase):
    screen = (1600, 1000)

    def setUp(self):
        missing = missing_tools()
        if missing:
            self.skipTest("needs " + ", ".join(missing) + " (scripts/setup.sh installs them)")
        super().setUp()
        self.display = VirtualDisplay(DISPLAY_NUMBER, *self.screen)
        self.addCleanup(self.display.stop)

    def start_windowed(self, device="TrimUI Brick"):
        papyr = self.start_papyr(env={
            "PAPYR_WINDOW": "1",
            "DISPLAY": self.display.name,
            "PAPYR_SNAPSHOT": SNAPSHOT,
            "TRIMUI_DEVICE": device,
        })
        papyr.wait_for_line(r"^\[Window\] Showing the simulator in a window")
        return papyr, self.display.find_window("Papyr")

    def received(self, papyr):
        return [RECEIVED.match(line).group(1) for line in papyr.matching(RECEIVED.pattern)]

    def assert_window_shows_snapshot(self, window, scale):
        """The window's pixels equal the simulator's back buffer of the same
        frame (the snapshot), each pixel a scale × scale block. The frame
        must hold still across both reads; the check is retried otherwise."""
        last_error = None
        for _ in range(20):
            before = read_snapshot()
            shot = self.display.screenshot(window)
            after = read_snapshot()
            if before is None or before.rows != after.rows:
                time.sleep(0.3)
                continue
            self.assertEqual((shot.width, shot.height),
                             (before.width * scale, before.height * scale))
            mismatch = first_mismatch(before, shot, scale)
            if mismatch is None:
                return
            last_error = mismatch
            time.sleep(0.3)
        self.fail(f"the window never showed the snapshot's frame: {last_error}")


class Snapshot:
    def __init__(self, image):
        self.width = image.width
        self.height = image.height
        self.rows = [[image.pixel(x, y) for x in range(image.width)] for y in range(image.height)]


def read_snapshot():
    if not os.path.exists(SNAPSHOT):
        return None
    return Snapshot(read_png(SNAPSHOT))


def first_mismatch(snapshot, shot, scale):
    for y in range(shot.height):
        row = snapshot.rows[y // scale]
        expected = row if scale == 1 else [pixel for pixel in row for _ in range(scale)]
        actual = shot.pixels[y * shot.width : (y + 1) * shot.width]
        if actual == expected:
            continue
        x = next(x for x in range(shot.width) if actual[x] != expected[x])
        return (f"window pixel ({x}, {y}) is 0x{actual[x]:08X}, "
                f"the buffer's ({x // scale}, {y // scale}) 0x{expected[x]:08X}")
    return None


class WindowAtConsoleSize(WindowTestCase):
    def test_keys_arrive_as_actions_in_order_and_the_window_shows_the_frame(self):
        self.start_server()
        papyr, window = self.start_windowed()
        # Cancel counts only after the first whole second of the run.
        time.sleep(max(0.0, papyr.started + 1.5 - time.monotonic()))
        self.display.key(window, "s", "Down", "w", "Up", "Right", "d", "Left", "a",
                         "Prior", "Next", "Home", "End", "Tab", "t", "F1", "h",
                         "x", "y", "Escape", "BackSpace", "k")
        expected = ["Down", "Down", "Up", "Up", "Right", "Right", "Left", "Left",
                    "PrevSource", "NextSource", "PrevCategory", "NextCategory",
                    "ToggleTheme", "ToggleTheme", "HelpToggle", "HelpToggle",
                    "ActionX", "ActionY", "Cancel", "Cancel", "Cancel"]
        wait_until(lambda: len(self.received(papyr)) >= len(expected), "every key's action")
        self.assertEqual(self.received(papyr), expected)
        self.assert_window_shows_snapshot(window, scale=1)

        # F10 is MENU: after the grace period it ends the program as MENU does.
        time.sleep(max(0.0, papyr.started + 3.3 - time.monotonic()))
        self.display.press(window, "F10")
        self.assertEqual(papyr.wait(), 0)
        self.assertTrue(papyr.matching(r"^\[Main\] MENU button pressed"))

    def test_closing_the_window_ends_the_program_with_status_0_at_once(self):
        papyr, window = self.start_windowed()
        # Well inside the grace period, in which MENU would be ignored.
        self.display.close(window)
        self.assertEqual(papyr.wait(timeout=5), 0)
        self.assertLess(time.monotonic() - papyr.started, 3.0)
        self.assertTrue(papyr.matching(r"^\[Window\] Window closed"))
        self.assertEqual(self.received(papyr), [])

    def test_without_a_display_it_says_so_once_and_runs_as_before(self):
        papyr = self.start_papyr(env={"PAPYR_WINDOW": "1", "TRIMUI_DEVICE": "TrimUI Brick"})
        papyr.wait_for_line(r"^\[Window\] No window \(.+\)\. Running without one\.$")
        papyr.send("THEME")
        papyr.wait_for_line(r"^\[Main\] Received action: ToggleTheme$")
        self.assertEqual(papyr.exit_with_menu(), 0)
        self.assertEqual(len(papyr.matching(r"^\[Window\] ")), 1)

    def test_without_the_variable_no_window_opens(self):
        papyr = self.start_papyr(env={"DISPLAY": self.display.name})
        papyr.send("THEME")
        papyr.wait_for_line(r"^\[Main\] Received action: ToggleTheme$")
        found = self.display.run("xdotool", "search", "--name", "^Papyr$", check=False)
        self.assertEqual(found.stdout.split(), [])
        self.assertEqual(papyr.matching(r"^\[Window\] "), [])
        self.assertEqual(papyr.exit_with_menu(), 0)


class WindowScaledUp(WindowTestCase):
    # Room for twice the Brick's 1024 × 768, not three times.
    screen = (2200, 1700)

    def test_a_screen_with_room_shows_each_pixel_as_a_whole_block(self):
        papyr, window = self.start_windowed()
        papyr.wait_for_line(r"scaled 2 times")
        self.display.key(window, "t")
        papyr.wait_for_line(r"^\[Main\] Received action: ToggleTheme$")
        self.assert_window_shows_snapshot(window, scale=2)
        self.display.close(window)
        self.assertEqual(papyr.wait(timeout=5), 0)
