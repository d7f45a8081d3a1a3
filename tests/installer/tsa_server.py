#!/usr/bin/env python3
"""tsa_server.py FOLDER: an RFC 3161 time-stamp authority on a loopback port, for the release
test. FOLDER holds tsa.pem, tsa.key and ts.cnf; each query posted to any path is answered by
`openssl ts -reply`. The port goes to FOLDER/port once the server listens; each query answered
adds a line to FOLDER/answered. It stops by itself after an hour, or at SIGTERM."""
import http.server
import os
import signal
import subprocess
import sys
import threading

folder = os.path.abspath(sys.argv[1])


class Authority(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        query = self.rfile.read(int(self.headers.get("Content-Length", "0")))
        reply = subprocess.run(
            ["openssl", "ts", "-reply", "-config", "ts.cnf", "-queryfile", "/dev/stdin",
             "-signer", "tsa.pem", "-inkey", "tsa.key", "-out", "/dev/stdout"],
            input=query, capture_output=True, cwd=folder)
        if reply.returncode != 0 or not reply.stdout:
            sys.stderr.write(reply.stderr.decode(errors="replace"))
            self.send_error(500)
            return
        with open(os.path.join(folder, "answered"), "a") as answered:
            answered.write(self.headers.get("Content-Type", "") + "\n")
        self.send_response(200)
        self.send_header("Content-Type", "application/timestamp-reply")
        self.send_header("Content-Length", str(len(reply.stdout)))
        self.end_headers()
        self.wfile.write(reply.stdout)

    def log_message(self, *args):
        pass


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Authority)
signal.signal(signal.SIGTERM, lambda *args: threading.Thread(target=server.shutdown).start())
threading.Timer(3600, server.shutdown).start()
with open(os.path.join(folder, "port.tmp"), "w") as port:
    port.write(str(server.server_address[1]))
os.replace(os.path.join(folder, "port.tmp"), os.path.join(folder, "port"))
server.serve_forever()
os._exit(0)
