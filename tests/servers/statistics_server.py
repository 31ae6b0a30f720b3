"""A statistics endpoint for tests: records every request line, in order.

It listens on 127.0.0.1 on a free port and behaves in one of three ways:
  "answer"  answers every request with 200 and an empty body;
  "silent"  accepts and reads requests but never answers (until stopped);
  "refuse"  holds the port without listening, so connections are refused.

    with StatisticsServer("silent") as server:
        ... server.url ... server.wait_for_requests(3) ... server.request_lines()
"""

import socket
import threading
import time

ANSWER = b"HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n\r\n"
MODES = ("answer", "silent", "refuse")
MAX_REQUEST_BYTES = 65536


class StatisticsServer:
    def __init__(self, mode="answer"):
        if mode not in MODES:
            raise ValueError(f"unknown mode {mode!r}")
        self.mode = mode
        self._lines = []
        self._lock = threading.Condition()
        self._stopping = threading.Event()
        self._connections = []
        self._threads = []
        self._socket = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self._socket.bind(("127.0.0.1", 0))
        self.port = self._socket.getsockname()[1]
        self.url = f"http://127.0.0.1:{self.port}"
        if mode != "refuse":
            self._socket.listen(64)
            self._socket.settimeout(0.1)
            self._start(self._accept_loop)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.stop()

    def _start(self, target, *args):
        thread = threading.Thread(target=target, args=args, daemon=True)
        self._threads.append(thread)
        thread.start()

    def _accept_loop(self):
        while not self._stopping.is_set():
            try:
                connection, _ = self._socket.accept()
            except (socket.timeout, OSError):
                continue
            with self._lock:
                self._connections.append(connection)
            self._start(self._serve, connection)

    def _serve(self, connection):
        data = b""
        connection.settimeout(0.1)
        while b"\r\n\r\n" not in data and len(data) < MAX_REQUEST_BYTES:
            if self._stopping.is_set():
                return
            try:
                chunk = connection.recv(4096)
            except socket.timeout:
                continue
            except OSError:
                return
            if not chunk:
                break
            data += chunk
        if data:
            with self._lock:
                self._lines.append(data.split(b"\r\n", 1)[0].decode("latin-1"))
                self._lock.notify_all()
        if self.mode == "answer":
            try:
                connection.sendall(ANSWER)
            except OSError:
                pass
            connection.close()
        # "silent" keeps the connection open until stop().

    def request_lines(self):
        """Every request line received so far ("GET /path HTTP/1.1"), in order."""
        with self._lock:
            return list(self._lines)

    def paths(self):
        return [line.split(" ")[1] for line in self.request_lines()]

    def wait_for_requests(self, count, timeout=10):
        """True once `count` requests have arrived; False after `timeout` seconds."""
        deadline = time.monotonic() + timeout
        with self._lock:
            while len(self._lines) < count:
                left = deadline - time.monotonic()
                if left <= 0:
                    return False
                self._lock.wait(left)
            return True

    def stop(self):
        self._stopping.set()
        with self._lock:
            connections, self._connections = self._connections, []
        for connection in connections:
            try:
                connection.close()
            except OSError:
                pass
        self._socket.close()
        for thread in self._threads:
            thread.join(timeout=5)
