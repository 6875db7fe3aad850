#!/usr/bin/env python3
"""Counts the calls Quadrivo.exe and xcopy make per help file, from Wine's
relay trace: the Win32 calls each program makes itself, and the ntdll file
calls beneath them (each one a request to the wineserver or a system call).

  call_counts.py --build DIR [--state DIR]

Each side updates a help folder of 20 and then of 60 small files in the same
twenty folders; the difference divided by 40 is the cost of one more file,
with the per-folder and start-up costs taken out."""

import argparse
import collections
import os
import re
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))

from wine_session import WineSession  # noqa: E402
import box_runs  # noqa: E402
from workload import Workload, MEDIA_HELP, INSTALLED_HELP  # noqa: E402

SMALL, LARGE = 20, 60
CALL = re.compile(r"^([0-9a-f]+):[0-9a-f]+:Call ([A-Za-z0-9_]+)\.([A-Za-z0-9_]+)\(.*\) ret=([0-9a-f]+)$")
# Both programs are loaded at the usual base of a 64-bit executable.
EXE_IMAGE = range(0x140000000, 0x141000000)
FILE_CALLS = {"NtCreateFile", "NtOpenFile", "NtReadFile", "NtWriteFile", "NtClose",
              "NtQueryInformationFile", "NtSetInformationFile", "NtQueryAttributesFile",
              "NtQueryFullAttributesFile", "NtQueryDirectoryFile", "NtFsControlFile",
              "NtDeviceIoControlFile", "NtQueryVolumeInformationFile", "NtFlushBuffersFile"}
XCOPY = "C:\\windows\\system32\\xcopy.exe"


def count_calls(log_path):
    """(own Win32 calls, ntdll file calls) of the process that copied."""
    calls = []
    copier = None
    with open(log_path, errors="replace") as log:
        for line in log:
            match = CALL.match(line.rstrip("\n"))
            if match:
                calls.append(match.groups())
                # xcopy copies with CopyFileW; the update renames its copies
                # with SetFileInformationByHandle.
                if copier is None and match.group(3) in ("CopyFileW",
                                                          "SetFileInformationByHandle"):
                    copier = match.group(1)
    own, native = collections.Counter(), collections.Counter()
    for process, dll, function, ret in calls:
        if process != copier:
            continue
        if dll.upper() == "KERNEL32" and int(ret, 16) in EXE_IMAGE:
            own[function] += 1
        if dll == "ntdll" and function in FILE_CALLS:
            native[function] += 1
    return own, native


def traced_run(bench, side, files):
    session = bench.session
    Workload(files, 1024).lay_out(session)
    log = os.path.join(session.work, "wine.log")
    open(log, "w").close()
    quiet = session.env
    session.env = lambda: dict(quiet(), WINEDEBUG="+pid,+relay")
    try:
        if side == "Quadrivo":
            report = bench.quadrivo_until_box("D:\\Upd\\Lindarex")
        else:
            report = bench.run_to_end(XCOPY, "xcopy %s %s /E /Y /I" % (MEDIA_HELP, INSTALLED_HELP))
    finally:
        session.env = quiet
    bench.expect(report["exit_status"] == 0, "%s failed under the trace: %s" % (side, report))
    counts = count_calls(log)
    os.remove(log)
    return counts


def per_file(small, large):
    names = set(small) | set(large)
    return {name: (large[name] - small[name]) / (LARGE - SMALL) for name in names}


def markdown(results):
    lines = ["| Calls per help file | Quadrivo | xcopy |", "|---|---:|---:|"]
    for kind, title in ((0, "own Win32 calls"), (1, "ntdll file calls")):
        table = {side: per_file(counts[SMALL][kind], counts[LARGE][kind])
                 for side, counts in results.items()}
        names = sorted({n for t in table.values() for n, v in t.items() if abs(v) >= 0.05})
        for name in names:
            lines.append("| %s: %s | %.2f | %.2f |" % (title, name, table["Quadrivo"].get(name, 0),
                                                     table["xcopy"].get(name, 0)))
        lines.append("| **%s, all** | **%.2f** | **%.2f** |"
                     % (title, sum(table["Quadrivo"].values()), sum(table["xcopy"].values())))
    return "\n".join(lines)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--state", default="/tmp/quadrivo-call-counts")
    options = parser.parse_args()
    bench = box_runs.BenchSession(WineSession(options.state), options.build)
    bench.session.setup()
    try:
        bench.hold_desktop()
        bench.register_installation(True)
        results = {side: {files: traced_run(bench, side, files) for files in (SMALL, LARGE)}
                   for side in ("Quadrivo", "xcopy")}
    finally:
        bench.release_desktop()
        bench.session.teardown()
    print(markdown(results))
    print()
    print("Quadrivo copies each file to a temporary, renames it over the installed file and "
          "deletes the media's file; xcopy overwrites in place and deletes nothing.")
    return 1 if bench.failures else 0


if __name__ == "__main__":
    sys.exit(main())
