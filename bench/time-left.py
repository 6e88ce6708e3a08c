#!/usr/bin/python3
"""How good the time-left estimate is: installs a catalog of mixed sizes (thousands of
small pages and photos, a few 30 MB files among them) from a CD served at a drive's
pace (a seek for each file, a read rate), follows the progress line, and compares
each estimate with the time that was really left.

  bench/time-left.py [--install-tool PATH] [--work DIR] [--seek SECONDS] [--rate MB_PER_SECOND]

Prints, from 10 seconds in, a row every tenth of the run (elapsed, estimate, real time
left, error) and the largest error of all the estimates from 10 seconds in while more
than 5 seconds were left. Needs FUSE (tests/faulty_cd.py).
"""
import argparse
import os
import random
import re
import subprocess
import sys
import threading
import time

import work_folder

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SMALL_PAGES = 600
SMALL_PHOTOS = 2400
LARGE_FILES = 6
LARGE_BYTES = 30 * 1024 * 1024


def write(path, size, rng):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as file:
        file.write(rng.randbytes(size))


def make_cd(cd):
    """The same CD every run: pages in FP/HTML, photos in FP/jpg with the large files
    spread among them, so the copy meets both kinds early and late."""
    rng = random.Random(16)
    write(os.path.join(cd, "INST_FP", "index.htm"), 2000, rng)
    write(os.path.join(cd, "FP", "HTML", "QXT905_frame.htm"), 3000, rng)
    for page in range(SMALL_PAGES):
        write(os.path.join(cd, "FP", "HTML", f"page{page:04}.htm"), rng.randint(6000, 9000), rng)
    os.makedirs(os.path.join(cd, "FP", "HTML", "guide_img"), exist_ok=True)
    os.makedirs(os.path.join(cd, "FP", "HTML", "QXT905_app_jpeg"), exist_ok=True)
    large_at = {SMALL_PHOTOS * (i + 1) // (LARGE_FILES + 1) for i in range(LARGE_FILES)}
    for photo in range(SMALL_PHOTOS):
        size = LARGE_BYTES if photo in large_at else rng.randint(20_000, 60_000)
        write(os.path.join(cd, "FP", "jpg", f"p{photo:04}.jpg"), size, rng)


def mount(cd, mount_point, seek, rate):
    os.makedirs(mount_point, exist_ok=True)
    server = subprocess.Popen([sys.executable, os.path.join(ROOT, "tests", "faulty_cd.py"), cd, mount_point,
                               "--seek", str(seek), "--rate", str(rate)])
    for _ in range(100):
        if os.path.ismount(mount_point):
            return server
        time.sleep(0.05)
    server.kill()
    sys.exit("the slowed CD did not mount")


def follow(tool, cd, target):
    """Runs the install with its progress line; returns the (elapsed, estimate)
    samples and the run's whole time."""
    samples = []
    start = time.monotonic()
    install = subprocess.Popen([tool, "--cd", cd, "--install-dir", target, "--progress", "--no-log"],
                               stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)

    def read_lines():
        pending = b""
        while chunk := install.stderr.read1(4096):
            pending += chunk
            *lines, pending = re.split(rb"[\r\n]", pending)
            now = time.monotonic() - start
            for line in lines:
                left = re.search(rb"(?:(\d+):)?(\d+):(\d\d) left", line)
                if left:
                    hours, minutes, seconds = (int(part or 0) for part in left.groups())
                    samples.append((now, hours * 3600 + minutes * 60 + seconds))

    reader = threading.Thread(target=read_lines)
    reader.start()
    status = install.wait()
    whole = time.monotonic() - start
    reader.join()
    if status != 0:
        sys.exit(f"the install ended with status {status}")
    return samples, whole


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--install-tool", default=os.path.join(ROOT, "build", "bin", "zandrel2-install"))
    parser.add_argument("--work", default=os.path.join(os.environ.get("TMPDIR", "/tmp"), "zandrel2-time-left"))
    parser.add_argument("--seek", type=float, default=0.005, help="seconds to open each file (0.005)")
    parser.add_argument("--rate", type=float, default=8, help="MB a second the drive reads (8)")
    options = parser.parse_args()

    with work_folder.run_folder(options.work, "time-left") as work:
        cd = os.path.join(work, "cd")
        mount_point = os.path.join(work, "slow")
        target = os.path.join(work, "apache")
        make_cd(cd)
        os.makedirs(os.path.join(target, "htdocs"))
        server = mount(cd, mount_point, options.seek, options.rate * 1e6)
        try:
            samples, whole = follow(options.install_tool, mount_point, target)
        finally:
            subprocess.run(["fusermount", "-u", mount_point], check=False)
            server.wait()

    print(f"{SMALL_PAGES + SMALL_PHOTOS - LARGE_FILES + 2} small files and {LARGE_FILES} of 30 MB, "
          f"seek {options.seek * 1000:g} ms, {options.rate:g} MB/s: the install took {whole:.1f} s")
    print("| elapsed | estimate | really left | error |")
    print("|---|---|---|---|")
    counted = [(at, left) for at, left in samples if at >= 10]
    next_row = 10.0
    for at, left in counted:
        if at >= next_row:
            real = whole - at
            print(f"| {at:.0f} s | {left} s | {real:.1f} s | {100 * (left - real) / real:+.0f}% |")
            next_row += whole / 10
    judged = [(left - (whole - at)) / (whole - at) for at, left in counted if whole - at > 5]
    if judged:
        worst = max(judged, key=abs)
        print(f"largest error from 10 s in, while more than 5 s were left: {100 * worst:+.0f}% "
              f"({len(judged)} estimates, {sum(abs(e) <= 0.35 for e in judged)} within 35%)")


if __name__ == "__main__":
    main()
