#!/usr/bin/env bash
# Serves the web build's site for a person to open in a browser:
#   web-serve.sh [SITE_FOLDER] [PORT]      (default build-web/site, port 8080)
# on 127.0.0.1 only; Ctrl+C stops it. Any static web server serves the site as
# well; this one sends the types browsers insist on (application/wasm) and
# tells them not to cache, so a rebuilt site is what they load.
set -euo pipefail
site="${1:-build-web/site}"
port="${2:-8080}"
if [ ! -f "$site/index.html" ]; then
  echo "web-serve: no site in $site (make web builds it)" >&2
  exit 1
fi
case "$port" in
  ''|*[!0-9]*) echo "web-serve: $port is not a port number" >&2; exit 1 ;;
esac
echo "Serving $site at http://127.0.0.1:$port/ (Ctrl+C stops)"
exec python3 - "$site" "$port" <<'PYTHON'
import functools, http.server, sys

class Handler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map,
                      ".wasm": "application/wasm", ".js": "text/javascript", ".data": "application/octet-stream"}

    def end_headers(self):
        self.send_header("Cache-Control", "no-store")
        super().end_headers()

site, port = sys.argv[1], int(sys.argv[2])
handler = functools.partial(Handler, directory=site)
try:
    with http.server.ThreadingHTTPServer(("127.0.0.1", port), handler) as server:
        server.serve_forever()
except OSError as error:
    sys.exit(f"web-serve: cannot serve on 127.0.0.1:{port}: {error.strerror}")
except KeyboardInterrupt:
    pass
PYTHON
