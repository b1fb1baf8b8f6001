#!/usr/bin/env python3
"""Times opening a model as a user does, against `wc -w` on the same file in the same run.

For each round, alternating: `wc -w FILE`; `tarno --render FILE --output PNG --size 1280x720`
(the whole process); and, when a display is set, `tarno FILE` from start until the window
writes "first picture on screen" (TARNO_DEBUG), with its peak memory read just before it
is closed. Prints the medians and their ratios to `wc -w`. Further binaries after ROUNDS are
timed in the same rounds, in turn (in reverse order every other round), to compare builds.

    python3 bench/open_and_show.py build/app/tarno big.api [rounds [other/tarno ...]]
    xvfb-run -a -s "-screen 0 1920x1080x24" python3 bench/open_and_show.py build/app/tarno big.api

On a desktop a session bus is running; under Xvfb start one (`dbus-run-session -- python3
...`), or Qt's start differs from a desktop's.
"""
import os
import statistics
import subprocess
import sys
import tempfile
import time


def timed(argv):
    """Wall seconds and peak resident MiB of one child process."""
    before = time.monotonic()
    proc = subprocess.Popen(argv, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(proc.pid, 0)
    seconds = time.monotonic() - before
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit(f"failed: {' '.join(argv)}")
    return seconds, usage.ru_maxrss / 1024.0


def peak_mib(pid):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith("VmHWM:"):
                return int(line.split()[1]) / 1024.0
    return float("nan")


def window_open(tarno, path):
    """Seconds from start to the first picture painted, and peak MiB until then."""
    env = dict(os.environ, TARNO_DEBUG="1")
    before = time.monotonic()
    proc = subprocess.Popen([tarno, path], stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                            env=env)
    seconds = None
    for line in proc.stderr:
        if b"first picture on screen" in line:
            seconds = time.monotonic() - before
            break
    peak = peak_mib(proc.pid) if seconds is not None else float("nan")
    proc.kill()
    proc.wait()
    if seconds is None:
        sys.exit("the window showed no picture")
    return seconds, peak


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    path = sys.argv[2]
    rounds = int(sys.argv[3]) if len(sys.argv) > 3 else 5
    binaries = [sys.argv[1]] + sys.argv[4:]
    window = bool(os.environ.get("DISPLAY"))
    named = len(binaries) > 1
    results = {"wc -w": []}
    for tarno in binaries:
        suffix = f" {tarno}" if named else ""
        results["--render" + suffix] = []
        if window:
            results["window" + suffix] = []
    with tempfile.TemporaryDirectory() as scratch:
        png = os.path.join(scratch, "x.png")
        for round_number in range(rounds):
            results["wc -w"].append(timed(["wc", "-w", path]))
            order = binaries if round_number % 2 == 0 else binaries[::-1]
            for tarno in order:
                suffix = f" {tarno}" if named else ""
                results["--render" + suffix].append(
                    timed([tarno, "--render", path, "--output", png, "--size", "1280x720"]))
                if window:
                    results["window" + suffix].append(window_open(tarno, path))
    wc = statistics.median(s for s, _ in results["wc -w"])
    for name, runs in results.items():
        seconds = statistics.median(s for s, _ in runs)
        peak = statistics.median(m for _, m in runs)
        # wc's own peak is not shown: a child's figure includes the interpreter it forked from.
        memory = "" if name == "wc -w" else f"  peak {peak:.0f} MiB"
        print(f"{name:10s} median {seconds:.3f} s  ({seconds / wc:.2f}x wc -w){memory}  "
              f"runs {' '.join(f'{s:.2f}' for s, _ in runs)}")


if __name__ == "__main__":
    main()
