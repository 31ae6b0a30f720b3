"""A statistics endpoint that accepts every request and never answers it, so
that a test can see the installer does not wait for its statistics.

    server = SilentStatisticsServer()
    ... server.url ... server.wait_for_requests(6) ...
    server.stop()
"""

import socket
import threading
import time


class SilentStatisticsServer:
    def __init__(self):
        self._socket = socket.create_server(("127.0.0.1", 0))
        self._socket.settimeout(0.1)
        self.url = f"http://127.0.0.1:{self._socket.getsockname()[1]}"
        self.requests = 0
        self._held = []
        self._lock = threading.Lock()
        self._stopping = threading.Event()
        self._thread = threading.Thread(target=self._accept, daemon=True)
        self._thread.start()

    def _accept(self):
        while not self._stopping.is_set():
            try:
                connection, _ = self._socket.accept()
            except OSError:
                continue
            # Held open, unanswered, until stop().
            self._held.append(connection)
            threading.Thread(target=self._count, args=(connection,), daemon=True).start()

    def _count(self, connection):
        connection.settimeout(10)
        try:
            request = connection.recv(65536)
        except OSError:
            return
        if request.startswith(b"GET "):
            with self._lock:
                self.requests += 1

    def wait_for_requests(self, count, timeout=10):
        deadline = time.monotonic() + timeout
        while self.requests < count and time.monotonic() < deadline:
            time.sleep(0.05)
        return self.requests >= count

    def stop(self):
        self._stopping.set()
        self._thread.join(timeout=5)
        for connection in self._held:
            connection.close()
        self._socket.close()
