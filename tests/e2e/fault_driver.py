#!/usr/bin/env python3
"""Runs Quadrivo.exe under Wine while a real fault strikes the update.

  fault_driver.py setup    --state DIR           make the prefix, start Xvfb
  fault_driver.py run NAME --state DIR --program EXE --launcher EXE
  fault_driver.py teardown --state DIR           undo every mount, stop everything
  fault_driver.py list                           the fault names

A fault passes when each run showed exactly one box with a truthful text and
the matching exit status, and the disk keeps the promise of an update: the
installed executable is the old or the new one, every installed file is its
old or its new version and nothing else was left there, a failed update left
the installation byte for byte as it was, the media keeps its files unless
the whole update succeeded, and nothing else changed. Exit
status 77: the fault needs mounting, which this user may not do."""

import argparse
import contextlib
import os
import shutil
import sys
import threading

import e2e_driver
import fault_scenarios as faults
import italian_messages as say
import mounts
import sample_files as files
from scenarios import UPD, Update
from wine_session import WineSession, host_to_windows

SKIPPED = 77


def run_once(session, fault, program, launcher, report_name="report.json"):
    line = e2e_driver.command_line(host_to_windows(program), fault.scenario.argument)
    return session.run_answered(launcher, program, line, fault.scenario.current_folder,
                                report_name=report_name)


def run_together(session, fault, program, launcher):
    """Starts the runs at the same moment; their reports in start order."""
    reports = [None] * fault.runs
    errors = []
    start = threading.Barrier(fault.runs)

    def one(index):
        try:
            start.wait()
            reports[index] = run_once(session, fault, program, launcher, "report%d.json" % index)
        except Exception as error:  # reported with the other failures
            errors.append(error)

    threads = [threading.Thread(target=one, args=(i,)) for i in range(fault.runs)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    if errors:
        raise errors[0]
    return reports


# -- what the user was told ------------------------------------------------------


def truthful_texts(fault):
    """Every box a run of this fault may truthfully show, with its status."""
    if fault.runs == 1:
        return {fault.scenario.text: fault.scenario.exit_status}
    # Runs at once hold each other's files, or find the media already tidied
    # by the one that completed.
    folder = fault.install_folder
    texts = {faults.COMPLETED: 0}
    for advice in (faults.IN_USE, say.RETRY):
        texts[faults.exe_copy_failed(folder, advice)] = faults.FAILED
        texts[faults.help_copy_failed(folder, advice)] = faults.FAILED
    return texts


def check_report(report, allowed):
    """The one box of a run, its text among the allowed, and the status that
    goes with that text."""
    failures = []
    if report["error"]:
        failures.append("launcher: " + report["error"])
    boxes = report["boxes"]
    if len(boxes) != 1:
        return failures + ["%d message boxes instead of one: %r" % (len(boxes), boxes)]
    box = boxes[0]
    texts = box["texts"]
    if box["caption"] != "Quadrivo" or box["buttons"] != ["OK"] or box["has_icon"]:
        failures.append("box %r: not captioned Quadrivo with OK alone and no icon" % box)
    if len(texts) != 1 or texts[0] not in allowed:
        failures.append("text %r is none of %r" % (texts, list(allowed)))
    elif report["exit_status"] != allowed[texts[0]]:
        failures.append("exit status %r after the text %r" % (report["exit_status"], texts[0]))
    return failures


def completed(report):
    boxes = report["boxes"]
    return len(boxes) == 1 and boxes[0]["texts"] == [faults.COMPLETED]


# -- what the disk holds ---------------------------------------------------------


def counterpart(path, install_folder):
    """The media file or folder an installed path is the new version of."""
    exe = install_folder + "\\" + faults.LINDAREX + ".exe"
    guida = install_folder + "\\Guida"
    if path == exe:
        return faults.MEDIA_EXE
    if path == guida or path.startswith(guida + "\\"):
        return faults.MEDIA_HELP + path[len(guida):]
    return None


def describe(content, old, new):
    if content is None:
        return "missing"
    if content == old:
        return "the old bytes"
    if content == new:
        return "the new bytes"
    return "%d other bytes" % len(content)


def check_installed_exe(fault, before, after, wanted):
    exe = fault.install_folder + "\\" + faults.LINDAREX + ".exe"
    old, new = before.get(exe), before.get(faults.MEDIA_EXE)
    versions = {"old": old, "new": new, "absent": None}
    shown = describe(after.get(exe), old, new)
    if all(after.get(exe) != versions[w] for w in wanted):
        return ["installed executable holds %s, expected %s" % (shown, " or ".join(wanted))]
    return []


def check_installation(fault, before, after):
    """Each installed file its old or its new version; nothing else left."""
    failures = []
    prefix = fault.install_folder + "\\"
    for path in sorted(p for p in set(before) | set(after) if p.startswith(prefix)):
        source = counterpart(path, fault.install_folder)
        if path not in after:
            failures.append("installation lost " + path)
        elif path not in before and (source is None or source not in before):
            failures.append("installation holds what the update does not bring: " + path)
        elif after[path] not in (before.get(path, after[path]), before.get(source, after[path])):
            failures.append("installation holds a half-made " + path)
    return failures


def check_unchanged_after_failure(fault, before, after):
    """A failed update changes nothing: the whole installation tree as it was."""
    prefix = fault.install_folder + "\\"
    changed = sorted(p for p in set(before) | set(after)
                     if p.startswith(prefix) and before.get(p, "missing") != after.get(p, "missing"))
    return ["the update failed, yet the installation changed: %r" % changed] if changed else []


def is_media_update_file(path):
    help_folder = faults.MEDIA_HELP
    return path in (faults.MEDIA_EXE, help_folder) or path.startswith(help_folder + "\\")


def check_media_and_rest(fault, before, after, media_kept):
    """The media as before, or without the update's files; anything not part
    of the update as before."""
    failures = []
    prefix = fault.install_folder + "\\"
    for path in sorted(set(before) | set(after)):
        if path.startswith(prefix):
            continue
        if media_kept or not is_media_update_file(path) or path in fault.left_on_media:
            if before.get(path, "missing") != after.get(path, "missing"):
                failures.append("changed though it had to stay: " + path)
        elif after.get(path) is not None:
            failures.append("an update file still on the media: " + path)
    return failures


def check_written_not_read_only(session, fault, after, wanted):
    exe = fault.install_folder + "\\" + faults.LINDAREX + ".exe"
    if wanted == ["new"] and exe in after and files.is_read_only(session, exe):
        return ["the new executable was left read-only"]
    return []


def check_outcome(session, fault, before, after, reports):
    allowed = truthful_texts(fault)
    failures = []
    for index, report in enumerate(reports):
        failures += ["run %d: %s" % (index + 1, f) for f in check_report(report, allowed)]
    if fault.runs == 1:
        wanted, media_kept = [fault.installed_exe_after], fault.media_kept
    else:
        # Whichever run completed installed the new executable; the media may
        # be tidied only by a run that completed.
        any_completed = any(completed(r) for r in reports)
        wanted = ["new"] if any_completed else ["old", "new"]
        media_kept = not any_completed or faults.MEDIA_EXE in after
        if faults.MEDIA_EXE not in after and not any_completed:
            failures.append("the media was tidied though no run completed")
    failures += check_installed_exe(fault, before, after, wanted)
    failures += check_installation(fault, before, after)
    if fault.runs == 1 and fault.scenario.exit_status == faults.FAILED:
        failures += check_unchanged_after_failure(fault, before, after)
    failures += check_media_and_rest(fault, before, after, media_kept)
    failures += check_written_not_read_only(session, fault, after, wanted)
    return failures


# -- one fault, start to end -----------------------------------------------------


def watched_roots(fault):
    return sorted({fault.install_folder, "D:\\"} | set(fault.watched))


def drive_c_names(session):
    return sorted(os.listdir(session.host_path("C:\\")))


def run_fault(session, fault, program, launcher):
    with contextlib.ExitStack() as cleanup:
        if fault.before_disk:
            fault.before_disk(session, cleanup)
        e2e_driver.prepare(session, fault.scenario)
        cleanup.callback(e2e_driver.reset_disk, session)
        if fault.after_disk:
            fault.after_disk(session, cleanup)
        roots = watched_roots(fault)
        before, names_before = files.snapshot(session, roots), drive_c_names(session)
        with contextlib.ExitStack() as hold:
            if fault.scenario.held_file:
                hold.enter_context(session.hold_file(launcher, fault.scenario.held_file))
            if fault.runs == 1:
                reports = [run_once(session, fault, program, launcher)]
            else:
                reports = run_together(session, fault, program, launcher)
        after, names_after = files.snapshot(session, roots), drive_c_names(session)
        for index, report in enumerate(reports):
            print("run %d: status %r after %.0f ms, boxes %r" % (
                index + 1, report["exit_status"], report["ms_until_first_box"], report["boxes"]))
        e2e_driver.print_folders("After:", after)
        failures = check_outcome(session, fault, before, after, reports)
        if names_before != names_after:
            failures.append("C:\\ held %r, now %r" % (names_before, names_after))
        return failures


# -- a run killed part-way, then run again ---------------------------------------

KILL_ATTEMPTS = 20


def own_files_left(session, roots):
    """The update's own files: temporaries, kept old files, records."""
    found = []
    for root in roots:
        for folder, _, names in os.walk(session.host_path(root)):
            found += [os.path.join(folder, n) for n in names if n.startswith("~Quadrivo")]
    return found


def fresh_disk(session, fault):
    e2e_driver.prepare(session, fault.scenario)
    fault.after_disk(session, None)


def kill_while_putting_in_place(session, fault, program, launcher):
    """Kills runs part-way until one is killed while it puts its files in
    place; the disk as it was before that run, or None when no attempt was.
    The moment is watched for, not guessed: as soon as the run's record is
    pending and the old executable, the first file to go, is kept aside."""
    installation = session.host_path(fault.install_folder)

    def placing():
        names = os.listdir(installation)
        return (any(n.endswith(".pending") for n in names) and
                any(n.endswith(".old") for n in names))

    for attempt in range(1, KILL_ATTEMPTS + 1):
        fresh_disk(session, fault)
        before = files.snapshot(session, watched_roots(fault))
        report = session.run_killed(
            launcher, program, e2e_driver.command_line(host_to_windows(program),
                                                       fault.scenario.argument),
            fault.scenario.current_folder, 30000, kill_when=placing)
        hit = report["killed"] and placing()
        print("attempt %d: killed while putting in place: %s" % (attempt, hit))
        if hit:
            return before
    raise RuntimeError("no run was killed while it put its files in place in %d attempts"
                       % KILL_ATTEMPTS)


def installation_tree(fault, snapshot):
    prefix = fault.install_folder + "\\"
    return {p: c for p, c in snapshot.items() if p.startswith(prefix)}


def killed_then_without_media(session, fault, program, launcher):
    """The media taken away after the kill: the next run puts the old
    installation back, byte for byte, and fails for want of the media."""
    before = kill_while_putting_in_place(session, fault, program, launcher)
    shutil.rmtree(session.host_path(faults.MEDIA_HELP))
    os.remove(session.host_path(faults.MEDIA_EXE))
    again = run_once(session, fault, program, launcher)
    after = files.snapshot(session, watched_roots(fault))
    print("run again without the media: status %r, boxes %r" % (again["exit_status"],
                                                                  again["boxes"]))
    failures = check_report(again, {faults.exe_copy_failed(fault.install_folder, say.RETRY):
                                    faults.FAILED})
    if installation_tree(fault, after) != installation_tree(fault, before):
        failures.append("without the media, the installation was not put back:\n" +
                        e2e_driver.describe_difference(installation_tree(fault, before),
                                                       installation_tree(fault, after)))
    return failures


def killed_then_again(session, fault, program, launcher):
    """The same update run again after the kill: it completes, installs
    exactly the media's tree, and leaves nothing of the killed run."""
    before = kill_while_putting_in_place(session, fault, program, launcher)
    again = run_once(session, fault, program, launcher)
    after = files.snapshot(session, watched_roots(fault))
    print("run again: status %r after %.0f ms, boxes %r"
          % (again["exit_status"], again["ms_until_first_box"], again["boxes"]))
    failures = check_report(again, {faults.COMPLETED: 0})
    expected, _ = e2e_driver.expected_disk(
        before, Update(UPD, faults.LINDAREX, fault.install_folder))
    difference = e2e_driver.describe_difference(expected, after)
    if difference:
        failures.append("disk after running again:\n" + difference)
    left = own_files_left(session, watched_roots(fault))
    if left:
        failures.append("files of the killed run left: %r" % left)
    return failures


def run_killed_then_again(session, fault, program, launcher):
    """A run killed while it put its files in place, then the next run:
    without the media, and with them."""
    with contextlib.ExitStack() as cleanup:
        cleanup.callback(e2e_driver.reset_disk, session)
        return (killed_then_without_media(session, fault, program, launcher) +
                killed_then_again(session, fault, program, launcher))


def teardown(session):
    left = mounts.unmount_all_below(session.state_dir) if os.path.isdir(session.state_dir) else []
    if left:
        print("FAIL: still mounted, the state folder is kept: %r" % left)
        return 1
    session.teardown()
    return 0


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("action", choices=["setup", "run", "teardown", "list"])
    parser.add_argument("fault", nargs="?")
    parser.add_argument("--state")
    parser.add_argument("--program")
    parser.add_argument("--launcher")
    args = parser.parse_args()
    if args.action == "list":
        print("\n".join(f.name for f in faults.FAULTS))
        return 0
    session = WineSession(args.state)
    if args.action == "setup":
        if os.path.isdir(session.state_dir) and teardown(session) != 0:
            return 1
        session.setup()
        return 0
    if args.action == "teardown":
        return teardown(session)
    fault = faults.BY_NAME[args.fault]
    run = run_killed_then_again if fault.killed_part_way else run_fault
    try:
        failures = run(session, fault, args.program, args.launcher)
    except mounts.MountRefused as refused:
        print("SKIPPED: %s" % refused)
        return SKIPPED
    for failure in failures:
        print("FAIL: " + failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
