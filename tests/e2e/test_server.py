"""The news service end to end: the real papyr-server on the reader's
compiled-in origin 127.0.0.1:4548, the real reader (simulator, driven
through its command pipe) and a local HTTPS server playing the publishers
(tests/support/publisher_server.py) on 127.0.0.1:443, all inside the test's
private network namespace. papyr-server reaches the publishers' host names
through its test-only --test-resolve-publishers option and trusts the local
server's certificate through --ca-bundle; everything else is as in use:
real curl, verified TLS, real files."""

import glob
import json
import os
import subprocess
import sys
import time
import urllib.parse

import harness
from harness import NamespaceTestCase, PapyrProcess, read_text, wait_until

SERVICE = "https://127.0.0.1:4548"
DATA = "/tmp/server-data"
READER_CACHE = "/mnt/SDCARD/Apps/papyr/cache"


def support_module():
    sys.path.insert(0, os.path.join(harness.source_dir(), "tests", "support"))
    import publisher_server  # noqa: E402

    return publisher_server


# Anchored when the module loads, before a test case mounts its own /tmp over
# a repository that may live there.
_SERVER_EXECUTABLE = harness.anchored(os.environ["PAPYR_SERVER_EXE"])


def server(command, *arguments):
    """papyr-server's argument vector for a command. The repository's
    sources.json is named, since the path compiled in may lie under the
    test's own /tmp."""
    return [_SERVER_EXECUTABLE, command, "--sources",
            os.path.join(harness.source_dir(), "packaging", "sources.json"), *arguments]


class Publishers:
    """The local publisher server until the test ends (or stop())."""

    def __init__(self, *extra):
        self.folder = "/tmp/publishers"
        os.makedirs(self.folder, exist_ok=True)
        self.cert = os.path.join(self.folder, "cert.pem")
        self.log = os.path.join(self.folder, "requests")
        self.modes_file = os.path.join(self.folder, "modes.json")
        ready = os.path.join(self.folder, "ready")
        for path in (ready, self.log):
            if os.path.exists(path):
                os.remove(path)
        self.set_modes()
        self.proc = subprocess.Popen(
            [sys.executable, os.path.join(harness.source_dir(), "tests", "support", "publisher_server.py"),
             "--cert-out", self.cert, "--log-file", self.log, "--modes", self.modes_file,
             "--ready-file", ready, *extra],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_until(lambda: os.path.exists(ready) or self.proc.poll() is not None,
                   "the publisher server", timeout=30)
        if self.proc.poll() is not None:
            raise AssertionError("the publisher server did not start")

    def set_modes(self, **modes):
        with open(self.modes_file + ".tmp", "w", encoding="utf-8") as file:
            json.dump(modes, file)
        os.replace(self.modes_file + ".tmp", self.modes_file)

    def requests(self):
        return (read_text(self.log) or "").splitlines()

    def stop(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait(10)


class ServerEndToEnd(NamespaceTestCase):
    def start_publishers(self, *extra):
        publishers = Publishers(*extra)
        self.addCleanup(publishers.stop)
        return publishers

    def start_service(self, publishers, *extra):
        """papyr-server, once it prints that it listens."""
        service = PapyrProcess(argv=[
            *server("serve", "--listen", "127.0.0.1:4548", "--data", DATA),
            "--test-resolve-publishers", "127.0.0.1", "--ca-bundle", publishers.cert, *extra])
        self.addCleanup(service.stop)
        service.wait_for_line(r"^\[Server\] Listening on https://127\.0\.0\.1:4548$", timeout=30)
        return service

    def stop_service(self, service):
        service.proc.terminate()
        self.assertEqual(service.wait(), 0)

    def ask(self, path, timeout=15):
        """What the service answers, as the reader would ask: (status, JSON, seconds)."""
        started = time.monotonic()
        result = subprocess.run(
            ["curl", "-s", "-k", "--max-time", str(timeout), "-w", "\n%{http_code}", SERVICE + path],
            stdout=subprocess.PIPE, check=False)
        took = time.monotonic() - started
        body, _, status = result.stdout.decode("utf-8").rpartition("\n")
        try:
            answer = json.loads(body)
        except ValueError:
            answer = body  # /healthz answers plain text
        return int(status or 0), answer, took

    def expected_headline_count(self):
        """What the service's own feed command makes of the same document."""
        document = support_module().vnexpress_feed()
        result = subprocess.run(
            server("feed", "--source", "vnexpress", "--category", "tin-moi"),
            input=document.encode("utf-8"), stdout=subprocess.PIPE, check=True)
        answer = json.loads(result.stdout)
        self.assertTrue(answer["success"])
        return len(answer["items"])

    def start_reader(self):
        papyr = self.start_papyr()
        self.wait_for_pipe()
        return papyr

    def test_headlines_and_an_article_reach_the_reader_and_stay_when_the_publisher_goes_away(self):
        publishers = self.start_publishers()
        service = self.start_service(publishers, "--prefetch", "0")
        count = self.expected_headline_count()
        self.assertGreater(count, 0)

        papyr = self.start_reader()
        papyr.wait_for_line(rf"^\[Main\] Initial feed fetch success: {count} items$", timeout=20)
        service.wait_for_line(
            r"^\[Server\] GET /api/v1/news/feed\?source=vnexpress&category=tin-moi 200 .* publisher$")
        self.assertIn("vnexpress.net /rss/tin-moi-nhat.rss", publishers.requests())

        # The first headline opens and lands in the reader's cache under its
        # own link.
        time.sleep(0.3)
        papyr.send("OPEN")
        files = wait_until(lambda: glob.glob(os.path.join(READER_CACHE, "art_*.json")),
                           "the reader's cache file", timeout=20)
        article = json.loads(read_text(files[0]))
        first = support_module().VNEXPRESS_ITEMS[0]
        self.assertEqual(article["url"], f"https://vnexpress.net/{first[1]}.html")
        self.assertEqual(article["title"], first[0])
        self.assertEqual(article["source"], "VnExpress")
        self.assertTrue(article["paragraphs"])
        papyr.exit_with_menu()

        # The publisher goes away: the headlines still come, from memory…
        publishers.stop()
        papyr = self.start_reader()
        papyr.wait_for_line(rf"^\[Main\] Initial feed fetch success: {count} items$", timeout=20)
        service.wait_for_line(r"feed\?source=vnexpress&category=tin-moi 200 .* memory$")
        papyr.exit_with_menu()

        # …and from disk after a restart of the service, the article too.
        self.stop_service(service)
        service = self.start_service(publishers, "--prefetch", "0", "--feed-ttl", "0")
        papyr = self.start_reader()
        papyr.wait_for_line(rf"^\[Main\] Initial feed fetch success: {count} items$", timeout=20)
        service.wait_for_line(r"feed\?source=vnexpress&category=tin-moi 200 .* disk \(kept copy; ")
        status, answer, _ = self.ask("/api/v1/news/article?url=" +
                                     urllib.parse.quote(article["url"], safe=""))
        self.assertEqual((status, answer["success"]), (200, True))
        self.assertEqual(answer["article"], article)
        papyr.exit_with_menu()

    def test_foreign_hosts_stalls_and_broken_feeds_get_clear_answers_in_time(self):
        publishers = self.start_publishers()
        service = self.start_service(publishers, "--prefetch", "0")

        status, answer, _ = self.ask("/api/v1/news/article?url=" +
                                     urllib.parse.quote("https://evil.example/vnexpress.net/a.html", safe=""))
        self.assertEqual(status, 403)
        self.assertEqual(answer, {"success": False, "article": None,
                                  "error": "Địa chỉ không thuộc báo nào trong danh mục"})
        self.assertEqual(publishers.requests(), [])

        # A publisher that accepts and never answers: the reader still gets
        # an answer well inside its 12 seconds.
        publishers.set_modes(stall=["/rss/thoi-su.rss"], malformed=["/rss/the-gioi.rss"])
        status, answer, took = self.ask("/api/v1/news/feed?source=vnexpress&category=thoi-su", timeout=12)
        self.assertEqual(status, 504)
        self.assertEqual(answer["error"], "VnExpress không phản hồi kịp")
        self.assertLess(took, 11)

        status, answer, _ = self.ask("/api/v1/news/feed?source=vnexpress&category=the-gioi")
        self.assertEqual(status, 502)
        self.assertFalse(answer["success"])
        self.assertTrue(answer["error"])
        self.assertEqual(self.ask("/healthz")[0], 200)
        self.assertIsNone(service.proc.poll())

        status, answer, _ = self.ask("/api/v1/news/feed?source=vnexpress&category=nope")
        self.assertEqual((status, answer["error"]), (404, "Nguồn 'vnexpress' không có chuyên mục 'nope'"))
        status, answer, _ = self.ask("/nowhere")
        self.assertEqual((status, answer), (404, {"success": False, "error": "Máy chủ không có địa chỉ này"}))

    def test_openssl_reads_no_configuration_file(self):
        # A FIFO blocks whoever opens it for reading: a service that read its
        # OpenSSL configuration would hang before listening.
        fifo = "/tmp/openssl.cnf"
        os.mkfifo(fifo)
        service = PapyrProcess(env={"OPENSSL_CONF": fifo}, argv=[
            *server("serve", "--data", DATA, "--prefetch", "0")])
        self.addCleanup(service.stop)
        service.wait_for_line(r"^\[Server\] Made a self-signed TLS certificate in ", timeout=30)
        service.wait_for_line(r"^\[Server\] Listening on https://127\.0\.0\.1:4548$", timeout=30)
        self.assertEqual(self.ask("/healthz", timeout=5)[0], 200)
        self.assertEqual(os.stat(os.path.join(DATA, "tls", "key.pem")).st_mode & 0o777, 0o600)
        service.proc.send_signal(2)
        self.assertEqual(service.wait(), 0)
