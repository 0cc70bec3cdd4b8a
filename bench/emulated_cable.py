#!/usr/bin/env python3
"""TCK rates over the emulated FTDI chips, from simulated time.

Plays the first few MB of throughput.py's benchmark file and the xc95144xl
vendor file with tapwright (built with libftdi1) over the emulated FT232R and
FT2232H of tests/usb, with and without -c, and prints the TCK rate that the
simulated time gives beside what the wire allows: without -c the bit-bang
rate or the bus, whichever is slower; with -c also no more than both FIFOs
per round trip of a write and a read, each starting on a new frame. Then the
same files with tapwright-play over the MPSSE cables at their fastest rate
(FT2232H 30 MHz, FT2232D 6 MHz), against that rate; a file's FREQUENCY
lowers it (the xc95144xl file asks for 1 MHz).

    python3 bench/emulated_cable.py [--build build] [--mb 4]
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile

import throughput

# name: bulk bytes per second the bus carries, FIFO bytes, frame in seconds
CHIPS = {
    "ft232r": (19 * 64 / 1e-3, 128 + 256, 1e-3),
    "ft2232h": (13 * 512 / 125e-6, 4096 + 4096, 125e-6),
}


def play_file(player, emulator_dir, chip, svf, options, report):
    settings = "chip=%s chain=none report=%s" % (chip, report)
    env = dict(os.environ, LD_LIBRARY_PATH=emulator_dir, TAPWRIGHT_USB_EMU=settings)
    subprocess.run([player] + options + [svf], env=env, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, check=False)
    with open(report) as f:
        return dict(line.split() for line in f)


def play(player, emulator_dir, chip, svf, flags, report):
    return play_file(player, emulator_dir, chip, svf, flags, report)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default=os.path.join(throughput.ROOT, "build"))
    parser.add_argument("--mb", type=int, default=4)
    args = parser.parse_args()
    player = os.path.join(args.build, "src", "driver", "tapwright")
    emulator_dir = os.path.join(args.build, "tests", "usb", "libusb")
    if not os.path.exists(os.path.join(emulator_dir, "libusb-1.0.so.0")):
        sys.exit("no emulated chip in %s: build tests/usb first" % emulator_dir)

    workdir = tempfile.mkdtemp(prefix="tapwright-usb-bench-")
    try:
        first_mb = os.path.join(workdir, "long_sdr.svf")
        throughput.generate(first_mb, args.mb)
        files = [("first %d MB of the benchmark file" % args.mb, first_mb)]
        if os.path.exists(throughput.CORPUS_FILE):
            files.append(("xc95144xl_warpse_impact_erase_program_verify.svf", throughput.CORPUS_FILE))
        report = os.path.join(workdir, "report")
        print("| file | chip | mode | simulated time | TCK rate | wire's limit | transfers | time-outs |")
        print("|---|---|---|---|---|---|---|---|")
        for name, svf in files:
            for chip, (bus, fifos, frame) in CHIPS.items():
                for flags in ([], ["-c"]):
                    r = play(player, emulator_dir, chip, svf, flags, report)
                    seconds = int(r["simulated_ns"]) / 1e9
                    rate = int(r["clocked"]) / 2 / seconds
                    limit = min(int(r["baud"]), bus) / 2
                    if flags:
                        limit = min(limit, fifos / 2 / (2 * frame))
                    print("| %s | %s | %s | %.3f s | %.1f kHz | %.0f kHz | %s | %s |"
                          % (name, chip, "-c" if flags else "", seconds, rate / 1e3, limit / 1e3,
                             r["transfers"], r["timeouts"]))
        print()
        print("| file | MPSSE cable | mode | simulated time | TCK rate | share of the rate asked | transfers | time-outs |")
        print("|---|---|---|---|---|---|---|---|")
        full_player = os.path.join(args.build, "src", "play", "tapwright-play")
        for name, svf in files:
            for chip, hz in (("ft2232h", 30e6), ("ft2232d", 6e6)):
                for flags in ([], ["-c"]):
                    # --keep-going: an empty chain's TDO differs from a vendor file's.
                    cable = ["--cable", chip, "--tck-hz", str(int(hz))] + flags
                    if flags:
                        cable.append("--keep-going")
                    r = play_file(full_player, emulator_dir, chip, svf, cable, report)
                    seconds = int(r["simulated_ns"]) / 1e9
                    rate = int(r["tck"]) / seconds
                    print("| %s | %s | %s | %.3f s | %.2f MHz | %.0f %% | %s | %s |"
                          % (name, chip, "-c" if flags else "", seconds, rate / 1e6,
                             100 * rate / hz, r["transfers"], r["timeouts"]))
    finally:
        shutil.rmtree(workdir)


if __name__ == "__main__":
    main()
