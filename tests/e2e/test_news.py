"""The news client end to end: the real executable runs curl against the
stand-in news server on the compiled-in origin 127.0.0.1:4548, inside the
test's private network namespace. What is observed: the program's log lines,
the server's request log, and the files under the SD-card cache folder (in
the namespace /mnt is a writable tmpfs, so the card folder is created)."""

import glob
import json
import os
import time
import urllib.parse

from harness import NamespaceTestCase, demo_article, demo_feed, read_text, wait_until

CACHE = "/mnt/SDCARD/Apps/papyr/cache"
BOOKMARKS = os.path.join(CACHE, "bookmarks.json")
FIRST_LINK = "https://demo.papyr.invalid/vnexpress/tin-moi/tin-1.html"


class NewsEndToEnd(NamespaceTestCase):
    def start_with_feed(self):
        """Papyr with the first feed loaded, ready for commands."""
        papyr = self.start_papyr()
        papyr.wait_for_line(r"^\[Main\] Starting initial feed fetch: source=vnexpress, cat=tin-moi$")
        papyr.wait_for_line(r"^\[Main\] Initial feed fetch success: 8 items$")
        self.wait_for_pipe()
        # The line is printed just before the message is sent; give the frame
        # loop a moment to take the list.
        time.sleep(0.3)
        return papyr

    def test_an_article_read_online_opens_offline_after_a_restart_and_saving_toggles(self):
        server = self.start_server()
        article = demo_article(FIRST_LINK)

        papyr = self.start_with_feed()
        # The update check at startup asks the same server for its manifest.
        self.assertEqual(server.requests("GET /api/"),
                         ["GET /api/v1/news/feed?source=vnexpress&category=tin-moi"])
        papyr.send("OPEN")
        files = wait_until(lambda: glob.glob(os.path.join(CACHE, "art_*.json")), "the cache file")
        self.assertEqual(len(files), 1, files)
        cached = read_text(files[0])
        self.assertEqual(json.loads(cached), article)
        self.assertEqual(cached, json.dumps(article, ensure_ascii=False, separators=(",", ":")))
        self.assertFalse(os.path.exists("/tmp/cache"))
        self.assertIn("GET /api/v1/news/article?url=" + urllib.parse.quote(FIRST_LINK, safe=""),
                      server.requests())
        self.assertEqual(len(papyr.matching(r"^\[Main\] Initial feed fetch (success|failed)")), 1)
        papyr.stop()

        papyr = self.start_with_feed()
        server.stop()
        requests_before = server.requests()
        papyr.send("OPEN")
        time.sleep(1.0)
        # Y in the reader saves the open article, in the list the headline:
        # an entry made from the article shows that the reader opened.
        papyr.send("SAVE")
        saved = json.loads(wait_until(lambda: read_text(BOOKMARKS), "bookmarks.json"))
        entry = saved[0]
        self.assertEqual((entry["id"], entry["sourceId"], entry["categoryId"]), ("saved",) * 3)
        self.assertEqual((entry["link"], entry["title"], entry["sourceName"]),
                         (FIRST_LINK, article["title"], article["source"]))
        self.assertEqual(server.requests(), requests_before)

        # The headline goes in front, in the indented layout; saved again, it
        # is removed.
        item = demo_feed("vnexpress", "tin-moi")[1]
        self.assertIsNone(item["imageUrl"])  # so the layout of null is covered too
        papyr.send("BACK", "DOWN", "SAVE")
        expected = json.dumps([item] + saved, ensure_ascii=False, indent=2)
        wait_until(lambda: read_text(BOOKMARKS) == expected, "the saved headline")
        papyr.send("SAVE")
        wait_until(lambda: read_text(BOOKMARKS) == json.dumps(saved, ensure_ascii=False, indent=2),
                   "the headline removed")
