#!/usr/bin/env python3
# Serves the page's folder as a static host should (docs/web.md): each file as its type
# (.wasm as application/wasm) and, to a browser that takes it, as the Brotli or gzip copy
# that scripts/web writes beside it (FILE.br, FILE.gz), with Content-Encoding, and every
# answer with "Vary: Accept-Encoding". For scripts/web --serve, the web test and the bench.
#
#   serve.py FOLDER PORT        (on 127.0.0.1; Ctrl+C stops)
import argparse
import http.server
import os


class Handler(http.server.SimpleHTTPRequestHandler):
    protocol_version = 'HTTP/1.1'  # connections kept, as a host keeps them

    def send_head(self):
        path = self.translate_path(self.path)
        if os.path.isdir(path) and self.path.endswith('/'):
            path = os.path.join(path, 'index.html')
        taken = [coding.split(';')[0].strip() for coding in self.headers.get('Accept-Encoding', '').split(',')]
        for suffix, coding in (('.br', 'br'), ('.gz', 'gzip')):
            if coding in taken and os.path.isfile(path + suffix):
                body = open(path + suffix, 'rb')
                self.send_response(200)
                self.send_header('Content-Type', self.guess_type(path))
                self.send_header('Content-Encoding', coding)
                self.send_header('Content-Length', str(os.fstat(body.fileno()).st_size))
                self.end_headers()
                return body
        return super().send_head()

    def end_headers(self):
        self.send_header('Vary', 'Accept-Encoding')  # on every answer: those with copies need it
        super().end_headers()


if __name__ == '__main__':
    parser = argparse.ArgumentParser(description='Serves the page\'s folder on 127.0.0.1.')
    parser.add_argument('folder')
    parser.add_argument('port', type=int)
    options = parser.parse_args()
    handler = lambda *args: Handler(*args, directory=options.folder)
    http.server.ThreadingHTTPServer(('127.0.0.1', options.port), handler).serve_forever()
