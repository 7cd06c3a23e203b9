#!/usr/bin/env python3
"""Start-up figures of the runner beside their floors, from the files that
scripts/bench-runner.sh leaves in one folder:

    scripts/bench_startup.py FOLDER

  runner.N    start_bench runner output (launch, created, answer, window, private-settled)
  timeline.N  the runner's own marks (VADROME_TIMELINE): "pid mark ticks private-bytes"
  server.N    the web server started directly (launch, created, answer)
  window.N    a bare window (launch, created, window)
  trivial.N   a program that ends at once (launch, created, exit)
  stamp.N     "/config" on a copy of the runner (launch, created, exit)

Ticks are 100 ns of the system clock; every figure is the median of the runs.
"""
import glob
import os
import statistics
import sys

# Pauses the start-up sequence prescribes before the web server starts: the
# 60 ms between the two sweeps for a database server and for a web server
# left over from an earlier run.
PAUSES_BEFORE_WEB_SERVER_MS = 2 * 60
ALLOWANCE_MS = 150
MEMORY_TARGET = 8 << 20


def read_pairs(path):
    pairs = {}
    for line in open(path):
        parts = line.split()
        if len(parts) == 2:
            pairs[parts[0]] = int(parts[1])
    return pairs


def read_timeline(path):
    """{process: {mark: (ticks, private bytes)}}, first mark of a name kept."""
    processes = {}
    for line in open(path):
        parts = line.split()
        if len(parts) != 4:
            continue
        marks = processes.setdefault(parts[0], {})
        marks.setdefault(parts[1], (int(parts[2]), int(parts[3])))
    return processes


def ms(later, earlier):
    return (later - earlier) / 10000.0


def runs_of(folder, name):
    return sorted(glob.glob(os.path.join(folder, name + ".*")), key=lambda p: int(p.rsplit(".", 1)[1]))


def median(values):
    values = [v for v in values if v is not None]
    return statistics.median(values) if values else None


class Figures:
    """Named figures, one list of values per name, in the order first seen."""

    def __init__(self):
        self.values = {}

    def add(self, name, value):
        self.values.setdefault(name, []).append(value)

    def median(self, name):
        return median(self.values.get(name, []))


def process_with(timeline, mark):
    for marks in timeline.values():
        if mark in marks:
            return marks
    return {}


# (label, from, to): marks of the first launch ("first"), of the runner
# ("runner") and of the splash process ("splash").
TIMELINE_STEPS = [
    ("first launch: process start to entry", ("first", "start"), ("first", "entry")),
    ("first launch: entry to relaunch", ("first", "entry"), ("first", "relaunch")),
    ("relaunch: shell start of the runner", ("first", "relaunch"), ("runner", "start")),
    ("runner: process start to entry", ("runner", "start"), ("runner", "entry")),
    ("runner: application and main window", ("runner", "entry"), ("runner", "form-create")),
    ("runner: instance, environment, settings", ("runner", "form-create"), ("runner", "settings")),
    ("runner: splash process started", ("runner", "settings"), ("runner", "splash-started")),
    ("runner: bin, database server started", ("runner", "splash-started"), ("runner", "database-started")),
    ("runner: php.ini, port, httpd.conf, web server started", ("runner", "database-started"),
     ("runner", "web-server-started")),
    ("runner: bars, menu, toolbars (server starting)", ("runner", "web-server-started"), ("runner", "browser-control")),
    ("runner: OLE, browser control loads", ("runner", "browser-control"), ("runner", "browser-control-loaded")),
    ("runner: rest of the first 330 ms look, later looks", ("runner", "browser-control-loaded"),
     ("runner", "web-server-up")),
    ("runner: explorer.exe, first navigation", ("runner", "web-server-up"), ("runner", "first-navigation")),
    ("runner: own-browser set-up", ("runner", "first-navigation"), ("runner", "started")),
    ("runner: window shown", ("runner", "started"), ("runner", "window-shown")),
    ("splash: process start to shown", ("splash", "start"), ("splash", "splash-shown")),
]


def runner_figures(folder):
    figures = Figures()
    for run in runs_of(folder, "runner"):
        outside = read_pairs(run)
        # A build without the marks (an earlier one) leaves no timeline.
        timeline_path = os.path.join(folder, "timeline." + run.rsplit(".", 1)[1])
        timeline = read_timeline(timeline_path) if os.path.exists(timeline_path) else {}
        marks = {"first": process_with(timeline, "relaunch"), "runner": process_with(timeline, "form-create"),
                 "splash": process_with(timeline, "splash-shown")}
        for label, (who_from, mark_from), (who_to, mark_to) in TIMELINE_STEPS:
            start, end = marks[who_from].get(mark_from), marks[who_to].get(mark_to)
            figures.add(label, ms(end[0], start[0]) if start and end else None)
        created = outside.get("created")
        for label, key in (("launch to site answering", "answer"), ("launch to window shown", "window")):
            figures.add(label, ms(outside[key], created) if created and key in outside else None)
        first_start = marks["first"].get("start")
        # The relaunch ends where the second process runs code of its own: its
        # loading is as much the relaunch's as the first process's.
        figures.add("relaunch", ms(marks["runner"]["entry"][0], first_start[0])
                    if first_start and "entry" in marks["runner"] else None)
        web_started = marks["runner"].get("web-server-started")
        figures.add("web server started to site answering",
                    ms(outside["answer"], web_started[0]) if web_started and "answer" in outside else None)
        for label, mark in (("before the browser control", "browser-control"),
                            ("with the browser control", "browser-control-loaded"),
                            ("window shown", "window-shown")):
            figures.add("private " + label, marks["runner"].get(mark, (0, None))[1])
        figures.add("private settled", outside.get("private-settled"))
    return figures


def floor(folder, name, end_key):
    values = []
    for run in runs_of(folder, name):
        pairs = read_pairs(run)
        if "created" in pairs and end_key in pairs:
            values.append(ms(pairs[end_key], pairs["created"]))
    return median(values)


def show(value, unit="ms"):
    if value is None:
        return "-"
    if unit == "MiB":
        return f"{value / 1048576:.2f} MiB"
    return f"{value:.0f} ms"


def main():
    folder = sys.argv[1]
    runner = runner_figures(folder)
    runs = len(runs_of(folder, "runner"))
    print(f"Start-up under Wine, median of {runs} runs, from the first launch's process creation:")
    for label, *_ in TIMELINE_STEPS:
        print(f"  {label:<56} {show(runner.median(label)):>9}")
    print()

    server = floor(folder, "server", "answer")
    window = floor(folder, "window", "window")
    trivial = floor(folder, "trivial", "exit")
    stamp = floor(folder, "stamp", "exit")
    relaunch = runner.median("relaunch")
    answer = runner.median("launch to site answering")
    budget = server + PAUSES_BEFORE_WEB_SERVER_MS + relaunch + ALLOWANCE_MS if server and relaunch else None
    row = "  {:<44} {:>12} {:>12}  {}"
    print(row.format("figure", "measured", "floor", "floor is"))
    print(row.format("launch to site answering", show(answer), show(server), "the web server started directly"))
    print(row.format("  web server started to site answering", show(runner.median("web server started to site answering")),
                     show(server), "the same"))
    print(row.format("  target: server + relaunch + 2 x 60 ms + 150", show(answer), show(budget),
                     "met" if answer is not None and budget is not None and answer <= budget else "NOT MET"))
    print(row.format("launch to window shown", show(runner.median("launch to window shown")), show(window),
                     "a bare window"))
    print(row.format("relaunch (first launch to runner entry)", show(relaunch), show(trivial),
                     "a program that ends at once"))
    print(row.format('"/config" stamp, start to end', show(stamp), show(trivial), "a program that ends at once"))
    before = runner.median("private before the browser control")
    print(row.format("private memory before the browser control", show(before, "MiB"), show(MEMORY_TARGET, "MiB"),
                     "target"))
    for label in ("with the browser control", "window shown", "settled"):
        print(row.format("private memory " + label, show(runner.median("private " + label), "MiB"), "", ""))


if __name__ == "__main__":
    main()
