#!/usr/bin/env python3
"""Measures time from exec to the first painted frame and peak resident
memory of Pocosa (with one timer, and with five kept from the last run) and
of the minimal window, side by side under one Xvfb; then the resident memory
each more timer window takes, and Pocosa's CPU time while counting down for
60 seconds."""
import os
import shutil
import collections
import statistics
import subprocess
import sys
import tempfile
import threading
import time


def free_display():
    # POCOSA_BENCH_DISPLAY: the first display number to try.
    for n in range(int(os.environ.get("POCOSA_BENCH_DISPLAY", "90")), 200):
        if not os.path.exists(f"/tmp/.X11-unix/X{n}") and not os.path.exists(f"/tmp/.X{n}-lock"):
            return n
    raise SystemExit("no free display")


def start_xvfb():
    n = free_display()
    xvfb = subprocess.Popen(["Xvfb", f":{n}", "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    for _ in range(100):
        if os.path.exists(f"/tmp/.X11-unix/X{n}"):
            break
        time.sleep(0.05)
    time.sleep(0.2)
    return xvfb, f":{n}"


def fresh_env(display, root):
    env = dict(os.environ)
    home = os.path.join(root, "home")
    os.makedirs(os.path.join(home, ".config"), exist_ok=True)
    run = os.path.join(root, "run")
    os.makedirs(run, mode=0o700, exist_ok=True)
    env.update(DISPLAY=display, HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"),
               XDG_RUNTIME_DIR=run, POCOSA_FIRST_FRAME="1")
    env.pop("QT_QPA_PLATFORM", None)
    return env


def status_kib(pid, field="VmHWM"):
    """A memory figure of /proc/<pid>/status in KiB; by default the peak resident memory."""
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith(field + ":"):
                return int(line.split()[1])
    return 0


def cpu_ms(pid):
    """CPU time the process has used, all its threads, in milliseconds."""
    total = 0
    for task in os.listdir(f"/proc/{pid}/task"):
        with open(f"/proc/{pid}/task/{task}/schedstat") as stat:
            total += int(stat.read().split()[0])
    return total / 1e6


def kept_timers_ini(count):
    """Settings as a run with `count` timers leaves them: the first timer's
    sections and a TIMER-<n> section for each other one, stopped at 3:00,
    cascaded down from the middle of the screen."""
    lines = ["[TIMER]", "SECONDS=180", "RUNNING=0", "COUNTUP=0", "NAME=",
             "[TFMTIMERMAIN]", "TOP=324", "LEFT=452"]
    for n in range(2, count + 1):
        lines += [f"[TIMER-{n}]", "SECONDS=180", "RUNNING=0", "COUNTUP=0", "START=0", "END=0",
                  f"NAME=tea {n}", f"TOP={324 + 32 * (n - 1)}", f"LEFT={452 + 32 * (n - 1)}", "builtin=0"]
    return "\n".join(lines) + "\n"


def timer_count(exe, env):
    """The timers the running program has, by its --status lines."""
    status = subprocess.run([exe, "--status"], env=env, capture_output=True, text=True, timeout=10)
    return len(status.stdout.splitlines())


def wait_for_timers(exe, env, count):
    for _ in range(100):
        if timer_count(exe, env) >= count:
            return
        time.sleep(0.05)
    raise SystemExit(f"{exe} did not open {count} timers")


def program_copy(program, root):
    """A private copy of the program folder: settings never land in the build tree."""
    folder = os.path.join(root, "prog")
    shutil.copytree(os.path.dirname(program), folder,
                    ignore=shutil.ignore_patterns("Data", "pocosa-bench*", "*.a"))
    return os.path.join(folder, os.path.basename(program))


def start_to_first_frame(exe, env, ini=None):
    """Starts `exe` (with `ini` as its settings) and returns the process and
    the milliseconds from exec to its first frame."""
    if ini is not None:
        data = os.path.join(os.path.dirname(exe), "Data")
        os.makedirs(data, exist_ok=True)
        with open(os.path.join(data, "application.ini"), "w") as settings:
            settings.write(ini)
    start = time.monotonic_ns()
    proc = subprocess.Popen([exe], env=env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    watchdog = threading.Timer(20.0, proc.kill)
    watchdog.start()
    line = proc.stdout.readline()
    watchdog.cancel()
    if not line.startswith("first-frame "):
        proc.kill()
        raise SystemExit(f"{exe} reported no first frame")
    return proc, (int(line.split()[1]) - start) / 1e6


def one_run(program, display, timers=0):
    """Returns (milliseconds to first frame, peak RSS in MiB, CPU milliseconds
    by then); fresh settings, or with `timers` kept in the settings written
    before the start."""
    with tempfile.TemporaryDirectory() as root:
        exe = program_copy(program, root)
        env = fresh_env(display, root)
        proc, frame = start_to_first_frame(exe, env, kept_timers_ini(timers) if timers else None)
        try:
            if timers > 1:
                wait_for_timers(exe, env, timers)
            time.sleep(0.3)  # let the paint that was reported settle before reading the peak
            rss = status_kib(proc.pid) / 1024.0
            cpu = cpu_ms(proc.pid)
        finally:
            proc.terminate()
            proc.wait(timeout=10)
        return frame, rss, cpu


def resident_by_mapping(program, display):
    """KiB resident per mapped file (anonymous memory as "[anon]", the heap as
    "[heap]"), once the first frame has settled."""
    with tempfile.TemporaryDirectory() as root:
        exe = program_copy(program, root)
        proc, _ = start_to_first_frame(exe, fresh_env(display, root))
        resident = collections.Counter()
        try:
            time.sleep(0.3)
            with open(f"/proc/{proc.pid}/smaps") as smaps:
                mapping = "[anon]"
                for line in smaps:
                    fields = line.split()
                    if not fields[0].endswith(":"):  # a mapping's first line: range perms offset dev inode [path]
                        mapping = os.path.basename(fields[5]) if len(fields) > 5 else "[anon]"
                    elif fields[0] == "Rss:":
                        resident[mapping] += int(fields[1])
        finally:
            proc.terminate()
            proc.wait(timeout=10)
        return resident


def rss_per_window(program, display, steps=(1, 5, 15)):
    """Resident MiB each more timer window takes: after the start, then with
    each count of windows opened by `--new` from the command line."""
    with tempfile.TemporaryDirectory() as root:
        exe = program_copy(program, root)
        env = fresh_env(display, root)
        proc, _ = start_to_first_frame(exe, env)
        per_window = {}
        try:
            time.sleep(1.0)
            alone = status_kib(proc.pid, "VmRSS")
            opened = 0
            for n in steps:
                while opened < n:
                    subprocess.run([exe, "--new"], env=env, stdout=subprocess.DEVNULL, timeout=10, check=True)
                    opened += 1
                wait_for_timers(exe, env, n + 1)
                time.sleep(1.0)  # every new window painted
                per_window[n] = (status_kib(proc.pid, "VmRSS") - alone) / 1024.0 / n
        finally:
            proc.terminate()
            proc.wait(timeout=10)
        return per_window


def idle_cpu(program, display, seconds=60):
    with tempfile.TemporaryDirectory() as root:
        folder = os.path.join(root, "prog")
        shutil.copytree(os.path.dirname(program), folder,
                        ignore=shutil.ignore_patterns("Data", "pocosa-bench*", "*.a"))
        env = fresh_env(display, root)
        args = [os.path.join(folder, "pocosa")]
        # Start a long count-down the way a user would, if the program takes a time argument.
        if "--start" in subprocess.run(args + ["--help"], env=env, capture_output=True, text=True).stdout:
            args += ["99:00", "--start"]
        proc = subprocess.Popen(args, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        time.sleep(2)
        ticks = os.sysconf("SC_CLK_TCK")

        def cpu():
            with open(f"/proc/{proc.pid}/stat") as stat:
                fields = stat.read().rsplit(")", 1)[1].split()
            return (int(fields[11]) + int(fields[12])) / ticks

        before = cpu()
        time.sleep(seconds)
        used = cpu() - before
        proc.terminate()
        proc.wait(timeout=10)
        return used, seconds, len(args) > 1


def main():
    build = os.path.abspath(sys.argv[1])
    runs = int(sys.argv[2])
    pocosa = os.path.join(build, "bin", "pocosa")
    minimal = os.path.join(build, "bin", "pocosa-minimal-window")
    xvfb, display = start_xvfb()
    try:
        cases = {"pocosa": (pocosa, 0), "pocosa, 1 kept timer": (pocosa, 1), "pocosa, 5 kept timers": (pocosa, 5),
                 "minimal": (minimal, 0)}
        results = {name: [] for name in cases}
        for _ in range(runs):
            # Alternate, so that all see the same machine load.
            for name, (program, timers) in cases.items():
                results[name].append(one_run(program, display, timers))
        med = {k: [statistics.median(column) for column in zip(*v)] for k, v in results.items()}
        # The CPU time is what a busy machine disturbs least.
        print(f"{'':28}{'first frame (ms)':>18}{'peak RSS (MiB)':>16}{'CPU (ms)':>10}")
        for name in cases:
            print(f"{name:28}{med[name][0]:18.1f}{med[name][1]:16.1f}{med[name][2]:10.1f}")

        def ratio(label, a, b, goals):
            print(f"{label:28}{med[a][0] / med[b][0]:18.2f}{med[a][1] / med[b][1]:16.2f}{med[a][2] / med[b][2]:10.2f}" +
                  (f"   ({goals})" if goals else ""))

        ratio("ratio pocosa/minimal", "pocosa", "minimal", "goals: 1.15, 1.10")
        ratio("ratio 5 kept/1 kept", "pocosa, 5 kept timers", "pocosa, 1 kept timer", "goal: first frame 1.00")
        ratio("ratio 5 kept/minimal", "pocosa, 5 kept timers", "minimal", "")
        # Where Pocosa's resident memory goes beyond the minimal window's.
        mine, theirs = resident_by_mapping(pocosa, display), resident_by_mapping(minimal, display)
        more = sorted(((mine[k] - theirs[k], k) for k in mine.keys() | theirs.keys()), reverse=True)
        print("resident beyond the minimal window (KiB): " +
              ", ".join(f"{k} {d:+d}" for d, k in more if abs(d) >= 128) +
              f"; all {sum(mine.values()) - sum(theirs.values()):+d}")
        extra = [rss_per_window(pocosa, display) for _ in range(min(runs, 3))]
        print("RSS per extra window (MiB): " +
              ", ".join(f"{n} more: {statistics.median(r[n] for r in extra):.2f}" for n in extra[0]) +
              "   (goal: 1.00)")
        if os.environ.get("POCOSA_SKIP_IDLE") != "1":
            used, seconds, counting = idle_cpu(pocosa, display)
            what = "counting down" if counting else "idle (no --start option: timer not running)"
            print(f"CPU while {what} for {seconds} s: {used:.2f} s = {100 * used / seconds:.3f} % of one core"
                  " (goal: 0.3 %)")
    finally:
        xvfb.terminate()
        xvfb.wait()


if __name__ == "__main__":
    main()
