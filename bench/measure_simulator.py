#!/usr/bin/env python3
"""Idle CPU and peak memory of the simulator, measured on the real program.

Runs the given papyr executable in Desktop Simulator mode inside private
mount and network namespaces (tmpfs over /tmp and /mnt, its own loopback), so
its fixed paths are real but nothing is left behind, against the stand-in news
server with a 200-headline first feed whose second headline is the 3,000-word
article. It measures:

  * idle CPU on the feed list: utime + stime from /proc/<pid>/stat over 10 s,
    once the list has loaded and its notice has expired;
  * the same in the reader, with the long article open;
  * peak resident memory (VmHWM of /proc/<pid>/status) at the end.

Usage: measure_simulator.py PAPYR_EXECUTABLE [--brick]
"""

import json
import os
import subprocess
import sys
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(HERE)
sys.path.insert(0, os.path.join(SOURCE, "tests", "support"))
import demo_content  # noqa: E402

IN_NAMESPACE = "PAPYR_MEASURE_IN_NAMESPACE"
CACHE = "/mnt/SDCARD/Apps/papyr/cache"
IDLE_SECONDS = 10


def content_with_long_feed():
    """The demo content with the first feed grown to 200 headlines."""
    data = demo_content.build()
    feed = next(f for f in data["feeds"] if (f["source"], f["category"]) == ("vnexpress", "tin-moi"))
    items = feed["items"]
    assert items[1]["link"] in {a["url"] for a in data["articles"]}
    template = items[0]
    for n in range(len(items), 200):
        item = dict(template, id=f"vnexpress-tin-moi-{n + 1}",
                    link=f"https://demo.papyr.invalid/vnexpress/tin-moi/them-{n + 1}.html",
                    title=f"{template['title']} ({n + 1})")
        items.append(item)
    return data


def wait_until(condition, what, timeout=20.0):
    deadline = time.monotonic() + timeout
    while not condition():
        if time.monotonic() > deadline:
            raise SystemExit(f"measure: timed out waiting for {what}")
        time.sleep(0.05)


def cpu_ticks(pid):
    with open(f"/proc/{pid}/stat", encoding="ascii") as file:
        fields = file.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])  # utime, stime


def idle_cpu_percent(pid):
    """Share of one core used over IDLE_SECONDS."""
    start_ticks, start = cpu_ticks(pid), time.monotonic()
    time.sleep(IDLE_SECONDS)
    ticks, elapsed = cpu_ticks(pid) - start_ticks, time.monotonic() - start
    return 100.0 * ticks / os.sysconf("SC_CLK_TCK") / elapsed


def status_kib(pid, key):
    with open(f"/proc/{pid}/status", encoding="ascii") as file:
        for line in file:
            if line.startswith(key + ":"):
                return int(line.split()[1])
    raise KeyError(key)


def send(command):
    fd = os.open("/tmp/papyr_cmd", os.O_WRONLY | os.O_NONBLOCK)
    try:
        os.set_blocking(fd, True)
        os.write(fd, (command + "\n").encode())
    finally:
        os.close(fd)


def measure(executable, brick):
    for target in ("/tmp", "/mnt"):
        subprocess.run(["mount", "-t", "tmpfs", "-o", "mode=1777", "tmpfs", target], check=True)
    subprocess.run(["ip", "link", "set", "lo", "up"], check=True)

    with open("/tmp/content.json", "w", encoding="utf-8") as file:
        json.dump(content_with_long_feed(), file, ensure_ascii=False)
    server = subprocess.Popen(
        [sys.executable, os.path.join(SOURCE, "tests", "support", "news_server.py"), "--port", "4548",
         "--content", "/tmp/content.json", "--ready-file", "/tmp/ready", "--exit-on-stdin-eof"],
        stdin=subprocess.PIPE, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    wait_until(lambda: os.path.exists("/tmp/ready"), "the news server")

    env = {"PATH": os.environ["PATH"], "HOME": "/tmp", "LANG": "C.UTF-8", "TRIMUI_SIMULATOR": "1"}
    if brick:
        env["TRIMUI_DEVICE"] = "TrimUI Brick"
    papyr = subprocess.Popen([executable], stdin=subprocess.PIPE, stdout=subprocess.DEVNULL,
                             stderr=subprocess.PIPE, env=env, cwd="/tmp")
    lines = []
    threading.Thread(target=lambda: lines.extend(l.decode("utf-8", "replace") for l in papyr.stderr),
                     daemon=True).start()
    try:
        wait_until(lambda: any("Initial feed fetch success: 200 items" in l for l in lines),
                   "the 200-headline feed")
        time.sleep(3.5)  # the feed's notice expires
        list_cpu = idle_cpu_percent(papyr.pid)

        send("DOWN")
        send("OPEN")
        wait_until(lambda: os.path.isdir(CACHE) and any(n.startswith("art_") for n in os.listdir(CACHE)),
                   "the long article")
        time.sleep(3.5)  # the reader's notice expires
        reader_cpu = idle_cpu_percent(papyr.pid)
        peak_kib = status_kib(papyr.pid, "VmHWM")
        send("MENU")
        papyr.wait(10)
    finally:
        if papyr.poll() is None:
            papyr.kill()
        server.stdin.close()
        server.wait(10)
    size = "1024x768" if brick else "1280x720"
    print(f"{size}: idle CPU feed list {list_cpu:.2f}% of one core, "
          f"reader {reader_cpu:.2f}%; peak RSS (VmHWM) {peak_kib / 1024:.1f} MiB")


def main(argv):
    executable = os.path.realpath(argv[1])
    brick = "--brick" in argv[2:]
    if os.environ.get(IN_NAMESPACE) != "1":
        env = dict(os.environ, **{IN_NAMESPACE: "1"})
        os.execvpe("unshare", ["unshare", "--mount", "--net", "--propagation", "private", "--",
                               sys.executable, os.path.abspath(__file__), executable] + argv[2:], env)
    measure(executable, brick)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
