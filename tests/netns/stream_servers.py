#!/usr/bin/python3
"""Small stream servers for the stream tests.

  stream_servers.py http ADDRESS PORT FOLDER   HTTP/1.1 with byte ranges
                                               (http.server has none); each
                                               request's range goes to stdout
  stream_servers.py rtsp ADDRESS PORT WAV      a live tone at rtsp://ADDRESS:PORT/live,
                                               the WAV file, seekable, at .../file
"""
import http.server
import os
import re
import sys


class RangeHandler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    folder = "."

    def do_HEAD(self):
        self.reply(False)

    def do_GET(self):
        self.reply(True)

    def reply(self, body):
        path = os.path.join(self.folder, os.path.basename(self.path))
        if not os.path.isfile(path):
            self.send_error(404)
            return
        size = os.path.getsize(path)
        start, end = 0, size - 1
        wanted = re.fullmatch(r"bytes=(\d*)-(\d*)", self.headers.get("Range", ""))
        if wanted and (wanted[1] or wanted[2]):
            if wanted[1]:
                start = int(wanted[1])
                end = min(int(wanted[2]), size - 1) if wanted[2] else size - 1
            else:
                start = max(0, size - int(wanted[2]))
            if start > end:
                self.send_response(416)
                self.send_header("Content-Range", f"bytes */{size}")
                self.send_header("Content-Length", "0")
                self.end_headers()
                return
            self.send_response(206)
            self.send_header("Content-Range", f"bytes {start}-{end}/{size}")
        else:
            self.send_response(200)
        print(f"{self.command} {self.path} {start}-{end}", flush=True)
        self.send_header("Accept-Ranges", "bytes")
        self.send_header("Content-Length", str(end - start + 1))
        self.send_header("Content-Type", "application/octet-stream")
        self.end_headers()
        if not body:
            return
        with open(path, "rb") as media:
            media.seek(start)
            left = end - start + 1
            while left > 0:
                chunk = media.read(min(65536, left))
                if not chunk:
                    break
                try:
                    self.wfile.write(chunk)
                except (BrokenPipeError, ConnectionResetError):
                    return
                left -= len(chunk)

    def log_message(self, *args):
        pass


def serve_rtsp(address, port, wav):
    import gi

    gi.require_version("Gst", "1.0")
    gi.require_version("GstRtspServer", "1.0")
    from gi.repository import GLib, Gst, GstRtspServer

    Gst.init(None)
    server = GstRtspServer.RTSPServer()
    server.set_address(address)
    server.set_service(str(port))
    factory = GstRtspServer.RTSPMediaFactory()
    factory.set_launch(
        "( audiotestsrc is-live=true ! audio/x-raw,rate=8000,channels=1 ! audioconvert ! rtpL16pay name=pay0 )")
    factory.set_shared(True)
    server.get_mount_points().add_factory("/live", factory)
    recorded = GstRtspServer.RTSPMediaFactory()
    recorded.set_launch(
        "( filesrc location=\"%s\" ! wavparse ! audioconvert ! rtpL16pay name=pay0 )" % wav)
    server.get_mount_points().add_factory("/file", recorded)
    if server.attach(None) == 0:
        sys.exit("cannot listen on %s:%s" % (address, port))
    print("ready", flush=True)
    GLib.MainLoop().run()


if __name__ == "__main__":
    if len(sys.argv) == 5 and sys.argv[1] == "http":
        RangeHandler.folder = sys.argv[4]
        server = http.server.ThreadingHTTPServer((sys.argv[2], int(sys.argv[3])), RangeHandler)
        print("ready", flush=True)
        server.serve_forever()
    elif len(sys.argv) == 5 and sys.argv[1] == "rtsp":
        serve_rtsp(sys.argv[2], int(sys.argv[3]), sys.argv[4])
    else:
        sys.exit(__doc__)
