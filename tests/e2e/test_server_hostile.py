"""papyr-server against a hostile web, end to end: the local publishers
(tests/support/publisher_server.py on 127.0.0.1:443, and plain HTTP on :80
where a test asks for it) answer with pages, headers and redirects made to
mislead or exhaust the service, and the service user's own curl
configuration would send its requests elsewhere. Real curl and the real
papyr-server, set up as in test_server."""

import concurrent.futures
import os
import sys
import time
import urllib.parse

import test_server as base
from harness import NamespaceTestCase, PapyrProcess, wait_until

FEED = "/api/v1/news/feed?source=vnexpress&category=tin-moi"
MIB = 1024 * 1024


def article_path(url):
    return "/api/v1/news/article?url=" + urllib.parse.quote(url, safe="")


def peak_resident_bytes(pid):
    with open(f"/proc/{pid}/status", encoding="utf-8") as status:
        for line in status:
            if line.startswith("VmHWM:"):
                return int(line.split()[1]) * 1024
    raise AssertionError("no VmHWM in /proc/<pid>/status")


class HostileWebEndToEnd(NamespaceTestCase):
    # The service's own end-to-end tests start things the same way.
    start_publishers = base.ServerEndToEnd.start_publishers
    start_service = base.ServerEndToEnd.start_service
    stop_service = base.ServerEndToEnd.stop_service
    ask = base.ServerEndToEnd.ask

    def article(self, url, timeout=15):
        return self.ask(article_path(url), timeout=timeout)

    def test_the_service_users_curl_configuration_is_not_read(self):
        publishers = self.start_publishers()
        # A proxy there would take every fetch.
        with open("/tmp/.curlrc", "w", encoding="utf-8") as curlrc:
            curlrc.write('proxy = "http://127.0.0.1:9"\n')
        service = self.start_service(publishers, "--prefetch", "0")
        status, answer, _ = self.ask(FEED)
        self.assertEqual((status, answer["success"]), (200, True), answer)
        self.stop_service(service)

        # "insecure" there would take any certificate for the publisher's: the
        # service's own, which vouches for no publisher, is the bundle now.
        with open("/tmp/.curlrc", "w", encoding="utf-8") as curlrc:
            curlrc.write("insecure\n")
        service = PapyrProcess(argv=[
            *base.server("serve", "--listen", "127.0.0.1:4548", "--data", base.DATA),
            "--prefetch", "0", "--test-resolve-publishers", "127.0.0.1",
            "--ca-bundle", f"{base.DATA}/tls/cert.pem"])
        self.addCleanup(service.stop)
        service.wait_for_line(r"^\[Server\] Listening on ", timeout=30)
        status, answer, _ = self.ask("/api/v1/news/feed?source=vnexpress&category=thoi-su")
        self.assertEqual((status, answer["success"]), (502, False), answer)
        self.assertEqual(publishers.requests(), ["vnexpress.net /rss/tin-moi-nhat.rss"])

    def test_a_body_that_begins_like_a_header_block_is_the_body(self):
        publishers = self.start_publishers()
        publishers.set_modes(**{"body-starts-like": {
            "/looks-moved.html":
                "HTTP/1.1 301 Moved Permanently\r\nLocation: https://vnexpress.net/moved.html\r\n\r\n",
            "/looks-missing.html": "HTTP/1.1 404 Not Found\r\n\r\n",
        }})
        self.start_service(publishers, "--prefetch", "0")
        title = base.support_module().VNEXPRESS_ITEMS[0][0]
        for path in ("/looks-moved.html", "/looks-missing.html"):
            status, answer, _ = self.article("https://vnexpress.net" + path)
            self.assertEqual((status, answer["success"]), (200, True), (path, answer))
            self.assertEqual(answer["article"]["title"], title)
        self.assertNotIn("vnexpress.net /moved.html", publishers.requests())

    def test_no_plain_http_request_leaves_the_service(self):
        publishers = self.start_publishers("--plain-port", "80")
        self.start_service(publishers, "--prefetch", "0")
        items = base.support_module().VNEXPRESS_ITEMS
        asked = f"http://vnexpress.net/{items[0][1]}.html"
        status, answer, _ = self.article(asked)
        self.assertEqual((status, answer["success"]), (200, True), answer)
        self.assertEqual(answer["article"]["url"], asked)
        self.assertIn(f"vnexpress.net /{items[0][1]}.html", publishers.requests())

        publishers.set_modes(redirect={"/to-plain.html": f"http://vnexpress.net/{items[1][1]}.html"})
        status, answer, _ = self.article("https://vnexpress.net/to-plain.html")
        self.assertEqual((status, answer["success"]), (502, False), answer)
        # A host that curl 7.54 would cut at "]": refused before any fetch.
        status, _, _ = self.article("http://[::ffff:127.0.0.1].vnexpress.net/secret")
        self.assertEqual(status, 400)
        requests = publishers.requests()
        self.assertEqual([line for line in requests if line.startswith("PLAIN")], [])
        self.assertFalse([line for line in requests if "/secret" in line], requests)

    def test_a_feed_is_answered_while_article_fetches_are_stuck(self):
        publishers = self.start_publishers()
        stuck = [f"https://vnexpress.net/stuck-{n}.html" for n in range(12)]
        publishers.set_modes(stall=[urllib.parse.urlsplit(url).path for url in stuck])
        self.start_service(publishers, "--prefetch", "0")
        with concurrent.futures.ThreadPoolExecutor(len(stuck)) as pool:
            articles = [pool.submit(self.article, url) for url in stuck]
            wait_until(
                lambda: sum("/stuck-" in line for line in publishers.requests()) >= 4,
                "article fetches at the stalling publisher")
            status, answer, took = self.ask(FEED, timeout=12)
            self.assertEqual((status, answer["success"]), (200, True), answer)
            print(f"feed answered in {took:.2f} s beside {len(stuck)} stuck article fetches",
                  file=sys.stderr)
            # Well inside 6 s: sharing slots with the pages, the feed would
            # wait at least until the first stuck fetch gives up, 6 s on.
            self.assertLess(took, 4)
            for future in articles:
                status, answer, took = future.result()
                self.assertEqual((status, answer["success"]), (504, False), answer)
                self.assertLess(took, 12)

    def test_sixteen_hostile_pages_at_once_stay_within_the_memory_bound(self):
        publishers = self.start_publishers()
        # A sanitizer build keeps freed memory back on purpose (to catch a
        # use after free); the bound is the program's own memory.
        asan = ":".join(filter(None, [os.environ.get("ASAN_OPTIONS"), "quarantine_size_mb=0"]))
        service = PapyrProcess(env={"ASAN_OPTIONS": asan}, argv=[
            *base.server("serve", "--listen", "127.0.0.1:4548", "--data", base.DATA),
            "--prefetch", "0", "--test-resolve-publishers", "127.0.0.1",
            "--ca-bundle", publishers.cert])
        self.addCleanup(service.stop)
        service.wait_for_line(r"^\[Server\] Listening on ", timeout=30)
        kinds = ("class", "attributes", "nesting")
        urls = [f"https://vnexpress.net/hostile-{kinds[n % 3]}-{n}.html" for n in range(16)]
        started = time.monotonic()
        with concurrent.futures.ThreadPoolExecutor(len(urls)) as pool:
            answers = list(pool.map(self.article, urls))
        for status, answer, took in answers:
            # Every page gets an answer in time: an article, "no article
            # text", or "busy" when no extraction slot came free by then.
            self.assertIn(status, (200, 502, 503), answer)
            self.assertLess(took, 12)
        peak = peak_resident_bytes(service.proc.pid)
        print(f"16 hostile pages in {time.monotonic() - started:.1f} s; "
              f"statuses {sorted(status for status, _, _ in answers)}; "
              f"peak resident memory {peak / MIB:.0f} MiB", file=sys.stderr)
        self.assertLessEqual(peak, 256 * MIB)
        self.assertEqual(sum(line.startswith("vnexpress.net /hostile-")
                             for line in publishers.requests()), 16)
