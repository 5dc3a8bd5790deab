#!/usr/bin/env python3
"""Stand-in news API server for tests and the desktop simulator.

Serves the news API over HTTPS on loopback with a self-signed certificate that
the `openssl` program makes at start into a temporary folder (the client runs
curl with -k, so any certificate will do). Python standard library only.

Routes (see ROUTES below):
  GET /api/v1/news/feed?source=S&category=C   FeedResponse JSON
  GET /api/v1/news/article?url=U              ArticleResponse JSON
  GET /ota/papyr.json                         the update manifest (route "manifest")
  GET /ota/packages/NAME                      a release package from --packages
                                              (route "package")
  POST /__control/fault                       change the faults while running, body:
        {"mode": "slow", "route": "article", "times": 1}
        "route" is "all" (default) or a route name; "times" limits the fault
        to that many requests (default: until changed). mode "none" clears.

Fault modes (also --fault MODE at start, applied to every route):
  none                    normal answers
  slow                    sleep --slow-seconds (default 20) before answering,
                          beyond the client's 12-second limit
  html-502                an HTML error page with status 502
  not-found               an HTML 404 page
  empty                   status 200 with an empty body
  invalid-utf8            a JSON-like body whose byte at index 24 is 0xFF
  truncated               the normal JSON answer cut off halfway (at an ASCII
                          byte, so it stays valid UTF-8)
  success-false           {"success":false,"error":"Máy chủ đang bảo trì"}
  success-false-no-error  {"success":false}
  null-payload            {"success":true,"article":null} for articles,
                          {"success":true,"items":null} for feeds

Update modes of the manifest route (set them with --route-fault
manifest=MODE or POST /__control/fault {"mode": MODE, "route": "manifest"}):
  none                    version 1.0.0, the program's own: nothing to offer
  newer-version           version 1.0.1; "download_url" names --package-name
                          on the listener that was asked, "sha256" is the
                          package's checksum (null when the file is missing)
  no-checksum             as newer-version, with "sha256" null
  bad-checksum            as newer-version, with a "sha256" that is not the
                          package's
  invalid-manifest        a manifest without its required "name"
  not-found               an HTML 404 page: no manifest at all
The package route answers the file's bytes, or an HTML 404 page when it is
missing; not-found, html-502, empty, truncated and slow apply to it as well.

Fallback: with --fallback-port the same routes are also served over plain
HTTP on that port (the program's loopback fallback for the manifest).

Readiness: once listening, the server writes its origin (for example
"https://127.0.0.1:4548") and a line feed to --ready-file (atomically, by a
rename) and prints "listening on <origin>" on standard output. With --port 0
the system picks a free port; the origin names it. With --fallback-port, the
fallback origin ("http://127.0.0.1:4549") follows as a second line.

Request log: every request except /__control/ ones is appended to --log-file
as one line "METHOD TARGET" (the request target exactly as received) before
it is answered, so a test can assert what was asked even of a slow answer.
"""

import argparse
import hashlib
import http.server
import ipaddress
import json
import os
import socketserver
import ssl
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import demo_content  # noqa: E402  (found next to this script)

FAULT_MODES = (
    "none",
    "slow",
    "html-502",
    "not-found",
    "empty",
    "invalid-utf8",
    "truncated",
    "success-false",
    "success-false-no-error",
    "null-payload",
    # update manifest only (see above)
    "newer-version",
    "no-checksum",
    "bad-checksum",
    "invalid-manifest",
)

MANIFEST_MODES = ("newer-version", "no-checksum", "bad-checksum", "invalid-manifest")
RUNNING_VERSION = "1.0.0"
NEWER_VERSION = "1.0.1"
PACKAGE_PREFIX = "/ota/packages/"

SERVER_ERROR_TEXT = "Máy chủ đang bảo trì"

# The 0xFF is at index 24; everything before it is ASCII.
INVALID_UTF8_BODY = b'{"success":true,"error":\xff"}'

ERROR_PAGE = """<!DOCTYPE html>
<html><head><title>{status} {reason}</title></head>
<body><h1>{status} {reason}</h1><p>demo.papyr.invalid stand-in server</p></body></html>
"""


class Content:
    """Feeds keyed by (source, category) and articles keyed by their URL."""

    def __init__(self, data):
        self.feeds = {}
        for feed in data["feeds"]:
            self.feeds[(feed["source"], feed["category"])] = feed["items"]
        self.articles = {article["url"]: article for article in data["articles"]}

    @classmethod
    def load(cls, where):
        if where == "demo":
            return cls(demo_content.build())
        with open(where, encoding="utf-8") as file:
            return cls(json.load(file))


class FaultState:
    """The fault mode of each route, changeable while requests are served."""

    def __init__(self, mode):
        self._lock = threading.Lock()
        self._default = mode
        # route name -> [mode, remaining count or None, the entry it covers]
        self._by_route = {}

    def set(self, mode, route="all", times=None):
        with self._lock:
            if route == "all" and times is None:
                self._default = mode
                self._by_route = {}
                return
            # A limited fault covers what the route had before and gives way
            # to it once used up; an unlimited one replaces it.
            for name in ROUTE_NAMES if route == "all" else (route,):
                covered = self._by_route.get(name) if times is not None else None
                self._by_route[name] = [mode, times, covered]

    def take(self, route):
        """The mode for one request on `route`, counting down limited faults."""
        with self._lock:
            while True:
                entry = self._by_route.get(route)
                if entry is None:
                    return self._default
                mode, remaining, covered = entry
                if remaining is None:
                    return mode
                if remaining > 0:
                    entry[1] = remaining - 1
                    return mode
                if covered is None:
                    del self._by_route[route]
                else:
                    self._by_route[route] = covered


def feed_answer(server, query):
    source = single(query, "source")
    category = single(query, "category")
    items = server.content.feeds.get((source, category))
    if items is None:
        return {"success": False, "error": f"Không có chuyên mục '{category}' cho nguồn '{source}'"}
    return {"success": True, "items": items}


def article_answer(server, query):
    url = single(query, "url")
    if url is None:
        return {"success": False, "error": "Thiếu tham số url"}
    article = server.content.articles.get(url)
    if article is None:
        return {"success": False, "error": "Không tìm thấy bài viết"}
    return {"success": True, "article": article}


def single(query, key):
    values = query.get(key)
    return values[0] if values and len(values) == 1 else None


# Path -> (route name, handler giving the normal JSON answer, payload key
# that the null-payload fault sets to null).
#
# The update manifest is answered over HTTPS and, with --fallback-port, over
# plain HTTP too; the release packages it names are served under
# PACKAGE_PREFIX by the "package" route (matched by prefix, see do_GET).
ROUTES = {
    "/api/v1/news/feed": ("feed", feed_answer, "items"),
    "/api/v1/news/article": ("article", article_answer, "article"),
    "/ota/papyr.json": ("manifest", lambda server, query: manifest_answer(server, "none"), None),
}
ROUTE_NAMES = tuple(name for name, _, _ in ROUTES.values()) + ("package",)


def package_path(server, name):
    """The package file for a name from the URL, or None."""
    if not server.packages or not name or "/" in name or name.startswith("."):
        return None
    path = os.path.join(server.packages, name)
    return path if os.path.isfile(path) else None


def manifest_answer(server, mode):
    """The update manifest for one of the manifest route's modes."""
    version = RUNNING_VERSION if mode == "none" else NEWER_VERSION
    package = package_path(server, server.package_name)
    data = b""
    if package:
        with open(package, "rb") as file:
            data = file.read()
    checksum = hashlib.sha256(data).hexdigest() if package else None
    if mode == "no-checksum":
        checksum = None
    elif mode == "bad-checksum":
        checksum = hashlib.sha256(b"not the package" + data).hexdigest()
    manifest = {
        "version": version,
        "name": f"Papyr {version}",
        "changelog": "Bản cập nhật thử nghiệm của máy chủ giả lập",
        "download_url": f"{server.origin}{PACKAGE_PREFIX}{urllib.parse.quote(server.package_name)}",
        "size_mb": round(len(data) / 1_000_000, 3),
        "sha256": checksum,
    }
    if mode == "invalid-manifest":
        del manifest["name"]
    return manifest


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "PapyrStandIn/1.0"

    def do_GET(self):
        target = urllib.parse.urlsplit(self.path)
        self.log_request_line()
        if target.path.startswith(PACKAGE_PREFIX):
            name = urllib.parse.unquote(target.path[len(PACKAGE_PREFIX):])
            self.answer_package(self.server.faults.take("package"), package_path(self.server, name))
            return
        route = ROUTES.get(target.path)
        if route is None:
            self.send_page(404, "Not Found")
            return
        name, answer, payload_key = route
        query = urllib.parse.parse_qs(target.query, keep_blank_values=True)
        mode = self.server.faults.take(name)
        if name == "manifest" and mode in MANIFEST_MODES:
            self.send_json(200, manifest_answer(self.server, mode))
            return
        self.answer_with_fault(mode, lambda: answer(self.server, query), payload_key)

    def do_POST(self):
        target = urllib.parse.urlsplit(self.path)
        if target.path != "/__control/fault":
            self.log_request_line()
            self.send_page(404, "Not Found")
            return
        length = int(self.headers.get("Content-Length", "0"))
        try:
            request = json.loads(self.rfile.read(length) or b"{}")
            mode = request.get("mode", "none")
            route = request.get("route", "all")
            times = request.get("times")
            if mode not in FAULT_MODES or (route != "all" and route not in ROUTE_NAMES):
                raise ValueError(f"unknown mode or route: {mode!r} {route!r}")
            if times is not None and (not isinstance(times, int) or times < 0):
                raise ValueError("times must be a non-negative integer")
        except ValueError as error:  # json.JSONDecodeError is a ValueError
            self.send_json(400, {"ok": False, "error": str(error)})
            return
        self.server.faults.set(mode, route, times)
        self.send_json(200, {"ok": True})

    def answer_with_fault(self, mode, answer, payload_key):
        if mode == "slow":
            time.sleep(self.server.slow_seconds)
            mode = "none"
        if mode == "html-502":
            self.send_page(502, "Bad Gateway")
        elif mode == "not-found":
            self.send_page(404, "Not Found")
        elif mode == "empty":
            self.send_body(200, "application/json", b"")
        elif mode == "invalid-utf8":
            self.send_body(200, "application/json", INVALID_UTF8_BODY)
        elif mode == "truncated":
            self.send_body(200, "application/json", truncate_json(encode_json(answer())))
        elif mode == "success-false":
            self.send_json(200, {"success": False, "error": SERVER_ERROR_TEXT})
        elif mode == "success-false-no-error":
            self.send_json(200, {"success": False})
        elif mode == "null-payload":
            self.send_json(200, {"success": True, payload_key: None})
        else:
            self.send_json(200, answer())

    def answer_package(self, mode, path):
        if mode == "slow":
            time.sleep(self.server.slow_seconds)
            mode = "none"
        if mode == "html-502":
            self.send_page(502, "Bad Gateway")
        elif mode == "not-found" or path is None:
            self.send_page(404, "Not Found")
        elif mode == "empty":
            self.send_body(200, "application/zip", b"")
        else:
            with open(path, "rb") as file:
                data = file.read()
            if mode == "truncated":
                data = data[: len(data) // 2]
            self.send_body(200, "application/zip", data)

    def send_json(self, status, value):
        self.send_body(status, "application/json; charset=utf-8", encode_json(value))

    def send_page(self, status, reason):
        page = ERROR_PAGE.format(status=status, reason=reason).encode("utf-8")
        self.send_body(status, "text/html; charset=utf-8", page)

    def send_body(self, status, content_type, body):
        try:
            self.send_response(status)
            self.send_header("Content-Type", content_type)
            self.send_header("Content-Length", str(len(body)))
            self.send_header("Connection", "close")
            self.end_headers()
            self.wfile.write(body)
        except (BrokenPipeError, ConnectionResetError, ssl.SSLError):
            pass  # the client gave up (a slow answer after curl's time limit)
        self.close_connection = True

    def log_request_line(self):
        line = f"{self.command} {self.path}\n"
        log_file = self.server.log_file
        if log_file:
            with self.server.log_lock, open(log_file, "a", encoding="utf-8") as log:
                log.write(line)

    def log_message(self, format, *args):  # noqa: A002  (signature of the base class)
        sys.stderr.write(f"[news_server] {self.address_string()} {format % args}\n")


def encode_json(value):
    return json.dumps(value, ensure_ascii=False, separators=(",", ":")).encode("utf-8")


def truncate_json(body):
    """Cuts the body about halfway, at an ASCII byte so it stays valid UTF-8."""
    cut = len(body) // 2
    while cut > 0 and body[cut] >= 0x80:
        cut -= 1
    return body[:cut]


class PlainServer(socketserver.ThreadingMixIn, http.server.HTTPServer):
    """Plain HTTP: the fallback listener, with the same routes and state."""

    daemon_threads = True  # a sleeping slow answer must not hold up the exit
    allow_reuse_address = True
    request_queue_size = 64  # tests may fire many requests at once

    def __init__(self, address, **settings):
        for key, value in settings.items():
            setattr(self, key, value)
        super().__init__(address, Handler)


class TlsServer(PlainServer):
    def __init__(self, address, tls_context, **settings):
        self.tls_context = tls_context
        super().__init__(address, **settings)

    def finish_request(self, request, client_address):
        # The TLS handshake runs here, in the request's own thread, so one
        # client stalling in its handshake cannot block the accept loop.
        try:
            connection = self.tls_context.wrap_socket(request, server_side=True)
        except (ssl.SSLError, OSError) as error:
            sys.stderr.write(f"[news_server] TLS handshake failed: {error}\n")
            return
        try:
            super().finish_request(connection, client_address)
        finally:
            connection.close()


def is_ip_address(host):
    try:
        ipaddress.ip_address(host)
    except ValueError:
        return False
    return True


def make_tls_context(host):
    """A self-signed certificate, made by openssl and deleted once loaded."""
    with tempfile.TemporaryDirectory(prefix="papyr-news-server-") as folder:
        cert = os.path.join(folder, "cert.pem")
        key = os.path.join(folder, "key.pem")
        subject_name = f"IP:{host}" if is_ip_address(host) else f"DNS:{host}"
        subprocess.run(
            [
                "openssl", "req", "-x509", "-nodes", "-days", "2",
                "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                "-keyout", key, "-out", cert,
                "-subj", "/CN=papyr stand-in server",
                "-addext", f"subjectAltName={subject_name}",
            ],
            check=True,
            stdin=subprocess.DEVNULL,
            stdout=subprocess.DEVNULL,
            stderr=subprocess.PIPE,
        )
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(cert, key)
    return context


def write_ready_file(path, *origins):
    temporary = path + ".tmp"
    with open(temporary, "w", encoding="utf-8") as file:
        file.write("".join(origin + "\n" for origin in origins))
    os.replace(temporary, path)


def exit_when_stdin_closes():
    """Lets a test harness tie the server's life to a pipe it holds."""
    while sys.stdin.buffer.read(4096):
        pass
    os._exit(0)


def parse_arguments(argv):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--host", default="127.0.0.1", help="bind address (default 127.0.0.1)")
    parser.add_argument("--port", type=int, default=4548, help="port, 0 for any free one (default 4548)")
    parser.add_argument("--ready-file", help="file that receives the origin once listening")
    parser.add_argument("--log-file", help="file that receives one line per request")
    parser.add_argument("--content", default="demo",
                        help='"demo" (default: the built-in demo set) or a JSON file of the same shape')
    parser.add_argument("--fault", choices=FAULT_MODES, default="none", help="fault mode at start")
    parser.add_argument("--route-fault", action="append", default=[], metavar="ROUTE=MODE",
                        help="fault mode of one route at start, for example manifest=newer-version "
                             "(repeatable; applied after --fault)")
    parser.add_argument("--fallback-port", type=int,
                        help="also serve every route over plain HTTP on this port (0: any free one)")
    parser.add_argument("--packages", help="folder of the release packages served under /ota/packages/")
    parser.add_argument("--package-name", default="papyr.zip",
                        help="the package the manifest names (default papyr.zip)")
    parser.add_argument("--slow-seconds", type=float, default=20.0, help="delay of the slow mode")
    parser.add_argument("--exit-on-stdin-eof", action="store_true",
                        help="exit when standard input reaches end of file")
    parser.add_argument("--dump-content", action="store_true",
                        help="print the demo content as JSON and exit")
    return parser.parse_args(argv)


def main(argv):
    options = parse_arguments(argv)
    if options.dump_content:
        sys.stdout.write(json.dumps(demo_content.build(), ensure_ascii=False, indent=2) + "\n")
        return 0
    faults = FaultState(options.fault)
    for setting in options.route_fault:
        route, _, mode = setting.partition("=")
        if route not in ROUTE_NAMES or mode not in FAULT_MODES:
            raise SystemExit(f"--route-fault: unknown route or mode in {setting!r}")
        faults.set(mode, route)
    settings = dict(
        content=Content.load(options.content),
        faults=faults,
        slow_seconds=options.slow_seconds,
        log_file=options.log_file,
        log_lock=threading.Lock(),
        packages=options.packages,
        package_name=options.package_name,
    )
    server = TlsServer((options.host, options.port), make_tls_context(options.host), **settings)
    server.origin = f"https://{options.host}:{server.server_address[1]}"
    origins = [server.origin]
    if options.fallback_port is not None:
        fallback = PlainServer((options.host, options.fallback_port), **settings)
        fallback.origin = f"http://{options.host}:{fallback.server_address[1]}"
        origins.append(fallback.origin)
        threading.Thread(target=fallback.serve_forever, daemon=True).start()
    if options.exit_on_stdin_eof:
        threading.Thread(target=exit_when_stdin_closes, daemon=True).start()
    if options.ready_file:
        write_ready_file(options.ready_file, *origins)
    for origin in origins:
        print(f"listening on {origin}", flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
