#!/bin/sh
# Starts Papyr from the console's app menu, with its news service beside it.
#
# bin/papyr-server (the service the reader asks on https://127.0.0.1:4548)
# starts first; Papyr starts once the service answers, or after about three
# seconds whatever the service does: a service that is slow or fails to
# start costs a notice in the reader, never the reader itself. When Papyr
# ends, the service is stopped.
#
# Papyr ends with status 42 after it has unpacked an update over this
# folder; the new release's launch.sh then takes over and starts its service
# and program at once. Any other status returns to the console's launcher.
#
# POSIX sh only: the consoles run it with their firmware's shell or BusyBox.

cd "$(dirname "$0")" || exit 1
here=$(pwd)
PATH="$here/bin:$PATH"
export PATH

# The console's power management does not put the device to sleep while this
# file exists: reading an article involves no button presses for minutes.
STAY_AWAKE=/tmp/stay_awake

# The service listens where the reader's built-in origin points, and keeps
# its certificate and caches in the installation folder (an update unpacks
# over the folder and leaves them alone).
SERVICE_ADDRESS=127.0.0.1:4548
SERVICE_DATA="$here/server"
# The running service's process, for a launcher that was ended without its
# cleanup (killed outright): the next start stops that service first, so
# that two never run at once. /tmp is emptied at boot, when the number
# stops meaning anything.
SERVICE_PID_FILE=/tmp/papyr-server.pid
SERVICE_WAIT_CS=300
SERVICE_GRACE_CS=300

service_pid=

# Centiseconds since boot: the shell itself has no clock finer than seconds.
now_cs() {
    { read -r uptime _ < /proc/uptime; } 2>/dev/null || uptime=0.00
    cs="${uptime%.*}${uptime#*.}"
    # Leading zeros would make it octal.
    cs="${cs#"${cs%%[!0]*}"}"
    echo "${cs:-0}"
}

nap() {
    sleep 0.05 2>/dev/null || sleep 1
}

# Whether the process is alive: a child that has ended but not been waited
# for still answers kill -0, so its state is read as well.
alive() {
    kill -0 "$1" 2>/dev/null || return 1
    { read -r stat < "/proc/$1/stat"; } 2>/dev/null || return 1
    state="${stat##*) }"
    [ "${state%% *}" != Z ]
}

# TERM, and KILL once the grace is over.
end_process() {
    kill -TERM "$1" 2>/dev/null
    until_cs=$(( $(now_cs) + SERVICE_GRACE_CS ))
    while alive "$1"; do
        if [ "$(now_cs)" -ge "$until_cs" ]; then
            echo "launch.sh: the news service did not stop; killing it" >&2
            kill -KILL "$1" 2>/dev/null
            break
        fi
        nap
    done
    # Collects a child of this shell; returns at once for any other process.
    wait "$1" 2>/dev/null
}

# A service left behind by an earlier launcher, if the recorded number is
# still a papyr-server (by now it may belong to another program).
stop_stale_service() {
    [ -f "$SERVICE_PID_FILE" ] || return 0
    { read -r stale < "$SERVICE_PID_FILE"; } 2>/dev/null
    rm -f "$SERVICE_PID_FILE"
    case $stale in
        '' | *[!0-9]*) return 0 ;;
    esac
    if grep -q papyr-server "/proc/$stale/cmdline" 2>/dev/null && alive "$stale"; then
        echo "launch.sh: stopping the news service of an earlier start ($stale)" >&2
        end_process "$stale"
    fi
}

service_answers() {
    # Only whether the service is up: nothing is sent and nothing it says
    # is trusted. The reader asks the same origin without checking the
    # certificate, so checking it here would protect nothing, while the
    # firmware's curl may not match an IP address against the service's
    # self-made certificate and would then wait out every start.
    curl -s -f -k --connect-timeout 1 --max-time 1 -o /dev/null \
        "https://$SERVICE_ADDRESS/healthz"
}

start_service() {
    stop_stale_service
    if [ ! -x bin/papyr-server ]; then
        echo "launch.sh: bin/papyr-server is missing or not executable; Papyr starts without its news service" >&2
        return 0
    fi
    bin/papyr-server serve --listen "$SERVICE_ADDRESS" --data "$SERVICE_DATA" \
        --sources "$here/sources.json" </dev/null &
    service_pid=$!
    echo "$service_pid" > "$SERVICE_PID_FILE"

    until_cs=$(( $(now_cs) + SERVICE_WAIT_CS ))
    until service_answers; do
        if ! alive "$service_pid"; then
            echo "launch.sh: the news service ended at its start; Papyr starts without it" >&2
            wait "$service_pid" 2>/dev/null
            service_pid=
            rm -f "$SERVICE_PID_FILE"
            return 0
        fi
        if [ "$(now_cs)" -ge "$until_cs" ]; then
            echo "launch.sh: the news service does not answer yet; Papyr starts anyway" >&2
            return 0
        fi
        nap
    done
}

stop_service() {
    [ -n "$service_pid" ] || return 0
    end_process "$service_pid"
    service_pid=
    rm -f "$SERVICE_PID_FILE"
}

cleanup() {
    stop_service
    rm -f "$STAY_AWAKE"
}
# Papyr runs in the foreground, so a signal is handled once it has ended; the
# service and the file go away with it, and no restart follows.
trap cleanup EXIT
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM

touch "$STAY_AWAKE"
while :; do
    start_service
    ./bin/papyr-native64
    status=$?
    # The old release's service goes before the new one's starts.
    stop_service
    [ "$status" -eq 42 ] || break
    # The update replaced this file by renaming a new one over it, so this
    # shell still reads the old release's script: the new one runs instead,
    # with whatever the new release changed in how it starts the programs.
    # (The update marks it executable; should it not be, this one goes on.)
    if [ -x "$here/launch.sh" ]; then
        exec "$here/launch.sh"
    fi
done
exit 0
