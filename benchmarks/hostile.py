#!/usr/bin/env python3
"""Measures zembrel-check against hostile servers, through a proxy on 127.0.0.1.

    python3 benchmarks/hostile.py BUILD_FOLDER [endless-headers|closed|hosts N]

endless-headers: every answer is a status line followed by header lines that
    never end; prints the peak memory and run time for time-outs of 5, 20 and
    60 s.
closed: one friend link whose server reads the request and closes the kept-
    alive connection without an answer; prints how often it was asked for.
hosts N: N friend links, each to its own host, through a keep-alive proxy;
    prints the outcome, the most descriptors open at once and the CPU time
    per row over each thousand rows.
"""

import os
import socket
import socketserver
import subprocess
import sys
import tempfile
import threading
import time
from collections import Counter

BUILD = sys.argv[1]
CHECK = os.path.join(BUILD, "src/cli/zembrel-check")
ENV = dict(os.environ, QT_QPA_PLATFORM="offscreen", LC_ALL="C.UTF-8",
           XDG_RUNTIME_DIR=tempfile.mkdtemp(), QTWEBENGINE_DISABLE_SANDBOX="1")
for name in ("http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "no_proxy"):
    ENV.pop(name, None)

SHOP = ("<html><body><div class=\"shop-info-simple\">\n"
        "掌柜：<a href=\"http://member.taobao.com/a\">卖家甲</a>"
        "<img src=\"http://pics.taobao.com/newrank/s_red_3.gif\" alt=\"\">\n"
        "<ul><li>好评率：<span>99.50%</li>\n<li>创店时间<span>2008-05-01</li></ul></div>\n"
        "<div>友情链接<ul><li><a href=\"http://myshop.taobao.com\">我的小店</a></li></ul></div>\n"
        "</body></html>\n").encode("gbk")


def own_page(hosts):
    links = "".join(f"<a href=\"http://{host}/\" target=\"_blank\">店{i}</a>\n"
                    for i, host in enumerate(hosts))
    return ("<html><head><title>首页-我的小店 - 淘宝网</title></head><body>\n"
            "<div class=\"links\"><h3>友情链接</h3><ul>\n" + links +
            "</ul></div></body></html>\n").encode("gbk")


class Proxy(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True

    def __init__(self, mode, hosts):
        super().__init__(("127.0.0.1", 0), Handler)
        self.mode = mode
        self.own = own_page(hosts)
        self.log = Counter()
        self.lock = threading.Lock()


class Handler(socketserver.StreamRequestHandler):
    def handle(self):
        server = self.server
        while True:
            line = self.rfile.readline(65536)
            if not line:
                return
            while self.rfile.readline(65536) not in (b"\r\n", b"\n", b""):
                pass
            url = line.split()[1].decode()
            with server.lock:
                server.log[url] += 1
            if server.mode == "endless-headers":
                self.wfile.write(b"HTTP/1.1 200 OK\r\n")
                padding = b"X-Padding: " + b"a" * 1000 + b"\r\n"
                try:
                    while True:
                        self.wfile.write(padding * 256)
                except OSError:
                    return
            if url.startswith("http://myshop.taobao.com"):
                body = server.own
            elif server.mode == "closed":
                return  # closes the kept-alive connection without an answer
            else:
                body = SHOP
            self.wfile.write(b"HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n"
                             b"Connection: keep-alive\r\nContent-Length: %d\r\n\r\n"
                             % len(body) + body)


def serve(mode, hosts):
    proxy = Proxy(mode, hosts)
    threading.Thread(target=proxy.serve_forever, daemon=True).start()
    return proxy, f"http://127.0.0.1:{proxy.server_address[1]}"


def endless_headers():
    proxy, address = serve("endless-headers", [])
    for timeout in (5, 20, 60):
        start = time.monotonic()
        run = subprocess.run(["/usr/bin/time", "-f", "%M", CHECK, "--proxy", address,
                              "--timeout", str(timeout), "--format", "tsv", "myshop"],
                             env=ENV, capture_output=True, text=True)
        peak_kb = int(run.stderr.strip().splitlines()[-1])
        print(f"time-out {timeout} s: peak {peak_kb / 1024:.1f} MB, "
              f"{time.monotonic() - start:.2f} s, exit {run.returncode}, "
              f"messages {[l for l in run.stderr.splitlines() if '提示' in l]}")


def closed():
    proxy, address = serve("closed", ["shopa.taobao.com"])
    run = subprocess.run([CHECK, "--proxy", address, "--jobs", "1", "--format", "tsv", "myshop"],
                         env=ENV, capture_output=True, text=True)
    print(f"requests: {dict(proxy.log)}")
    print(run.stdout.splitlines()[-1])


def hosts(count):
    names = [f"shop{i}.taobao.com" for i in range(1, count + 1)]
    proxy, address = serve("hosts", names)
    out = tempfile.TemporaryFile()
    check = subprocess.Popen([CHECK, "--proxy", address, "--format", "tsv", "myshop"],
                             env=ENV, stdout=out, stderr=subprocess.PIPE)
    most_fds, marks = 0, []
    tick = os.sysconf("SC_CLK_TCK")
    while check.poll() is None:
        try:
            most_fds = max(most_fds, len(os.listdir(f"/proc/{check.pid}/fd")))
            with open(f"/proc/{check.pid}/stat") as stat:
                fields = stat.read().rsplit(")", 1)[1].split()
            cpu = (int(fields[11]) + int(fields[12])) / tick
        except (FileNotFoundError, ProcessLookupError, IndexError):
            break
        with proxy.lock:
            served = sum(proxy.log.values())
        marks.append((served, cpu))
        time.sleep(0.2)
    stderr = check.communicate()[1].decode()
    out.seek(0)
    rows = out.read().decode().splitlines()[1:]
    statuses = Counter(row.split("\t")[3] for row in rows if row.count("\t") >= 3)
    print(f"rows {len(rows)}, statuses {dict(statuses)}, exit {check.returncode}")
    print(f"messages: {[l for l in stderr.splitlines() if '提示' in l]}")
    print(f"most descriptors open at once: {most_fds}")
    for start in range(0, count, 1000):
        inside = [m for m in marks if start <= m[0] <= start + 1000]
        if len(inside) >= 2 and inside[-1][0] > inside[0][0]:
            per_row = (inside[-1][1] - inside[0][1]) / (inside[-1][0] - inside[0][0]) * 1000
            print(f"rows {start}-{start + 1000}: {per_row:.2f} ms CPU per row")


if __name__ == "__main__":
    mode = sys.argv[2]
    if mode == "endless-headers":
        endless_headers()
    elif mode == "closed":
        closed()
    else:
        hosts(int(sys.argv[3]))
