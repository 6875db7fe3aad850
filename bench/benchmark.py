#!/usr/bin/env python3
"""Measures Quadrivo.exe under Wine against its peers and prints a Markdown
table of medians, ratios and budgets.

  benchmark.py --build DIR [--x86 EXE] [--runs N] [--memory-runs N] [--state DIR]

DIR holds Quadrivo.exe, minimal_box.exe, bench_launcher.exe and bench_runner.exe
(bench/CMakeLists.txt builds them). Every measure runs both sides in one Wine
session, alternating which side goes first, after one untimed run of each.

These figures come from a shared machine: they are reported, never judged by
CI. Exit status 0 when every run did what it should (whatever the budgets
say), 1 otherwise."""

import argparse
import os
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))

from pe_properties import PeFile, WINDOWS_DLLS  # noqa: E402
from wine_session import WineSession  # noqa: E402
import box_runs  # noqa: E402
import report_table  # noqa: E402
from workload import Workload, MEDIA_FOLDER, MEDIA_HELP, INSTALLED_HELP, PROGRAM  # noqa: E402

COPY_FILES, COPY_FILE_SIZE = 2000, 100 * 1024
MEMORY_CASES = ((200, 1024), (20000, 1024))
UPDATE_ARGUMENT = MEDIA_FOLDER + "\\" + PROGRAM
XCOPY = "C:\\windows\\system32\\xcopy.exe"


def alternating(runs, first, second):
    """Each run's pair of sides, the first side going first every other run."""
    for i in range(runs):
        yield (first, second) if i % 2 == 0 else (second, first)


# -- the measures --------------------------------------------------------------


def measure_copy(bench, runs, workload, xcopy_switches, label):
    """The update against xcopy of the same help folder, and the update once
    more with the media's help files read-only: that run leaves them on the
    media (the removal is tidying only), so that the difference is what
    removing the media costs, which xcopy does not do."""
    bench.register_installation(True)
    times = {"quadrivo": [], "xcopy": [], "media_kept": []}

    def update(media_read_only):
        workload.lay_out(bench.session, media_read_only)
        report = bench.quadrivo_until_box(UPDATE_ARGUMENT)
        bench.expect(report["exit_status"] == 0 and not report["error"],
                     "the update did not complete: %s" % report)
        bench.expect(workload.installed_matches_media(bench.session),
                     "the update left files that differ from the media")
        bench.expect(os.path.exists(bench.session.host_path(MEDIA_HELP)) == media_read_only,
                     "the update removed the media's help folder: %s" % (not media_read_only))
        return report["ms_until_first_box"]

    def xcopy():
        workload.lay_out(bench.session)
        command = "xcopy %s %s %s" % (MEDIA_HELP, INSTALLED_HELP, xcopy_switches)
        report = bench.run_to_end(XCOPY, command)
        bench.expect(report["exit_status"] == 0 and not report["error"],
                     "xcopy failed: %s" % report)
        bench.expect(workload.installed_matches_media(bench.session),
                     "xcopy left files that differ from the media")
        return report["ms_until_exit"]

    sides = {"quadrivo": lambda: update(False), "xcopy": xcopy,
             "media_kept": lambda: update(True)}
    for name in sides:  # untimed: fills the caches every side uses
        sides[name]()
    order = list(sides)
    for run in range(runs):
        # Each side goes first, second and third in turn.
        for name in order[run % 3:] + order[:run % 3]:
            times[name].append(sides[name]())
            bench.progress("copy %s %s: %.0f ms" % (label, name, times[name][-1]))
    return times


def measure_start_up(bench, runs):
    bench.register_installation(False)
    times = {"quadrivo": [], "minimal": []}

    def quadrivo():
        report = bench.quadrivo_until_box(UPDATE_ARGUMENT)
        bench.expect(report["exit_status"] == 1 and len(report["boxes"]) == 1,
                     "the run finding nothing installed did not cancel: %s" % report)
        return report["ms_until_first_box"]

    def minimal():
        report = bench.until_box(bench.minimal_box, "minimal_box.exe")
        bench.expect(report["exit_status"] == 0 and len(report["boxes"]) == 1,
                     "the minimal program misbehaved: %s" % report)
        return report["ms_until_first_box"]

    sides = {"quadrivo": quadrivo, "minimal": minimal}
    for name in sides:
        sides[name]()
    for pair in alternating(runs, "quadrivo", "minimal"):
        for name in pair:
            times[name].append(sides[name]())
            bench.progress("start-up %s: %.0f ms" % (name, times[name][-1]))
    return times


def measure_memory(bench, runs):
    bench.register_installation(True)
    workloads = {files: Workload(files, size) for files, size in MEMORY_CASES}
    peaks = {files: {"working_set": [], "pagefile": [], "vm_hwm": []} for files in workloads}
    order = list(workloads)
    for pair in alternating(runs, order[0], order[1]):
        for files in pair:
            workloads[files].lay_out(bench.session)
            report = bench.memory_while_boxed(UPDATE_ARGUMENT)
            bench.expect(report["exit_status"] == 0 and not report["error"],
                         "the update of %d files did not complete: %s" % (files, report))
            peaks[files]["working_set"].append(report["peak_working_set"])
            peaks[files]["pagefile"].append(report["peak_pagefile_usage"])
            if report["vm_hwm"] is not None:
                peaks[files]["vm_hwm"].append(report["vm_hwm"])
            bench.progress("memory %d files: peak working set %d KB, peak pagefile %d KB, "
                           "VmHWM %s KB" % (files, report["peak_working_set"] // 1024,
                                            report["peak_pagefile_usage"] // 1024,
                                            report["vm_hwm"] and report["vm_hwm"] // 1024))
    return peaks


def measure_sizes(executables):
    sizes = {}
    for name, path in executables.items():
        if not os.path.isfile(path):
            sizes[name] = None
            continue
        with open(path, "rb") as f:
            data = f.read()
        dlls = list(PeFile(data).imports())
        foreign = [d for d in dlls if d.lower() not in WINDOWS_DLLS]
        sizes[name] = {"path": path, "bytes": len(data), "dlls": dlls, "foreign": foreign}
    return sizes


# -- main ----------------------------------------------------------------------


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--x86", help="Quadrivo.exe of the 32-bit build, for its size")
    parser.add_argument("--runs", type=int, default=7)
    parser.add_argument("--memory-runs", type=int, default=3)
    # A start takes a tenth of a second and varies by half of that from run to
    # run, so a few runs decide nothing: many are made, cheaply.
    parser.add_argument("--start-up-runs", type=int, default=25)
    parser.add_argument("--state", default="/tmp/quadrivo-benchmark")
    options = parser.parse_args()

    bench = box_runs.BenchSession(WineSession(options.state), options.build)
    started = time.monotonic()
    load_at_start = os.getloadavg()[0]
    bench.session.setup()
    try:
        bench.hold_desktop()
        copy = {"full": measure_copy(bench, options.runs, Workload(COPY_FILES, COPY_FILE_SIZE),
                                     "/E /Y /I", "full"),
                "incremental": measure_copy(bench, options.runs,
                                            Workload(COPY_FILES, COPY_FILE_SIZE, changed_every=10),
                                            "/E /Y /I /D", "incremental")}
        start_up = measure_start_up(bench, options.start_up_runs)
        memory = measure_memory(bench, options.memory_runs)
    finally:
        bench.release_desktop()
        bench.session.teardown()
    executables = {"x64": os.path.join(options.build, "Quadrivo.exe")}
    if options.x86:
        executables["x86"] = options.x86
    sizes = measure_sizes(executables)
    print()
    print(report_table.markdown(copy, start_up, memory, sizes, options.runs, options.start_up_runs,
                                options.memory_runs,
                                (load_at_start, os.getloadavg()[0])))
    print()
    print("Whole benchmark: %.0f s; %d failed checks." % (time.monotonic() - started,
                                                        len(bench.failures)))
    for failure in bench.failures:
        print("FAILED: " + failure)
    return 1 if bench.failures else 0


if __name__ == "__main__":
    sys.exit(main())
