#!/usr/bin/python3
"""Builds a large catalog CD tree for the benchmark, the same bytes on every run.

At scale 1 it holds 10,000 files and about 800 MB: pages of about 8 KB in FP/HTML,
JPEG-sized images of 20 to 180 KB in FP/jpg and the two image folders, and a few
files in INST_FP. Scale 2 doubles every folder but INST_FP.
"""

import argparse
import os
import random
import shutil

CATALOG_ID = "QXT905"
# Every file and folder gets this time, so nothing depends on when the tree was made.
PINNED_TIME = 986083200  # 2001-04-01 00:00:00 UTC
# Files per folder at scale 1: 4 + 1,996 + 300 + 1,200 + 6,500 = 10,000.
INSTALL_FILES = ("index.htm", "setup.htm", "readme.txt", "autorun.inf")
PAGES = 1996
GUIDE_IMAGES = 300
APP_IMAGES = 1200
PHOTOS = 6500
PAGE_BYTES = (7 * 1024, 9 * 1024)
IMAGE_BYTES = (20 * 1024, 180 * 1024)
# The start of a JFIF file, so the images look like what they stand for.
JPEG_HEADER = bytes.fromhex("ffd8ffe000104a46494600010101004800480000")


def page(rng, title, size):
    head = (f"<html><head><title>{title}</title></head><body>\n"
            f'<h1>{title}</h1>\n<img src="../jpg/p{rng.randrange(PHOTOS):05d}.jpg">\n')
    words = ("valve", "flange", "bronze", "pressure", "rated", "bore", "seal", "stem")
    body = []
    length = len(head)
    while length < size - 20:
        word = rng.choice(words)
        body.append(word)
        length += len(word) + 1
    return (head + " ".join(body) + "\n</body></html>\n").encode()[:size]


def write(path, content):
    with open(path, "wb") as file:
        file.write(content)
    os.utime(path, (PINNED_TIME, PINNED_TIME))


def images(rng, folder, prefix, count):
    os.makedirs(folder, exist_ok=True)
    for number in range(count):
        size = rng.randint(*IMAGE_BYTES)
        write(os.path.join(folder, f"{prefix}{number:05d}.jpg"), JPEG_HEADER + rng.randbytes(size - len(JPEG_HEADER)))


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("outdir")
    parser.add_argument("--scale", type=int, default=1, help="multiplies the files of every folder but INST_FP")
    args = parser.parse_args()

    rng = random.Random(20010401 + args.scale)
    shutil.rmtree(args.outdir, ignore_errors=True)
    html = os.path.join(args.outdir, "FP", "HTML")
    install = os.path.join(args.outdir, "INST_FP")
    os.makedirs(html)
    os.makedirs(install)

    for name in INSTALL_FILES:
        write(os.path.join(install, name), page(rng, name, rng.randint(*PAGE_BYTES)))
    write(os.path.join(html, f"{CATALOG_ID}_frame.htm"), page(rng, "frame", rng.randint(*PAGE_BYTES)))
    for number in range(PAGES * args.scale - 1):
        write(os.path.join(html, f"page{number:05d}.htm"), page(rng, f"page {number}", rng.randint(*PAGE_BYTES)))
    images(rng, os.path.join(html, "guide_img"), "g", GUIDE_IMAGES * args.scale)
    images(rng, os.path.join(html, f"{CATALOG_ID}_app_jpeg"), "a", APP_IMAGES * args.scale)
    images(rng, os.path.join(args.outdir, "FP", "jpg"), "p", PHOTOS * args.scale)

    for folder, subfolders, _ in os.walk(args.outdir):
        for name in subfolders:
            os.utime(os.path.join(folder, name), (PINNED_TIME, PINNED_TIME))


if __name__ == "__main__":
    main()
