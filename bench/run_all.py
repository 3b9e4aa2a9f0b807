#!/usr/bin/python3
"""Runs every benchmark against the simulated board and writes the figures to RESULTS.md.

    run_all.py --build build-bench --results bench/RESULTS.md [--only NAME,...] [--soak N]
"""
import argparse
import contextlib
import datetime
import os
import platform
import re
import signal
import socket
import subprocess
import sys
import tempfile
import time

import work_per_update

HERE = os.path.dirname(os.path.abspath(__file__))
WIRE_LIMIT = 38400 / 10 / (6 + 26)  # updates a second: a 6-byte request and a 26-byte reply


def figures(text):
    """The key=value pairs of a benchmark's output line, as numbers where they are."""
    out = {}
    for key, value in re.findall(r"(\w+)=(\S+)", text):
        try:
            out[key] = float(value)
        except ValueError:
            out[key] = value
    return out


class Board:
    """vyx-board-sim in its own process; the first line it prints is the device."""

    def __init__(self, build, *args):
        exe = os.path.join(build, "vyx", "apps", "vyx-board-sim", "vyx-board-sim")
        self.proc = subprocess.Popen([exe, *args], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     text=True)
        self.device = self.proc.stdout.readline().strip()
        if not self.device:
            raise RuntimeError("vyx-board-sim did not start")

    def ask(self, command):
        """One control command and its answer line."""
        self.proc.stdin.write(command + "\n")
        self.proc.stdin.flush()
        return self.proc.stdout.readline().strip()

    def turnaround(self):
        """Since the last call, in microseconds: the host's median turnaround, and how late the
        board wrote the last byte of a reply, median."""
        answer = self.ask("turnaround")
        found = re.search(r" median-us=(\d+).* overdue-median-us=(\d+)", answer)
        if not found:
            raise RuntimeError(f"vyx-board-sim: turnaround: {answer}")
        return int(found.group(1)), int(found.group(2))

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.ask("quit")
        self.proc.wait(timeout=10)


def run(cmd, **kw):
    done = subprocess.run(cmd, capture_output=True, text=True, check=False, **kw)
    if done.returncode != 0:
        sys.stderr.write(done.stdout + done.stderr)
        raise RuntimeError(f"{' '.join(cmd)} failed with {done.returncode}")
    return done


def host(build, *args):
    return figures(run([os.path.join(build, "bench_host"), *map(str, args)]).stdout)


def rate_command(build, name, device, updates, log):
    """How each of RATE_HOSTS is started for `updates` updates of the board on `device`."""
    if name == "monitor":
        return monitor_command(build, device, updates, log)
    if name == "baseline":
        return ["/usr/bin/python3", os.path.join(HERE, "baseline_read.py"), device, str(updates)]
    program = {"component": ["bench_host", "rate"], "qtfloor": ["bench_qt_floor"],
               "floor": ["bench_raw_host"]}[name]
    return [os.path.join(build, program[0]), *program[1:], device, str(updates)]


def monitor_command(build, device, count, log, boards=1):
    """`vyx monitor` logging `count` rows of `boards` boards to the file `log`."""
    exe = os.path.join(build, "vyx", "apps", "vyx", "vyx")
    addresses = ["--address", ",".join(map(str, range(boards)))] if boards > 1 else []
    return [exe, "monitor", "--port", f"1={device}", *addresses, "--count", str(count),
            "--output", log]


def raw_host(build, device, updates):
    return figures(run(rate_command(build, "floor", device, updates, None)).stdout)


# Runs of each host, taken in turn so that a slow spell of the machine hits all; the hosts'
# rates lie within a fraction of a per cent of each other.
ROUNDS = 7


def median(values):
    ordered = sorted(values)
    return ordered[len(ordered) // 2]


def spread(values):
    """The median with the range: how the report gives a figure taken in every round."""
    return median(values), min(values), max(values)


# How replies reach the host: byte by byte as each is due; whole once their wire time has
# passed, as USB adapters deliver them; in pieces, as a UART's FIFO does.
REPLY_MODES = {"byte": [], "whole": ["--reply-chunk", "0"], "chunk8": ["--reply-chunk", "8"]}
MODE_NAMES = {"byte": "byte-paced replies", "whole": "one-piece replies",
              "chunk8": "replies in pieces of 8 bytes",
              "whole_held": "one-piece replies, idle states held"}


def monitor_rate(build, device, updates, log, boards=1, env=None):
    """`vyx monitor` writing its log to a file, as a user would run it. Its rate is taken from
    the rows' times, from the second round on: the first update of each board also reads its
    EEPROM records, and the other hosts leave it out too."""
    import csv
    run(monitor_command(build, device, updates + boards, log, boards), env=env)
    with open(log, newline="") as rows_file:
        rows = list(csv.DictReader(rows_file))
    stamp = [datetime.datetime.fromisoformat(row["time"].replace("Z", "+00:00")) for row in rows]
    seconds = (stamp[-1] - stamp[boards]).total_seconds()
    ok = sum(row["ok"] == "true" for row in rows)
    return {"updates": len(rows), "succeeded": ok, "per_second": (len(rows) - boards - 1) / seconds}


@contextlib.contextmanager
def idle_states_held():
    """Holds the processors out of their deeper idle states while open, as a latency-tuned
    system does (PM QoS through /dev/cpu_dma_latency): a wake-up then costs no exit from a
    halted state. Yields whether the system allowed it (root only)."""
    try:
        fd = os.open("/dev/cpu_dma_latency", os.O_WRONLY)
    except OSError:
        yield False
        return
    try:
        os.write(fd, (0).to_bytes(4, sys.byteorder))
        yield True
    finally:
        os.close(fd)  # the request ends with the file


RATE_HOSTS = ("component", "monitor", "baseline", "qtfloor", "floor")
# The head of a table with a row for each reply mode and a column for each of RATE_HOSTS.
MODE_TABLE_HEAD = ["| Replies | component (libvyx-qt) | `vyx monitor` to a file | Python + pyserial"
                   " loop | Qt event-loop floor | bare POSIX floor |", "|---|---|---|---|---|---|"]


def host_time_env(build):
    """What loads bench/host_time.cpp into a host, and the file it leaves its figures in."""
    out = os.path.join(build, "host-time.txt")
    return dict(os.environ, LD_PRELOAD=os.path.join(build, "libhost_time.so"), VYX_HOST_TIME=out), out


def processor_ticks():
    """From /proc/stat: the ticks the hypervisor kept the processors from running (steal), and
    all the processors' ticks."""
    with open("/proc/stat") as stat:
        ticks = [int(v) for v in stat.readline().split()[1:9]]  # user ... steal
    return ticks[7], sum(ticks)


def rate_runs(build, r, key_mode, board_args):
    log = os.path.join(build, "rate-log.csv")
    env, own = host_time_env(build)
    def measure(name, device):
        if os.path.exists(own):
            os.remove(own)
        if name == "monitor":
            f = monitor_rate(build, device, 1000, log, env=env)
        else:
            f = figures(run(rate_command(build, name, device, 1000, log), env=env).stdout)
        with open(own) as figures_file:
            f.update(figures(figures_file.read()))
        return f

    runs = {name: [] for name in RATE_HOSTS}
    steal = []
    with Board(build, "--line-rate", *board_args) as board:
        for _ in range(ROUNDS):
            stolen, total = processor_ticks()
            for name in RATE_HOSTS:
                board.turnaround()  # forget whatever came before this run
                f = measure(name, board.device)
                f["turnaround_us"], f["overdue_us"] = board.turnaround()
                runs[name].append(f)
            now_stolen, now_total = processor_ticks()
            steal.append(100.0 * (now_stolen - stolen) / max(now_total - total, 1))
    r[f"steal_{key_mode}"] = spread(steal)
    # Each round's hosts ran back to back, so a round's difference is free of the machine's
    # slower and faster spells; how often a host beat the loop says more than the medians.
    for name in ("component", "monitor", "qtfloor"):
        diffs = [a["per_second"] - b["per_second"] for a, b in zip(runs[name], runs["baseline"])]
        r[f"rate_{key_mode}_{name}_paired"] = (median(diffs), sum(d > 0 for d in diffs), len(diffs))
        # Less own time is better: a round is won when the host took less than the loop.
        diffs = [b["own_us"] - a["own_us"] for a, b in zip(runs[name], runs["baseline"])]
        r[f"own_{key_mode}_{name}_paired"] = (median(diffs), sum(d > 0 for d in diffs), len(diffs))
    overdue = [f["overdue_us"] for results in runs.values() for f in results]
    r[f"overdue_{key_mode}"] = spread(overdue)
    for name, results in runs.items():
        key = f"rate_{key_mode}_{name}"
        r[key + "_turnaround"] = median([f["turnaround_us"] for f in results])
        r[f"own_{key_mode}_{name}"] = spread([f["own_us"] for f in results])
        rates = [f["per_second"] for f in results]
        r[key] = median(rates)
        r[key + "_range"] = (min(rates) / WIRE_LIMIT, max(rates) / WIRE_LIMIT)
        r[key + "_failed"] = sum(f["updates"] - f["succeeded"] for f in results)


def bench_rate(build, r):
    for mode, args in REPLY_MODES.items():
        rate_runs(build, r, mode, args)
    # One-piece replies again with the machine's wake-up from idle taken out: what is left
    # is the hosts' own time.
    with idle_states_held() as held:
        if held:
            rate_runs(build, r, "whole_held", REPLY_MODES["whole"])


def bench_work(build, r):
    """The rate hosts' work per update under callgrind, against one-piece replies."""
    log = os.path.join(build, "work-log.csv")
    with Board(build, "--line-rate", *REPLY_MODES["whole"]) as board:
        for name in RATE_HOSTS:
            r[f"work_{name}_ir"], r[f"work_{name}_kib"] = work_per_update.measure(
                lambda d, n, name=name: rate_command(build, name, d, n, log), board.device, build)


def bench_cost(build, r):
    comp, floor = [], []
    with Board(build) as board:
        for _ in range(ROUNDS):
            comp.append(host(build, "cost", board.device, 10000))
            floor.append(raw_host(build, board.device, 10000))
    cpu = [f["cpu_us_per_update"] for f in comp]
    r["cost_cpu_us"] = median(cpu)
    r["cost_cpu_range"] = (min(cpu), max(cpu))
    r["cost_rate"] = median([f["per_second"] for f in comp])
    r["cost_failed"] = sum(f["updates"] - f["succeeded"] for f in comp)
    r["cost_floor_us"] = median([f["cpu_us_per_update"] for f in floor])
    core = os.path.join(build, "bench_core")
    out = os.path.join(build, "callgrind.out")
    grind = run(["valgrind", "--tool=callgrind", "--collect-atstart=no",
                 f"--callgrind-out-file={out}", core, "2000"])
    collected = re.search(r"Collected\s*:\s*(\d+)", grind.stderr)
    r["core_instructions"] = int(collected.group(1)) / 2000
    r["core_ns"] = figures(run([core, "200000"]).stdout)["ns_per_update"]


def bench_idle(build, r):
    with Board(build) as board:
        f = host(build, "idle", board.device, 10)
    r["idle_percent"], r["idle_cpu"], r["idle_wall"] = f["cpu_percent"], f["cpu_seconds"], f["seconds"]
    with Board(build, "--silence", "1") as board:
        f = host(build, "failed", board.device, 10)
    r["silent_percent"], r["silent_cpu"], r["silent_wall"] = f["cpu_percent"], f["cpu_seconds"], f["seconds"]
    r["silent_newdata"] = f["newdata"]
    with Board(build, "--eeprom-silence", "1") as board:
        f = host(build, "eeprom", board.device)
    r["eeprom_percent"], r["eeprom_cpu"], r["eeprom_wall"] = f["cpu_percent"], f["cpu_seconds"], f["seconds"]


def rss_kb(pid, field):
    try:
        with open(f"/proc/{pid}/status") as status:
            for line in status:
                if line.startswith(field + ":"):
                    return int(line.split()[1])
    except OSError:
        pass
    return None


def bench_memory(build, r):
    exe = os.path.join(build, "vyx", "apps", "vyx", "vyx")
    with Board(build) as board:
        proc = subprocess.Popen([exe, "monitor", "--port", f"1={board.device}", "--count", "10000",
                                 "--format", "csv"], stdout=subprocess.PIPE, text=True)
        samples, peak, rows = {}, 0, 0
        for _ in proc.stdout:
            rows += 1
            if rows % 1000 == 0 or rows == 9990:
                rss = rss_kb(proc.pid, "VmRSS")
                peak = max(peak, rss_kb(proc.pid, "VmHWM") or 0)
                if rss:
                    samples[rows] = rss
        proc.wait()
    first = samples.get(1000)
    last = samples[max(samples)]
    r["mem_rows"] = rows - 1  # the header
    r["mem_first_kb"], r["mem_last_kb"], r["mem_peak_kb"] = first, last, peak
    r["mem_growth_kb"] = last - first


# The network bridge against a real broker, on loopback. Each run waits for the first state
# message, lets WARMUP seconds pass, then measures for BRIDGE_SECONDS.
MOSQUITTO = "/usr/sbin/mosquitto"
WARMUP = 3
BRIDGE_SECONDS = 20
LINES = 8
TOPIC_PREFIX = "vyxbench"


class Broker:
    """mosquitto on a free loopback port, its configuration in a temporary directory."""

    def __enter__(self):
        self.dir = tempfile.TemporaryDirectory()
        with socket.socket() as probe:
            probe.bind(("127.0.0.1", 0))
            self.port = probe.getsockname()[1]
        conf = os.path.join(self.dir.name, "mosquitto.conf")
        with open(conf, "w") as out:
            out.write(f"listener {self.port} 127.0.0.1\nallow_anonymous true\npersistence false\n")
        self.proc = subprocess.Popen([MOSQUITTO, "-c", conf], stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + 10
        while True:
            with socket.socket() as s:
                if s.connect_ex(("127.0.0.1", self.port)) == 0:
                    return self
            if self.proc.poll() is not None or time.monotonic() > deadline:
                raise RuntimeError("mosquitto did not start")
            time.sleep(0.05)

    def __exit__(self, *exc):
        self.proc.terminate()
        self.proc.wait(timeout=10)
        self.dir.cleanup()


def cpu_seconds(pid):
    """User and system time of a process, every thread, from /proc."""
    with open(f"/proc/{pid}/stat") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


class Subscriber:
    """bench_bridge: says when its measuring window starts and ends, then its figures."""

    def __init__(self, build, mode, port, *args):
        self.proc = subprocess.Popen(
            [os.path.join(build, "bench_bridge"), mode, str(port), f"{TOPIC_PREFIX}/#",
             str(WARMUP), str(BRIDGE_SECONDS), *args], stdout=subprocess.PIPE, text=True)

    def expect(self, word):
        line = self.proc.stdout.readline().strip()
        if not line.startswith(word):
            self.proc.wait(timeout=10)
            raise RuntimeError(f"bench_bridge: expected {word}, got {line!r}")
        return line

    def figures(self):
        f = figures(self.proc.stdout.readline())
        if self.proc.wait(timeout=30) != 0:
            raise RuntimeError("bench_bridge failed")
        return f


class Hosts:
    """Host processes started together and stopped with SIGINT, as a user stops them."""

    def __init__(self, commands, log):
        self.errors = open(log, "w")
        self.procs = [subprocess.Popen(c, stdout=subprocess.DEVNULL, stderr=self.errors)
                      for c in commands]

    def cpu(self):
        return sum(cpu_seconds(p.pid) for p in self.procs)

    def memory(self):
        return (sum(rss_kb(p.pid, "VmRSS") for p in self.procs),
                sum(rss_kb(p.pid, "VmHWM") for p in self.procs))

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        for p in self.procs:
            p.send_signal(signal.SIGINT)
        codes = [p.wait(timeout=15) for p in self.procs]
        self.errors.close()
        if exc[0] is None and any(codes):
            with open(self.errors.name) as log:
                sys.stderr.write(log.read())
            raise RuntimeError(f"hosts ended with {codes}")


def bridge_command(build, port, devices):
    exe = os.path.join(build, "vyx", "apps", "vyx", "vyx")
    ports = [f"--port={n}={device}" for n, device in enumerate(devices, start=1)]
    return [exe, "bridge", *ports, "--address", "0,1,2,3", "--mqtt", f"mqtt://127.0.0.1:{port}",
            "--node", "bench", "--topic-prefix", TOPIC_PREFIX]


def measure_bridge(build, sub, devices, broker):
    """Runs the bridge over the subscriber's window: its figures, the bridge's CPU seconds
    and memory in the window, and the broker's CPU."""
    log = os.path.join(build, "bridge-errors.log")
    with Hosts([bridge_command(build, broker.port, devices)], log) as bridge:
        sub.expect("window")
        started, cpu, broker_cpu = time.monotonic(), bridge.cpu(), cpu_seconds(broker.proc.pid)
        sub.expect("end")
        cpu, wall = bridge.cpu() - cpu, time.monotonic() - started
        broker_cpu = cpu_seconds(broker.proc.pid) - broker_cpu
        rss, peak = bridge.memory()
    f = sub.figures()
    f.update(cpu=cpu, cpu_percent=100 * cpu / wall, rss_kb=rss, peak_kb=peak,
             broker_percent=100 * broker_cpu / wall)
    return f


# The simulator's byte-paced replies wake the host at every byte; whole ones, as USB adapters
# deliver them, show what the bridge itself costs.
BRIDGE_REPLIES = {"byte": "1", "whole": "0"}


def bench_bridge(build, r):
    for mode, chunk in BRIDGE_REPLIES.items():
        with Broker() as broker:
            sub = Subscriber(build, "latency", broker.port, chunk)
            device = sub.expect("device=").split("=", 1)[1]
            f = measure_bridge(build, sub, [device], broker)
        f["cpu_us"] = 1e6 * f["cpu"] / f["states"] if f["states"] else float("nan")
        r.update({f"bridge_{mode}_{k}": v for k, v in f.items()})


def monitor_rows_between(path, start, end):
    import csv
    with open(path, newline="") as rows_file:
        rows = list(csv.DictReader(rows_file))
    stamps = [datetime.datetime.fromisoformat(row["time"].replace("Z", "+00:00")) for row in rows]
    return sum(start <= t < end for t in stamps)


def bench_lines8(build, r):
    with contextlib.ExitStack() as stack:
        boards = [stack.enter_context(Board(build, "--line-rate", "--boards", "0,1,2,3"))
                  for _ in range(LINES)]
        devices = [b.device for b in boards]
        with Broker() as broker:
            sub = Subscriber(build, "count", broker.port)
            sub.expect("subscribed")
            f = measure_bridge(build, sub, devices, broker)
        r["lines8_bridge_rate"] = f["states_per_second"]
        r["lines8_bridge_messages"] = f["messages_per_second"]
        r["lines8_bridge_cpu"] = f["cpu_percent"]
        r["lines8_broker_cpu"] = f["broker_percent"]
        r["lines8_bridge_rss"], r["lines8_bridge_peak"] = f["rss_kb"], f["peak_kb"]

        exe = os.path.join(build, "vyx", "apps", "vyx", "vyx")
        logs = [os.path.join(build, f"lines8-monitor{i}.csv") for i in range(LINES)]
        commands = [[exe, "monitor", "--port", f"1={device}", "--address", "0,1,2,3", "--output",
                     log] for device, log in zip(devices, logs)]
        with Hosts(commands, os.path.join(build, "monitor-errors.log")) as monitors:
            time.sleep(WARMUP)
            start = datetime.datetime.now(datetime.timezone.utc)
            wall, cpu = time.monotonic(), monitors.cpu()
            time.sleep(BRIDGE_SECONDS)
            end = datetime.datetime.now(datetime.timezone.utc)
            cpu, wall = monitors.cpu() - cpu, time.monotonic() - wall
            rss, peak = monitors.memory()
        rows = sum(monitor_rows_between(log, start, end) for log in logs)
        r["lines8_monitor_rate"] = rows / (end - start).total_seconds()
        r["lines8_monitor_cpu"] = 100 * cpu / wall
        r["lines8_monitor_rss"], r["lines8_monitor_peak"] = rss, peak


# A line served by ser2net on loopback, raw and over Telnet, as ser2net comes and as tuned. As
# it comes, ser2net holds what the board sends for a while after each byte (its chardelay);
# without that, the Nagle algorithm holds a reply's later bytes instead until the first is
# acknowledged, unless the accepter sets nodelay.
SER2NET = "/usr/sbin/ser2net"
SER2NET_SETUPS = {
    "default": ("tcp", ""),
    "tuned": ("tcp(nodelay)", "  options:\n    chardelay: false\n"),
    "nagle": ("tcp", "  options:\n    chardelay: false\n"),
}
SER2NET_NAMES = {"default": "as it comes", "tuned": "`tcp(nodelay)`, `chardelay: false`",
                 "nagle": "`chardelay: false` alone"}
SER2NET_UPDATES = {"default": 600, "tuned": 600, "nagle": 150}


def listening(port):
    """Whether a loopback port listens, from the kernel's table: connecting to ser2net would
    open its device."""
    with open("/proc/net/tcp") as table:
        for line in table.readlines()[1:]:
            fields = line.split()
            if fields[1].endswith(f":{port:04X}") and fields[3] == "0A":
                return True
    return False


@contextlib.contextmanager
def ser2net(device, accepter, options):
    with tempfile.TemporaryDirectory() as tmp, socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        port = probe.getsockname()[1]
        probe.close()
        conf = os.path.join(tmp, "ser2net.yaml")
        with open(conf, "w") as out:
            out.write(f"connection: &line\n  accepter: {accepter},127.0.0.1,{port}\n"
                      f"  connector: serialdev,{device},38400n81,local\n{options}")
        proc = subprocess.Popen([SER2NET, "-d", "-u", "-P", os.path.join(tmp, "pid"), "-c", conf],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            deadline = time.monotonic() + 10
            while not listening(port):
                if proc.poll() is not None or time.monotonic() > deadline:
                    raise RuntimeError("ser2net did not listen")
                time.sleep(0.05)
            yield port
        finally:
            proc.terminate()
            proc.wait(timeout=10)


def bench_ser2net(build, r):
    log = os.path.join(build, "ser2net-log.csv")
    with Board(build, "--line-rate", "--boards", "0,1,2,3") as board:
        r["ser2net_direct"] = monitor_rate(build, board.device, 600, log, 4)["per_second"]
        for setup, (tcp, options) in SER2NET_SETUPS.items():
            for scheme, telnet in (("tcp", ""), ("rfc2217", "telnet(rfc2217),")):
                with ser2net(board.device, telnet + tcp, options) as port:
                    f = monitor_rate(build, f"{scheme}://127.0.0.1:{port}",
                                     SER2NET_UPDATES[setup], log, 4)
                r[f"ser2net_{setup}_{scheme}"] = f["per_second"]
                r[f"ser2net_{setup}_{scheme}_failed"] = f["updates"] - f["succeeded"]


def bench_soak(build, r, updates):
    done = subprocess.run([os.path.join(build, "bench_soak"), str(updates)], capture_output=True,
                          text=True, check=False)
    f = figures(done.stdout)
    r.update({"soak_" + k: v for k, v in f.items()})
    r["soak_ok"] = done.returncode == 0
    if done.stderr:
        r["soak_note"] = done.stderr.strip()


# The line-rate fault soak: faults that only show when the rest of a reply is still on the wire.
LINE_FAULTS = ["--stray", "0.02", "--stray-pass", "0.01", "--late", "0.01", "--truncate", "0.01",
               "--bad-checksum", "0.01", "--silence", "0.01", "--eeprom-stray", "0.05"]
# Columns that change from one update to the next on a board with constant inputs. The reset
# flags go once a failed update has cleared the panel: its box then asks the board to clear them.
MOVING = {"time", "update", "ok", "reason", "CLKtime", "RSTstate"}


def monitor_rows(build, device, updates):
    """`vyx monitor` CSV rows as dictionaries, and its summary line."""
    import csv
    exe = os.path.join(build, "vyx", "apps", "vyx", "vyx")
    done = run([exe, "monitor", "--port", f"1={device}", "--count", str(updates), "--format", "csv"])
    return list(csv.DictReader(done.stdout.splitlines())), done.stderr.strip()


def bench_linesoak(build, r, updates):
    steady = ["--line-rate", "--dif-rate", "0", "--seed", "5"]
    with Board(build, *steady) as board:
        truth = monitor_rows(build, board.device, 3)[0][-1]
    with Board(build, *steady, *LINE_FAULTS) as board:
        started = time.monotonic()
        rows, summary = monitor_rows(build, board.device, updates)
        r["linesoak_seconds"] = time.monotonic() - started
        counters = figures(board.ask("counters"))
    ok = [row for row in rows if row["ok"] == "true"]
    wrong = [row for row in ok if any(row[k] != v for k, v in truth.items() if k not in MOVING)]
    faulty = sum(counters.get(k, 0) for k in ("silence", "bad-checksum", "stray", "stray-pass",
                                               "truncate", "late"))
    r["linesoak_updates"] = len(rows)
    r["linesoak_ok"] = len(ok)
    r["linesoak_wrong"] = len(wrong)
    r["linesoak_replies"] = counters.get("replies", 0)
    r["linesoak_faults"] = faulty
    r["linesoak_summary"] = summary
    if wrong:
        r["linesoak_first_wrong"] = ",".join(wrong[0].values())


def machine():
    model = "unknown"
    with open("/proc/cpuinfo") as info:
        for line in info:
            if line.startswith("model name"):
                model = line.split(":", 1)[1].strip()
                break
    # Without an idle driver an idle virtual processor halts, and every wake-up is an exit
    # to the hypervisor: the turnaround of every host, the bare floor's too, grows with it.
    try:
        with open("/sys/devices/system/cpu/cpuidle/current_driver") as f:
            idle = f.read().strip()
    except OSError:
        idle = "none"
    return model, os.cpu_count(), platform.release(), idle


def network_report(r):
    g = r.get
    lines = []
    if "bridge_byte_states" in r or "lines8_bridge_rate" in r:
        lines += [
            "",
            "## Network bridge",
            "",
            f"`vyx bridge --address 0,1,2,3` publishing to mosquitto on loopback; the boards are"
            f" paced like a 38400-baud wire. Each run waits for the first state message, lets"
            f" {WARMUP} s pass, then measures for {BRIDGE_SECONDS} s. CPU is the host processes'"
            f" utime+stime from /proc over that window; memory is VmRSS at its end and VmHWM.",
        ]
    if "bridge_byte_states" in r:
        def cells(fmt):
            """One cell a reply mode; fmt gets the mode's figure by name."""
            return " | ".join(fmt(lambda k, m=mode: g(f"bridge_{m}_{k}")) for mode in BRIDGE_REPLIES)

        lines += [
            "",
            "One line of 4 boards, simulated inside the subscriber's process (`bench_bridge`, on"
            " libvyx-sim and libmosquitto), its replies byte by byte as `vyx-board-sim` sends them"
            " or whole once their last byte is due, as USB adapters deliver them. Latency: from"
            " the moment the last byte of a board's last reply of an update is due on the wire"
            " (the simulator's frame log time of the reply plus its length at 38400 baud, on the"
            " process's steady clock) to the arrival of that update's state message at the"
            " subscriber; each state message is matched to its update by board address and its"
            ' "update" count. The log times a reply when the simulator handled its request; on'
            " a machine that holds the simulator's thread up (a virtual CPU taken away) the reply"
            " still leaves when due, so a latency comes out short by the hold-up, below zero at"
            " worst: the least and the 99th percentile carry that noise, the median hardly. The"
            " simulator's thread runs at a real-time priority where the benchmark may set one"
            f" (here: {'yes' if g('bridge_byte_realtime') else 'no'}). CPU per update: the"
            " bridge's CPU over the window divided by the state messages received in it.",
            "",
            "| Figure | byte-paced replies | one-piece replies |",
            "|---|---|---|",
            "| State messages received (all messages under the prefix) | " + cells(lambda f:
                f"{f('states_per_second'):.1f}/s ({f('messages_per_second'):.0f}/s)") + " |",
            "| Bridge CPU per published update | " + cells(lambda f:
                f"{f('cpu_us'):.0f} us ({f('cpu_percent'):.2f} % of one core; the broker"
                f" {f('broker_percent'):.2f} %)") + " |",
            "| Latency, reply on the wire to state message received: median / 99th percentile | "
            + cells(lambda f:
                f"{f('latency_median_us'):.0f} us / {f('latency_p99_us'):.0f} us (least"
                f" {f('latency_min_us'):.0f}, most {f('latency_max_us'):.0f} us;"
                f" {f('matched'):.0f} of {f('states'):.0f} matched)") + " |",
            "| Bridge memory: VmRSS / peak | " + cells(lambda f:
                f"{f('rss_kb'):.0f} kB / {f('peak_kb'):.0f} kB") + " |",
        ]
    if "lines8_bridge_rate" in r:
        limit = LINES * WIRE_LIMIT
        lines += [
            "",
            f"{LINES} lines of 4 boards, each a `vyx-board-sim --line-rate --boards 0,1,2,3` of its"
            f" own, on the same {os.cpu_count()} cores as the hosts and the broker. Updates: the"
            f" state messages a subscriber received (bridge), the rows the logs hold for the window"
            f" (monitors). The wire allows {limit:.0f} updates/s in all.",
            "",
            "| Hosts | Board updates/s (share of the wire) | CPU, % of one core | Memory: VmRSS /"
            " peak |",
            "|---|---|---|---|",
            f"| one `vyx bridge`, {LINES} `--port` | {g('lines8_bridge_rate'):.0f}/s"
            f" ({100 * g('lines8_bridge_rate') / limit:.1f} %;"
            f" {g('lines8_bridge_messages'):.0f} messages/s) | {g('lines8_bridge_cpu'):.1f} %"
            f" (the broker {g('lines8_broker_cpu'):.1f} %) |"
            f" {g('lines8_bridge_rss')} kB / {g('lines8_bridge_peak')} kB |",
            f"| {LINES} `vyx monitor --address 0,1,2,3 --output FILE` | {g('lines8_monitor_rate'):.0f}/s"
            f" ({100 * g('lines8_monitor_rate') / limit:.1f} %) | {g('lines8_monitor_cpu'):.1f} %"
            f" in all | {g('lines8_monitor_rss')} kB / {g('lines8_monitor_peak')} kB in all |",
        ]
    if "ser2net_direct" in r:
        def cell(key):
            return (f"{g(key):.1f}/s = {100 * g(key) / WIRE_LIMIT:.1f} %"
                    f" ({g(key + '_failed'):.0f} failed)")

        lines += [
            "",
            "## Lines over ser2net",
            "",
            "`vyx monitor --address 0,1,2,3` through ser2net on loopback to"
            " `vyx-board-sim --line-rate --boards 0,1,2,3`, after the first round; the share"
            f" of the wire limit. Straight to the board's device: {g('ser2net_direct'):.1f}/s"
            f" = {100 * g('ser2net_direct') / WIRE_LIMIT:.1f} %.",
            "",
            "| ser2net | `tcp://` | `rfc2217://` |",
            "|---|---|---|",
        ]
        for setup in SER2NET_SETUPS:
            lines.append(f"| {SER2NET_NAMES[setup]} ({SER2NET_UPDATES[setup]} updates) | "
                         f"{cell(f'ser2net_{setup}_tcp')} | {cell(f'ser2net_{setup}_rfc2217')} |")
    return lines


def report(r, path):
    model, cores, kernel, idle = machine()
    now = datetime.datetime.now().strftime("%Y-%m-%d %H:%M")
    g = r.get

    def row(name, value, target=""):
        return f"| {name} | {value} | {target} |"

    lines = [
        "# Benchmark results",
        "",
        f"Measured {now} on {cores} cores ({model}), Linux {kernel}, processor idle driver"
        f" {idle}, by `make bench`.",
        f"Wire limit at 38400 baud 8N1 for a 6-byte request and a 26-byte reply: "
        f"{WIRE_LIMIT:.1f} updates/s.",
    ]
    if "rate_byte_component" in r:
        def rate(key):
            low, high = g(f"{key}_range")
            return (f"{g(key):.1f}/s = {100 * g(key) / WIRE_LIMIT:.1f} %"
                    f" ({100 * low:.1f}-{100 * high:.1f} %), {g(f'{key}_failed'):.0f} failed;"
                    f" turnaround {g(f'{key}_turnaround'):.0f} us")

        lines += [
            "",
            f"Update rate against `vyx-board-sim --line-rate`: median of {ROUNDS} rounds of 1000"
            " updates, the hosts taken in turn in each round; the share of the wire limit with"
            " the range over the rounds; turnaround is the board's median time from a reply's"
            " last byte to the host's next request.",
            "",
            *MODE_TABLE_HEAD,
        ]
        def table_rows(kind, cell):
            """A row for each reply mode measured, a cell for each host."""
            return [f"| {MODE_NAMES[mode]} | " + " | ".join(cell(f"{kind}_{mode}_{h}") for h in RATE_HOSTS)
                    + " |" for mode in MODE_NAMES if f"{kind}_{mode}_component" in r]

        def paired_rows(kind, cell):
            """The hosts against the loop of the same round, a line for each reply mode."""
            hosts = (("component", "component"), ("monitor", "`vyx monitor`"), ("qtfloor", "Qt floor"))
            return [f"- {MODE_NAMES[mode]}: "
                    + "; ".join(cell(label, *g(f"{kind}_{mode}_{h}_paired")) for h, label in hosts)
                    for mode in MODE_NAMES if f"{kind}_{mode}_component_paired" in r]

        lines += table_rows("rate", rate)
        lines += ["", "How true the simulated line was: the board wrote a reply's last byte this"
                  " long after it was due (median of the rounds' medians, with the range):", ""]
        lines += [f"- {MODE_NAMES[mode]}: " + "{:.0f} us ({:.0f}-{:.0f})".format(*g(f"overdue_{mode}"))
                  for mode in MODE_NAMES if f"overdue_{mode}" in r]
        if any(f"steal_{mode}" in r for mode in MODE_NAMES):
            lines += ["", "How much the hypervisor took: the share of the processors' time in each"
                      " round that this machine's processors had work but were not run (steal"
                      " time in /proc/stat; median of the rounds, with the range). Time taken"
                      " while a host or the board waits to run delays that update, whichever"
                      " host it is:", ""]
            lines += [f"- {MODE_NAMES[mode]}: " + "{:.2f} % ({:.2f}-{:.2f})".format(*g(f"steal_{mode}"))
                      for mode in MODE_NAMES if f"steal_{mode}" in r]
        lines += ["", "Paired by round against the pyserial loop, which ran in the same round"
                  " (median difference; rounds ahead):", ""]
        lines += paired_rows("rate", lambda label, d, ahead, n:
                             f"{label} {d:+.2f}/s, ahead in {ahead} of {n}")
        if "own_byte_component" in r:
            lines += [
                "",
                "The host's own time: from the return of the wait that brought a reply's last"
                " bytes to the write of the next request, measured inside each host by"
                " `bench/host_time.cpp` (loaded with LD_PRELOAD in every round above); median"
                " of the rounds' medians, with the range over the rounds. The rest of a"
                " turnaround is the machine's: waking the host and carrying the bytes, which no"
                " host's work changes, and it varies by tens of microseconds from round to round.",
                "",
                *MODE_TABLE_HEAD,
            ]
            lines += table_rows("own", lambda key: "{:.1f} us ({:.1f}-{:.1f})".format(*g(key)))
            lines += ["", "The same, paired by round against the pyserial loop (median of the time"
                      " the host took less than the loop; rounds in which it took less):", ""]
            lines += paired_rows("own", lambda label, d, ahead, n:
                                 f"{label} {d:+.1f} us, less in {ahead} of {n}")
        lines += ["", "The Qt event-loop floor is the bare floor's request and reply driven by a"
                  " socket notifier on Qt's event loop, with a reply time-out: the least a Qt host"
                  " can do. The last row, where present, holds the processors out of their"
                  " deeper idle states (/dev/cpu_dma_latency at 0) while the hosts run, as a"
                  " latency-tuned system does; a reply that arrives whole then wakes no halted"
                  " processor, and what remains is the hosts' own time. With no idle driver"
                  " there are no deeper states to hold, and the row is one more run of the"
                  " one-piece replies."]
        lines += ["", "Target: the component and `vyx monitor` at or above 97.5 % and ahead of the"
                  " pyserial loop in every mode."]
    if "work_component_ir" in r:
        lines += [
            "",
            "Work per update, counted rather than timed (callgrind, one-piece replies, what"
            f" {work_per_update.LONG - work_per_update.SHORT} updates add to a run of fewer): the instructions the host"
            " runs in user space, and the code it runs on every update. After 8 ms asleep that"
            " code is mostly out of the caches, and fetching it again is much of what a wake-up"
            " costs a host; the kernel's share is the same poll, read and write for every host.",
            "",
            "| | component (libvyx-qt) | `vyx monitor` to a file | Python + pyserial loop"
            " | Qt event-loop floor | bare POSIX floor |",
            "|---|---|---|---|---|---|",
            "| instructions per update | "
            + " | ".join(f"{g(f'work_{h}_ir'):,.0f}" for h in RATE_HOSTS) + " |",
            "| code run on every update | "
            + " | ".join(f"{g(f'work_{h}_kib'):.1f} KiB" for h in RATE_HOSTS) + " |",
        ]
    lines += ["", "| Figure | Value | Target |", "|---|---|---|"]
    if "cost_cpu_us" in r:
        low, high = g("cost_cpu_range")
        lines += [
            row(f"CPU per update, unpaced board in another process (median of {ROUNDS}"
                " runs of 10,000 updates)",
                f"{g('cost_cpu_us'):.1f} us (runs {low:.1f}-{high:.1f}; {g('cost_rate'):.0f}"
                f" updates/s, {g('cost_failed'):.0f} failed)", "< 20 us"),
            row("CPU per update, bare POSIX host on the same board, runs taken in turn: the"
                " system's share", f"{g('cost_floor_us'):.1f} us", ""),
            row("Instructions per update, libvyx on doubles (callgrind)",
                f"{g('core_instructions'):.0f}", ""),
            row("Wall time per update, libvyx on doubles", f"{g('core_ns'):.0f} ns", ""),
        ]
    if "idle_percent" in r:
        lines += [
            row("CPU, port open, no update",
                f"{g('idle_cpu') * 1000:.1f} ms over {g('idle_wall'):.1f} s = {g('idle_percent'):.3f} %",
                "< 1 %"),
            row("CPU, 10 failed updates to a silent board",
                f"{g('silent_cpu') * 1000:.1f} ms over {g('silent_wall'):.2f} s = "
                f"{g('silent_percent'):.3f} %, NewData {g('silent_newdata'):.0f}", "< 1 %"),
            row("CPU, first update with EEPROM reads timing out",
                f"{g('eeprom_cpu') * 1000:.1f} ms over {g('eeprom_wall'):.2f} s = "
                f"{g('eeprom_percent'):.3f} %", "< 1 %"),
        ]
    if "mem_first_kb" in r:
        lines += [
            row("`vyx monitor`, 10,000 updates: VmRSS at update 1,000 / at the end",
                f"{g('mem_first_kb')} kB / {g('mem_last_kb')} kB (growth {g('mem_growth_kb')} kB)",
                "flat"),
            row("`vyx monitor`, peak RSS (VmHWM)", f"{g('mem_peak_kb')} kB", ""),
        ]
    if "linesoak_updates" in r:
        lines += [
            row(f"Line-rate fault soak: `vyx monitor`, {g('linesoak_updates'):.0f} updates against"
                " `vyx-board-sim --line-rate` with " + " ".join(LINE_FAULTS) + " (per reply);"
                " a row is wrong when it is logged ok with any reading other than the board's",
                f"{g('linesoak_wrong'):.0f} wrong; {g('linesoak_ok'):.0f} ok ="
                f" {100 * g('linesoak_ok') / g('linesoak_updates'):.2f} % of updates;"
                f" {g('linesoak_faults'):.0f} faulty of {g('linesoak_replies'):.0f} replies;"
                f" {g('linesoak_seconds'):.0f} s", "0 wrong"),
        ]
        if "linesoak_first_wrong" in r:
            lines += [row("First wrong row", g("linesoak_first_wrong"), "")]
    if "soak_updates" in r:
        lines += [
            row(f"Soak, {g('soak_updates'):.0f} updates, 5 % mixed faults, unpaced",
                f"{'passed' if g('soak_ok') else 'FAILED'}: {g('soak_ended'):.0f} ended,"
                f" {g('soak_newdata'):.0f} NewData = {g('soak_clean_replies'):.0f} clean replies,"
                f" {g('soak_faulty_replies'):.0f} faulty, {g('soak_disagreements'):.0f} disagreements,"
                f" {g('soak_seconds'):.0f} s", "every update ends; NewData = clean replies"),
            row("Soak memory: VmRSS after 1,000 updates / at the end / peak",
                f"{g('soak_rss_warm_kb'):.0f} / {g('soak_rss_end_kb'):.0f} / {g('soak_rss_peak_kb'):.0f} kB",
                "flat"),
        ]
    lines += network_report(r)
    text = "\n".join(lines) + "\n"
    with open(path, "w") as out:
        out.write(text)
    sys.stdout.write(text)


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--build", required=True)
    p.add_argument("--results", required=True)
    p.add_argument("--only", default="rate,work,cost,idle,memory,ser2net,bridge,lines8,linesoak,soak")
    p.add_argument("--soak", type=int, default=100000, help="updates of the soak")
    p.add_argument("--linesoak", type=int, default=20000, help="updates of the line-rate soak")
    a = p.parse_args()
    r = {}
    steps = {"rate": bench_rate, "work": bench_work, "cost": bench_cost, "idle": bench_idle, "memory": bench_memory,
             "ser2net": bench_ser2net, "bridge": bench_bridge, "lines8": bench_lines8}
    for name in a.only.split(","):
        started = time.monotonic()
        if name == "soak":
            bench_soak(a.build, r, a.soak)
        elif name == "linesoak":
            bench_linesoak(a.build, r, a.linesoak)
        else:
            steps[name](a.build, r)
        print(f"[{name}: {time.monotonic() - started:.0f} s]", file=sys.stderr)
    report(r, a.results)
    return 0 if r.get("soak_ok", True) and not r.get("linesoak_wrong") else 1


if __name__ == "__main__":
    sys.exit(main())
