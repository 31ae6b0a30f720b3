"""A loopback slide server: serves the given files by path, answers 404
otherwise, and can stall on one path (headers and a few bytes, then nothing)
or not answer it at all. Records every path asked for."""

import http.server
import threading
import time


class SlideServer:
    def __init__(self, files, stall=None, silent=None):
        self.files = dict(files)  # path -> (content type, bytes)
        self.stall = stall
        self.silent = silent
        self.requests = []
        self.release = threading.Event()
        server = self

        class Handler(http.server.BaseHTTPRequestHandler):
            protocol_version = "HTTP/1.1"

            def log_message(self, *args):
                pass

            def do_GET(self):
                server.requests.append(self.path)
                if self.path == server.silent:
                    server.release.wait(60)
                    return
                if self.path == server.stall:
                    self.send_response(200)
                    self.send_header("Content-Type", "image/jpeg")
                    self.send_header("Content-Length", "1000000")
                    self.end_headers()
                    self.wfile.write(b"\xff\xd8\xff")
                    self.wfile.flush()
                    server.release.wait(60)
                    return
                found = server.files.get(self.path)
                if found is None:
                    body = b"<html><body>not found</body></html>"
                    self.send_response(404)
                    self.send_header("Content-Type", "text/html")
                else:
                    content_type, body = found
                    self.send_response(200)
                    self.send_header("Content-Type", content_type)
                self.send_header("Content-Length", str(len(body)))
                self.end_headers()
                self.wfile.write(body)

        self.httpd = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        self.httpd.daemon_threads = True
        self.port = self.httpd.server_address[1]
        self.thread = threading.Thread(target=self.httpd.serve_forever, daemon=True)
        self.thread.start()

    @property
    def base_url(self):
        return f"http://127.0.0.1:{self.port}/slides/"

    def wait_for(self, path, timeout=10):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if path in self.requests:
                return True
            time.sleep(0.02)
        return False

    def close(self):
        self.release.set()
        self.httpd.shutdown()
        self.httpd.server_close()
