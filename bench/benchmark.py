#!/usr/bin/env python3
"""Measures Quadrivo.exe under Wine against its peers and prints a Markdown
table of medians, ratios and budgets.

  benchmark.py --build DIR [--x86 EXE] [--runs N] [--memory-runs N] [--state DIR]
               [--against EXE] [--copies-only]

DIR holds the programs bench/CMakeLists.txt builds. Every measure runs all its
sides in one Wine session, each taking every place in the order in turn,
after one untimed run of each.

These figures come from a shared machine: they are reported, never judged by
CI. Exit status 0 when every run did what it should (whatever the budgets
say), 1 otherwise."""

import argparse
import os
import shlex
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))

from pe_properties import PeFile, WINDOWS_DLLS  # noqa: E402
from wine_session import WineSession  # noqa: E402
import box_runs  # noqa: E402
import report_table  # noqa: E402
from workload import (Workload, MEDIA_FOLDER, MEDIA_HELP, INSTALLED_HELP, PROGRAM,  # noqa: E402
                      MEDIA_EXECUTABLE, INSTALLED_EXECUTABLE)

COPY_FILES, COPY_FILE_SIZE = 2000, 100 * 1024
MEMORY_CASES = ((200, 1024), (20000, 1024))
UPDATE_ARGUMENT = MEDIA_FOLDER + "\\" + PROGRAM
XCOPY = "C:\\windows\\system32\\xcopy.exe"
CMD = "C:\\windows\\system32\\cmd.exe"
# Outside the installation and the media, which every run lays out afresh.
BATCH_FILE = "C:\\quadrivo-bench.cmd"


def in_turn(runs, sides):
    """Each run's order of the sides: no side always goes first or last."""
    sides = list(sides)
    for run in range(runs):
        shift = run % len(sides)
        yield sides[shift:] + sides[:shift]


# -- the measures --------------------------------------------------------------


def batch_file(xcopy_switches):
    """The update's work in one cmd.exe, stopping at a copy that fails."""
    lines = ["@echo off",
             "xcopy %s %s %s /Q" % (MEDIA_HELP, INSTALLED_HELP, xcopy_switches),
             "if errorlevel 1 exit /b 1",
             "copy /Y %s %s" % (MEDIA_EXECUTABLE, INSTALLED_EXECUTABLE),
             "if errorlevel 1 exit /b 2",
             "rd /s /q %s" % MEDIA_HELP,
             "del %s" % MEDIA_EXECUTABLE]
    return "\r\n".join(lines) + "\r\n"


def native_script(session, only_newer):
    """The same work without Wine, on the prefix's host folders: the floor of
    what the file system itself costs (cp -u skips as xcopy /D does)."""
    path = lambda windows_path: shlex.quote(session.host_path(windows_path))
    update = " -u" if only_newer else ""
    return " && ".join([
        "cp -r -T%s %s %s" % (update, path(MEDIA_HELP), path(INSTALLED_HELP)),
        "cp %s %s" % (path(MEDIA_EXECUTABLE), path(INSTALLED_EXECUTABLE)),
        "rm -rf %s" % path(MEDIA_HELP),
        "rm %s" % path(MEDIA_EXECUTABLE)])


def measure_copy(bench, runs, workload, xcopy_switches, label, against=None):
    """The update against its peers on the same workload, and once more with
    the media's help files read-only, which it then leaves: the difference is
    what removing the media costs. against: another build's Quadrivo.exe,
    timed on the same workload in the same turns."""
    bench.register_installation(True)
    times = {"quadrivo": [], "xcopy": [], "batch": [], "native": [], "media_kept": []}
    with open(bench.session.host_path(BATCH_FILE), "w", newline="") as f:
        f.write(batch_file(xcopy_switches))
    native = native_script(bench.session, "/D" in xcopy_switches.split())

    def check_done(side, media_gone=True):
        bench.expect(workload.installed_matches_media(bench.session) and
                     workload.installed_executable_is_new(bench.session),
                     "%s left installed files that differ from the media" % side)
        bench.expect(workload.media_files_gone(bench.session) == media_gone,
                     "%s: media files gone should be %s" % (side, media_gone))

    def update(media_read_only, program=bench.quadrivo):
        workload.lay_out(bench.session, media_read_only)
        report = bench.until_box(program, UPDATE_ARGUMENT)
        bench.expect(report["exit_status"] == 0 and not report["error"],
                     "the update did not complete: %s" % report)
        check_done("the update", not media_read_only)
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

    def batch():
        workload.lay_out(bench.session)
        report = bench.run_to_end(CMD, "cmd /c " + BATCH_FILE)
        bench.expect(report["exit_status"] == 0 and not report["error"],
                     "the batch file failed: %s" % report)
        check_done("the batch file")
        return report["ms_until_exit"]

    def native_floor():
        workload.lay_out(bench.session)
        started = time.perf_counter()
        done = subprocess.run(["sh", "-c", native], stdin=subprocess.DEVNULL,
                              stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        elapsed_ms = (time.perf_counter() - started) * 1000
        bench.expect(done.returncode == 0, "the native copy failed: %s"
                     % done.stderr.decode(errors="replace").strip())
        check_done("the native copy")
        return elapsed_ms

    sides = {"quadrivo": lambda: update(False), "xcopy": xcopy, "batch": batch,
             "native": native_floor, "media_kept": lambda: update(True)}
    if against:
        times["against"] = []
        sides["against"] = lambda: update(False, against)
    for name in sides:  # untimed: fills the caches every side uses
        sides[name]()
    for order in in_turn(runs, sides):
        for name in order:
            times[name].append(sides[name]())
            bench.progress("copy %s %s: %.0f ms" % (label, name, times[name][-1]))
    return times


def measure_start_up(bench, runs):
    """Quadrivo finding nothing installed, until its box, against a program
    that only shows a box, with Quadrivo.exe's manifest and without."""
    bench.register_installation(False)
    times = {"quadrivo": [], "minimal_manifest": [], "minimal": []}

    def quadrivo():
        report = bench.quadrivo_until_box(UPDATE_ARGUMENT)
        bench.expect(report["exit_status"] == 1 and len(report["boxes"]) == 1,
                     "the run finding nothing installed did not cancel: %s" % report)
        return report["ms_until_first_box"]

    def minimal(program):
        name = os.path.basename(program)
        report = bench.until_box(program, name)
        bench.expect(report["exit_status"] == 0 and len(report["boxes"]) == 1,
                     "%s misbehaved: %s" % (name, report))
        return report["ms_until_first_box"]

    sides = {"quadrivo": quadrivo,
             "minimal_manifest": lambda: minimal(bench.minimal_box_manifest),
             "minimal": lambda: minimal(bench.minimal_box)}
    for name in sides:
        sides[name]()
    for order in in_turn(runs, sides):
        for name in order:
            times[name].append(sides[name]())
            bench.progress("start-up %s: %.0f ms" % (name, times[name][-1]))
    return times


def measure_memory(bench, runs):
    bench.register_installation(True)
    workloads = {files: Workload(files, size) for files, size in MEMORY_CASES}
    peaks = {files: {"working_set": [], "pagefile": [], "vm_hwm": []} for files in workloads}
    for order in in_turn(runs, workloads):
        for files in order:
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


def print_against(label, times):
    """This build's copy beside another's, when one was timed."""
    if "against" in times:
        ours, theirs = statistics.median(times["quadrivo"]), statistics.median(times["against"])
        print("%s copy: this build %.0f ms, the other %.0f ms (this / other %.3f)"
              % (label, ours, theirs, ours / theirs))


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
    parser.add_argument("--against", help="another build's Quadrivo.exe, timed beside this one")
    parser.add_argument("--copies-only", action="store_true",
                        help="the copies alone: no start-up, memory or size")
    options = parser.parse_args()

    bench = box_runs.BenchSession(WineSession(options.state), options.build)
    started = time.monotonic()
    load_at_start = os.getloadavg()[0]
    bench.progress("load average at the start: %.2f %.2f %.2f" % os.getloadavg())
    bench.session.setup()
    try:
        bench.hold_desktop()
        copy = {"full": measure_copy(bench, options.runs, Workload(COPY_FILES, COPY_FILE_SIZE),
                                     "/E /Y /I", "full", options.against),
                "incremental": measure_copy(bench, options.runs,
                                            Workload(COPY_FILES, COPY_FILE_SIZE, changed_every=10),
                                            "/E /Y /I /D", "incremental", options.against)}
        if options.copies_only:
            for label, times in copy.items():
                print_against(label, times)
            return 1 if bench.failures else 0
        start_up = measure_start_up(bench, options.start_up_runs)
        memory = measure_memory(bench, options.memory_runs)
    finally:
        bench.release_desktop()
        bench.session.teardown()
    executables = {"x64": os.path.join(options.build, "Quadrivo.exe")}
    if options.x86:
        executables["x86"] = options.x86
    sizes = measure_sizes(executables)
    load_at_end = os.getloadavg()[0]
    bench.progress("load average at the end: %.2f %.2f %.2f" % os.getloadavg())
    print()
    print(report_table.markdown(copy, start_up, memory, sizes, options.runs, options.start_up_runs,
                                options.memory_runs,
                                (load_at_start, load_at_end)))
    print()
    print("Whole benchmark: %.0f s; load average (1 min) %.2f at the start, %.2f at the end; "
          "%d failed checks." % (time.monotonic() - started, load_at_start, load_at_end,
                                 len(bench.failures)))
    for failure in bench.failures:
        print("FAILED: " + failure)
    return 1 if bench.failures else 0


if __name__ == "__main__":
    sys.exit(main())
