"""A crash-report endpoint for tests: records every upload it receives.

It listens on 127.0.0.1 on a free port, reads each request body whole by its
Content-Length (the test build sends no chunked body) and answers with the
status it was given."""

import http.server
import threading
import urllib.parse


class CrashServer:
    def __init__(self, status=200):
        self.status = status
        self.reports = []
        self._condition = threading.Condition()
        self._httpd = http.server.ThreadingHTTPServer(("127.0.0.1", 0), self._make_handler())
        self._httpd.daemon_threads = True
        self.url = f"http://127.0.0.1:{self._httpd.server_address[1]}"
        self._thread = threading.Thread(target=self._httpd.serve_forever, daemon=True)
        self._thread.start()

    def stop(self):
        self._httpd.shutdown()
        self._thread.join()
        self._httpd.server_close()

    def wait_for_reports(self, count, timeout=30):
        with self._condition:
            return self._condition.wait_for(lambda: len(self.reports) >= count, timeout)

    def _record(self, report):
        with self._condition:
            self.reports.append(report)
            self._condition.notify_all()

    def _make_handler(self):
        server = self

        class Handler(http.server.BaseHTTPRequestHandler):
            protocol_version = "HTTP/1.1"

            def do_POST(self):
                url = urllib.parse.urlsplit(self.path)
                body = self.rfile.read(int(self.headers.get("Content-Length", "0")))
                server._record({"path": url.path, "raw_query": url.query,
                                "headers": dict(self.headers.items()), "body": body})
                self.send_response(server.status)
                self.send_header("Content-Length", "2")
                self.end_headers()
                self.wfile.write(b"ok")

            def log_message(self, *args):
                pass

        return Handler
