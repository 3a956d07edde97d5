#!/usr/bin/env python3
"""A stand-in for the maker's web service, for tests: listens on 127.0.0.1 only.

Prints the port it listens on as the first line of its standard output, then serves
until its standard input ends (so it never outlives a test that dies) or it is killed. Run it once for plain HTTP and once more with --cert/--key for HTTPS;
both may share the replies file and the log.

The replies file (JSON) is read on every request, so a test may rewrite it at any time
(replace it as a whole, by renaming a new file over it):

    {"/path": {"status": 200, "body": "text",
               "content_type": "text/plain; charset=iso-8859-1",
               "delay": 0.5, "chunks": 4, "chunk_delay": 0.2,
               "headers": {"Location": "file:///etc/passwd"}, "reset_after": 100}}

- content_type: sent as given ("" sends none); when absent, "text/plain; charset=utf-8".
  The body is encoded in the charset it declares when Python knows it, else in UTF-8.
- delay: seconds to wait before answering (a large value: never answers).
- chunks / chunk_delay: the body goes out in that many pieces with a pause before each
  piece after the first.
- headers: further header lines, sent as given.
- reset_after: after this many bytes of the body the connection is reset (TCP RST),
  while the Content-Length still promises the whole body.
A path missing from the file gets a 404 with a small HTML page.

Every request is appended to the log file as one JSON line:
    {"path", "method", "secure", "headers": {name: value}, "body": latin-1 text,
     "form": [[name, value], ...] or null}
where "form" is the body decoded as UTF-8 by urllib.parse.parse_qsl, the reference
decoder of the form encoding.
"""

import argparse
import codecs
import email.message
import json
import os
import socket
import ssl
import struct
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

DEFAULT_CONTENT_TYPE = "text/plain; charset=utf-8"
NOT_FOUND_PAGE = "<html><body><h1>404 Not Found</h1></body></html>"


def charset_of(content_type):
    message = email.message.Message()
    message["content-type"] = content_type
    charset = message.get_param("charset")
    if isinstance(charset, str):
        try:
            codecs.lookup(charset)
            return charset
        except LookupError:
            pass
    return "utf-8"


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "MurmletTestServer/1"

    def setup(self):
        # With TLS the handshake runs here, on the request's own thread, so a client that
        # stalls or gives up half way never blocks the listening loop.
        if isinstance(self.request, ssl.SSLSocket):
            self.request.do_handshake()
        super().setup()

    def log_message(self, format, *args):  # noqa: A002 - the base class's name
        pass

    def do_GET(self):
        self.answer()

    def do_POST(self):
        self.answer()

    def answer(self):
        length = int(self.headers.get("Content-Length") or 0)
        body = self.rfile.read(length) if length > 0 else b""
        self.server.record(self, body)

        reply = self.server.reply_for(urllib.parse.urlsplit(self.path).path)
        if reply is None:
            reply = {"status": 404, "body": NOT_FOUND_PAGE,
                     "content_type": "text/html; charset=utf-8"}
        delay = float(reply.get("delay", 0))
        if delay > 0:
            time.sleep(delay)

        content_type = reply.get("content_type", DEFAULT_CONTENT_TYPE)
        data = reply.get("body", "").encode(charset_of(content_type))
        chunks = max(1, int(reply.get("chunks", 1)))
        chunk_delay = float(reply.get("chunk_delay", 0))
        reset_after = reply.get("reset_after")
        try:
            self.send_response(int(reply.get("status", 200)))
            if content_type:
                self.send_header("Content-Type", content_type)
            for name, value in reply.get("headers", {}).items():
                self.send_header(name, value)
            self.send_header("Content-Length", str(len(data)))
            self.end_headers()
            if reset_after is not None:
                self.wfile.write(data[:int(reset_after)])
                self.wfile.flush()
                time.sleep(0.05)  # let the first part arrive before the reset
                # A zero linger time makes close() send RST instead of FIN.
                self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER,
                                           struct.pack("ii", 1, 0))
                self.connection.close()
                self.close_connection = True
                return
            step = -(-len(data) // chunks) if data else 0
            for i in range(chunks):
                if i > 0 and chunk_delay > 0:
                    self.wfile.flush()
                    time.sleep(chunk_delay)
                self.wfile.write(data[i * step:(i + 1) * step])
            self.wfile.flush()
        except (BrokenPipeError, ConnectionResetError, ssl.SSLError):
            pass  # the client gave up waiting

    def finish(self):
        try:
            super().finish()
        except OSError:
            pass  # the connection was reset on purpose


class Server(ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self, replies, log, secure):
        super().__init__(("127.0.0.1", 0), Handler)
        self.replies = replies
        self.log = log
        self.secure = secure
        self.log_lock = threading.Lock()

    def reply_for(self, path):
        try:
            with open(self.replies, encoding="utf-8") as f:
                replies = json.load(f)
        except (OSError, ValueError):
            return None
        return replies.get(path)

    def record(self, handler, body):
        try:
            form = urllib.parse.parse_qsl(body.decode("utf-8"), keep_blank_values=True,
                                          strict_parsing=False)
        except UnicodeDecodeError:
            form = None
        entry = {
            "path": handler.path,
            "method": handler.command,
            "secure": self.secure,
            "headers": {name: value for name, value in handler.headers.items()},
            "body": body.decode("latin-1"),
            "form": form,
        }
        line = (json.dumps(entry, ensure_ascii=True) + "\n").encode("ascii")
        with self.log_lock:
            # One write of a whole line in append mode, so that the second server process
            # sharing the log never splits it.
            fd = os.open(self.log, os.O_WRONLY | os.O_APPEND | os.O_CREAT, 0o644)
            try:
                os.write(fd, line)
            finally:
                os.close(fd)

    def handle_error(self, request, client_address):
        print("webserver: request failed:", sys.exc_info()[1], file=sys.stderr, flush=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--replies", required=True, help="JSON file: path -> reply")
    parser.add_argument("--log", required=True, help="file to append a JSON line per request")
    parser.add_argument("--cert", help="server certificate (PEM): serve HTTPS")
    parser.add_argument("--key", help="the certificate's private key (PEM)")
    args = parser.parse_args()

    server = Server(args.replies, args.log, bool(args.cert))
    if args.cert:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(args.cert, args.key)
        server.socket = context.wrap_socket(server.socket, server_side=True,
                                            do_handshake_on_connect=False)
    print(server.server_address[1], flush=True)
    threading.Thread(target=serve_until_stdin_ends, daemon=True).start()
    server.serve_forever()


def serve_until_stdin_ends():
    while sys.stdin.buffer.read(4096):
        pass
    os._exit(0)


if __name__ == "__main__":
    main()
