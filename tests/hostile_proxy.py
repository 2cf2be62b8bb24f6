#!/usr/bin/env python3
"""A broken middlebox between the game and its server, for the end-to-end
tests: it forwards every request to the real server and, for a random share of
them, answers instead (each kind in turn) with an empty, truncated, huge (10 MB), binary, "fail", another
request kind's, late (past the game's 20 s time-out) or reset reply.

  hostile_proxy.py PORT_FILE UPSTREAM_FILE SEED FAULT_SHARE

UPSTREAM_FILE holds the real server's address (read at each request, so the
server can start after the proxy, knowing the proxy's address). When the
file "clean.count" beside it holds a number N, the next N requests pass
untouched (a test lets a game log in before the faults begin). It listens on a free loopback port, writes that port to PORT_FILE, and logs
one line per request to stdout: "fault KIND PATH" or "passed PATH".
"""
import http.server
import random
import socket
import socketserver
import struct
import sys
import threading
import time
import urllib.error
import urllib.request

FAULTS = ["empty", "truncated", "huge", "binary", "fail", "wrong", "late", "reset"]

port_file, upstream_file, seed, share = sys.argv[1], sys.argv[2], int(sys.argv[3]), float(sys.argv[4])
chance = random.Random(seed)
chance_lock = threading.Lock()
genuine_replies = []  # the last genuine replies, for "wrong" faults
log_lock = threading.Lock()


def log(line):
    with log_lock:
        print(line, flush=True)


def route(path):
    return path.split("?", 1)[0].rsplit("/", 1)[-1]


def take_clean_request():
    """True while the test's count of untouched requests lasts (and counts one down)."""
    try:
        with open("clean.count") as count_file:
            left = int(count_file.read() or 0)
    except (OSError, ValueError):
        return False
    if left <= 0:
        return False
    with open("clean.count", "w") as count_file:
        count_file.write(str(left - 1))
    return True


faults_served = 0


def pick_fault():
    """None to pass the request; else the next fault, in turn, so a short run meets every kind."""
    global faults_served
    with chance_lock:
        if take_clean_request() or chance.random() >= share:
            return None
        faults_served += 1
        return FAULTS[(faults_served - 1) % len(FAULTS)]


def forward(method, path, body):
    with open(upstream_file) as source:
        upstream = source.read().strip()
    request = urllib.request.Request(upstream + path, data=body, method=method)
    try:
        with urllib.request.urlopen(request, timeout=30) as reply:
            return reply.status, reply.read()
    except urllib.error.HTTPError as error:
        return error.code, error.read()
    except (urllib.error.URLError, OSError):
        return 502, b""


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def answer(self, status, body):
        self.send_response(status)
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def reset(self):
        # SO_LINGER with a zero time-out: close sends a reset, not a goodbye.
        self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        self.connection.close()
        self.close_connection = True

    def handle_any(self, method):
        length = int(self.headers.get("Content-Length") or 0)
        body = self.rfile.read(length) if length else None
        fault = pick_fault()
        log(("fault %s " % fault if fault else "passed ") + route(self.path))
        if fault == "reset":
            return self.reset()
        if fault == "late":
            time.sleep(25)
        status, reply = forward(method, self.path, body)
        if fault is None or fault == "late":
            with chance_lock:
                genuine_replies[:] = genuine_replies[-20:] + [reply]
            return self.answer(status, reply)
        if fault == "empty":
            reply = b""
        elif fault == "truncated":
            reply = reply[: len(reply) // 2]
        elif fault == "huge":
            reply = reply + b"9" * (10 * 1024 * 1024)
        elif fault == "binary":
            with chance_lock:
                reply = bytes(chance.randrange(256) for _ in range(300))
        elif fault == "fail":
            reply = b"fail"
        elif fault == "wrong":
            with chance_lock:
                others = [r for r in genuine_replies if r != reply]
                reply = chance.choice(others) if others else b"success 1 2 3"
        self.answer(200, reply)

    def do_GET(self):
        self.handle_any("GET")

    def do_POST(self):
        self.handle_any("POST")


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True


server = Server(("127.0.0.1", 0), Handler)
with open(port_file, "w") as out:
    out.write(str(server.server_address[1]))
server.serve_forever()
