"""papyr-server's HTTP side as a process: a stop that lets the answer under
way finish, and the documented way to serve many households, nginx from
Debian (packaging/nginx/papyr.conf) in front of two instances as TLS
terminator and shared cache. Publishers are played by the local server of
test_server.py, all inside the test's private network namespace."""

import os
import re
import signal
import socket
import ssl
import subprocess
import time

import harness
from harness import NamespaceTestCase, PapyrProcess, read_text, wait_until
from test_server import Publishers, server

FEED = "/api/v1/news/feed?source=vnexpress&category=tin-moi"
FRONT = "https://127.0.0.1:8443"


def answers_in(stream):
    """The status of each whole HTTP answer in the bytes, in order."""
    statuses = []
    while stream.startswith(b"HTTP/1.1 "):
        end = stream.find(b"\r\n\r\n")
        if end < 0:
            break
        head = stream[:end].decode("latin-1")
        length = re.search(r"\r\ncontent-length: *(\d+)", head, re.IGNORECASE)
        size = int(length.group(1)) if length else 0
        if len(stream) < end + 4 + size:
            break
        statuses.append(int(head[9:12]))
        stream = stream[end + 4 + size:]
    return statuses


def raw_exchange(port, data, seconds=4.0):
    """Sends the bytes over TLS and reads until the peer closes or time is up."""
    context = ssl.create_default_context()
    context.check_hostname = False
    context.verify_mode = ssl.CERT_NONE
    received = b""
    with socket.create_connection(("127.0.0.1", port), timeout=seconds) as raw:
        with context.wrap_socket(raw) as tls:
            tls.sendall(data)
            deadline = time.monotonic() + seconds
            while time.monotonic() < deadline:
                try:
                    piece = tls.recv(65536)
                except (socket.timeout, ssl.SSLError, ConnectionError):
                    break
                if not piece:
                    break
                received += piece
    return received


# A request whose 101st header line is followed by a request line of its own:
# a server that read on after refusing the head would answer that too.
SMUGGLED = (b"GET /healthz HTTP/1.1\r\nHost: 127.0.0.1\r\n" + b"X-Pad: 1\r\n" * 100 +
            b"GET /api/v1/news/feed?source=vnexpress&category=the-gioi HTTP/1.1\r\n"
            b"Host: 127.0.0.1\r\n\r\n")


def curl(url, *extra, timeout=15):
    """(status, headers, body) as a client sees them."""
    result = subprocess.run(
        ["curl", "-s", "-k", "--max-time", str(timeout), "-D", "-", "-o", "/tmp/curl-body",
         *extra, url], stdout=subprocess.PIPE, check=False)
    headers = result.stdout.decode("latin-1")
    status = re.match(r"HTTP/\S+ (\d+)", headers)
    return int(status.group(1)) if status else 0, headers, read_text("/tmp/curl-body") or ""


class ServerHttp(NamespaceTestCase):
    def start_publishers(self):
        publishers = Publishers()
        self.addCleanup(publishers.stop)
        return publishers

    def start_instance(self, publishers, port, *extra):
        service = PapyrProcess(argv=[
            *server("serve", "--listen", f"127.0.0.1:{port}", "--data", f"/tmp/instance-{port}",
                    "--prefetch", "0"),
            "--test-resolve-publishers", "127.0.0.1", "--ca-bundle", publishers.cert, *extra])
        self.addCleanup(service.stop)
        service.wait_for_line(rf"^\[Server\] Listening on https://127\.0\.0\.1:{port}$", timeout=30)
        return service

    def stop_instance(self, service):
        service.proc.send_signal(signal.SIGTERM)
        self.assertEqual(service.wait(), 0)

    def test_sigterm_lets_the_answer_under_way_finish_and_ends_with_0(self):
        publishers = self.start_publishers()
        publishers.set_modes(stall=["/rss/thoi-su.rss"])
        service = self.start_instance(publishers, 4548)
        asked = subprocess.Popen(
            ["curl", "-s", "-k", "--max-time", "20", "-o", "/dev/null", "-w", "%{http_code}",
             "https://127.0.0.1:4548/api/v1/news/feed?source=vnexpress&category=thoi-su"],
            stdout=subprocess.PIPE)
        wait_until(lambda: any("/rss/thoi-su.rss" in line for line in publishers.requests()),
                   "the feed fetch to start", timeout=10)
        service.proc.send_signal(signal.SIGTERM)
        self.assertEqual(service.wait(timeout=30), 0)
        status, _ = asked.communicate(timeout=30)
        # The publisher never answers: the reader gets the service's timeout
        # answer, not a cut connection.
        self.assertEqual(status, b"504")
        service.wait_for_line(r"^\[Server\] Stopping on SIGTERM$")
        service.wait_for_line(r"thoi-su 504 ")

    def start_front(self, upstream_tls):
        """nginx with the repository's configuration, where the test's
        folders, certificates and port stand in for the system's."""
        folder = "/tmp/nginx"
        os.makedirs(f"{folder}/cache", exist_ok=True)
        config = read_text(os.path.join(harness.source_dir(), "packaging", "nginx", "papyr.conf"))
        for system, here in [("/var/cache/nginx/papyr", f"{folder}/cache"),
                             ("/etc/nginx/papyr/upstream-cert.pem", f"{upstream_tls}/cert.pem"),
                             ("/etc/nginx/papyr/upstream-key.pem", f"{upstream_tls}/key.pem"),
                             ("/etc/nginx/papyr/cert.pem", f"{upstream_tls}/cert.pem"),
                             ("/etc/nginx/papyr/key.pem", f"{upstream_tls}/key.pem"),
                             ("listen 443 ssl;", "listen 127.0.0.1:8443 ssl;")]:
            self.assertIn(system, config)
            config = config.replace(system, here)
        with open(f"{folder}/papyr.conf", "w", encoding="utf-8") as file:
            file.write(config)
        temp = " ".join(f"{kind}_temp_path {folder}/{kind};"
                        for kind in ("client_body", "proxy", "fastcgi", "uwsgi", "scgi"))
        with open(f"{folder}/nginx.conf", "w", encoding="utf-8") as file:
            file.write(f"daemon off; user root; worker_processes 1; pid {folder}/nginx.pid;\n"
                       f"error_log {folder}/error.log info;\nevents {{ worker_connections 256; }}\n"
                       f"http {{ access_log {folder}/access.log; {temp}\n"
                       f"include {folder}/papyr.conf; }}\n")
        front = subprocess.Popen(["nginx", "-p", folder, "-c", f"{folder}/nginx.conf"],
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(lambda: (front.terminate(), front.wait(10)))
        wait_until(lambda: front.poll() is not None or curl(FRONT + "/healthz")[0] == 200,
                   "nginx to answer", timeout=20)
        self.assertIsNone(front.poll(), read_text(f"{folder}/error.log"))
        return front

    def test_nginx_in_front_of_two_instances_caches_feeds_and_refuses_smuggling(self):
        publishers = self.start_publishers()
        # The first instance makes the certificate both use, so that nginx
        # can check whichever it reaches.
        # Feeds stay fresh for 5 s, long enough to be asked for twice on a
        # loaded machine, short enough to go stale within the test.
        first = self.start_instance(publishers, 4601, "--feed-ttl", "5")
        tls = "/tmp/instance-4601/tls"
        second = self.start_instance(publishers, 4602, "--feed-ttl", "5",
                                     "--cert", f"{tls}/cert.pem", "--key", f"{tls}/key.pem")
        self.start_front(tls)

        status, headers, body = curl(FRONT + FEED)
        self.assertEqual(status, 200, headers)
        self.assertIn("X-Cache-Status: MISS", headers)
        self.assertRegex(headers, r"(?i)cache-control: public, max-age=\d+\r\n")
        status, headers, again = curl(FRONT + FEED)
        self.assertEqual((status, again), (200, body))
        self.assertIn("X-Cache-Status: HIT", headers)
        status, headers, _ = curl(FRONT + "/api/v1/news/feed?source=vnexpress&category=nope")
        self.assertEqual(status, 404)
        self.assertNotIn("X-Cache-Status: HIT", curl(FRONT + "/api/v1/news/feed?source=vnexpress&category=nope")[1])

        # Exactly one answer through nginx, and the hidden request never
        # reaches a publisher.
        fetched_before = publishers.requests()
        self.assertEqual(len(answers_in(raw_exchange(8443, SMUGGLED))), 1)
        self.assertEqual(publishers.requests(), fetched_before)
        self.assertEqual([line for line in first.lines + second.lines if "the-gioi" in line], [])

        # Both instances stop: the cached feed, stale by now, is still
        # answered; a feed never cached is an error.
        self.stop_instance(first)
        self.stop_instance(second)
        # nginx counts freshness in whole seconds: the copy goes stale
        # between 5 and 6 s after it was stored. Until then it is a hit,
        # afterwards stale; the same answer either way.
        def cached_answer():
            status, headers, cached = curl(FRONT + FEED)
            self.assertEqual((status, cached), (200, body))
            self.assertNotIn("X-Cache-Status: MISS", headers)
            return "X-Cache-Status: STALE" in headers
        wait_until(cached_answer, "the cached feed to be answered stale", timeout=10)
        self.assertGreaterEqual(curl(FRONT + "/api/v1/news/feed?source=vnexpress&category=thoi-su")[0], 500)
