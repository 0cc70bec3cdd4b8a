#!/usr/bin/env python3
"""End-to-end throughput and memory of the player.

Generates a 100 MB SVF file of long SDR vectors, plays it with
`tapwright-sim --chain none` (no device model: only reading, parsing, walking,
shifting and the clock stream count) with and without -c, then the same with
`tapwright-play --sim=none` (which reads the file twice: once to check it,
once to play it), and prints TCK cycles per second and peak resident memory.
Where `openocd` is installed it plays the same files with its dummy adapter,
side by side.

    python3 bench/throughput.py [--sim build/src/driver/tapwright-sim]
                                [--play build/src/play/tapwright-play] [--mb 100]
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
CORPUS_FILE = os.path.join(ROOT, "..", "shared", "svf-corpus",
                           "xc95144xl_warpse_impact_erase_program_verify.svf")

BITS = 16384  # bits per SDR


def generate(path, megabytes):
    """Writes the file; returns the TCK cycles a player clocks for it."""
    digits = BITS // 4
    tdi = ("0123456789abcdef" * (digits // 16 + 1))[:digits]
    line = "SDR %d TDI (%s) TDO (%s) MASK (%s);\n" % (BITS, tdi, "f" * digits, "f" * digits)
    count = max(1, megabytes * 1_000_000 // len(line))
    with open(path, "w") as f:
        f.write("SIR 8 TDI (ff);\n")
        for _ in range(count):
            f.write(line)
    # reset 6; SIR from Run-Test/Idle: 4 + 8 + 2; each SDR: 3 + BITS + 2; drain 1
    return 6 + 14 + count * (BITS + 5) + 1


GNU_TIME = "/usr/bin/time"  # Debian package "time"


def run(cmd):
    """Wall seconds, CPU seconds, peak RSS in MB and exit status of one command.

    A child forked from this interpreter starts with the interpreter's pages
    counted in its peak RSS, so the peak comes from GNU time, a small C
    program, where it is installed."""
    report = None
    if os.path.exists(GNU_TIME):
        report = tempfile.NamedTemporaryFile(mode="r", suffix=".time")
        cmd = [GNU_TIME, "-q", "-f", "%M", "-o", report.name] + cmd
    start = time.perf_counter()
    proc = subprocess.Popen(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(proc.pid, 0)
    elapsed = time.perf_counter() - start
    rss_mb = usage.ru_maxrss / 1024.0
    if report is not None:
        rss_mb = int(report.read().split()[-1]) / 1024.0
        report.close()
    return (elapsed, usage.ru_utime + usage.ru_stime, rss_mb, os.waitstatus_to_exitcode(status))


def openocd_cmd(svf):
    script = ("transport select jtag; adapter speed 10000; jtag newtap chip tap -irlen 8; "
              "init; svf -tap chip.tap -quiet -ignore_error %s; shutdown" % svf)
    return ["openocd", "-f", "interface/dummy.cfg", "-c", script]


def best_of(n, cmd):
    runs = [run(cmd) for _ in range(n)]
    return min(runs, key=lambda r: r[1])


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--sim", default=os.path.join(ROOT, "build", "src", "driver", "tapwright-sim"))
    parser.add_argument("--play", default=os.path.join(ROOT, "build", "src", "play", "tapwright-play"))
    parser.add_argument("--mb", type=int, default=100)
    parser.add_argument("--repeat", type=int, default=3)
    args = parser.parse_args()
    if not os.path.exists(args.sim):
        sys.exit("no %s: build first (cmake --build build)" % args.sim)

    workdir = tempfile.mkdtemp(prefix="tapwright-bench-")
    try:
        big = os.path.join(workdir, "long_sdr.svf")
        cycles = generate(big, args.mb)
        size_mb = os.path.getsize(big) / 1e6
        print("file: %.1f MB of %d-bit SDR vectors, %d TCK cycles" % (size_mb, BITS, cycles))
        print("(cycles/s from CPU time, which a busy machine does not distort; wall time beside it)")
        for flags in ([], ["-c"]):
            wall, cpu, rss, status = best_of(args.repeat, [args.sim, "--chain", "none", big] + flags)
            rate = cycles / cpu
            print("tapwright-sim --chain none %-3s cpu %6.3f s  wall %6.3f s  %7.1f M cycles/s"
                  "  peak RSS %6.1f MB  exit %d"
                  % (" ".join(flags), cpu, wall, rate / 1e6, rss, status))
            if os.path.exists(args.play):
                wall, cpu, rss, status = best_of(args.repeat, [args.play, "--sim=none", big] + flags)
                print("tapwright-play --sim=none  %-3s cpu %6.3f s  wall %6.3f s  %7.1f M cycles/s"
                      "  peak RSS %6.1f MB  exit %d  (%.0f %% of tapwright's rate)"
                      % (" ".join(flags), cpu, wall, cycles / cpu / 1e6, rss, status,
                         100 * cycles / cpu / rate))
                # A mapped wiring (the FT232R adapter's): at least half the specified rate.
                wall, cpu, rss, status = best_of(
                    args.repeat, [args.play, "--sim=none", "--cable", "ft232r", big] + flags)
                print("  ... --cable ft232r         cpu %6.3f s  wall %6.3f s  %7.1f M cycles/s"
                      "  peak RSS %6.1f MB  exit %d  (%.0f %% of tapwright's rate)"
                      % (cpu, wall, cycles / cpu / 1e6, rss, status, 100 * cycles / cpu / rate))

        have_openocd = shutil.which("openocd") is not None
        if os.path.exists(CORPUS_FILE):
            wall, cpu, rss, _ = best_of(args.repeat, [args.sim, "--chain", "none", CORPUS_FILE, "-c"])
            print("xc95144xl corpus file, tapwright-sim -c: cpu %6.3f s  wall %6.3f s  peak RSS %5.1f MB"
                  % (cpu, wall, rss))
            if have_openocd:
                wall, cpu, rss, _ = best_of(args.repeat, openocd_cmd(CORPUS_FILE))
                print("xc95144xl corpus file, openocd dummy:    cpu %6.3f s  wall %6.3f s  peak RSS %5.1f MB"
                      % (cpu, wall, rss))
        if have_openocd:
            wall, cpu, rss, _ = best_of(1, openocd_cmd(big))
            print("100 MB file, openocd dummy: cpu %6.3f s  wall %6.3f s  %7.1f M cycles/s  peak RSS %6.1f MB"
                  % (cpu, wall, cycles / cpu / 1e6, rss))
        else:
            print("openocd not installed: no side-by-side figures")
    finally:
        shutil.rmtree(workdir)


if __name__ == "__main__":
    main()
