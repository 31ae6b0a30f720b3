#!/usr/bin/env python3
"""The demo download server: serves the demo setup archive and records the
statistics requests and the final installation report, in arrival order.

Loopback only. Standard library only, so it runs on a fresh machine.

    demo_server.py serve --archive build/x86_64/tests/demo_setup.exe [--port 18080]
                         [--fallback-port] [--events events.jsonl]
                         [--archive-name NAME] [--serve-path /a/b.exe]
    demo_server.py summary events.jsonl

Any GET whose path ends in "/" + the archive's file name (or --archive-name), or that equals a
--serve-path, gets the archive; every request is written as one JSON line to
the events file and listed when the server stops.

It also serves what the installer prepares for the browser's first start: a
variations seed (with its "X-Seed-Signature", "Last-Modified" and "X-Country"
headers), a server configuration bundle and a wallpaper bundle (any path under
/wallpapers/).
"""

import argparse
import datetime
import http.server
import json
import pathlib
import signal
import sys
import threading
import time
import urllib.parse

HOST = "127.0.0.1"
STAT_PREFIX = "/installstats/send/"
REPORT_PATH = "/get/browser/install"
VARIATIONS_PATH = "/content/get/experiments/browser.proto"
SERVER_CONFIG_PATH = "/configs/all_zip"
WALLPAPERS_PREFIX = "/wallpapers/"
# The demo's browser extras: a seed and its headers, and two bundles.
DEMO_SEED = b"\x0a\x04demo\x12\x0fvelmar-seed-v1\x00\xff"
DEMO_SEED_HEADERS = {"X-Seed-Signature": "MEUCIQDdemo-seed-signature",
                     "Last-Modified": "Sat, 05 Dec 2026 12:00:00 GMT",
                     "X-Country": "tr"}
DEMO_SERVER_CONFIG = b"PK\x05\x06" + bytes(18)
DEMO_WALLPAPERS = b"PK\x05\x06" + bytes(16) + b"\x01\x00"
# Fields worth showing after a statistics event's action and stage.
SHOWN_STAT_FIELDS = ("error", "attempt_number", "download_time", "setup_time", "uac")
WINDOW_STAT_FIELDS = ("clicked_button", "choosen_checkbox", "clicked_link")


def parse_stat_vars(path):
    """The key/value pairs of a statistics URL path ("/vars=k=v,k=v/*")."""
    marker = path.find("/vars=")
    if marker < 0:
        return {}
    text = path[marker + len("/vars="):]
    if text.endswith("/*"):
        text = text[:-2]
    pairs = {}
    for item in text.split(","):
        key, _, value = item.partition("=")
        if key:
            pairs[urllib.parse.unquote(key)] = urllib.parse.unquote(value)
    return pairs


def classify(path, archive_name, serve_paths=()):
    """What a request path asks for: "archive", "stat", "report", "variations",
    "server_config", "wallpapers" or "other"."""
    if path in serve_paths or (archive_name and path.endswith("/" + archive_name)):
        return "archive"
    if path == VARIATIONS_PATH:
        return "variations"
    if path == SERVER_CONFIG_PATH:
        return "server_config"
    if path.startswith(WALLPAPERS_PREFIX):
        return "wallpapers"
    if path.startswith(STAT_PREFIX):
        return "stat"
    if path == REPORT_PATH:
        return "report"
    return "other"


def describe(event):
    """One short line for an event."""
    kind = event["kind"]
    if kind == "archive":
        return f"archive   {event['path']} -> {event['status']}, {event.get('bytes', 0)} bytes"
    if kind == "stat":
        fields = event.get("vars", {})
        # The window's own events name a button, check box or link instead of an action.
        choices = [f"{k}={fields[k]}" for k in WINDOW_STAT_FIELDS if k in fields]
        words = [fields["action"]] if "action" in fields else choices[:1] or ["?"]
        words += [fields[k] for k in ("stage", "status") if k in fields]
        words += [f"{k}={fields[k]}" for k in SHOWN_STAT_FIELDS if k in fields]
        return "stat      " + " ".join(words)
    if kind == "report":
        query = urllib.parse.parse_qs(event.get("query", ""))
        words = [f"{k}={v[0]}" for k, v in query.items() if k != "ui"]
        return "report    " + " ".join(words)
    if kind in ("variations", "server_config", "wallpapers"):
        query = f"?{event['query']}" if event.get("query") else ""
        return f"{kind:<9} {event['path']}{query} -> {event['status']}"
    return f"other     {event['method']} {event['path']} -> {event['status']}"


class DemoServer:
    """A threaded HTTP server on 127.0.0.1 that keeps every request it saw."""

    def __init__(self, archive, port=0, events_path=None, serve_paths=(), fallback_port=False,
                 archive_name=None):
        self.archive = pathlib.Path(archive)
        self.archive_name = archive_name or self.archive.name
        self.serve_paths = tuple(serve_paths)
        # Tests may change what the extras answer.
        self.seed = DEMO_SEED
        self.seed_headers = dict(DEMO_SEED_HEADERS)
        self.seed_delay_s = 0.0
        self.server_config = DEMO_SERVER_CONFIG
        self.wallpapers = DEMO_WALLPAPERS
        self.events = []
        self._lock = threading.Lock()
        self._events_file = open(events_path, "w", encoding="utf-8") if events_path else None
        handler = self._make_handler()
        try:
            self._httpd = http.server.ThreadingHTTPServer((HOST, port), handler)
        except OSError:
            if not fallback_port:
                raise
            self._httpd = http.server.ThreadingHTTPServer((HOST, 0), handler)
        self._httpd.daemon_threads = True
        self._thread = None
        self._hold_offset = None
        self._held_at = None
        self._hold_changed = threading.Condition()

    @property
    def port(self):
        return self._httpd.server_address[1]

    @property
    def url(self):
        return f"http://{HOST}:{self.port}"

    def start(self):
        self._thread = threading.Thread(target=self._httpd.serve_forever, daemon=True)
        self._thread.start()
        return self

    def serve_forever(self):
        self._httpd.serve_forever()

    def stop(self):
        """Ends serve_forever; call it from another thread."""
        self._httpd.shutdown()

    def close(self):
        if self._thread is not None:
            self.stop()
            self._thread.join()
        self._httpd.server_close()
        if self._events_file:
            self._events_file.close()

    def hold_archive(self, offset):
        """Archive downloads from now on stop after `offset` bytes until the
        hold moves on or release_archive() lets them finish; a download already
        waiting goes on to the new offset."""
        with self._hold_changed:
            self._hold_offset = offset
            self._hold_changed.notify_all()

    def release_archive(self):
        self.hold_archive(None)

    def wait_archive_held(self, offset, timeout):
        """True once a download waits at `offset`."""
        with self._hold_changed:
            return self._hold_changed.wait_for(lambda: self._held_at == offset, timeout=timeout)

    def _send_archive(self, handler, body):
        """Writes the body up to the hold offset, waits for the hold to move,
        and so on to the end."""
        sent = 0
        while sent < len(body):
            with self._hold_changed:
                offset = self._hold_offset
                end = len(body) if offset is None else min(offset, len(body))
            if end > sent:
                handler.wfile.write(body[sent:end])
                handler.wfile.flush()
                sent = end
            if offset is None or sent >= len(body):
                continue
            with self._hold_changed:
                self._held_at = offset
                self._hold_changed.notify_all()
                # The downloader gives up on a read after a minute: stay within it.
                moved = self._hold_changed.wait_for(lambda: self._hold_offset != offset,
                                                    timeout=50)
                self._held_at = None
                if not moved:
                    self._hold_offset = None

    def _record(self, event):
        with self._lock:
            self.events.append(event)
            if self._events_file:
                self._events_file.write(json.dumps(event) + "\n")
                self._events_file.flush()

    def _answer(self, handler, send_body):
        url = urllib.parse.urlsplit(handler.path)
        path = urllib.parse.unquote(url.path)
        kind = classify(path, self.archive_name, self.serve_paths)
        body = b""
        status = 200
        headers = {}
        if kind == "archive":
            try:
                body = self.archive.read_bytes()
            except OSError:
                status = 404
        elif kind == "variations":
            body = self.seed
            headers = self.seed_headers
            time.sleep(self.seed_delay_s)
        elif kind == "server_config":
            body = self.server_config
        elif kind == "wallpapers":
            body = self.wallpapers
        elif kind == "other":
            status = 404
        event = {"time": datetime.datetime.now().isoformat(timespec="milliseconds"),
                 "method": handler.command, "path": url.path, "query": url.query,
                 "kind": kind, "status": status}
        if kind == "archive":
            event["bytes"] = len(body)
        if kind == "stat":
            event["vars"] = parse_stat_vars(url.path)
        self._record(event)
        handler.send_response(status)
        handler.send_header("Content-Type", "application/octet-stream")
        handler.send_header("Content-Length", str(len(body)))
        for name, value in headers.items():
            handler.send_header(name, value)
        handler.end_headers()
        if send_body and kind == "archive":
            self._send_archive(handler, body)
        elif send_body:
            handler.wfile.write(body)

    def _make_handler(self):
        server = self

        class Handler(http.server.BaseHTTPRequestHandler):
            protocol_version = "HTTP/1.1"

            def do_GET(self):
                # An installer that is cancelled or killed hangs up mid-body.
                try:
                    server._answer(self, send_body=True)
                except (BrokenPipeError, ConnectionResetError):
                    self.close_connection = True

            def do_HEAD(self):
                server._answer(self, send_body=False)

            def log_message(self, *args):
                pass

        return Handler


def print_summary(events, out=sys.stdout):
    for event in events:
        print("  " + describe(event), file=out)


def read_events(path):
    with open(path, encoding="utf-8") as lines:
        return [json.loads(line) for line in lines if line.strip()]


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    commands = parser.add_subparsers(dest="command", required=True)
    serve = commands.add_parser("serve", help="serve the archive and record requests")
    serve.add_argument("--archive", required=True, help="the signed demo setup file")
    serve.add_argument("--port", type=int, default=0, help="0 picks a free port")
    serve.add_argument("--fallback-port", action="store_true",
                       help="take a free port when --port is busy")
    serve.add_argument("--events", help="JSON lines file of the requests")
    serve.add_argument("--archive-name", help="file name it is served as (default: its own)")
    serve.add_argument("--serve-path", action="append", default=[],
                       help="another URL path that gets the archive")
    summary = commands.add_parser("summary", help="list the requests of an events file")
    summary.add_argument("events")
    args = parser.parse_args(argv)

    if args.command == "summary":
        print_summary(read_events(args.events))
        return 0
    server = DemoServer(args.archive, args.port, args.events, args.serve_path, args.fallback_port,
                        args.archive_name)
    print(f"listening {server.url}", flush=True)
    signal.signal(signal.SIGTERM, lambda *_: threading.Thread(target=server.stop).start())
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    server.close()
    print_summary(server.events)
    return 0


if __name__ == "__main__":
    sys.exit(main())
