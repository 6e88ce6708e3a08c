#!/usr/bin/python3
"""Measures zandrel2-install against cp on a large catalog CD, side by side.

For each scale it builds the CD (bench/make-large-cd.py), then alternates, several
times each: an install into a fresh install directory (trace to a file), the same
install with its progress (the scan for the totals and the progress line, forced on
with --progress), and a flat copy of the same five folders with cp into a fresh tree
of the same shape. Then it installs one folder of many small files, without and with
progress, to show the memory that sorting names takes and what progress costs there.
The last line holds the median time ratio install/cp, the cost of progress and the
install's peak memory.

Everything happens in a folder of the run's own below --work, removed after it; a
--work that holds other files is refused. Run as root, everything happens on a new ext4
file system in an image file there, made for this run and removed after it: every measurement then starts from
the same state, whatever the disk went through before. (On ext4 without a journal,
as some virtual machines have, files created in the minutes after many were deleted
are several times slower to create, for cp as for the install.) Without root it
works in that folder as it is and deletes nothing until the end.

Each timed run starts after sync, and each tree leaves the page cache once written,
so that neither side pays for the other's write-back or for reclaiming memory.
"""

import argparse
import contextlib
import os
import shutil
import statistics
import subprocess
import sys

import work_folder
import tempfile
import time

TIME = "/usr/bin/time"
BENCH = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(BENCH)
CATALOG_ID = "QXT905"
CD_BYTES_AT_SCALE_1 = 0.84e9
# CD folder, and where the install puts its files below the catalog root.
PLAN = (
    ("INST_FP", "."),
    ("FP/HTML", CATALOG_ID + "/HTML"),
    ("FP/HTML/guide_img", CATALOG_ID + "/HTML/guide_img"),
    ("FP/HTML/" + CATALOG_ID + "_app_jpeg", CATALOG_ID + "/HTML/" + CATALOG_ID + "_app_jpeg"),
    ("FP/jpg", CATALOG_ID + "/jpg"),
)


def megabytes(kilobytes):
    return kilobytes / 1024


def run_measured(command, **kwargs):
    """Runs `command`; returns its exit status, wall time in seconds and peak resident KB."""
    # GNU time reports the peak of the program itself: a child forked from this
    # interpreter would carry the interpreter's own peak across exec.
    with tempfile.NamedTemporaryFile("r") as usage:
        start = time.perf_counter()
        status = subprocess.run([TIME, "-f", "%M", "-o", usage.name, *command], **kwargs).returncode
        elapsed = time.perf_counter() - start
        return status, elapsed, int(usage.read().split()[-1])


@contextlib.contextmanager
def bench_file_system(work, gigabytes):
    """Yields the folder to work in: a new ext4 file system when run as root."""
    os.makedirs(work, exist_ok=True)
    if os.geteuid() != 0:
        print("run-bench: not root, so measuring in the work folder as it is", flush=True)
        yield work
        return
    image = os.path.join(work, "bench.img")
    mount_point = os.path.join(work, "fs")
    os.makedirs(mount_point, exist_ok=True)
    with open(image, "wb") as file:
        file.truncate(int(gigabytes * 1e9))
    subprocess.run(["mkfs.ext4", "-q", "-F", "-m", "0", image], check=True)
    subprocess.run(["mount", "-o", "loop", image, mount_point], check=True)
    try:
        yield mount_point
    finally:
        subprocess.run(["umount", mount_point], check=False)
        os.remove(image)


def drop_from_cache(tree):
    """Writes `tree` out and drops its pages, so that later runs need not reclaim them."""
    subprocess.run(["sync"], check=True)
    for folder, _, names in os.walk(tree):
        for name in names:
            descriptor = os.open(os.path.join(folder, name), os.O_RDONLY | os.O_NOFOLLOW)
            try:
                os.posix_fadvise(descriptor, 0, 0, os.POSIX_FADV_DONTNEED)
            finally:
                os.close(descriptor)


def read_whole(cd):
    """Reads the whole CD once, so that every timed run finds it in memory."""
    for folder, _, names in os.walk(cd):
        for name in names:
            with open(os.path.join(folder, name), "rb") as file:
                while file.read(1 << 20):
                    pass


def regular_files(folder):
    return sorted(entry.name for entry in os.scandir(folder) if entry.is_file(follow_symlinks=False))


def install(tool, cd, target, trace, progress=False):
    os.makedirs(os.path.join(target, "htdocs"))
    with open(trace, "wb") as trace_file:
        status, elapsed, peak = run_measured(
            [tool, "--cd", cd, "--install-dir", target, "--progress" if progress else "--no-progress"],
            stdout=trace_file, stderr=subprocess.DEVNULL)
    if status != 0:
        sys.exit(f"run-bench: zandrel2-install exited with {status}; see {trace}")
    return elapsed, peak


def count_system_calls(tool, cd, target):
    """Installs once under strace -c; returns the system calls the whole install made."""
    os.makedirs(os.path.join(target, "htdocs"))
    with tempfile.NamedTemporaryFile("r") as counts:
        subprocess.run(["strace", "-f", "-c", "-o", counts.name, tool, "--cd", cd, "--install-dir", target],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
        total = [line for line in counts.read().splitlines() if line.split()[-1:] == ["total"]]
    return int(total[0].split()[3])


def copy_flat(cd, listing, target):
    for _, destination in PLAN:
        os.makedirs(os.path.join(target, destination), exist_ok=True)
    elapsed = 0.0
    for source, destination in PLAN:
        status, seconds, _ = run_measured(
            ["cp", "--preserve=timestamps", "-t", os.path.join(target, destination), "--", *listing[source]],
            cwd=os.path.join(cd, source))
        if status != 0:
            sys.exit(f"run-bench: cp exited with {status}")
        elapsed += seconds
    return elapsed


def measure_scale(tool, place, scale, runs, fresh):
    cd = os.path.join(place, f"cd-x{scale}")
    if not os.path.exists(cd + ".done"):
        subprocess.run([sys.executable, os.path.join(BENCH, "make-large-cd.py"), cd, "--scale", str(scale)], check=True)
        open(cd + ".done", "w").close()
    read_whole(cd)
    listing = {source: regular_files(os.path.join(cd, source)) for source, _ in PLAN}
    files = sum(len(names) for names in listing.values())
    size = sum(os.path.getsize(os.path.join(cd, source, name)) for source, names in listing.items() for name in names)
    installs, watched, copies, peaks = [], [], [], []
    sides = ("install", "progress", "cp")
    for run in range(runs):
        # Rotate which side goes first, so that none always meets a warmer system.
        for side in sides[run % 3:] + sides[:run % 3]:
            subprocess.run(["sync"], check=True)
            target = os.path.join(place, "out", f"x{scale}-{side}-{run}")
            if side == "cp":
                copies.append(copy_flat(cd, listing, target))
            else:
                seconds, peak = install(tool, cd, target, target + ".trace", progress=side == "progress")
                (watched if side == "progress" else installs).append(seconds)
                peaks.append(peak)
            drop_from_cache(target)
            if fresh:
                shutil.rmtree(target)
        print(f"x{scale} run {run + 1}: install {installs[-1]:.2f} s, with progress {watched[-1]:.2f} s, "
              f"cp {copies[-1]:.2f} s", flush=True)
    target = os.path.join(place, "out", f"x{scale}-strace")
    calls = count_system_calls(tool, cd, target)
    shutil.rmtree(target)
    print(f"x{scale}: {calls} system calls, {calls / files:.2f} per copied file (strace -c)", flush=True)
    ratio = statistics.median(installs) / statistics.median(copies)
    cost = progress_cost(installs, watched)
    print(f"x{scale}: {files} files, {size / 1e6:.0f} MB: install median {statistics.median(installs):.2f} s, "
          f"with progress {statistics.median(watched):.2f} s ({cost:+.1f}%), "
          f"cp median {statistics.median(copies):.2f} s, ratio {ratio:.3f}; "
          f"install peak memory {megabytes(max(peaks)):.1f} MB", flush=True)
    return files, ratio, cost, max(peaks)


def progress_cost(plain, watched):
    """What the scan and the progress line add to an install, in percent of its median."""
    return (statistics.median(watched) / statistics.median(plain) - 1) * 100


def one_big_folder_cd(place, entries):
    """A CD whose FP/jpg holds `entries` small files, made once."""
    cd = os.path.join(place, f"cd-folder-{entries}")
    if not os.path.exists(cd + ".done"):
        for folder in ("INST_FP", "FP/HTML", "FP/jpg"):
            os.makedirs(os.path.join(cd, folder))
        with open(os.path.join(cd, "FP", "HTML", CATALOG_ID + "_frame.htm"), "w") as frame:
            frame.write("<html></html>\n")
        for number in range(entries):
            with open(os.path.join(cd, "FP", "jpg", f"photo_{number:06d}.jpg"), "wb") as image:
                image.write(b"\xff\xd8\xff\xd9")
        open(cd + ".done", "w").close()
    return cd


def measure_one_big_folder(tool, place, entries, runs):
    """Installs a CD whose FP/jpg holds `entries` small files, without and with progress,
    alternately; returns the peak KB."""
    cd = one_big_folder_cd(place, entries)
    times = {False: [], True: []}
    peak = 0
    for run in range(runs):
        for progress in ((False, True) if run % 2 == 0 else (True, False)):
            subprocess.run(["sync"], check=True)
            target = os.path.join(place, "out", f"folder-{entries}-{run}-{progress}")
            seconds, run_peak = install(tool, cd, target, target + ".trace", progress)
            times[progress].append(seconds)
            peak = max(peak, run_peak)
            drop_from_cache(target)
            shutil.rmtree(target)
    print(f"one folder of {entries} entries: install median {statistics.median(times[False]):.2f} s, with progress "
          f"{statistics.median(times[True]):.2f} s ({progress_cost(times[False], times[True]):+.1f}%), "
          f"peak memory {megabytes(peak):.1f} MB", flush=True)
    return peak


def measure_big_folders_under_wine(tool, place, sizes, runs):
    """Installs one folder of each of `sizes` small files with the Windows program under
    wine64, in a prefix of its own, through drive Z:; prints the median and the time a
    file. Wine reads a whole folder to look up a name that is not there, so the time a
    file grows with the folder."""
    prefix = os.path.join(place, "wine-prefix")
    env = dict(os.environ, WINEPREFIX=prefix, WINEDEBUG="-all", LC_ALL="ja_JP.UTF-8")
    subprocess.run([os.path.join(ROOT, "tools", "wine-prefix.sh"), "win64", prefix, os.path.join(place, "wine-cd")],
                   env=env, check=True)
    # One Wine server for all the runs: each would otherwise pay for starting its own.
    subprocess.run(["wineserver", "-p"], env=env, check=True)
    windows = lambda path: "Z:" + path.replace("/", "\\")
    for entries in sizes:
        cd = one_big_folder_cd(place, entries)
        times = []
        for run in range(runs):
            target = os.path.join(place, "out", f"wine-folder-{entries}-{run}")
            os.makedirs(os.path.join(target, "htdocs"))
            start = time.perf_counter()
            status = subprocess.run([os.path.join(ROOT, "tools", "wine.sh"), tool, "--cd", windows(cd),
                                     "--install-dir", windows(target)], env=env, stdout=subprocess.DEVNULL,
                                    stderr=subprocess.DEVNULL).returncode
            times.append(time.perf_counter() - start)
            if status != 0:
                sys.exit(f"run-bench: zandrel2-install.exe exited with {status} for {entries} entries")
            shutil.rmtree(target)
        median = statistics.median(times)
        print(f"under Wine, one folder of {entries} entries: install median {median:.1f} s, "
              f"{median / entries * 1000:.2f} ms a file", flush=True)
    subprocess.run(["wineserver", "-k"], env=env)


def measure_served_check(tool, place, runs):
    """Times installs of the sample catalog into a folder a real Apache2 serves, with the
    check that the server serves it and with --no-check; prints what the check adds."""
    work = os.path.join(place, "served")
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(os.path.join(work, "Apache2", "htdocs"))
    os.makedirs(os.path.join(work, "Apache2", "conf"))
    os.chmod(place, 0o755)
    os.chmod(work, 0o755)
    cd = os.path.join(work, "cd")
    subprocess.run([os.path.join(ROOT, "tools", "make-sample-cd.py"), cd], check=True, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)
    fixture = os.path.join(ROOT, "tools", "apache-fixture.sh")
    state = os.path.join(work, "apache")
    subprocess.run([fixture, "start", state, os.path.join(work, "Apache2", "htdocs")], check=True,
                   stdout=subprocess.DEVNULL)
    try:
        with open(os.path.join(state, "port"), encoding="ascii") as file:
            port = file.read().strip()
        with open(os.path.join(work, "Apache2", "conf", "httpd.conf"), "w", encoding="ascii") as file:
            file.write(f"Listen 127.0.0.1:{port}\n")
        command = [tool, "--cd", cd, "--install-dir", os.path.join(work, "Apache2"), "--summary", "--no-log"]
        result = subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True, check=False)
        if result.returncode != 0 or "served at" not in result.stderr:
            sys.exit(f"run-bench: the served check's install failed: {result.stderr}")
        times = {True: [], False: []}
        for _ in range(runs):
            for checked in (True, False):
                _, elapsed, _ = run_measured(command + ([] if checked else ["--no-check"]), stdout=subprocess.DEVNULL,
                                             stderr=subprocess.DEVNULL)
                times[checked].append(elapsed)
    finally:
        subprocess.run([fixture, "stop", state], check=False)
    with_check = statistics.median(times[True])
    without = statistics.median(times[False])
    print(f"served check, sample catalog: install median {with_check * 1000:.0f} ms, with --no-check "
          f"{without * 1000:.0f} ms: the check adds {(with_check - without) * 1000:.0f} ms", flush=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--install-tool", default=os.path.join(ROOT, "build", "bin", "zandrel2-install"))
    parser.add_argument("--work", default=os.path.join(os.environ.get("TMPDIR", "/tmp"), "zandrel2-bench"))
    parser.add_argument("--runs", type=int, default=5, help="timed runs of each side at each scale")
    parser.add_argument("--scales", default="1,2", help="CD sizes, in multiples of 10,000 files and 800 MB")
    parser.add_argument("--folder-entries", default="50000,100000", help="sizes of the one-folder runs; empty for none")
    parser.add_argument("--check-runs", type=int, default=15, help="timed installs with and without the served check; 0 for none")
    parser.add_argument("--windows-install-tool",
                        default=os.path.join(ROOT, "build-win64", "bin", "zandrel2-install.exe"))
    parser.add_argument("--wine-folder-entries", default="",
                        help="sizes of one-folder runs of the Windows program under wine64 (2000,4000,8000); "
                             "empty for none")
    args = parser.parse_args()
    scales = [int(scale) for scale in filter(None, args.scales.split(","))]
    fresh = os.geteuid() == 0

    # With a file system of its own, each scale needs its CD and the two trees of one
    # run; without, every tree stays until the end.
    trees = 2 if fresh else 2 * args.runs
    need = sum(scale * CD_BYTES_AT_SCALE_1 * (1 + trees) for scale in scales) + 3e9
    free = shutil.disk_usage(os.path.dirname(os.path.abspath(args.work))).free
    if free < need:
        sys.exit(f"run-bench: needs {need / 1e9:.0f} GB free for {args.work}, has {free / 1e9:.0f} GB")
    if scales:
        print(f"run-bench: {args.install_tool} against {shutil.which('cp')}", flush=True)

    with work_folder.run_folder(args.work, "run-bench") as work, bench_file_system(work, need / 1e9) as place:
        try:
            results = [measure_scale(args.install_tool, place, scale, args.runs, fresh) for scale in scales]
            for entries in filter(None, args.folder_entries.split(",")):
                measure_one_big_folder(args.install_tool, place, int(entries), args.runs)
            if args.check_runs > 0:
                measure_served_check(args.install_tool, place, args.check_runs)
            wine_sizes = [int(entries) for entries in filter(None, args.wine_folder_entries.split(","))]
            if wine_sizes:
                measure_big_folders_under_wine(args.windows_install_tool, place, wine_sizes, args.runs)
        finally:
            if not fresh:
                shutil.rmtree(os.path.join(place, "out"), ignore_errors=True)

    # The closing line sums up the scales measured; a run of other figures only has none.
    if results:
        memory = ", ".join(f"{megabytes(peak):.1f} MB at {files} files" for files, _, _, peak in results)
        ratios = ", ".join(f"{ratio:.3f} at {files} files" for files, ratio, _, _ in results)
        costs = ", ".join(f"{cost:+.1f}% at {files} files" for files, _, cost, _ in results)
        print(f"median time ratio install/cp {ratios}; progress costs {costs}; install peak memory {memory}")


if __name__ == "__main__":
    main()
