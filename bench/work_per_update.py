"""What a host does for one update, counted by callgrind instead of timed: the instructions it
runs in user space, and the code it runs on every update (in 64-byte lines, as a cache holds
it). A host that has slept for a reply's 8 ms finds most of that code out of its caches, so
the code it must fetch again is what a wake-up costs it, and unlike a time it does not move
with the machine's load.

Each host runs twice, for SHORT and LONG updates; what the second run adds over the first is
the updates' own, and start-up and the first update's EEPROM reads drop out.
"""
import collections
import os
import re
import subprocess

SHORT, LONG = 100, 300
LINE = 64


def _costs(path):
    """Instructions run at each code address, from a callgrind file made with --dump-instr."""
    costs = collections.Counter()
    names = {}
    obj = None
    addr = 0
    call_cost_next = False
    for line in open(path):
        if line.startswith(("ob=", "cob=")):
            key, _, rest = line.rstrip("\n").partition("=")
            found = re.match(r"\((\d+)\)(?: (.*))?", rest)
            ident, name = (found.group(1), found.group(2)) if found else (rest, rest)
            if name:
                names[ident] = name
            if key == "ob":
                obj = names.get(ident)
            continue
        if line.startswith("calls="):
            call_cost_next = True  # the line after a call holds the callee's cost
            continue
        if not line[:1] or not (line[0].isdigit() or line[0] in "+-*"):
            continue
        fields = line.split()
        pos = fields[0]
        if pos[0] in "+-":
            step = int(pos[1:], 0)
            addr = addr + step if pos[0] == "+" else addr - step
        elif pos != "*":
            addr = int(pos, 0)
        if call_cost_next:
            call_cost_next = False
            continue
        # positions: instr line; then the Ir count
        if len(fields) > 2:
            costs[(obj, addr)] += int(fields[2])
    return costs


def measure(command, device, scratch):
    """Instructions per update and KiB of code run on every update, for a host started as
    command + [device, updates]."""
    runs = {}
    for n in (SHORT, LONG):
        out = os.path.join(scratch, f"work.{n}.callgrind")
        done = subprocess.run(["valgrind", "--tool=callgrind", "--dump-instr=yes",
                               f"--callgrind-out-file={out}", *command(device, n)],
                              capture_output=True, text=True, check=False)
        if done.returncode != 0:
            raise RuntimeError(f"callgrind of {command(device, n)} failed: {done.stderr[-2000:]}")
        runs[n] = _costs(out)
        os.remove(out)
    updates = LONG - SHORT
    added = {k: v - runs[SHORT].get(k, 0) for k, v in runs[LONG].items()}
    every = {(obj, addr // LINE) for (obj, addr), v in added.items() if v >= 0.95 * updates}
    return sum(added.values()) / updates, len(every) * LINE / 1024
