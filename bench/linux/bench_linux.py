#!/usr/bin/python3
"""The Linux runner's figures from one run (scripts/bench-linux.sh starts it).

bench_linux.py DIST BARE_WEBKIT STATE_DIR
"""
import getpass
import hashlib
import os
import re
import signal
import subprocess
import sys
import time
import urllib.request

dist, bare_webkit, state = sys.argv[1:4]
exe = os.path.realpath(os.path.join(dist, "vadrome"))
work = os.path.join(state, "vadrome", hashlib.md5(f"{getpass.getuser()}/{exe}".encode()).hexdigest())
env = dict(os.environ, XDG_STATE_HOME=state, WEBKIT_DISABLE_COMPOSITING_MODE="1")
CLOCK_TICKS = os.sysconf("SC_CLK_TCK")


def now():
    return time.clock_gettime(time.CLOCK_BOOTTIME)


def process_start(pid):
    """The process's creation, in seconds of CLOCK_BOOTTIME."""
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return int(fields[19]) / CLOCK_TICKS


def parent_of(pid):
    with open(f"/proc/{pid}/stat") as f:
        return int(f.read().rsplit(")", 1)[1].split()[1])


def marks(path):
    """The runner's own timeline: mark -> seconds of CLOCK_BOOTTIME."""
    found = {}
    try:
        with open(path) as f:
            for line in f:
                parts = line.split()
                if len(parts) >= 3:
                    found.setdefault(parts[1], int(parts[2]) / 1e7)
    except OSError:
        pass
    return found


def web_port():
    try:
        with open(os.path.join(work, "httpd.conf")) as f:
            return int(re.search(r"\nListen [0-9.]+:(\d+)", f.read()).group(1))
    except (OSError, AttributeError):
        return None


def page(port):
    try:
        with urllib.request.urlopen(f"http://127.0.0.1:{port}/", timeout=5) as response:
            return response.read().decode("utf-8", "replace")
    except OSError:
        return None


def wait_for(check, limit=90.0, pause=0.002):
    deadline = now() + limit
    while now() < deadline:
        result = check()
        if result:
            return result
        time.sleep(pause)
    raise SystemExit("bench: gave up waiting")


def servers():
    found = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{pid}/cmdline", "rb") as f:
                if work.encode() in f.read():
                    found.append(int(pid))
        except OSError:
            pass
    return found


def stop(process):
    process.send_signal(signal.SIGTERM)
    process.wait(30)
    wait_for(lambda: not servers(), 30, 0.05)


def resident_kib(pids):
    total = 0
    for pid in pids:
        try:
            with open(f"/proc/{pid}/status") as f:
                total += int(re.search(r"VmRSS:\s+(\d+)", f.read()).group(1))
        except (OSError, AttributeError):
            pass
    return total


def descendants(root):
    children = {}
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{pid}/stat") as f:
                children.setdefault(int(f.read().rsplit(")", 1)[1].split()[1]), []).append(int(pid))
        except OSError:
            pass
    found, todo = [], [root]
    while todo:
        pid = todo.pop()
        found.append(pid)
        todo += children.get(pid, [])
    return found


def ms(seconds):
    return f"{seconds * 1000:7.0f} ms"


# 1. The server side: the runner without a window, then apache2 alone on the same template.
server_timeline = os.path.join(state, "server-timeline.txt")
launch = first_launch = now()
runner = subprocess.Popen([exe], env=dict(env, VADROME_WINDOWLESS="1", VADROME_TIMELINE=server_timeline),
                          stderr=subprocess.DEVNULL)
port = wait_for(web_port)
answered = wait_for(lambda: page(port) is not None and now())
with_data = wait_for(lambda: "MariaDB" in (page(port) or "") and now())
apache = next(p for p in servers() if parent_of(p) == runner.pid and b"httpd.conf" in open(f"/proc/{p}/cmdline", "rb").read())
apache_started = process_start(apache)
stop(runner)

direct_launch = now()
direct = subprocess.Popen(["/usr/sbin/apache2", "-f", os.path.join(work, "httpd.conf"), "-DFOREGROUND"],
                          env=dict(env, PHPRC=work), stderr=subprocess.DEVNULL,
                          start_new_session=True)  # it ends its whole process group when it stops
direct_answered = wait_for(lambda: page(port) is not None and now())
direct.send_signal(signal.SIGTERM)
direct.wait(30)

print("Site answering (first HTTP answer from the home page)")
print(f"  runner launch -> site answering            {ms(answered - launch)}")
print(f"  runner launch -> page with MariaDB's data  {ms(with_data - launch)}")
print(f"  web server's own start -> site answering   {ms(answered - apache_started)}   (goal: within 150 ms)")
print(f"  apache2 started directly -> answering      {ms(direct_answered - direct_launch)}")
steps = marks(server_timeline)
if steps:
    print("  the runner's own marks, from its launch: " +
          ", ".join(f"{name} {(at - launch) * 1000:.0f}" for name, at in sorted(steps.items(), key=lambda m: m[1])))

# 2. The window: launch -> first page rendered, beside a bare WebKitGTK window.
timeline = os.path.join(state, "timeline.txt")
if os.path.exists(timeline):
    os.remove(timeline)
launch = now()
runner = subprocess.Popen([exe], env=dict(env, VADROME_TIMELINE=timeline), stderr=subprocess.DEVNULL)


def first_page_mark():
    try:
        with open(timeline) as f:
            for line in f:
                parts = line.split()
                if len(parts) >= 3 and parts[1] == "first-page-complete":
                    return int(parts[2]) / 1e7
    except OSError:
        pass
    return None


try:
    rendered = wait_for(first_page_mark, 90, 0.01)
    print("First page rendered")
    print(f"  runner launch -> first page rendered       {ms(rendered - launch)}")
    print(f"    less the windowless runner's launch -> page with data: {ms((rendered - launch) - (with_data - first_launch))}")
except SystemExit:
    print("First page rendered: the runner left no first-page-complete mark (no window built?)")
port = wait_for(web_port)
wait_for(lambda: "MariaDB" in (page(port) or ""))
bare_launch = now()
bare = subprocess.run([bare_webkit, f"http://127.0.0.1:{port}/", repr(bare_launch)], env=env, capture_output=True,
                      text=True, timeout=90)
bare_ms = re.search(r"rendered (\d+)", bare.stdout)
print(f"  bare WebKitGTK window launch -> rendered   {bare_ms.group(1) if bare_ms else '?':>7} ms   (same address, servers up)")

time.sleep(3)
print("Resident memory, settled (3 s after the first page)")
print(f"  runner process                             {resident_kib([runner.pid]) / 1024:7.1f} MiB")
print(f"  runner with its WebKit processes           {resident_kib(descendants(runner.pid)) / 1024 - resident_kib(servers()) / 1024:7.1f} MiB")
print(f"  servers (apache2 and its children, mariadbd) {resident_kib(servers()) / 1024:5.1f} MiB")
stop(runner)

size = os.path.getsize(exe)
with open(exe, "rb") as f:
    f.seek(-20, os.SEEK_END)
    trailer = f.read(20)
payload = int.from_bytes(trailer[4:12], "little") + 20 if trailer[12:] == b"VDRMDATA" else 0
stripped = os.path.join(state, "vadrome-stripped")
subprocess.run(["strip", "-o", stripped, exe], check=True)
print("Binary")
print(f"  as built (with debug information): {size / 1024:.0f} KiB; stripped image {os.path.getsize(stripped) / 1024:.0f} KiB"
      f" + embedded data {payload / 1024:.0f} KiB")
