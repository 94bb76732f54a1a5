#!/usr/bin/env python3
"""Runs every benchmark against the release build and writes RESULTS.md.

Called by run.sh after the build; the first argument is the build folder.
With a second argument "run-time", "render-ahead", "startup" or "history"
only that section's measurements run, and its section of RESULTS.md is
replaced.
"""

import json
import os
import platform
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import threading
import time
from datetime import datetime, timezone
from pathlib import Path

BUILD = Path(sys.argv[1]).resolve()
HERE = Path(__file__).resolve().parent
CHECK = BUILD / "src/cli/zembrel-check"
MARKET = BUILD / "benchmarks/BenchMarket"
# The checks' history goes to a folder of its own, never the user's.
ENV = dict(os.environ, QT_QPA_PLATFORM="offscreen", LC_ALL="C.UTF-8",
           XDG_RUNTIME_DIR=tempfile.mkdtemp(), XDG_DATA_HOME=tempfile.mkdtemp())
if os.geteuid() == 0:
    # The browser's sandbox cannot run as root.
    ENV["QTWEBENGINE_DISABLE_SANDBOX"] = "1"
for name in ("http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "no_proxy"):
    ENV.pop(name, None)

ROWS = 50
DELAY_MS = 200
JOBS = (1, 4, 8)
REPEATS = 3  # of every timing but the slow one-at-a-time runs
RENDER_ROWS = 20
RENDER_JOBS = (0, 2)
MEMORY_ROWS = 100
MIXED_EVERY = 5
PICTURES = 60
PICTURE_DELAY_MS = 300
ELEMENTS = 1_000_000
RUN_TIME_SECTION = "## 1. Run time"
STARTUP_SECTION = "## 3. Start-up"
RENDER_SECTION = "## 6. Redirect rows rendered ahead"
HISTORY_SECTION = "## 7. History"
STARTS = 5
RECORD_ROWS = 200
LISTED_RUNS = 10000
LISTED_ROWS = 20


def log(text):
    print(text, file=sys.stderr, flush=True)


class Market:
    """The mixed marketplace, served by BenchMarket until the block ends.
    With `rendered`, redirect rows lead to a rendered Layout A page; with
    `log`, `requests` collects (time, request) as the requests come."""

    def __init__(self, rows, delay, redirect_every=0, rendered=False, log=False, extra=()):
        self.urls_file = tempfile.NamedTemporaryFile("r", suffix=".txt")
        extra = (["--rendered-shops"] if rendered else []) + (["--log"] if log else []) + \
            list(extra)
        self.process = subprocess.Popen(
            [MARKET, "--rows", str(rows), "--delay", str(delay),
             "--redirect-every", str(redirect_every), "--urls", self.urls_file.name] + extra,
            stdout=subprocess.PIPE, text=True, env=ENV)
        self.proxy = self.process.stdout.readline().strip()
        self.urls = Path(self.urls_file.name).read_text().split()
        self.requests = []
        if log:
            threading.Thread(target=self._collect, daemon=True).start()

    def _collect(self):
        for line in self.process.stdout:
            self.requests.append((time.perf_counter(), line.strip()))

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.process.terminate()
        self.process.wait()
        self.urls_file.close()


def timed(command, repeats):
    """Median wall time in seconds, and the last standard output."""
    times = []
    out = b""
    for _ in range(repeats):
        start = time.perf_counter()
        # curl shows a progress meter in parallel mode even when silent.
        result = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                env=ENV, check=True)
        times.append(time.perf_counter() - start)
        out = result.stdout
    return statistics.median(times), out


def timed_in_turn(commands, repeats):
    """Like timed() for several commands, run in turn so that they share
    whatever else the machine is doing; medians and last outputs by key."""
    times = {key: [] for key in commands}
    outputs = {}
    for _ in range(repeats):
        for key, command in commands.items():
            elapsed, outputs[key] = timed(command, 1)
            times[key].append(elapsed)
    return {key: statistics.median(values) for key, values in times.items()}, outputs


def check_command(proxy, jobs, fmt="json", render_jobs=None, extra=()):
    render = [] if render_jobs is None else ["--render-jobs", str(render_jobs)]
    return [CHECK, "--proxy", proxy, "--jobs", str(jobs), *render, "--format", fmt, *extra,
            "myshop.taobao.com"]


def load_average():
    return os.getloadavg()[0]


def curl_floor(market, jobs, repeats):
    config = Path(tempfile.mkdtemp()) / "curl.cfg"
    config.write_text("".join(f'url = "{u}"\noutput = "/dev/null"\n' for u in market.urls))
    return timed(["curl", "--silent", "--fail", "--proxy", market.proxy,
                  "--parallel", "--parallel-max", str(jobs), "--config", config], repeats)[0]


def run_time():
    log("1. run time")
    results = {}
    with Market(ROWS, DELAY_MS) as market:
        outputs = {}
        for jobs in JOBS:
            repeats = 1 if jobs == 1 else REPEATS
            check_s, outputs[jobs] = timed(check_command(market.proxy, jobs), repeats)
            floor_s = curl_floor(market, jobs, repeats)
            results[jobs] = (check_s, floor_s)
            log(f"   jobs {jobs}: zembrel-check {check_s:.2f} s, curl {floor_s:.2f} s")
        pages = len(market.urls)
    same = len({outputs[j] for j in JOBS}) == 1
    grid = json.loads(outputs[1])["grid"]["cells"]
    return results, pages, same, grid


def run_time_section():
    load = load_and_time()
    times, pages, same, _ = run_time()
    lines = [
        RUN_TIME_SECTION,
        "",
        f"`zembrel-check` over {ROWS} friend links of mixed layouts (of every six rows: "
        "A, B with a rating page, mall C, A, shop-not-found, B with a rating page) "
        f"from `BenchMarket`, which answers every page after {DELAY_MS} ms; "
        f"{pages} pages in all (own page, shop pages, rating pages). "
        f"Floor: curl fetching the same {pages} pages through the same proxy with "
        "`--parallel --parallel-max N`. Medians of "
        f"{REPEATS} runs (one run for N = 1); load average (1/5/15 min) {load}, when the "
        "measurement began.",
        "",
        "| N | zembrel-check --jobs N | curl floor | ratio to floor |",
        "|---|---|---|---|",
    ]
    for jobs in JOBS:
        check_s, floor_s = times[jobs]
        lines.append(f"| {jobs} | {check_s:.2f} s | {floor_s:.2f} s | {check_s / floor_s:.2f}× |")
    speedup = times[1][0] / times[8][0]
    ratio8 = times[8][0] / times[8][1]
    return lines + [
        "",
        f"- `--jobs 8` is {speedup:.1f}× faster than `--jobs 1` (target ≥ 6×: "
        f"{verdict(speedup >= 6)}) and {ratio8:.2f}× the floor "
        f"(target ≤ 1.25×: {verdict(ratio8 <= 1.25)}).",
        f"- The JSON output of all three runs is {'identical' if same else '**different**'}.",
    ]


def extraction():
    log("2. extraction cost")
    out = subprocess.run([BUILD / "benchmarks/ExtractionCost"], stdout=subprocess.PIPE,
                         text=True, check=True, env=ENV).stdout
    rows = []
    for line in out.splitlines()[1:]:
        name, chars, ext, scan, ratio = line.split()
        rows.append((name, int(chars), float(ext), float(scan), float(ratio)))
    return rows


def startup():
    """Medians and maxima of the time to the window shown and to the first
    result, with the window's history and without, started in turn."""
    log("3. start-up")
    shown = {True: [], False: []}
    first = {True: [], False: []}
    browsers = set()
    for _ in range(STARTS):
        for history in (True, False):
            env = dict(ENV, BENCH_LAUNCH_NS=str(time.time_ns()))
            out = subprocess.run([BUILD / "benchmarks/StartupTiming"] +
                                 ([] if history else ["--no-history"]),
                                 stdout=subprocess.PIPE, text=True, check=True, env=env,
                                 timeout=60).stdout
            values = dict(item.split("=") for item in out.split())
            shown[history].append(float(values["shown_ms"]))
            first[history].append(float(values["first_result_ms"]))
            browsers.add(values["browser_processes"])
    return {history: (statistics.median(shown[history]), max(shown[history]),
                      statistics.median(first[history]), max(first[history]))
            for history in (True, False)}, browsers


def load_and_time():
    """The load average (1/5/15 min) and the time, for a section measured on
    a machine that others may share."""
    when = datetime.now(timezone.utc).strftime("%Y-%m-%d %H:%M UTC")
    return "/".join(f"{value:.1f}" for value in os.getloadavg()) + f" at {when}"


def startup_section():
    load = load_and_time()
    times, browsers = startup()
    shown, _, _, _ = times[True]
    difference = shown - times[False][0]
    lines = [
        STARTUP_SECTION,
        "",
        "`StartupTiming` sets the window program up as `src/app/main.cpp` does (browser "
        "environment, application, fetcher, renderer, `Form1`, and the window's history "
        "attached once the window is shown; `--no-history` leaves the history out), offscreen; "
        "the time runs from just before the process is started. The first result is the first "
        "row's verdict of a run (10 links, no redirect rows) against a marketplace that answers "
        f"at once. Medians (maxima) of {STARTS} starts of each, started in turn; load average "
        f"(1/5/15 min) {load}, when the measurement began.",
        "",
        "| to | with the history | without |",
        "|---|---|---|",
    ]
    for label, at in (("window shown (first paint)", 0), ("first result", 2)):
        cells = [f"{times[h][at]:.0f} ms ({times[h][at + 1]:.0f} ms)" for h in (True, False)]
        lines.append(f"| {label} | {cells[0]} | {cells[1]} |")
    lines += [
        "",
        f"Browser helper processes started (when shown/at first result): "
        f"{', '.join(sorted(browsers))}. Target window shown within 100 ms: "
        f"{verdict(shown <= 100)}; start-up unchanged by the history (medians within 10 ms, "
        f"{difference:+.0f} ms): {verdict(abs(difference) <= 10)}; Qt WebEngine not started: "
        f"{verdict(browsers == {'0/0'})}.",
    ]
    return lines


def browser_wait():
    log("4. browser wait")
    out = subprocess.run([BUILD / "benchmarks/RenderTiming", "--wait-only"],
                         stdout=subprocess.PIPE, text=True, check=True, env=ENV).stdout
    found = {}
    for line in out.splitlines():
        match = re.search(r"(Run awaits the browser)\s+([\d.]+) CPU s in ([\d.]+) s \((\d+) %", line)
        if match:
            found[match.group(1)] = (float(match.group(2)), float(match.group(3)))
    return found


def descendants(root):
    children = {}
    for entry in Path("/proc").iterdir():
        if not entry.name.isdigit():
            continue
        try:
            stat = (entry / "stat").read_text()
        except OSError:
            continue
        parent = int(stat[stat.rindex(")") + 2:].split()[1])
        children.setdefault(parent, []).append(int(entry.name))
    tree, todo = [], [root]
    while todo:
        pid = todo.pop()
        tree.append(pid)
        todo.extend(children.get(pid, []))
    return tree


def memory_of(pids):
    pss = rss = 0
    for pid in pids:
        try:
            text = Path(f"/proc/{pid}/smaps_rollup").read_text()
        except OSError:
            continue
        pss += int(re.search(r"^Pss:\s+(\d+)", text, re.M).group(1))
        rss += int(re.search(r"^Rss:\s+(\d+)", text, re.M).group(1))
    return pss, rss, len(pids)


def peak_memory(command):
    """Peak summed PSS and RSS (kB) of the process tree, its largest process
    count, and the main process's maximum resident size from time -v."""
    process = subprocess.Popen(["/usr/bin/time", "-v"] + command, env=ENV,
                               stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    peak_pss = peak_rss = most = 0
    while process.poll() is None:
        tree = [pid for pid in descendants(process.pid) if pid != process.pid]
        pss, rss, count = memory_of(tree)
        peak_pss, peak_rss, most = max(peak_pss, pss), max(peak_rss, rss), max(most, count)
        time.sleep(0.05)
    main_rss = int(re.search(r"Maximum resident set size \(kbytes\): (\d+)",
                             process.stderr.read()).group(1))
    return peak_pss, peak_rss, most, main_rss


def memory():
    log("5. memory")
    results = {}
    for name, every in (("no redirect rows", 0), ("every 5th row a redirect row", 5)):
        with Market(ROWS, 20, every) as market:
            results[name] = peak_memory([str(c) for c in check_command(market.proxy, 4, "tsv")])
    return results


def render_time():
    """Redirect rows only: each a redirect hop to a rendered shop page, both
    answered after DELAY_MS."""
    log("6a. redirect rows: run time")
    with Market(RENDER_ROWS, DELAY_MS, 1, rendered=True) as market:
        times, outputs = timed_in_turn(
            {r: check_command(market.proxy, 4, render_jobs=r) for r in RENDER_JOBS}, REPEATS)
    log(f"   {times}")
    return times, len(set(outputs.values())) == 1


def memory_samples(command):
    """(time, summed PSS in kB, processes) of the process tree every 50 ms,
    and the time the program ended."""
    process = subprocess.Popen(command, env=ENV, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    samples = []
    while process.poll() is None:
        pss, _, count = memory_of(descendants(process.pid))
        samples.append((time.perf_counter(), pss, count))
        time.sleep(0.05)
    return samples, time.perf_counter()


def render_memory():
    """Peak PSS while the run is at rows 1-10 and at the last 10 rows, from
    the first request of a row's redirect link to the first of the row 10
    rows later (or the end of the program)."""
    log("6b. redirect rows: memory")
    results = {}
    for render_jobs in RENDER_JOBS:
        with Market(MEMORY_ROWS, 20, 1, rendered=True, log=True) as market:
            samples, end = memory_samples(
                [str(c) for c in check_command(market.proxy, 4, "tsv", render_jobs)])
            first_request = {}
            for at, entry in market.requests:
                match = re.search(r"/t_(\d+)$", entry)
                if match:
                    first_request.setdefault(int(match.group(1)), at)

        def peak(first_row, last_row):
            start = first_request[first_row]
            stop = first_request.get(last_row + 1, end)
            window = [(pss, count) for at, pss, count in samples if start <= at <= stop]
            return max(window, default=(0, 0))

        middle = MEMORY_ROWS // 2
        results[render_jobs] = (peak(1, 10), peak(middle - 9, middle),
                                peak(MEMORY_ROWS - 9, MEMORY_ROWS),
                                max(pss for _, pss, _ in samples))
        log(f"   render jobs {render_jobs}: {results[render_jobs]}")
    return results


def mixed_time():
    """50 rows with every MIXED_EVERY-th a redirect row, against the same
    shops linked directly and against the rows without redirect rows, run
    in turn; and both curl floors."""
    log("6c. mixed rows: run time")
    load_before = load_average()
    with Market(ROWS, DELAY_MS, MIXED_EVERY, rendered=True) as mixed, \
            Market(ROWS, DELAY_MS, MIXED_EVERY, rendered=True,
                   extra=["--direct-links"]) as direct, \
            Market(ROWS, DELAY_MS) as plain:
        commands = {r: check_command(mixed.proxy, 8, render_jobs=r) for r in RENDER_JOBS}
        commands["direct"] = check_command(direct.proxy, 8, render_jobs=2)
        commands["plain"] = check_command(plain.proxy, 8)
        times, _ = timed_in_turn(commands, REPEATS)
        mixed_floor = curl_floor(mixed, 8, REPEATS)
        plain_floor = curl_floor(plain, 8, REPEATS)
    plain_time = times.pop("plain")
    times["direct"] = times.pop("direct")
    log(f"   {times}, plain only: {plain_time:.2f} s, curl {plain_floor:.2f} s")
    return times, plain_time, plain_floor, mixed_floor, (load_before, load_average())


def pictures_time():
    """RENDER_ROWS redirect rows whose pages carry PICTURES pictures each,
    against the same rows without pictures, run in turn."""
    log("6d. redirect rows with pictures: run time")
    load_before = load_average()
    with Market(RENDER_ROWS, DELAY_MS, 1, rendered=True) as bare, \
            Market(RENDER_ROWS, DELAY_MS, 1, rendered=True,
                   extra=["--pictures", str(PICTURES),
                          "--picture-delay", str(PICTURE_DELAY_MS)]) as pictured:
        times, outputs = timed_in_turn({"bare": check_command(bare.proxy, 4),
                                        "pictures": check_command(pictured.proxy, 4)}, REPEATS)
    log(f"   {times}")
    return times, outputs["bare"] == outputs["pictures"], (load_before, load_average())


def browser_processes(root):
    return [pid for pid in descendants(root) if pid != root and
            b"QtWebEngineProcess" in Path(f"/proc/{pid}/cmdline").read_bytes()]


def big_page_memory():
    """Peak memory of the browser's processes while one redirect row's page
    builds ELEMENTS elements, and what the row shows."""
    log("6e. a page of a million elements: memory")
    load_before = load_average()
    with Market(1, 20, 1, rendered=True, extra=["--elements", str(ELEMENTS)]) as market:
        command = check_command(market.proxy, 4, "json", extra=["--timeout", "120"])
        start = time.perf_counter()
        process = subprocess.Popen(command, env=ENV, stdout=subprocess.PIPE,
                                   stderr=subprocess.DEVNULL)
        peak = (0, 0, 0)
        while process.poll() is None:
            try:
                pss, rss, count = memory_of(browser_processes(process.pid))
            except OSError:
                continue
            peak = max(peak, (pss, rss, count))
            time.sleep(0.05)
        elapsed = time.perf_counter() - start
        status = json.loads(process.stdout.read())["grid"]["cells"][1][3]["text"]
    log(f"   peak {peak}, {elapsed:.1f} s, status {status}")
    return peak, elapsed, status, (load_before, load_average())


def loads(pair):
    return f"load average {pair[0]:.1f} before, {pair[1]:.1f} after"


def history_section():
    """Recording a run, and --list-history over a large history."""
    log("7. history")
    load = load_and_time()
    out = subprocess.run([BUILD / "benchmarks/HistoryTiming", "record", "30"],
                         stdout=subprocess.PIPE, text=True, check=True, env=ENV).stdout
    record = {key: float(value) for key, value in (item.split("=") for item in out.split())}
    data = Path(tempfile.mkdtemp())
    path = data / "zembrel/history.sqlite"
    path.parent.mkdir()
    started = time.perf_counter()
    subprocess.run([BUILD / "benchmarks/HistoryTiming", "fill", path, str(LISTED_RUNS),
                    str(LISTED_ROWS)], check=True, env=ENV)
    fill_s = time.perf_counter() - started
    env = dict(ENV, XDG_DATA_HOME=str(data))
    listed = {}
    for name, options in (("all checks, TSV", ["--format", "tsv"]),
                          ("one address, JSON", ["--format", "json", "myshop"])):
        times = []
        for _ in range(REPEATS + 2):
            started = time.perf_counter()
            out = subprocess.run([CHECK, "--list-history"] + options,
                                 stdout=subprocess.PIPE, check=True, env=env).stdout
            times.append(time.perf_counter() - started)
        listed[name] = (statistics.median(times), max(times), len(out))
    size_mb = path.stat().st_size / 1024 / 1024
    shutil.rmtree(data)
    worst = max(median for median, _, _ in listed.values())
    return [
        HISTORY_SECTION,
        "",
        f"`HistoryTiming record`: a finished run of a {RECORD_ROWS}-row grid (every result "
        "cell filled) recorded into a new history, then, as by a program started anew, once "
        "more (the history opened first), then 30 times more; each record is one transaction "
        "with the write-ahead log and full synchronisation. Load average (1/5/15 min) "
        f"{load}, when the measurement began.",
        "",
        "| record | time |",
        "|---|---|",
        f"| the first ever (creates the file and its schema) | {record['new_file_ms']:.1f} ms |",
        f"| the first of a program (opens the file) | {record['open_ms']:.1f} ms |",
        f"| any later one: median | {record['median_ms']:.1f} ms |",
        f"| any later one: slowest | {record['max_ms']:.1f} ms |",
        "",
        f"Target under 50 ms: {verdict(max(record.values()) < 50)}.",
        "",
        f"`zembrel-check --list-history` over {LISTED_RUNS:,} recorded runs of {LISTED_ROWS} "
        f"rows each ({size_mb:.0f} MB, recorded by `HistoryTiming fill` in {fill_s:.0f} s), "
        f"the whole program from start to exit. Medians (maxima) of {REPEATS + 2} runs.",
        "",
        "| listing | time | output |",
        "|---|---|---|",
    ] + [f"| {name} | {median * 1000:.0f} ms ({most * 1000:.0f} ms) | {size / 1024:.0f} KB |"
         for name, (median, most, size) in listed.items()] + [
        "",
        f"Target under 1 s: {verdict(worst < 1)}.",
    ]


def render_section():
    times_load = load_average()
    times, same = render_time()
    times_load = (times_load, load_average())
    mem = render_memory()
    mixed, plain, plain_floor, mixed_floor, mixed_load = mixed_time()
    pictures, pictures_same, pictures_load = pictures_time()
    big_peak, big_time, big_status, big_load = big_page_memory()
    chain = 2 * DELAY_MS / 1000
    ideal = {r: chain * RENDER_ROWS / (r + 1) for r in RENDER_JOBS}
    ratio = times[2] / times[0]
    lines = [
        RENDER_SECTION,
        "",
        f"`BenchMarket --redirect-every 1 --rendered-shops`: {RENDER_ROWS} friend links, "
        f"all click-redirect links, each an HTTP redirect answered after {DELAY_MS} ms to a "
        f"Layout A shop page answered after {DELAY_MS} ms, through the test marketplace as "
        f"proxy; `zembrel-check --jobs 4 --render-jobs R` (build `{BUILD.name}`). Medians of "
        f"{REPEATS} runs, the two settings in turn ({loads(times_load)}). Ideal: the chain "
        f"({chain:.1f} s) times the rows over the R + 1 pages open at once (without the own "
        "page and the browser's start).",
        "",
        "| R | run time | against R = 0 | ideal | against the ideal |",
        "|---|---|---|---|---|",
    ]
    for render_jobs in RENDER_JOBS:
        lines.append(f"| {render_jobs} | {times[render_jobs]:.2f} s | "
                     f"{times[render_jobs] / times[0]:.2f}× | {ideal[render_jobs]:.1f} s | "
                     f"{times[render_jobs] / ideal[render_jobs]:.2f}× |")
    lines += [
        "",
        f"- `--render-jobs 2` takes {ratio:.2f}× the time of `--render-jobs 0` (target ≤ 0.6×: "
        f"{verdict(ratio <= 0.6)}).",
        f"- The JSON output of both is {'identical' if same else '**different**'}.",
        "",
        f"Peak PSS of the process tree (the program and the browser's processes) over "
        f"{MEMORY_ROWS} such rows, pages answered after 20 ms, sampled every 50 ms; a row's "
        "window runs from the first request of its redirect link to that of the row 10 rows "
        "later.",
        "",
        f"| R | rows 1-10 | rows {MEMORY_ROWS // 2 - 9}-{MEMORY_ROWS // 2} | last 10 rows | "
        "last against first | whole run |",
        "|---|---|---|---|---|---|",
    ]
    for render_jobs in RENDER_JOBS:
        first, middle, last, whole = mem[render_jobs]
        windows = " | ".join(f"{pss / 1024:.0f} MB ({count} processes)"
                             for pss, count in (first, middle, last))
        lines.append(f"| {render_jobs} | {windows} | {last[0] / max(first[0], 1):.2f}× | "
                     f"{whole / 1024:.0f} MB |")
    lines += [
        "",
        f"A mixed run: {ROWS} friend links of the run-time benchmark, every {MIXED_EVERY}th a "
        f"click-redirect link (redirect and rendered page as above, each answered after "
        f"{DELAY_MS} ms), `--jobs 8`; against the same {ROWS} shops linked directly "
        "(`BenchMarket --direct-links`, `--jobs 8 --render-jobs 2`), against the rows of the "
        f"run-time benchmark without redirect links (`--jobs 8`) and their curl floor "
        f"(`--parallel-max 8`). Medians of {REPEATS} runs, the runs in turn "
        f"({loads(mixed_load)}).",
        "",
        "| run | time | against the same shops linked directly | against the plain run | "
        "against the plain curl floor |",
        "|---|---|---|---|---|",
    ]
    direct = mixed["direct"]
    for key in [*RENDER_JOBS, "direct"]:
        name = "same shops linked directly" if key == "direct" else \
            f"mixed, `--render-jobs {key}`"
        lines.append(f"| {name} | {mixed[key]:.2f} s | {mixed[key] / direct:.2f}× | "
                     f"{mixed[key] / plain:.2f}× | {mixed[key] / plain_floor:.2f}× |")
    lines += [
        f"| plain only | {plain:.2f} s | | 1.00× | {plain / plain_floor:.2f}× |",
        f"| curl floor of the plain pages | {plain_floor:.2f} s | | | 1.00× |",
        f"| curl floor of the mixed run's direct pages | {mixed_floor:.2f} s | | | |",
        "",
        f"- The mixed run (`--render-jobs 2`, the default) takes {mixed[2] / direct:.2f}× the "
        f"same shops linked directly (target ≤ 1.3×: {verdict(mixed[2] / direct <= 1.3)}) and "
        f"{mixed[2] / plain:.2f}× the plain run.",
        "",
        f"Pictures: the {RENDER_ROWS} redirect rows above, `zembrel-check --jobs 4`, with and "
        f"without {PICTURES} pictures on every shop page, each picture answered after "
        f"{PICTURE_DELAY_MS} ms. Medians of {REPEATS} runs, the two in turn ({loads(pictures_load)}).",
        "",
        "| shop pages | run time |",
        "|---|---|",
        f"| without pictures | {pictures['bare']:.2f} s |",
        f"| with {PICTURES} pictures each | {pictures['pictures']:.2f} s |",
        "",
        f"- With pictures: {pictures['pictures'] / pictures['bare']:.2f}× the time without "
        f"(target ≤ 1.15×: {verdict(pictures['pictures'] / pictures['bare'] <= 1.15)}); the "
        f"JSON output of both is {'identical' if pictures_same else '**different**'}.",
        "",
        f"A page of a million elements: one redirect row whose shop page builds {ELEMENTS:,} "
        "empty `div` elements by script, `zembrel-check --timeout 120`; "
        "the browser's processes sampled every 50 ms "
        f"({loads(big_load)}).",
        "",
        "| peak PSS, browser | peak RSS, browser | processes | run time | status cell |",
        "|---|---|---|---|---|",
        f"| {big_peak[0] / 1024:.0f} MB | {big_peak[1] / 1024:.0f} MB | {big_peak[2]} | "
        f"{big_time:.1f} s | {big_status} |",
    ]
    return lines


def replace_section(heading, lines):
    """Puts a fresh section into the existing RESULTS.md in place of the old
    one (or before the notes), and the notes after it anew."""
    results = HERE / "RESULTS.md"
    text = results.read_text()
    notes_at = text.find("## Notes")
    body = text[:notes_at] if notes_at >= 0 else text
    start = body.find(heading)
    if start < 0:
        body = body.rstrip() + "\n\n" + "\n".join(lines) + "\n"
    else:
        end = body.find("\n## ", start + 1)
        end = len(body) if end < 0 else end + 1
        body = body[:start] + "\n".join(lines) + "\n\n" + body[end:]
    notes = HERE / "RESULTS-notes.md"
    text = body.rstrip() + "\n"
    if notes.exists():
        text += "\n" + notes.read_text().rstrip() + "\n"
    results.write_text(text)
    log(f"updated {results}")


def machine():
    cpu = next((line.split(":", 1)[1].strip() for line in open("/proc/cpuinfo")
                if line.startswith("model name")), platform.processor())
    mem_kb = int(re.search(r"MemTotal:\s+(\d+)", Path("/proc/meminfo").read_text()).group(1))
    os_name = re.search(r'PRETTY_NAME="([^"]+)"', Path("/etc/os-release").read_text()).group(1)
    return (f"{os.cpu_count()} CPUs (`nproc` {subprocess.check_output(['nproc']).decode().strip()}),"
            f" {cpu}, {mem_kb / 1024 / 1024:.1f} GiB memory, {os_name}, "
            f"kernel {platform.release()}")


def verdict(ok):
    return "met" if ok else "**not met**"


def main():
    if not shutil.which("curl"):
        sys.exit("curl is needed: apt-get install curl")
    when = datetime.now(timezone.utc).strftime("%Y-%m-%d %H:%M UTC")
    run_times = run_time_section()
    extract = extraction()
    start_up = startup_section()
    wait = browser_wait()
    mem = memory()

    lines = [
        "# Benchmark results",
        "",
        f"Written by `benchmarks/run.sh` on {when}.",
        "",
        f"Machine: {machine()}. Other work may have shared the machine during the run.",
        "",
    ]
    lines += run_times
    lines += [
        "",
        "## 2. Extraction cost",
        "",
        "Every step the run applies to a directly fetched page (not-found test, the layout's "
        "values, back-link verdict; the page does not link back, so the verdict searches to "
        "the end) on a page of 300,000 characters, against one `QString::indexOf` scan of the "
        "same page for the not-found marker. Medians.",
        "",
        "| layout | characters | extraction | one indexOf scan | ratio |",
        "|---|---|---|---|---|",
    ]
    for name, chars, ext, scan, ratio in extract:
        lines.append(f"| {name} | {chars} | {ext:.0f} µs | {scan:.0f} µs | {ratio:.2f}× |")
    worst = max(row[4] for row in extract)
    lines += [
        "",
        f"Target ≤ 3×: {verdict(worst <= 3)} (worst {worst:.2f}×).",
        "",
    ]
    lines += start_up
    lines += [
        "",
        "## 4. Browser wait",
        "",
        "`RenderTiming --wait-only`: CPU of the process and its browser processes while a run "
        "waits 5 s for a load that never completes.",
        "",
        "| wait | CPU | share of one core |",
        "|---|---|---|",
    ]
    for name, (cpu, wall) in wait.items():
        lines.append(f"| {name} | {cpu:.2f} s in {wall:.2f} s | {100 * cpu / wall:.1f} % |")
    waiting = wait.get("Run awaits the browser", (1, 1))
    lines += [
        "",
        f"Target ≤ 2 % (the run awaits the page or Stop on the event loop): "
        f"{verdict(100 * waiting[0] / waiting[1] <= 2)}.",
        "",
        "## 5. Memory",
        "",
        f"Peak memory of `zembrel-check --jobs 4` over {ROWS} links (pages answered after "
        "20 ms), sampled every 50 ms over the whole process tree (the program and the "
        "browser's processes), and the program's own maximum resident size from "
        "`/usr/bin/time -v` (exact, where the sampling may miss a short peak).",
        "",
        "| run | peak PSS, tree | peak RSS, tree | processes | max RSS, program |",
        "|---|---|---|---|---|",
    ]
    for name, (pss, rss, count, main_rss) in mem.items():
        lines.append(f"| {name} | {pss / 1024:.0f} MB | {rss / 1024:.0f} MB | {count} | "
                     f"{main_rss / 1024:.0f} MB |")
    lines += [""] + render_section()
    lines += [""] + history_section()
    notes = HERE / "RESULTS-notes.md"
    if notes.exists():
        lines += ["", notes.read_text().rstrip()]
    (HERE / "RESULTS.md").write_text("\n".join(lines) + "\n")
    log(f"wrote {HERE / 'RESULTS.md'}")


SECTIONS = {
    "run-time": (RUN_TIME_SECTION, run_time_section),
    "render-ahead": (RENDER_SECTION, render_section),
    "startup": (STARTUP_SECTION, startup_section),
    "history": (HISTORY_SECTION, history_section),
}

if len(sys.argv) > 2:
    heading, measure = SECTIONS[sys.argv[2]]
    replace_section(heading, measure())
else:
    main()
