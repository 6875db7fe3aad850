#!/usr/bin/env python3
"""Runs Quadrivo.exe end to end under Wine.

  e2e_driver.py setup    --state DIR                  make the prefix, start Xvfb
  e2e_driver.py run NAME --state DIR --program EXE --launcher EXE
  e2e_driver.py probe    --state DIR --program PROBE --launcher EXE
  e2e_driver.py sample   --state DIR --program EXE --launcher EXE
                                                      one sample update, shown step by step,
                                                      in a session of its own
  e2e_driver.py teardown --state DIR                  stop everything, remove DIR
  e2e_driver.py list                                  the scenario names

A scenario passes when the run showed exactly one box captioned "Quadrivo"
with the expected text (compared byte for byte), an OK button only and no
icon, ended with the expected status, and left the disk as expected."""

import argparse
import os
import shutil
import sys

import sample_files as files
import scenarios
from wine_session import WineSession, host_to_windows, make_writable

PROGRAM_FOLDER_NAMES = ("Lindarex", "Prog", "Programmi")


def reset_disk(session):
    for name in PROGRAM_FOLDER_NAMES:
        path = session.host_path("C:\\" + name)
        if os.path.isdir(path):
            _remove_tree(path)
    for name in os.listdir(session.media):
        _remove_tree(os.path.join(session.media, name))


def _remove_tree(path):
    make_writable(path)
    if os.path.isdir(path):
        shutil.rmtree(path)
    else:
        os.remove(path)


def prepare(session, scenario, media_program=None):
    reset_disk(session)
    for folder, program in scenario.installs:
        files.make_installation(session, folder, program)
    for folder, program, with_help in scenario.media:
        files.make_media(session, folder, program, with_help, media_program)
    if scenario.price_list:
        files.write_file(session, "D:\\Upd\\%s\\Prezzari\\%s.dat" % ((scenario.price_list,) * 2),
                         b"prezzi")
    for path in scenario.read_only:
        files.make_read_only(session, path)
    session.import_registry(scenarios.registry_file(scenario))


def watched_roots(scenario):
    return sorted({folder for folder, _ in scenario.installs} | {"D:\\"})


def expected_disk(before, update):
    """The disk after a successful update: the executable and the help files
    in place, the user's other help files kept, the media tidied. Also the
    files the update wrote."""
    after = dict(before)
    media_exe = update.media_folder + "\\" + update.program + ".exe"
    media_help = update.media_folder + "\\GuidaLindarex"
    installed_exe = update.install_folder + "\\" + update.program + ".exe"
    after[installed_exe] = before[media_exe]
    written = [installed_exe]
    help_items = {k: v for k, v in before.items() if k.startswith(media_help + "\\")}
    if help_items:
        after[update.install_folder + "\\Guida"] = None
    for key, content in help_items.items():
        after[update.install_folder + "\\Guida" + key[len(media_help):]] = content
        if content is not None:
            written.append(update.install_folder + "\\Guida" + key[len(media_help):])
    if not update.media_kept:
        del after[media_exe]
        for key in list(help_items) + ([media_help] if help_items else []):
            del after[key]
    return after, written


def describe_difference(expected, actual):
    lines = []
    for key in sorted(set(expected) | set(actual)):
        if key not in actual:
            lines.append("  missing: " + key)
        elif key not in expected:
            lines.append("  unexpected: " + key)
        elif expected[key] != actual[key]:
            lines.append("  different content: " + key)
    return "\n".join(lines)


def check_box(report, scenario):
    failures = []
    if report["error"]:
        failures.append("launcher: " + report["error"])
    boxes = report["boxes"]
    if len(boxes) != 1:
        failures.append("%d message boxes instead of one" % len(boxes))
    if boxes:
        box = boxes[0]
        if box["caption"] != "Quadrivo":
            failures.append("caption %r" % box["caption"])
        expected = scenario.text.encode("utf-8")
        shown = [t.encode("utf-8") for t in box["texts"]]
        if shown != [expected]:
            failures.append("text\n    shown:    %r\n    expected: %r" % (shown, [expected]))
        if box["buttons"] != ["OK"]:
            failures.append("buttons %r instead of OK alone" % box["buttons"])
        if box["has_icon"]:
            failures.append("the box carries an icon")
    if report["exit_status"] != scenario.exit_status:
        failures.append("exit status %r, expected %d" % (report["exit_status"], scenario.exit_status))
    return failures


def check_disk(session, scenario, before, after):
    """The disk as expected; and what the update wrote is not read-only, since
    files copied from a disc arrive read-only and would block the next update."""
    expected, written = expected_disk(before, scenario.update) if scenario.update else (before, [])
    difference = describe_difference(expected, after)
    failures = ["disk after the run:\n" + difference] if difference else []
    # A file that is missing is named as such above.
    left_read_only = [path for path in written
                      if path in after and files.is_read_only(session, path)]
    if left_read_only:
        failures.append("installed files left read-only: %s" % left_read_only)
    return failures


def command_line(program_windows_path, argument):
    head = '"%s"' % program_windows_path
    return head if argument is None else head + " " + argument


def run_scenario(session, scenario, program, launcher, media_program=None):
    """media_program: the bytes of the new program on the media, when the
    sample's will not do."""
    prepare(session, scenario, media_program)
    roots = watched_roots(scenario)
    before = files.snapshot(session, roots)
    line = command_line(host_to_windows(program), scenario.argument)
    if scenario.held_file:
        with session.hold_file(launcher, scenario.held_file):
            report = session.run_answered(launcher, program, line, scenario.current_folder)
    else:
        report = session.run_answered(launcher, program, line, scenario.current_folder)
    after = files.snapshot(session, roots)
    print("command line: %s\ncurrent folder: %s" % (line, scenario.current_folder))
    print("box after %.0f ms: %r" % (report["ms_until_first_box"], report["boxes"]))
    print("exit status: %r" % report["exit_status"])
    return check_box(report, scenario) + check_disk(session, scenario, before, after)


def check_probe(session, program, launcher):
    """The probe shows two boxes, the first with an icon and two buttons, and
    ends with status 5: every one of these must be seen, or the checks above
    could pass a faulty Quadrivo."""
    report = session.run_answered(launcher, program, '"%s"' % host_to_windows(program), "C:\\")
    print("probe: %r" % report)
    boxes = report["boxes"]
    seen = {
        "both boxes": len(boxes) == 2,
        "the icon": bool(boxes) and boxes[0]["has_icon"],
        "two buttons": bool(boxes) and len(boxes[0]["buttons"]) == 2,
        "the caption": bool(boxes) and boxes[0]["caption"] == "Sonda",
        "the text": bool(boxes) and boxes[0]["texts"] == ["Prima\r\nriga \u00e8"],
        "the exit status": report["exit_status"] == 5,
    }
    return ["the launcher missed " + what for what, ok in seen.items() if not ok]


def print_folders(title, state):
    print(title)
    for path, content in sorted(state.items()):
        print("  %-40s %s" % (path, "<folder>" if content is None else "%d bytes" % len(content)))


def show_sample_update(session, program, launcher):
    """The main job on a sample: Lindarex installed in C:\\Lindarex, its update
    on D:\\Upd, Quadrivo.exe D:\\Upd\\Lindarex run as a user would."""
    scenario = scenarios.BY_NAME["update_with_help"]
    session.setup()
    try:
        prepare(session, scenario)
        roots = watched_roots(scenario)
        print_folders("Before:", files.snapshot(session, roots))
        line = command_line(host_to_windows(program), scenario.argument)
        print("Running: %s" % line)
        report = session.run_answered(launcher, program, line, scenario.current_folder)
        for box in report["boxes"]:
            print("Message box %r (buttons %s):" % (box["caption"], ", ".join(box["buttons"])))
            for text in box["texts"]:
                print("  " + text.replace("\r\n", "\n  "))
        print("Exit status: %r" % report["exit_status"])
        print_folders("After:", files.snapshot(session, roots))
        return check_box(report, scenario)
    finally:
        session.teardown()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("action", choices=["setup", "run", "probe", "sample", "teardown", "list"])
    parser.add_argument("scenario", nargs="?")
    parser.add_argument("--state")
    parser.add_argument("--program")
    parser.add_argument("--launcher")
    args = parser.parse_args()
    if args.action == "list":
        print("\n".join(s.name for s in scenarios.SCENARIOS))
        return 0
    session = WineSession(args.state)
    if args.action == "setup":
        session.setup()
        return 0
    if args.action == "teardown":
        session.teardown()
        return 0
    if args.action == "sample":
        return 1 if show_sample_update(session, args.program, args.launcher) else 0
    if args.action == "probe":
        failures = check_probe(session, args.program, args.launcher)
    else:
        failures = run_scenario(session, scenarios.BY_NAME[args.scenario], args.program,
                                args.launcher)
    return report(failures)


def report(failures):
    """Prints each failure; the exit status of the check."""
    for failure in failures:
        print("FAIL: " + failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
