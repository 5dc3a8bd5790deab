"""The news client end to end: the real executable runs curl against the
stand-in news server on the compiled-in origin 127.0.0.1:4548, inside the
test's private network namespace. What is observed: the program's log lines,
the server's request log, and the files under the SD-card cache folder (in
the namespace /mnt is a writable tmpfs, so the card folder is created)."""

import glob
import json
import os
import subprocess
import sys
import tempfile
import time
import urllib.parse

import harness
from harness import NamespaceTestCase

sys.path.insert(0, os.path.join(harness.source_dir(), "tests", "support"))
import demo_content  # noqa: E402

CACHE = "/mnt/SDCARD/Apps/papyr/cache"
FIRST_LINK = "https://demo.papyr.invalid/vnexpress/tin-moi/tin-1.html"


def demo_feed(source, category):
    for feed in demo_content.build()["feeds"]:
        if (feed["source"], feed["category"]) == (source, category):
            return feed["items"]
    raise KeyError((source, category))


def demo_article(url):
    return next(a for a in demo_content.build()["articles"] if a["url"] == url)


def wait_until(condition, what, timeout=15.0):
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out waiting for {what}")
        time.sleep(0.05)


def read_text(path):
    try:
        with open(path, encoding="utf-8") as file:
            return file.read()
    except FileNotFoundError:
        return None


class NewsServer:
    """news_server.py on the program's default origin, for one test case."""

    def __init__(self, fault="none"):
        folder = tempfile.mkdtemp(prefix="news-server-", dir="/tmp")
        self.ready = os.path.join(folder, "ready")
        self.log = os.path.join(folder, "requests")
        script = os.path.join(harness.source_dir(), "tests", "support", "news_server.py")
        self.proc = subprocess.Popen(
            [sys.executable, script, "--port", "4548", "--fault", fault,
             "--ready-file", self.ready, "--log-file", self.log, "--exit-on-stdin-eof"],
            stdin=subprocess.PIPE, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
        )
        wait_until(lambda: os.path.exists(self.ready) or self.proc.poll() is not None,
                   "the news server to listen")
        if self.proc.poll() is not None:
            raise AssertionError("the news server did not start")

    def requests(self):
        return (read_text(self.log) or "").splitlines()

    def stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            self.proc.wait(10)
        self.proc.stdin.close()


class NewsEndToEnd(NamespaceTestCase):
    def start_server(self, fault="none"):
        server = NewsServer(fault)
        self.addCleanup(server.stop)
        return server

    def start_with_feed(self):
        """Papyr with the first feed loaded, ready for commands."""
        papyr = self.start_papyr()
        papyr.wait_for_line(r"^\[Main\] Initial feed fetch success: 8 items$")
        self.wait_for_pipe()
        # The line is printed just before the message is sent; give the frame
        # loop a moment to take the list.
        time.sleep(0.3)
        return papyr

    def test_initial_fetch_logs_the_request_and_one_result_line(self):
        server = self.start_server()
        papyr = self.start_papyr()
        papyr.wait_for_line(r"^\[Main\] Starting initial feed fetch: source=vnexpress, cat=tin-moi$")
        papyr.wait_for_line(r"^\[Main\] Initial feed fetch success: 8 items$")
        time.sleep(0.5)
        self.assertEqual(len(papyr.matching(r"^\[Main\] Initial feed fetch (success|failed)")), 1)
        # The update check at startup asks the same server for its manifest.
        news_requests = [r for r in server.requests() if r.startswith("GET /api/")]
        self.assertEqual(news_requests, ["GET /api/v1/news/feed?source=vnexpress&category=tin-moi"])

    def test_failed_initial_fetch_logs_the_message(self):
        cases = [
            ("success-false", "Máy chủ đang bảo trì"),
            ("html-502", "Lỗi phân tích JSON Feed: expected value at line 1 column 1"),
            (None, "Lỗi kết nối mạng (curl exit code: Some(7))"),  # nothing listens
        ]
        for fault, message in cases:
            with self.subTest(fault=fault):
                server = self.start_server(fault) if fault else None
                papyr = self.start_papyr()
                line = papyr.wait_for_line(r"^\[Main\] Initial feed fetch (success|failed)")
                self.assertEqual(line, "[Main] Initial feed fetch failed: " + message)
                papyr.stop()
                if server:
                    server.stop()

    def test_an_opened_article_is_cached_and_opens_again_offline_after_a_restart(self):
        server = self.start_server()
        article = demo_article(FIRST_LINK)

        papyr = self.start_with_feed()
        papyr.send("OPEN")
        files = wait_until(lambda: glob.glob(os.path.join(CACHE, "art_*.json")), "the cache file")
        self.assertEqual(len(files), 1, files)
        with open(files[0], encoding="utf-8") as file:
            cached = file.read()
        self.assertEqual(json.loads(cached), article)
        self.assertEqual(cached, json.dumps(article, ensure_ascii=False, separators=(",", ":")))
        self.assertFalse(os.path.exists("/tmp/cache"))
        self.assertIn("GET /api/v1/news/article?url=" + urllib.parse.quote(FIRST_LINK, safe=""),
                      server.requests())
        papyr.stop()

        papyr = self.start_with_feed()
        server.stop()
        requests_before = server.requests()
        papyr.send("OPEN")
        time.sleep(1.0)
        # Y in the reader saves the open article, in the list the headline:
        # an entry made from the article shows that the reader opened.
        papyr.send("SAVE")
        saved = wait_until(lambda: read_text(os.path.join(CACHE, "bookmarks.json")), "bookmarks.json")
        entry = json.loads(saved)[0]
        self.assertEqual((entry["id"], entry["sourceId"], entry["categoryId"]), ("saved",) * 3)
        self.assertEqual((entry["link"], entry["title"], entry["sourceName"]),
                         (FIRST_LINK, article["title"], article["source"]))
        self.assertEqual(server.requests(), requests_before)

    def test_save_writes_the_headline_in_the_indented_layout_and_save_again_removes_it(self):
        self.start_server()
        item = demo_feed("vnexpress", "tin-moi")[1]
        self.assertIsNone(item["imageUrl"])  # so the layout of null is covered too
        path = os.path.join(CACHE, "bookmarks.json")

        papyr = self.start_with_feed()
        papyr.send("DOWN", "SAVE")
        expected = json.dumps([item], ensure_ascii=False, indent=2)
        wait_until(lambda: read_text(path) == expected, "the saved headline")

        papyr.send("SAVE")
        wait_until(lambda: read_text(path) == "[]", "the emptied list")
        self.assertEqual(sorted(os.listdir(CACHE)), ["bookmarks.json"])
