"""nginx on 127.0.0.1 as a stand-in for the download CDN.

Serves `root` as is (ranges and Content-Length are nginx's own), and
/rK/PATH (K = 1 to 3) redirects K times before PATH. With `tls` (certificate
and key files) it speaks HTTPS, and its URLs name the host `localhost`. Runs
in the foreground from a config written into a temporary folder; stop() ends it.
"""

import pathlib
import socket
import subprocess
import tempfile
import time

NGINX = "/usr/sbin/nginx"

CONFIG = """
daemon off;
master_process off;
worker_processes 1;
pid {work}/nginx.pid;
error_log {work}/error.log error;
events {{ worker_connections 64; }}
http {{
  access_log off;
  client_body_temp_path {work}/body;
  proxy_temp_path {work}/proxy;
  fastcgi_temp_path {work}/fastcgi;
  uwsgi_temp_path {work}/uwsgi;
  scgi_temp_path {work}/scgi;
  default_type application/octet-stream;
  sendfile on;
  server {{
    listen 127.0.0.1:{port}{ssl};
    {certificates}
    root {root};
    location /r1/ {{ rewrite ^/r1/(.*)$ /$1 redirect; }}
    location /r2/ {{ rewrite ^/r2/(.*)$ /r1/$1 redirect; }}
    location /r3/ {{ rewrite ^/r3/(.*)$ /r2/$1 redirect; }}
  }}
}}
"""


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


class NginxServer:
    def __init__(self, root, tls=None):
        self.root = pathlib.Path(root)
        self.tls = tls
        self._work = tempfile.TemporaryDirectory(prefix="lite-nginx-")
        work = pathlib.Path(self._work.name)
        self.port = free_port()
        certificates = ""
        if tls:
            certificates = f"ssl_certificate {tls[0]}; ssl_certificate_key {tls[1]};"
        (work / "nginx.conf").write_text(CONFIG.format(
            work=work, port=self.port, root=self.root, ssl=" ssl" if tls else "",
            certificates=certificates))
        self._process = subprocess.Popen(
            [NGINX, "-p", str(work), "-c", str(work / "nginx.conf"), "-e", str(work / "error.log")],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline:
            try:
                socket.create_connection(("127.0.0.1", self.port), timeout=0.2).close()
                return
            except OSError:
                if self._process.poll() is not None:
                    break
                time.sleep(0.05)
        self.stop()
        raise RuntimeError("nginx did not start: " + (work / "error.log").read_text())

    def url(self, path):
        if self.tls:
            return f"https://localhost:{self.port}{path}"
        return f"http://127.0.0.1:{self.port}{path}"

    def stop(self):
        if self._process.poll() is None:
            self._process.terminate()
            self._process.wait(timeout=10)
        self._work.cleanup()
