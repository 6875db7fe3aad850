#!/usr/bin/env python3
"""What the host's file system alone costs for the ways of replacing files the
benchmark compares, without Wine: overwriting in place (what xcopy does), a
temporary renamed over the old file, and that followed by deleting the source
(what an update does). Run it on the file system the Wine prefix lives on.

  fs_patterns.py [--folder DIR] [--files N] [--size BYTES] [--runs N]"""

import argparse
import os
import shutil
import statistics
import tempfile
import time


def lay_out(root, files, new, old):
    for side in ("media", "installed"):
        shutil.rmtree(os.path.join(root, side), ignore_errors=True)
        os.makedirs(os.path.join(root, side))
    for i in range(files):
        with open(os.path.join(root, "media", "%05d" % i), "wb") as f:
            f.write(new)
        with open(os.path.join(root, "installed", "%05d" % i), "wb") as f:
            f.write(old)
    os.sync()


def overwrite(root, files):
    for i in range(files):
        with open(os.path.join(root, "media", "%05d" % i), "rb") as f:
            content = f.read()
        with open(os.path.join(root, "installed", "%05d" % i), "wb") as f:
            f.write(content)


def rename_over(root, files, delete_source=False):
    for i in range(files):
        with open(os.path.join(root, "media", "%05d" % i), "rb") as f:
            content = f.read()
        temporary = os.path.join(root, "installed", "~%05d.tmp" % i)
        with open(temporary, "xb") as f:
            f.write(content)
        os.replace(temporary, os.path.join(root, "installed", "%05d" % i))
    if delete_source:
        for i in range(files):
            os.remove(os.path.join(root, "media", "%05d" % i))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--folder", default=tempfile.gettempdir())
    parser.add_argument("--files", type=int, default=2000)
    parser.add_argument("--size", type=int, default=100 * 1024)
    parser.add_argument("--runs", type=int, default=5)
    options = parser.parse_args()
    new, old = os.urandom(options.size), os.urandom(options.size * 9 // 10)
    patterns = {"overwrite in place": overwrite,
                "temporary renamed over": rename_over,
                "temporary renamed over, then source deleted":
                    lambda root, files: rename_over(root, files, True)}
    times = {name: [] for name in patterns}
    root = tempfile.mkdtemp(prefix="fs-patterns-", dir=options.folder)
    try:
        for run in range(options.runs):
            names = list(patterns) if run % 2 == 0 else list(reversed(patterns))
            for name in names:
                lay_out(root, options.files, new, old)
                started = time.monotonic()
                patterns[name](root, options.files)
                times[name].append((time.monotonic() - started) * 1000)
    finally:
        shutil.rmtree(root)
    print("| %d files of %d bytes, host file system | median | fastest–slowest |"
          % (options.files, options.size))
    print("|---|---:|---:|")
    for name, samples in times.items():
        print("| %s | %.0f ms | %.0f–%.0f ms |" % (name, statistics.median(samples), min(samples),
                                                   max(samples)))


if __name__ == "__main__":
    main()
