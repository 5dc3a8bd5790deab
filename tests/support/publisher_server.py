#!/usr/bin/env python3
"""A local HTTPS server that plays the publishers for papyr-server's
end-to-end tests: feeds and article pages in the publishers' real formats,
with invented text. Python standard library only.

It listens on 127.0.0.1:443 (inside a test's private network namespace)
with a certificate that openssl makes at start for every publisher host;
papyr-server reaches it through its test-only --test-resolve-publishers
option and trusts it through --ca-bundle (the certificate file, written to
--cert-out).

Behaviour per path is read from --modes (a JSON file, re-read on every
request, so a test changes it while the server runs):
  {"stall": ["/rss/thoi-su.rss"], "malformed": ["/rss/the-gioi.rss"],
   "redirect": {"/a.html": "http://vnexpress.net/b.html"},
   "body-starts-like": {"/c.html": "HTTP/1.1 404 Not Found\r\n\r\n"}}
  stall             accept the request and never answer
  malformed         answer a document that is no feed
  redirect          answer 302 with this Location
  body-starts-like  answer 200 with a VnExpress article whose body starts
                    with this text
Paths /hostile-<kind>-<n>.html answer a page of about 4 MB made to cost an
HTML parser: "class" (one element with a 4 MB class attribute),
"attributes" (one element with 80,000 attributes) or "nesting" (elements
nested 800,000 deep).
Every request is appended to --log-file as "HOST PATH" before it is
answered; with --plain-port, the same server also listens for plain HTTP
there and logs its requests as "PLAIN HOST PATH".
"""

import argparse
import http.server
import json
import os
import socketserver
import ssl
import subprocess
import sys
import tempfile
import threading
import time

HOSTS = [
    "vnexpress.net", "tuoitre.vn", "dantri.com.vn", "thanhnien.vn",
    "feeds.bbci.co.uk", "www.bbc.com", "www.bbc.co.uk", "www.theguardian.com",
]

# VnExpress's RSS 2.0: CDATA description with a linked picture, the invalid
# </br> separator and the summary; guid = link; an enclosure whose length is
# the picture's width. The third item appears twice, as it does in real feeds.
VNEXPRESS_ITEMS = [
    ("Thành phố thử nghiệm xe buýt điện trên tuyến ven sông", "xe-buyt-dien-ven-song-4901001",
     "Thu, 05 Jun 2025 20:30:48 +0700", "Ba mươi xe buýt điện chạy thử trong hai tháng."),
    ("Nông dân miền Tây thu hoạch lúa sớm tránh mưa", "thu-hoach-lua-som-4901002",
     "Thu, 05 Jun 2025 19:10:02 +0700", "Các hợp tác xã huy động máy gặt chạy cả ban đêm."),
    ("Thư viện số mở miễn phí cho học sinh vùng cao", "thu-vien-so-vung-cao-4901003",
     "Thu, 05 Jun 2025 18:45:00 +0700", "Hơn năm nghìn đầu sách được số hóa trong năm nay."),
    ("Đội tuyển trẻ giành huy chương tin học khu vực", "huy-chuong-tin-hoc-4901004",
     "Thu, 05 Jun 2025 17:05:31 +0700", "Bốn thí sinh đều đoạt huy chương trong kỳ thi."),
]


def vnexpress_feed():
    items = []
    for title, slug, date, summary in VNEXPRESS_ITEMS + VNEXPRESS_ITEMS[2:3]:
        link = f"https://vnexpress.net/{slug}.html"
        picture = f"https://i1-vnexpress.vnecdn.net/2025/06/05/{slug}.jpg"
        items.append(f"""<item>
<title>{title}</title>
<description><![CDATA[ <a href="{link}"><img src="{picture}" ></a></br>{summary} ]]></description>
<pubDate>{date}</pubDate>
<link>{link}</link>
<guid>{link}</guid>
<enclosure type="image/jpeg" length="1200" url="{picture}"/>
</item>""")
    return f"""<?xml version="1.0" encoding="UTF-8"?>
<rss version="2.0"><channel>
<title>Tin mới nhất - VnExpress RSS</title>
<link>https://vnexpress.net/rss/tin-moi-nhat.rss</link>
<description>VnExpress RSS - Tin mới nhất</description>
{"".join(items)}
</channel></rss>
"""


def vnexpress_article(slug):
    for title, item_slug, _, summary in VNEXPRESS_ITEMS:
        if item_slug == slug:
            break
    else:
        return None
    return f"""<!DOCTYPE html>
<html lang="vi"><head><meta charset="utf-8">
<title>{title} - VnExpress</title>
<meta name="description" content="{summary}">
<meta name="pubdate" content="2025-06-05T20:30:48+07:00">
</head><body>
<section class="section page-detail top-detail"><div class="container">
<div class="sidebar-1">
<span class="date">Thứ năm, 5/6/2025, 20:30 (GMT+7)</span>
<h1 class="title-detail">{title}</h1>
<p class="description">{summary}</p>
<article class="fck_detail ">
<p class="Normal">Theo kế hoạch, chương trình kéo dài đến cuối năm và được đánh giá sau mỗi tháng.</p>
<p class="Normal">Người dân có thể góp ý qua đường dây nóng của thành phố.</p>
<p class="Normal" style="text-align:right;"><strong>Minh Anh</strong></p>
</article>
</div></div></section>
</body></html>
"""


# Tuổi Trẻ: every value in CDATA with spaces around it, a UUID guid, a
# US-style date without a zone.
def tuoitre_feed():
    return """<?xml version="1.0" encoding="UTF-8"?>
<rss version="2.0"><channel><title><![CDATA[ Thời sự - Tuổi Trẻ Online ]]></title>
<item>
<title><![CDATA[ Cầu mới nối hai bờ sông mở cửa đón xe ]]></title>
<link><![CDATA[ https://tuoitre.vn/cau-moi-noi-hai-bo-song-20250605101010123.htm ]]></link>
<guid isPermaLink="false"><![CDATA[ 7d1c2f0e-3a4b-4c5d-8e9f-0a1b2c3d4e5f ]]></guid>
<pubDate><![CDATA[ 6/5/2025 9:25:00 AM ]]></pubDate>
<description><![CDATA[ <a href="https://tuoitre.vn/cau-moi.htm"><img src="https://cdn1.tuoitre.vn/zoom/80_50/2025/6/5/cau-moi.jpg" /></a>Cây cầu dài 800 mét rút ngắn đường đi một nửa. ]]></description>
</item>
</channel></rss>
"""


FEEDS = {
    ("vnexpress.net", "/rss/tin-moi-nhat.rss"): vnexpress_feed,
    ("tuoitre.vn", "/thoi-su.rss"): tuoitre_feed,
    # The same generator serves the other categories the tests use.
    ("vnexpress.net", "/rss/thoi-su.rss"): vnexpress_feed,
    ("vnexpress.net", "/rss/the-gioi.rss"): vnexpress_feed,
}

# Any other feed path of a publisher host: a feed of 40 invented items, for
# the benchmark, which needs every catalogue entry to answer.
GENERIC_ITEMS = 40


def generic_feed(host, path):
    name = path.strip("/").replace("/", "-").replace(".", "-")
    items = "".join(
        f"<item><title>Tin thử số {n} của {name}</title>"
        f"<link>https://{host}/bai-thu-{name}-{n}.html</link>"
        f"<guid>https://{host}/bai-thu-{name}-{n}.html</guid>"
        f"<description>Tóm tắt của bài thử số {n}, viết cho phép đo.</description>"
        f"<pubDate>Thu, 05 Jun 2025 {n % 24:02d}:15:00 +0700</pubDate></item>"
        for n in range(GENERIC_ITEMS))
    return f"""<?xml version="1.0" encoding="UTF-8"?>
<rss version="2.0"><channel><title>{name}</title>{items}</channel></rss>
"""


def generic_article(title):
    paragraphs = "".join(f"<p>Đoạn {n} của bài thử, một câu vừa đủ dài để có chữ mà đọc.</p>"
                         for n in range(12))
    return (f"<!DOCTYPE html><html><head><meta charset='utf-8'><title>{title}</title>"
            f"<meta name='description' content='Tóm tắt'></head><body><h1>{title}</h1>"
            f"{paragraphs}</body></html>")


def is_feed_path(path):
    return path.endswith((".rss", ".xml")) or path.endswith("/rss")


MALFORMED = "<html><head><title>502 Bad Gateway</title></head><body>nginx</body></html>"

HOSTILE_BYTES = 4_000_000


def hostile_page(kind):
    """The hostile markup, then a whole article: the extraction has all its
    work to do."""
    article = vnexpress_article(VNEXPRESS_ITEMS[0][1])
    room = HOSTILE_BYTES - len(article)
    if kind == "class":
        markup = '<div class="' + "c " * (room // 2 - 16) + '">x</div>'
    elif kind == "attributes":
        markup = "<div " + " ".join(f"a{n}=v" for n in range(80_000)).ljust(room - 16) + ">x</div>"
    elif kind == "nesting":
        markup = "<div>" * (room // 5)
    else:
        return None
    return markup + article


_hostile_pages = {}


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def do_GET(self):
        host = (self.headers.get("Host") or "").split(":")[0]
        path = self.path.split("?")[0]
        plain = "PLAIN " if self.server.plain else ""
        with self.server.log_lock, open(self.server.log_file, "a", encoding="utf-8") as log:
            log.write(f"{plain}{host} {self.path}\n")
        modes = self.server.modes()
        if path in modes.get("stall", []):
            time.sleep(60)
            return
        if path in modes.get("malformed", []):
            self.answer(200, "text/html; charset=utf-8", MALFORMED)
            return
        if path in modes.get("redirect", {}):
            self.answer(302, "text/html; charset=utf-8", "", location=modes["redirect"][path])
            return
        if path in modes.get("body-starts-like", {}):
            page = vnexpress_article(VNEXPRESS_ITEMS[0][1])
            self.answer(200, "text/html; charset=utf-8", modes["body-starts-like"][path] + page)
            return
        if path.startswith("/hostile-"):
            kind = path.split("-")[1]
            if kind not in _hostile_pages:
                _hostile_pages[kind] = hostile_page(kind)
            if _hostile_pages[kind] is not None:
                self.answer(200, "text/html; charset=utf-8", _hostile_pages[kind])
                return
        feed = FEEDS.get((host, path))
        if feed is not None:
            self.answer(200, "application/rss+xml; charset=utf-8", feed())
            return
        if host == "vnexpress.net" and path.endswith(".html"):
            page = vnexpress_article(path[1:-len(".html")])
            if page is not None:
                self.answer(200, "text/html; charset=utf-8", page)
                return
        if self.server.generic and host in HOSTS:
            if is_feed_path(path):
                self.answer(200, "application/rss+xml; charset=utf-8", generic_feed(host, path))
                return
            if path.startswith("/bai-thu-"):
                self.answer(200, "text/html; charset=utf-8", generic_article(path[1:]))
                return
        self.answer(404, "text/html; charset=utf-8", "<html><body>404</body></html>")

    def answer(self, status, content_type, text, location=None):
        body = text.encode("utf-8")
        try:
            self.send_response(status)
            if location is not None:
                self.send_header("Location", location)
            self.send_header("Content-Type", content_type)
            self.send_header("Content-Length", str(len(body)))
            self.send_header("Connection", "close")
            self.end_headers()
            self.wfile.write(body)
        except (BrokenPipeError, ConnectionResetError, ssl.SSLError):
            pass
        self.close_connection = True

    def log_message(self, format, *args):  # noqa: A002  (the base class's signature)
        pass


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True

    def __init__(self, address, context, log_file, modes_file, generic, plain=False):
        self.context = context
        self.plain = plain
        self.generic = generic
        self.log_file = log_file
        self.log_lock = threading.Lock()
        self.modes_file = modes_file
        super().__init__(address, Handler)

    def modes(self):
        try:
            with open(self.modes_file, encoding="utf-8") as file:
                return json.load(file)
        except (OSError, ValueError):
            return {}

    def finish_request(self, request, client_address):
        if self.plain:
            super().finish_request(request, client_address)
            return
        try:
            connection = self.context.wrap_socket(request, server_side=True)
        except (ssl.SSLError, OSError):
            return
        try:
            super().finish_request(connection, client_address)
        finally:
            connection.close()


def make_certificate(cert_out):
    with tempfile.TemporaryDirectory(prefix="publisher-") as folder:
        key = os.path.join(folder, "key.pem")
        names = ",".join(f"DNS:{host}" for host in HOSTS)
        subprocess.run(
            ["openssl", "req", "-x509", "-nodes", "-days", "2", "-newkey", "ec",
             "-pkeyopt", "ec_paramgen_curve:prime256v1", "-keyout", key, "-out", cert_out,
             "-subj", "/CN=papyr test publishers", "-addext", f"subjectAltName={names}"],
            check=True, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(cert_out, key)
    return context


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--port", type=int, default=443)
    parser.add_argument("--cert-out", required=True, help="where the certificate is written")
    parser.add_argument("--log-file", required=True)
    parser.add_argument("--modes", required=True)
    parser.add_argument("--ready-file", required=True)
    parser.add_argument("--plain-port", type=int, help="also listen for plain HTTP on this port")
    parser.add_argument("--every-feed", action="store_true",
                        help="answer every feed path of a publisher host (the benchmark)")
    options = parser.parse_args(argv)
    context = make_certificate(options.cert_out)
    server = Server(("127.0.0.1", options.port), context, options.log_file, options.modes,
                    options.every_feed)
    if options.plain_port:
        plain = Server(("127.0.0.1", options.plain_port), None, options.log_file, options.modes,
                       options.every_feed, plain=True)
        threading.Thread(target=plain.serve_forever, daemon=True).start()
    with open(options.ready_file + ".tmp", "w", encoding="utf-8") as ready:
        ready.write("ready\n")
    os.replace(options.ready_file + ".tmp", options.ready_file)
    server.serve_forever()
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
