#!/usr/bin/env python3
"""Measures time from exec to the first painted frame and peak resident
memory of Pocosa and of the minimal window, side by side under one Xvfb,
then Pocosa's CPU time while counting down for 60 seconds."""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import threading
import time


def free_display():
    for n in range(90, 200):
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


def peak_rss_kib(pid):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith("VmHWM:"):
                return int(line.split()[1])
    return 0


def one_run(program, display):
    """Returns (milliseconds to first frame, peak RSS in MiB)."""
    with tempfile.TemporaryDirectory() as root:
        # A private copy of the program folder: settings never land in the build tree.
        folder = os.path.join(root, "prog")
        shutil.copytree(os.path.dirname(program), folder,
                        ignore=shutil.ignore_patterns("Data", "pocosa-bench*", "*.a"))
        exe = os.path.join(folder, os.path.basename(program))
        env = fresh_env(display, root)
        start = time.monotonic_ns()
        proc = subprocess.Popen([exe], env=env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        watchdog = threading.Timer(20.0, proc.kill)
        watchdog.start()
        try:
            line = proc.stdout.readline()
            watchdog.cancel()
            if not line.startswith("first-frame "):
                raise SystemExit(f"{exe} reported no first frame")
            frame = int(line.split()[1])
            time.sleep(0.3)  # let the paint that was reported settle before reading the peak
            rss = peak_rss_kib(proc.pid) / 1024.0
        finally:
            proc.terminate()
            proc.wait(timeout=10)
        return (frame - start) / 1e6, rss


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
        results = {"pocosa": [], "minimal": []}
        for _ in range(runs):
            # Alternate, so that both see the same machine load.
            results["pocosa"].append(one_run(pocosa, display))
            results["minimal"].append(one_run(minimal, display))
        med = {k: (statistics.median(t for t, _ in v), statistics.median(m for _, m in v))
               for k, v in results.items()}
        print(f"{'':24}{'first frame (ms)':>18}{'peak RSS (MiB)':>16}")
        for name in ("pocosa", "minimal"):
            print(f"{name:24}{med[name][0]:18.1f}{med[name][1]:16.1f}")
        print(f"{'ratio pocosa/minimal':24}{med['pocosa'][0] / med['minimal'][0]:18.2f}"
              f"{med['pocosa'][1] / med['minimal'][1]:16.2f}   (goals: 1.30, 1.25)")
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
