#!/usr/bin/env python3
"""A small HTTP(S) server for the download tests, bound to 127.0.0.1 on a
free port.  Prints "PORT <n>" once listening and ends when its standard
input closes, so a crashed test never leaves it running.

    http_server.py ROOT [--tls CERT KEY]

GET /NAME serves ROOT/NAME (404 when missing).  Query words:
    rate=N       send at about N bytes per second
    stall=1      send half the file, then nothing more
    redirect=URL answer 302 to URL instead
"""
import http.server
import os
import socket
import ssl
import sys
import threading
import time
import urllib.parse


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def do_GET(self):
        url = urllib.parse.urlsplit(self.path)
        query = dict(urllib.parse.parse_qsl(url.query))
        if "redirect" in query:
            self.send_response(302)
            self.send_header("Location", query["redirect"])
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        path = os.path.join(self.server.root, urllib.parse.unquote(url.path).lstrip("/"))
        if not os.path.isfile(path):
            self.send_error(404)
            return
        size = os.path.getsize(path)
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Length", str(size))
        self.end_headers()
        try:
            with open(path, "rb") as f:
                if "stall" in query:
                    self.wfile.write(f.read(size // 2))
                    self.wfile.flush()
                    while self.connection.recv(1) != b"":
                        pass
                elif "rate" in query:
                    rate = int(query["rate"])
                    chunk = max(1, rate // 20)
                    while data := f.read(chunk):
                        self.wfile.write(data)
                        self.wfile.flush()
                        time.sleep(0.05)
                elif isinstance(self.connection, ssl.SSLSocket):
                    self.wfile.write(f.read())
                else:
                    self.wfile.flush()
                    self.connection.sendfile(f)
        except (BrokenPipeError, ConnectionResetError, ssl.SSLError, OSError):
            pass


def main():
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    server.root = sys.argv[1]
    if len(sys.argv) >= 5 and sys.argv[2] == "--tls":
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(sys.argv[3], sys.argv[4])
        server.socket = context.wrap_socket(server.socket, server_side=True)
    print("PORT", server.server_address[1], flush=True)

    def watch_stdin():
        sys.stdin.buffer.read()
        os._exit(0)

    threading.Thread(target=watch_stdin, daemon=True).start()
    server.serve_forever()


if __name__ == "__main__":
    main()
