#!/usr/bin/python3
"""Local stand-in for the Pelmora web service, for the demo and the end-to-end tests.

Listens on 127.0.0.1 only. Besides the Test and Login endpoints it carries a control endpoint
(/_control) through which a test switches faults on and off while the service runs, and an
optional proxy listener (or two, on different ports, standing for two networks' proxies)
that demands Basic proxy credentials.
"""

import argparse
import base64
import binascii
import hmac
import http.client
import json
import os
import select
import signal
import socket
import ssl
import struct
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import parse_qs, urlsplit
from xml.sax.saxutils import escape

TEST_PATH = "/Pelmora/Pelmora/CheckSqlServerRunning"
LOGIN_PATH = "/Pelmora/Pelmora/Login"
CONTROL_PATH = "/_control"
# A server (not a proxy) that answers 407 as a proxy would, and one that redirects to ?to=URL.
PROXY_AUTH_PATH = "/_proxy_auth"
REDIRECT_PATH = "/_redirect"
FAULTS = ("down", "slow", "trickle", "huge", "status500", "not_xml", "db_down", "open_tunnel")
# The huge fault's body: four times what a client may take (16 MiB), sent in these pieces.
HUGE_BODY_BYTES = 64 << 20
HUGE_PIECE = b"x" * (1 << 16)
LOOPBACK_HOSTS = ("127.0.0.1", "localhost")
DEFAULT_ACCOUNTS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "demo-accounts.json")

MSG_REFUSED = "会社IDまたはパスワードが正しくありません。"
MSG_DB_DOWN = "データベースに接続できません。しばらくしてから接続してください。"
NOT_XML_BODY = b"Service temporarily unavailable - maintenance in progress\n"


def log(text):
    sys.stderr.write("pelmora-service: %s\n" % text)
    sys.stderr.flush()


class ServiceState:
    """Accounts, fault switches and a record of the requests seen, shared by all listeners."""

    def __init__(self, accounts, faults=(), slow_limit=120.0, proxy_credentials=None):
        self.accounts = accounts  # company ID -> password
        self.faults = {name: name in faults for name in FAULTS}
        self.slow_limit = slow_limit
        self.proxy_credentials = proxy_credentials
        self.requests = []
        self._lock = threading.Lock()

    def fault(self, name):
        with self._lock:
            return self.faults[name]

    def set_faults(self, changes):
        with self._lock:
            for name, on in changes.items():
                self.faults[name] = on

    def record(self, entry):
        with self._lock:
            self.requests.append(entry)

    def snapshot(self):
        with self._lock:
            return {"faults": dict(self.faults), "requests": list(self.requests)}

    def reset(self):
        with self._lock:
            self.faults = {name: False for name in FAULTS}
            self.requests = []

    def accepts(self, company_id, password):
        expected = self.accounts.get(company_id)
        return expected is not None and hmac.compare_digest(
            expected.encode("utf-8"), password.encode("utf-8"))


def load_accounts(path):
    with open(path, encoding="utf-8") as f:
        data = json.load(f)
    return {a["company_id"]: a["password"] for a in data["accounts"]}


def login_envelope(success, message=None):
    """The service's XML answer, in Shift_JIS as the deployed service sends it."""
    lines = ['<?xml version="1.0" encoding="Shift_JIS"?>', "<Response>",
             "<Success>%s</Success>" % ("true" if success else "false")]
    if message is not None:
        lines.append("<Error><Message>%s</Message></Error>" % escape(message))
    lines.append("</Response>")
    return ("\r\n".join(lines) + "\r\n").encode("shift_jis")


class QuietHandler(BaseHTTPRequestHandler):
    """Keep-alive handler whose access log never shows query strings (they may hold passwords)."""

    protocol_version = "HTTP/1.1"
    # Headers and body go out in two writes; with Nagle's algorithm the body would wait for the
    # client's delayed ACK (some 40 ms on Linux loopback) and every answer would look slow.
    disable_nagle_algorithm = True
    listener = "http"

    def log_request(self, code="-", size="-"):
        path = urlsplit(self.path).path if "://" not in self.path else self.path.split("?")[0]
        log("%s %s %s -> %s" % (self.listener, self.command, path, code))

    def log_message(self, format, *args):  # noqa: A002 - the base class's name
        log(format % args)

    def read_body(self):
        length = int(self.headers.get("Content-Length") or 0)
        return self.rfile.read(length) if length > 0 else b""

    def send_body(self, status, body, content_type="text/plain; charset=us-ascii", headers=()):
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        for name, value in headers:
            self.send_header(name, value)
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)


class ServiceHandler(QuietHandler):
    def do_GET(self):
        self.dispatch()

    def do_POST(self):
        self.dispatch()

    def dispatch(self):
        state = self.server.state
        url = urlsplit(self.path)
        body = self.read_body()
        if url.path.startswith(CONTROL_PATH):
            return self.control(url, body)
        if state.fault("down"):
            return self.drop_connection()
        params, bad_encoding = self.parameters(url, body)
        state.record({"listener": self.listener, "method": self.command, "path": url.path,
                      "query_in_url": bool(url.query),
                      "content_type": self.headers.get("Content-Type", ""),
                      "params": sorted(params), "company_id": params.get("会社ID"),
                      "proxy_authorization": "Proxy-Authorization" in self.headers})
        if state.fault("slow") and not self.hold_while_slow():
            self.close_connection = True
            return
        if state.fault("trickle"):
            return self.trickle()
        if state.fault("huge"):
            return self.send_huge()
        if state.fault("status500"):
            return self.send_body(500, b"Internal Server Error\n")
        if state.fault("not_xml"):
            return self.send_body(200, NOT_XML_BODY, "text/html")
        if url.path == TEST_PATH:
            return self.send_body(200, b"false" if state.fault("db_down") else b"true")
        if url.path == LOGIN_PATH:
            if bad_encoding:
                return self.send_body(400, b"parameters are not UTF-8\n")
            return self.login(params)
        if url.path == PROXY_AUTH_PATH:
            return self.answer_as_proxy()
        if url.path == REDIRECT_PATH:
            return self.send_body(302, b"", headers=[("Location", params.get("to", "/"))])
        if url.path == "/":
            return self.send_body(200, b"Pelmora local service\n")
        self.send_body(404, b"Not Found\n")

    def parameters(self, url, body):
        """Query and form parameters, UTF-8, the form winning over the query on a clash."""
        params = {}
        sources = [url.query]
        if self.headers.get("Content-Type", "").startswith("application/x-www-form-urlencoded"):
            sources.append(body.decode("ascii", "replace"))
        try:
            for source in sources:
                for name, values in parse_qs(source, keep_blank_values=True,
                                             encoding="utf-8", errors="strict").items():
                    params[name] = values[-1]
        except UnicodeDecodeError:
            return {}, True
        return params, False

    def login(self, params):
        state = self.server.state
        if state.fault("db_down"):
            answer = login_envelope(False, MSG_DB_DOWN)
        elif state.accepts(params.get("会社ID", ""), params.get("パスワード", "")):
            answer = login_envelope(True)
        else:
            answer = login_envelope(False, MSG_REFUSED)
        log("login %r: %s" % (params.get("会社ID"), "accepted" if b">true<" in answer else "refused"))
        self.send_body(200, answer, "text/xml; charset=Shift_JIS")

    def answer_as_proxy(self):
        """407 with a Basic challenge; 200 when proxy credentials came anyway, which they never
        should: this is no proxy."""
        if "Proxy-Authorization" in self.headers:
            return self.send_body(200, b"proxy credentials reached a server\n")
        self.send_body(407, b"Proxy authentication required\n",
                       headers=[("Proxy-Authenticate", 'Basic realm="not a proxy"')])

    def hold_while_slow(self):
        """Wait while the slow fault is on. False when the client gave up first."""
        deadline = time.monotonic() + self.server.state.slow_limit
        while self.server.state.fault("slow") and time.monotonic() < deadline:
            readable, _, _ = select.select([self.connection], [], [], 0.1)
            if readable and self.peer_closed():
                log("%s client gave up while the service was slow" % self.listener)
                return False
        return True

    def trickle(self):
        """An answer that never ends: a byte every tenth of a second, each well within any read
        time-out, until the client gives up or --slow-limit seconds pass."""
        self.send_response(200)
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", "1000000")
        self.end_headers()
        self.close_connection = True
        deadline = time.monotonic() + self.server.state.slow_limit
        try:
            while time.monotonic() < deadline:
                self.wfile.write(b"t")
                self.wfile.flush()
                time.sleep(0.1)
        except OSError:
            log("%s client gave up on the trickle" % self.listener)

    def send_huge(self):
        """A body four times what a client may take; records how much of it went out before the
        client closed the connection."""
        self.send_response(200)
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", str(HUGE_BODY_BYTES))
        self.end_headers()
        self.close_connection = True
        sent = 0
        try:
            while sent < HUGE_BODY_BYTES:
                self.wfile.write(HUGE_PIECE)
                sent += len(HUGE_PIECE)
            self.wfile.flush()
        except OSError:
            pass
        self.server.state.record({"listener": self.listener, "huge_sent": sent,
                                  "huge_complete": sent >= HUGE_BODY_BYTES})

    def peer_closed(self):
        if isinstance(self.connection, ssl.SSLSocket):
            return True  # a waiting client sends nothing more: readable means alert or close
        try:
            return self.connection.recv(1, socket.MSG_PEEK) == b""
        except OSError:
            return True

    def drop_connection(self):
        """Answer nothing and reset the connection, as a dead service host would."""
        self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        self.close_connection = True
        log("%s dropped %s %s (down)" % (self.listener, self.command, urlsplit(self.path).path))

    def control(self, url, body):
        state = self.server.state
        if self.client_address[0] not in ("127.0.0.1", "::1"):
            return self.send_body(403, b"loopback only\n")
        if self.command == "POST":
            form = parse_qs(body.decode("ascii", "replace") or url.query)
            if form.get("reset"):
                state.reset()
            changes = {}
            for name, values in form.items():
                if name in FAULTS:
                    changes[name] = values[-1] in ("1", "true", "on")
                elif name != "reset":
                    return self.send_body(400, ("unknown switch %s\n" % name).encode())
            state.set_faults(changes)
            log("control: faults now %s" % [n for n, on in state.snapshot()["faults"].items() if on])
        answer = json.dumps(state.snapshot(), ensure_ascii=False).encode("utf-8")
        self.send_body(200, answer, "application/json; charset=utf-8")


class ProxyHandler(QuietHandler):
    """A forwarding proxy for loopback targets that wants Basic proxy credentials."""

    listener = "proxy"
    HOP_BY_HOP = {"connection", "keep-alive", "proxy-authorization", "proxy-connection", "te",
                  "trailer", "transfer-encoding", "upgrade", "host", "content-length"}

    def do_GET(self):
        self.forward()

    def do_POST(self):
        self.forward()

    def offered_user(self):
        """The user name of Basic proxy credentials given, and whether they are the right ones."""
        scheme, _, encoded = self.headers.get("Proxy-Authorization", "").partition(" ")
        if scheme.lower() != "basic":
            return None, False
        try:
            given = base64.b64decode(encoded.strip(), validate=True)
        except (binascii.Error, ValueError):
            return None, False
        user, password = self.server.state.proxy_credentials
        right = hmac.compare_digest(given, ("%s:%s" % (user, password)).encode("utf-8"))
        return given.partition(b":")[0].decode("utf-8", "replace"), right

    def authorised(self):
        """Records who asked (the user name, never the password) and whether it may pass."""
        offered, right = self.offered_user()
        self.server.state.record({"listener": self.listener, "refused": not right,
                                  "proxy_user": offered, "method": self.command,
                                  "proxy_authorization": "Proxy-Authorization" in self.headers})
        return right

    def refuse(self):
        self.send_body(407, b"Proxy authentication required\n",
                       headers=[("Proxy-Authenticate", 'Basic realm="Pelmora test proxy"')])

    def forward(self):
        body = self.read_body()
        if not self.authorised():
            return self.refuse()
        target = urlsplit(self.path)
        if not target.scheme and self.headers.get("Host"):
            # Some clients resend an authenticated request in origin form; Host names the target.
            target = urlsplit("http://%s%s" % (self.headers["Host"], self.path))
        if target.scheme != "http" or target.hostname not in LOOPBACK_HOSTS:
            return self.send_body(403, b"this proxy forwards to loopback only\n")
        upstream = http.client.HTTPConnection(target.hostname, target.port or 80,
                                              timeout=self.server.state.slow_limit + 10)
        headers = {k: v for k, v in self.headers.items() if k.lower() not in self.HOP_BY_HOP}
        try:
            upstream.request(self.command, target.path + ("?" + target.query if target.query else ""),
                             body=body, headers=headers)
            answer = upstream.getresponse()
            data = answer.read()
        except (OSError, http.client.HTTPException) as e:
            log("proxy: upstream failed: %s" % e.__class__.__name__)
            return self.send_body(502, b"Bad Gateway\n")
        finally:
            upstream.close()
        location = answer.getheader("Location")
        self.send_body(answer.status, data, answer.getheader("Content-Type", "text/plain"),
                       headers=[("Location", location)] if location else ())

    def do_CONNECT(self):
        if not self.server.state.fault("open_tunnel") and not self.authorised():
            return self.refuse()
        host, _, port = self.path.rpartition(":")
        if host not in LOOPBACK_HOSTS or not port.isdigit():
            return self.send_body(403, b"this proxy tunnels to loopback only\n")
        try:
            upstream = socket.create_connection((host, int(port)), timeout=10)
        except OSError:
            return self.send_body(502, b"Bad Gateway\n")
        self.send_response(200, "Connection established")
        self.end_headers()
        self.wfile.flush()
        self.tunnel(upstream)
        self.close_connection = True

    def tunnel(self, upstream):
        sockets = [self.connection, upstream]
        with upstream:
            while True:
                readable, _, _ = select.select(sockets, [], [], 1.0)
                for s in readable:
                    data = s.recv(65536)
                    if not data:
                        return
                    (upstream if s is self.connection else self.connection).sendall(data)


class LoopbackServer(ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True

    def __init__(self, port, handler, state, listener):
        handler_class = type(handler.__name__, (handler,), {"listener": listener})
        super().__init__(("127.0.0.1", port), handler_class)
        self.state = state

    @property
    def port(self):
        return self.server_address[1]


class TlsServer(LoopbackServer):
    """HTTPS listener: the handshake runs in the connection's own thread, not in accept."""

    def __init__(self, port, state, cert, key):
        super().__init__(port, ServiceHandler, state, "https")
        self.context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        self.context.minimum_version = ssl.TLSVersion.TLSv1_2
        self.context.load_cert_chain(cert, key)

    def finish_request(self, request, client_address):
        try:
            tls = self.context.wrap_socket(request, server_side=True)
        except (ssl.SSLError, OSError) as e:
            log("https handshake failed: %s" % e)
            return
        with tls:
            super().finish_request(tls, client_address)


def write_port_file(path, port):
    """Written whole and renamed into place, so a waiter never reads a half-written number."""
    tmp = path + ".tmp"
    with open(tmp, "w") as f:
        f.write("%d\n" % port)
    os.replace(tmp, path)


def parse_args(argv):
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--port", type=int, default=0, help="service port (0: pick a free one)")
    p.add_argument("--port-file", help="write the service port to this file once listening")
    p.add_argument("--accounts", default=DEFAULT_ACCOUNTS, help="JSON file of accounts")
    p.add_argument("--fault", action="append", choices=FAULTS, default=[],
                   help="switch a fault on from the start (repeatable)")
    p.add_argument("--slow-limit", type=float, default=120.0,
                   help="longest time in seconds the slow fault holds an answer")
    p.add_argument("--proxy-port", type=int, help="also run the Basic-auth proxy on this port")
    p.add_argument("--proxy-port-file")
    p.add_argument("--second-proxy-port", type=int,
                   help="also run a second proxy (listener proxy2), another network's proxy")
    p.add_argument("--second-proxy-port-file")
    p.add_argument("--proxy-credentials", default="proxyuser:proxy-pass",
                   help="USER:PASSWORD the proxy demands")
    p.add_argument("--https-port", type=int, help="also serve HTTPS on this port")
    p.add_argument("--https-port-file")
    p.add_argument("--cert", help="PEM certificate for HTTPS")
    p.add_argument("--key", help="PEM private key for HTTPS")
    args = p.parse_args(argv)
    if args.https_port is not None and not (args.cert and args.key):
        p.error("--https-port needs --cert and --key")
    return args


def build_servers(args):
    user, _, password = args.proxy_credentials.partition(":")
    state = ServiceState(load_accounts(args.accounts), args.fault, args.slow_limit,
                         (user, password))
    servers = [(LoopbackServer(args.port, ServiceHandler, state, "http"), args.port_file)]
    if args.proxy_port is not None:
        servers.append((LoopbackServer(args.proxy_port, ProxyHandler, state, "proxy"),
                        args.proxy_port_file))
    if args.second_proxy_port is not None:
        servers.append((LoopbackServer(args.second_proxy_port, ProxyHandler, state, "proxy2"),
                        args.second_proxy_port_file))
    if args.https_port is not None:
        servers.append((TlsServer(args.https_port, state, args.cert, args.key),
                        args.https_port_file))
    return state, servers


def main(argv=None):
    sys.stderr.reconfigure(errors="backslashreplace")
    args = parse_args(argv)
    _, servers = build_servers(args)
    stop = threading.Event()
    signal.signal(signal.SIGTERM, lambda *_: stop.set())
    signal.signal(signal.SIGINT, lambda *_: stop.set())
    for server, _ in servers:
        # Each listener's shutdown waits for one poll; the test fixture waits for them all.
        threading.Thread(target=server.serve_forever, kwargs={"poll_interval": 0.05},
                         daemon=True).start()
    for server, port_file in servers:
        log("%s listening on 127.0.0.1:%d" % (server.RequestHandlerClass.listener, server.port))
        if port_file:
            write_port_file(port_file, server.port)
    stop.wait()
    for server, _ in servers:
        server.shutdown()
        server.server_close()
    log("stopped")
    return 0


if __name__ == "__main__":
    sys.exit(main())
