#!/usr/bin/env python3
"""Whole-process benchmark of pavlunt and brakt (not a test).

Runs pavlunt on the Freedoom IWADs and brakt on every level of them (in the
default form and with -brushdef3), each case several times, and prints the
median wall time and the peak resident memory next to the I/O floor of the case: the time to read the input file (cat into
/dev/null) and to write as many bytes as the program wrote (head -c N
/dev/zero into a file in the same folder). The ratio to that floor holds
across machines better than the bare times. Then the same for a generated
level family (one room pattern repeated 1, 4, 16, 64 and 256 times) to show
how time and memory grow with the number of lines.

    bench/bench.py BUILD_DIR [--runs N] [--csv FILE] [--quick]
"""

import argparse
import os
import re
import shutil
import statistics
import struct
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import gen_level  # noqa: E402

IWAD_DIR = "/usr/share/games/doom"
DATA_DIR = os.path.join(os.path.dirname(HERE), "data")
GNU_TIME = "/usr/bin/time"


def run_once(argv, cwd, stdout=subprocess.DEVNULL, output=None):
    """Wall seconds, peak RSS in KiB, exit status and stdout text of one run.

    `output`, the file the run writes, is removed first (untimed): the run then
    writes a new file, as the floor does. Truncating the last run's file
    instead costs milliseconds of the file system's time (6 ms for an 8 MB
    map here), which would be charged to the program.
    """
    if output is not None and os.path.exists(os.path.join(cwd, output)):
        os.remove(os.path.join(cwd, output))
    out_fd = None
    if stdout == "capture":
        out_fd = tempfile.TemporaryFile()
        target = out_fd
    else:
        target = stdout
    start = time.perf_counter()
    proc = subprocess.Popen(argv, cwd=cwd, stdout=target, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(proc.pid, 0)
    wall = time.perf_counter() - start
    proc.returncode = os.waitstatus_to_exitcode(status)
    text = ""
    if out_fd is not None:
        out_fd.seek(0)
        text = out_fd.read().decode("latin-1")
        out_fd.close()
    return wall, usage.ru_maxrss, proc.returncode, text


def io_floor(input_path, output_bytes, cwd):
    """Seconds to cat the input into /dev/null and write output_bytes zeros."""
    start = time.perf_counter()
    subprocess.run(["cat", input_path], stdout=subprocess.DEVNULL, check=True)
    with open(os.path.join(cwd, "FLOOR.OUT"), "wb") as out:
        subprocess.run(["head", "-c", str(output_bytes), "/dev/zero"], stdout=out, check=True)
    wall = time.perf_counter() - start
    os.remove(os.path.join(cwd, "FLOOR.OUT"))
    return wall


def peak_rss(argv, cwd):
    """Peak RSS in KiB of one run under GNU time.

    The rusage of a child forked from this script would count the script's own
    pages (a forked child's memory before its exec counts toward its peak), so
    the peak is taken from one extra run under the small /usr/bin/time instead.
    """
    if not os.access(GNU_TIME, os.X_OK):
        return run_once(argv, cwd)[1]
    with tempfile.NamedTemporaryFile("r") as report:
        subprocess.run([GNU_TIME, "-o", report.name, "-f", "%M"] + argv, cwd=cwd,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
        return int(report.read().split()[-1])


def median_runs(argv, cwd, runs, output):
    """Median wall time, peak RSS and the stdout of the last run."""
    times, text = [], ""
    for _ in range(runs):
        wall, _, status, text = run_once(argv, cwd, stdout="capture", output=output)
        if status != 0:
            raise SystemExit("%s ended with status %d" % (" ".join(argv), status))
        times.append(wall)
    return statistics.median(times), peak_rss(argv, cwd), text


def median_floor(input_path, output_bytes, cwd, runs):
    return statistics.median(io_floor(input_path, output_bytes, cwd) for _ in range(runs))


def wad_levels(path):
    """(level name, number of lines, number of sectors) of every level in the WAD."""
    with open(path, "rb") as f:
        count, offset = struct.unpack("<ii", f.read(12)[4:])
        f.seek(offset)
        data = f.read(16 * count)
    entries = []
    for i in range(count):
        pos, size, name = struct.unpack_from("<ii8s", data, 16 * i)
        entries.append((name.split(b"\0")[0].decode("latin-1").upper(), size))
    levels = []
    for i, (name, _) in enumerate(entries):
        if re.fullmatch(r"E\dM\d|MAP\d\d", name):
            sizes = dict(entries[i + 1:i + 11])
            levels.append((name, sizes.get("LINEDEFS", 0) // 14, sizes.get("SECTORS", 0) // 26))
    return levels


def brakt_counts(text):
    """Pieces and brushes from brakt's printout."""
    pieces = re.search(r"\* (\d+) Resultants", text)
    brushes = re.search(r"TOTAL: \d+ planes in (\d+) brushes", text)
    return (int(pieces.group(1)) if pieces else 0, int(brushes.group(1)) if brushes else 0)


class Table:
    COLUMNS = ["program", "input", "case", "lines", "sectors", "pieces", "brushes", "seconds",
               "peak_rss_mib", "floor_seconds", "ratio_to_floor", "output_bytes"]

    def __init__(self):
        self.rows = []
        print("%-7s %-14s %-6s %6s %7s %6s %7s %8s %8s %8s %7s" %
              ("program", "input", "case", "lines", "sectors", "pieces", "brushes", "seconds",
               "RSS MiB", "floor s", "ratio"))

    def add(self, program, source, case, lines, sectors, pieces, brushes, seconds, rss_kib,
            floor, output_bytes):
        row = [program, source, case, lines, sectors, pieces, brushes, "%.4f" % seconds,
               "%.1f" % (rss_kib / 1024.0), "%.4f" % floor,
               "%.2f" % (seconds / floor if floor > 0 else 0), output_bytes]
        self.rows.append(row)
        print("%-7s %-14s %-6s %6s %7s %6s %7s %8s %8s %8s %7s" % tuple(row[:11]), flush=True)

    def write_csv(self, path):
        with open(path, "w") as f:
            f.write(",".join(self.COLUMNS) + "\n")
            for row in self.rows:
                f.write(",".join(str(v) for v in row) + "\n")


def bench_wad(table, build, wad, work, runs, quick, summary):
    path = os.path.join(IWAD_DIR, wad)
    if not os.path.exists(path):
        print("%s: not installed, skipped" % wad)
        return
    folder = os.path.join(work, os.path.splitext(wad)[0])
    os.makedirs(folder, exist_ok=True)
    shutil.copy(os.path.join(DATA_DIR, "BRKT_OBJ.TXT"), folder)

    seconds, rss, _ = median_runs([os.path.join(build, "pavlunt"), path], folder, runs,
                                  "CUSTOM.TEX")
    size = os.path.getsize(os.path.join(folder, "CUSTOM.TEX"))
    floor = median_floor(path, size, folder, runs)
    table.add("pavlunt", wad, "-", "", "", "", "", seconds, rss, floor, size)
    summary.append(("pavlunt", wad, seconds, floor, rss))

    bench_doom3_assets(table, build, path, os.path.join(work, "d3-" + wad), runs, summary)

    levels = wad_levels(path)
    if quick:
        levels = levels[:3]
    for name, lines, sectors in levels:
        argv = [os.path.join(build, "brakt"), path, name, "-custom"]
        seconds, rss, text = median_runs(argv, folder, runs, name + ".MAP")
        pieces, brushes = brakt_counts(text)
        size = os.path.getsize(os.path.join(folder, name + ".MAP"))
        floor = median_floor(path, size, folder, runs)
        table.add("brakt", wad, name, lines, sectors, pieces, brushes, seconds, rss, floor, size)
        summary.append(("brakt", wad, seconds, floor, rss))
        os.remove(os.path.join(folder, name + ".MAP"))
        # Doom 3's own form of the same level, against the default form's time.
        native = name.lower() + ".map"
        native_seconds, rss, _ = median_runs(argv + ["-brushdef3"], folder, runs, native)
        size = os.path.getsize(os.path.join(folder, native))
        table.add("brakt -brushdef3", wad, name, lines, sectors, pieces, brushes, native_seconds,
                  rss, floor, size)
        summary.append(("brushdef3", wad, native_seconds, seconds, rss))
        os.remove(os.path.join(folder, native))


def bench_doom3_assets(table, build, path, folder, runs, summary):
    """pavlunt -d3: the texture file plus a TGA image of every texture and a
    material file. Every run writes new files: the last run's are removed first
    (untimed)."""
    os.makedirs(folder, exist_ok=True)
    argv = [os.path.join(build, "pavlunt"), path, "-d3"]
    times = []
    for _ in range(runs):
        for name in ("textures", "materials"):
            shutil.rmtree(os.path.join(folder, name), ignore_errors=True)
        wall, _, status, _ = run_once(argv, folder, output="CUSTOM.TEX")
        if status != 0:
            raise SystemExit("%s ended with status %d" % (" ".join(argv), status))
        times.append(wall)
    seconds = statistics.median(times)
    size = sum(os.path.getsize(os.path.join(top, name))
               for top, _, names in os.walk(folder) for name in names)
    rss = peak_rss(argv, folder)
    floor = median_floor(path, size, folder, runs)
    wad = os.path.basename(path)
    table.add("pavlunt", wad, "-d3", "", "", "", "", seconds, rss, floor, size)
    summary.append(("pavlunt -d3", wad, seconds, floor, rss))
    shutil.rmtree(folder, ignore_errors=True)


def bench_scaling(table, build, work, runs, summary):
    """The generated level family; the texture file is the first one made above."""
    folder = os.path.join(work, "scaling")
    os.makedirs(folder, exist_ok=True)
    for wad in ("freedoom2", "freedoom1"):
        tex = os.path.join(work, wad, "CUSTOM.TEX")
        if os.path.exists(tex):
            shutil.copy(tex, folder)
            break
    else:
        # No IWAD: the texture file holds only a header; every texture is 256 x 512.
        with open(os.path.join(folder, "CUSTOM.TEX"), "wb") as f:
            f.write(b"WAD2" + struct.pack("<ii", 0, 12))
    shutil.copy(os.path.join(DATA_DIR, "BRKT_OBJ.TXT"), folder)
    for rooms_per_side in (1, 2, 4, 8, 16):
        rooms = rooms_per_side * rooms_per_side
        wad = os.path.join(folder, "ROOMS%d.WAD" % rooms)
        lines, sectors = gen_level.write_wad(wad, rooms_per_side)
        argv = [os.path.join(build, "brakt"), wad, "map01", "-custom"]
        seconds, rss, text = median_runs(argv, folder, runs, "MAP01.MAP")
        pieces, brushes = brakt_counts(text)
        size = os.path.getsize(os.path.join(folder, "MAP01.MAP"))
        floor = median_floor(wad, size, folder, runs)
        table.add("brakt", "rooms x%d" % rooms, "MAP01", lines, sectors, pieces, brushes, seconds,
                  rss, floor, size)
        summary.append(("scaling", rooms, seconds, floor, rss, lines))


def print_targets(summary):
    print()
    print("Targets (medians):")
    fd2 = [s for s in summary if s[0] == "brakt" and s[1] == "freedoom2.wad"]
    if fd2:
        total = sum(s[2] for s in fd2)
        worst = max(fd2, key=lambda s: s[2])
        worst_ratio = max(s[2] / s[3] for s in fd2)
        print("  brakt, all %d levels of freedoom2.wad: %.3f s in total (target <= 2 s)" %
              (len(fd2), total))
        print("  brakt, slowest level: %.3f s (target <= 0.25 s)" % worst[2])
        print("  brakt, largest ratio to its I/O floor: %.2f (target <= 5)" % worst_ratio)
    native = [s for s in summary if s[0] == "brushdef3"]
    if native:
        print("  brakt -brushdef3, all %d levels: %.2f x the default form's time, at most %.2f x "
              "on one level (target <= 1.5 x)" %
              (len(native), sum(s[2] for s in native) / sum(s[3] for s in native),
               max(s[2] / s[3] for s in native)))
    for s in summary:
        if s[0] == "pavlunt":
            print("  pavlunt, %s: %.3f s, %.2f x its I/O floor (targets <= 0.5 s, <= 3 x)" %
                  (s[1], s[2], s[2] / s[3]))
        if s[0] == "pavlunt -d3":
            print("  pavlunt -d3, %s: %.3f s, %.2f x its I/O floor (target <= 1 s)" %
                  (s[1], s[2], s[2] / s[3]))
    peak = max((s[4] for s in summary), default=0)
    print("  largest peak RSS of any run: %.1f MiB (target <= 64 MiB)" % (peak / 1024.0))
    scale = [s for s in summary if s[0] == "scaling"]
    if len(scale) > 1:
        print("  scaling, microseconds per line: " +
              ", ".join("x%d %.1f" % (s[1], 1e6 * s[2] / s[5]) for s in scale))


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("build", help="build folder holding brakt and pavlunt")
    parser.add_argument("--runs", type=int, default=5, help="runs per case (median)")
    parser.add_argument("--csv", help="CSV file to write (default BUILD/bench.csv)")
    parser.add_argument("--quick", action="store_true", help="three levels per WAD, 3 runs")
    parser.add_argument("--keep", action="store_true", help="keep the work folder")
    args = parser.parse_args()
    build = os.path.abspath(args.build)
    for program in ("brakt", "pavlunt"):
        if not os.access(os.path.join(build, program), os.X_OK):
            raise SystemExit("%s/%s not found: build first" % (build, program))
    runs = 3 if args.quick else args.runs
    csv = args.csv or os.path.join(build, "bench.csv")
    # The work folder lies in the build folder, on the disk a normal run writes to.
    work = tempfile.mkdtemp(prefix="bench-work-", dir=build)
    table = Table()
    summary = []
    try:
        for wad in ("freedoom2.wad", "freedoom1.wad"):
            bench_wad(table, build, wad, work, runs, args.quick, summary)
        bench_scaling(table, build, work, runs, summary)
    finally:
        if not args.keep:
            shutil.rmtree(work, ignore_errors=True)
    table.write_csv(csv)
    print_targets(summary)
    print("\nCSV written to %s" % csv)


if __name__ == "__main__":
    main()
