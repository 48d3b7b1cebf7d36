#!/usr/bin/env python3
"""A scripted HTTP(S) server for the upgrade tests; it only ever binds 127.0.0.1.

  test_server.py certs DIR
      Makes a throw-away certificate authority and three server certificates in DIR with
      openssl: trusted.pem (for 127.0.0.1, signed by ca.pem), wrong-host.pem (signed by ca.pem
      for another name) and untrusted.pem (self-signed for 127.0.0.1), each with its .key.

  test_server.py serve SCENARIO LOG [CERT KEY]
      Serves the routes of the JSON file SCENARIO over https (with CERT and KEY) or http,
      prints the port on the first line of standard output, appends each request's path to LOG
      and exits by itself after 120 s. Each route (keyed by path) may hold:
        status (200), body (text, sent as Latin-1), body_hex, repeat (the body n times),
        headers ([[name, value], ...]), delay (seconds before answering),
        truncate_after (n bytes sent of a body whose full length is announced),
        stall_after (n bytes sent, then silence for `stall` seconds, default 60),
        redirect (a Location, with status 302 unless status is given),
        no_length (true: no Content-Length; the connection close ends the body).
      Unknown paths answer 404.
"""
import http.server
import json
import os
import socketserver
import ssl
import subprocess
import sys
import threading
import time

LIFETIME_S = 120


def make_certs(folder):
    os.makedirs(folder, exist_ok=True)

    def run(*args):
        subprocess.run(["openssl", *args], check=True, cwd=folder,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    key = ["-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"]
    run("req", "-x509", *key, "-keyout", "ca.key", "-out", "ca.pem", "-days", "2",
        "-subj", "/CN=zvp test authority",
        "-addext", "basicConstraints=critical,CA:TRUE",
        "-addext", "keyUsage=critical,keyCertSign,cRLSign")
    for name, alt in (("trusted", "IP:127.0.0.1"), ("wrong-host", "DNS:wrong.invalid")):
        with open(os.path.join(folder, name + ".ext"), "w") as ext:
            ext.write("subjectAltName=%s\nbasicConstraints=CA:FALSE\n" % alt)
        run("req", "-new", *key, "-keyout", name + ".key", "-out", name + ".csr",
            "-subj", "/CN=" + name)
        run("x509", "-req", "-in", name + ".csr", "-CA", "ca.pem", "-CAkey", "ca.key",
            "-CAcreateserial", "-days", "2", "-out", name + ".pem", "-extfile", name + ".ext")
    run("req", "-x509", *key, "-keyout", "untrusted.key", "-out", "untrusted.pem", "-days", "2",
        "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1")


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    routes = {}
    log_path = None
    log_lock = threading.Lock()

    def log_message(self, *args):
        pass

    def do_POST(self):
        self.do_GET()

    def do_GET(self):
        with Handler.log_lock, open(Handler.log_path, "a") as log:
            log.write(self.path + "\n")
        route = Handler.routes.get(self.path)
        if route is None:
            route = {"status": 404, "body": "not found"}
        if route.get("delay"):
            time.sleep(route["delay"])
        body = bytes.fromhex(route["body_hex"]) if "body_hex" in route \
            else route.get("body", "").encode("latin-1")
        body *= route.get("repeat", 1)
        status = route.get("status", 302 if "redirect" in route else 200)
        self.send_response(status)
        if "redirect" in route:
            self.send_header("Location", route["redirect"])
        for name, value in route.get("headers", []):
            self.send_header(name, value)
        if not route.get("no_length"):
            self.send_header("Content-Length", str(len(body)))
        self.send_header("Connection", "close")
        self.end_headers()
        self.close_connection = True
        try:
            if "truncate_after" in route:
                self.wfile.write(body[:route["truncate_after"]])
            elif "stall_after" in route:
                self.wfile.write(body[:route["stall_after"]])
                self.wfile.flush()
                time.sleep(route.get("stall", 60))
                self.wfile.write(body[route["stall_after"]:])
            else:
                self.wfile.write(body)
        except OSError:
            pass


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True

    def handle_error(self, request, client_address):
        pass  # refused handshakes and dropped clients are what the tests provoke


def serve(scenario, log_path, cert=None, key=None):
    with open(scenario) as f:
        Handler.routes = json.load(f).get("routes", {})
    Handler.log_path = log_path
    open(log_path, "a").close()
    server = Server(("127.0.0.1", 0), Handler)
    if cert:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(cert, key)
        server.socket = context.wrap_socket(server.socket, server_side=True,
                                             do_handshake_on_connect=False)
    timer = threading.Timer(LIFETIME_S, lambda: os._exit(0))
    timer.daemon = True
    timer.start()
    print(server.server_address[1], flush=True)
    server.serve_forever()


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "certs":
        make_certs(sys.argv[2])
    elif len(sys.argv) in (4, 6) and sys.argv[1] == "serve":
        serve(*sys.argv[2:])
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main()
