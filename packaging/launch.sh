#!/bin/sh
# Starts Papyr from the console's app menu. Papyr ends with status 42 after it
# has unpacked an update over this folder; it is then started again, so the
# new release runs at once. Any other status returns to the console's
# launcher.
#
# POSIX sh only: the consoles run it with BusyBox.

cd "$(dirname "$0")" || exit 1
PATH="$(pwd)/bin:$PATH"
export PATH

# The console's power management does not put the device to sleep while this
# file exists: reading an article involves no button presses for minutes.
STAY_AWAKE=/tmp/stay_awake

cleanup() {
    rm -f "$STAY_AWAKE"
}
# Papyr runs in the foreground, so a signal is handled once it has ended; the
# file goes away with it, and no restart follows.
trap cleanup EXIT
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM

touch "$STAY_AWAKE"
while :; do
    ./bin/papyr-native64
    status=$?
    [ "$status" -eq 42 ] || break
done
exit 0
