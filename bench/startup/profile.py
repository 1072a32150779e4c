#!/usr/bin/env python3
"""Where the start-up of each options program goes, in instructions.

Runs the floor and each built options program under scanhost on a private
Xvfb, the program under callgrind, which writes its counts when the program
enters the toolkit's event loop (just after the dialog is realised), and
prints per program: all instructions, those of the dynamic loader, of the
toolkit's initialisation, of the input method (the locale's compose table,
opened for the selection box's text field), of building the widgets, and of
realising them; then the X round trips (replies waited for), the windows
created and the fonts loaded.

    bench/startup/profile.py [BUILD_DIR]      (default: build)

Takes about half a minute per program.  Instruction counts hardly vary from
run to run, so this is the tool to compare two builds with.
"""
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
from collections import Counter

TOP = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

# name, executable, its argument, scanhost's model
SUBJECTS = [
    ("floor", "startup_floor", None, "fs2"),
    ("floor+locale", "startup_floor", "-locale", "fs2"),
    ("cobaltpane", "cobaltpane", None, "scanjet"),
    ("indigopane", "indigopane", None, "sharp"),
    ("amberpane", "amberpane", None, "fs2"),
]

COUNTED_CALLS = ["_XReply", "XCreateWindow", "XLoadQueryFont"]


def start_xvfb():
    read_end, write_end = os.pipe()
    xvfb = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-nolisten", "tcp", "-screen", "0",
         "1280x1024x24"],
        pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_end)
    number = b""
    while not number.endswith(b"\n"):
        chunk = os.read(read_end, 16)
        if not chunk:
            sys.exit("profile: Xvfb did not start")
        number += chunk
    os.close(read_end)
    return xvfb, ":" + number.decode().strip()


def parse(path):
    """Inclusive instructions of selected functions and call counts."""
    out = subprocess.run(["callgrind_annotate", "--inclusive=yes", "--threshold=100", path],
                         capture_output=True, text=True, check=True).stdout
    inclusive = {}
    total = 0
    for line in out.splitlines():
        m = re.match(r"^\s*([\d,]+) \([^)]*\)\s+(\S+)", line)
        if not m:
            continue
        count = int(m.group(1).replace(",", ""))
        where = m.group(2)
        if where == "PROGRAM":
            total = count
            continue
        name = where.rsplit(":", 1)[-1]
        inclusive.setdefault(name, count)  # the first line is the largest
    names, calls, callee = {}, Counter(), None
    with open(path) as f:
        for line in f:
            m = re.match(r"^(c?fn)=\((\d+)\)(?: (.*))?$", line.rstrip("\n"))
            if m:
                kind, idx, name = m.groups()
                if name:
                    names[idx] = name
                if kind == "cfn":
                    callee = names.get(idx, idx).split("'")[0]
                continue
            if line.startswith("calls=") and callee:
                calls[callee] += int(line.split("=")[1].split()[0])
    return total, inclusive, calls


def profile(bin_dir, display, work, subject):
    name, program, option, model = subject
    out = os.path.join(work, name + ".cg")
    wrapper = os.path.join(work, "under-callgrind")
    with open(wrapper, "w") as f:
        f.write('#!/bin/sh\nexec valgrind -q --tool=callgrind --dump-before=XtAppMainLoop '
                '--callgrind-out-file="$CG_OUT" "$CG_PROGRAM" "$@"\n')
    os.chmod(wrapper, 0o755)
    env = dict(os.environ, DISPLAY=display, CG_OUT=out,
               CG_PROGRAM=os.path.join(bin_dir, program))
    argv = [os.path.join(bin_dir, "scanhost"), "--record", os.path.join(work, name + ".rec"),
            "--model", model, wrapper] + ([option] if option else [])
    host = subprocess.Popen(argv, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    dump = out + ".1"
    deadline = time.monotonic() + 120
    while not os.path.exists(dump) and host.poll() is None and time.monotonic() < deadline:
        time.sleep(0.2)
    time.sleep(1)  # the dump is complete once written; give it a moment
    try:
        with open(f"/proc/{host.pid}/task/{host.pid}/children") as f:
            for pid in f.read().split():
                os.kill(int(pid), signal.SIGKILL)
    except OSError:
        pass
    host.wait(timeout=30)
    if not os.path.exists(dump):
        sys.exit(f"profile: {name} never reached the event loop")
    return parse(dump)


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else os.path.join(TOP, "build")
    bin_dir = os.path.join(os.path.abspath(build), "bin")
    for tool in ("valgrind", "callgrind_annotate", "Xvfb"):
        if shutil.which(tool) is None:
            sys.exit(f"profile: {tool} is not installed")
    xvfb, display = start_xvfb()
    work = tempfile.mkdtemp(prefix="startup_profile.")
    rows = []
    try:
        for subject in SUBJECTS:
            if not os.access(os.path.join(bin_dir, subject[1]), os.X_OK):
                print(f"{subject[0]}: not built, skipped")
                continue
            rows.append((subject[0],) + profile(bin_dir, display, work, subject))
    finally:
        xvfb.terminate()
        xvfb.wait()
        shutil.rmtree(work, ignore_errors=True)

    mega = lambda n: f"{n / 1e6:7.2f}"
    print(f"Instructions (millions) until the event loop, LANG={os.environ.get('LANG', '')}")
    print(f"{'program':13} {'total':>7} {'loader':>7} {'Xt init':>7} {'compose':>7} "
          f"{'widgets':>7} {'realize':>7} | {'replies':>7} {'windows':>7} {'fonts':>5}")
    for name, total, inc, calls in rows:
        loader = inc.get("_dl_start", 0)
        init = inc.get("XtAppInitialize", 0)
        compose = inc.get("XOpenIM", 0)
        realize = inc.get("XtRealizeWidget", 0)
        main_ = inc.get("main", 0)
        widgets = main_ - init - compose - realize - inc.get("setlocale", 0)
        print(f"{name:13} {mega(total)} {mega(loader)} {mega(init)} {mega(compose)} "
              f"{mega(widgets)} {mega(realize)} | {calls['_XReply']:7d} "
              f"{calls['XCreateWindow']:7d} {calls['XLoadQueryFont']:5d}")
    print("widgets: main less the toolkit's initialisation, the compose table and realising;\n"
          "replies: X requests whose reply the program waited for (round trips).")


if __name__ == "__main__":
    main()
