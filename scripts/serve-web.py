#!/usr/bin/env python3
"""Serves the web build on 127.0.0.1 with the two headers that shared memory needs.

Browsers give a page SharedArrayBuffer (which the audio ring and the threads rest on) only
when it is cross-origin isolated, so every answer carries COOP and COEP. Usage:
    serve-web.py [--port 8080] [--dir build/web] [--quiet]
"""
import argparse
import functools
import http.server
import sys


class IsolatedHandler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {
        **http.server.SimpleHTTPRequestHandler.extensions_map,
        ".wasm": "application/wasm",
        ".js": "text/javascript",
        ".mjs": "text/javascript",
        ".webmanifest": "application/manifest+json",
        ".clx": "text/plain",
    }
    quiet = False

    def end_headers(self):
        self.send_header("Cross-Origin-Opener-Policy", "same-origin")
        self.send_header("Cross-Origin-Embedder-Policy", "require-corp")
        self.send_header("Cross-Origin-Resource-Policy", "same-origin")
        # The service worker decides what is cached; the server must not serve stale builds.
        self.send_header("Cache-Control", "no-cache")
        super().end_headers()

    def log_message(self, format, *args):
        if not self.quiet:
            super().log_message(format, *args)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--port", type=int, default=8080)
    parser.add_argument("--dir", default="build/web")
    parser.add_argument("--quiet", action="store_true")
    args = parser.parse_args()
    IsolatedHandler.quiet = args.quiet
    handler = functools.partial(IsolatedHandler, directory=args.dir)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", args.port), handler)
    print(f"Serving {args.dir} on http://127.0.0.1:{server.server_address[1]}/", flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    return 0


if __name__ == "__main__":
    sys.exit(main())
