"""An HTTP server on 127.0.0.1 that misbehaves on request, for download tests.

The path names the fault; query parameters tune it. The body of every file is
the same deterministic pattern (`pattern(size)`), so a test can compare bytes.

  /file/N/cut/B/...                 200 with Content-Length N; the first request
                                    stops after byte B and drops the connection
  /status/CODE/...                  answers CODE with a short body
  /loop                             redirects to itself forever
  /nolength?size=N                  200, no Content-Length, closes at the end
  /trickle?size=N&chunk=C&delay_ms=D  C bytes every D ms
  /stall/...                        200 with a length, then no body for 3 s
  /garbage                          a reply that is not HTTP at all
  /silent/...                       reads the request and never answers
"""

import http.server
import socket
import threading
import time
import urllib.parse

PATTERN_PERIOD = 251


def pattern(size, start=0):
    block = bytes(range(PATTERN_PERIOD))
    offset = start % PATTERN_PERIOD
    repeated = block[offset:] + block * ((size // PATTERN_PERIOD) + 2)
    return repeated[:size]


class _Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def do_GET(self):
        url = urllib.parse.urlsplit(self.path)
        query = {k: v[-1] for k, v in urllib.parse.parse_qs(url.query).items()}
        self.server.owner.record(url.path)
        parts = url.path.strip("/").split("/")
        handler = getattr(self, "_" + parts[0], None)
        if handler is None:
            self._send_body(404, pattern(16))
            return
        try:
            handler(parts[1:], query)
        except (BrokenPipeError, ConnectionResetError):
            pass

    # Helpers ---------------------------------------------------------------
    def _headers(self, status, length=None, extra=()):
        self.send_response(status)
        self.send_header("Content-Type", "application/octet-stream")
        if length is not None:
            self.send_header("Content-Length", str(length))
        for name, value in extra:
            self.send_header(name, value)
        self.end_headers()

    def _send_body(self, status, body, extra=()):
        self._headers(status, len(body), extra)
        self.wfile.write(body)

    def _drop(self):
        self.wfile.flush()
        self.close_connection = True
        try:
            self.connection.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass

    # Faults ----------------------------------------------------------------
    def _file(self, parts, _):
        size, cut = int(parts[0]), int(parts[2])
        if self.server.owner.take_cut("/".join(parts[:3])):
            self._headers(200, size)
            self.wfile.write(pattern(cut))
            self._drop()
            return
        self._send_body(200, pattern(size))

    def _status(self, parts, _):
        self._send_body(int(parts[0]), pattern(64))

    def _loop(self, _, __):
        self._send_body(302, b"", [("Location", "/loop")])

    def _nolength(self, _, query):
        self._headers(200, None, [("Connection", "close")])
        self.wfile.write(pattern(int(query.get("size", 1024))))
        self._drop()

    def _trickle(self, _, query):
        size = int(query.get("size", 1 << 20))
        chunk = int(query.get("chunk", 1024))
        delay = int(query.get("delay_ms", 50)) / 1000
        self._headers(200, size)
        sent = 0
        while sent < size and not self.server.owner.stopping.is_set():
            piece = pattern(min(chunk, size - sent), sent)
            self.wfile.write(piece)
            self.wfile.flush()
            sent += len(piece)
            time.sleep(delay)
        self._drop()

    def _stall(self, _, __):
        self._headers(200, 1 << 20)
        self.wfile.flush()
        self.server.owner.stopping.wait(3)
        self._drop()

    def _garbage(self, _, __):
        self.wfile.write(b"\x00\xffNOT HTTP AT ALL\r\n\x13\x37" * 64)
        self._drop()

    def _silent(self, _, __):
        self.server.owner.stopping.wait()


class FaultServer:
    """Starts on a free port of 127.0.0.1 in a background thread."""

    def __init__(self):
        self.stopping = threading.Event()
        self._lock = threading.Lock()
        self._cuts = set()
        self.requests = []
        self._server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), _Handler)
        self._server.daemon_threads = True
        self._server.owner = self
        self.port = self._server.server_address[1]
        self._thread = threading.Thread(target=self._server.serve_forever, daemon=True)
        self._thread.start()

    def url(self, path):
        return f"http://127.0.0.1:{self.port}{path}"

    def record(self, path):
        with self._lock:
            self.requests.append(path)

    def wait_for_requests(self, prefix, count, timeout=10):
        """True once `count` requests for paths under `prefix` have arrived."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            with self._lock:
                if sum(path.startswith(prefix) for path in self.requests) >= count:
                    return True
            time.sleep(0.05)
        return False

    def take_cut(self, key):
        """True for the first request of one exact path and query only."""
        with self._lock:
            first = key not in self._cuts
            self._cuts.add(key)
            return first

    def clear(self):
        with self._lock:
            self.requests.clear()
            self._cuts.clear()

    def stop(self):
        self.stopping.set()
        self._server.shutdown()
        self._server.server_close()
