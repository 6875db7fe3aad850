"""The sample installations and update media the scenarios are built from,
and snapshots of them, keyed by Windows path, to compare before and after."""

import os
import stat


def old_executable(program):
    return ("MZ %s 1.0 installato\r\n" % program).encode() + bytes(range(256))


def new_executable(program):
    return ("MZ %s 2.0 aggiornamento\r\n" % program).encode() + bytes(range(255, -1, -1)) * 64


OLD_HELP = {"indice.htm": b"<p>Guida 1.0</p>", "appunti.txt": b"note dell'utente"}
NEW_HELP = {"indice.htm": b"<p>Guida 2.0</p>", "capitoli\\primo.htm": b"<p>Capitolo 1</p>"}


def write_file(session, windows_path, content):
    path = session.host_path(windows_path)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(content)


def make_installation(session, folder, program):
    write_file(session, folder + "\\" + program + ".exe", old_executable(program))
    for name, content in OLD_HELP.items():
        write_file(session, folder + "\\Guida\\" + name, content)


def make_media(session, folder, program, with_help, executable=None):
    """executable: the new program's bytes, when a real one is needed."""
    write_file(session, folder + "\\" + program + ".exe", executable or new_executable(program))
    if with_help:
        for name, content in NEW_HELP.items():
            write_file(session, folder + "\\GuidaLindarex\\" + name, content)


def make_read_only(session, windows_path):
    """Read-only as a file copied from a disc is: Wine shows a file without
    write permission as FILE_ATTRIBUTE_READONLY."""
    path = session.host_path(windows_path)
    targets = [path] if os.path.isfile(path) else [
        os.path.join(d, f) for d, _, files in os.walk(path) for f in files]
    for target in targets:
        os.chmod(target, 0o444)


def snapshot(session, windows_roots):
    """Every file (its bytes) and folder (None) below the roots."""
    found = {}
    for root in windows_roots:
        host_root = session.host_path(root)
        for folder, dirs, files in os.walk(host_root):
            relative = os.path.relpath(folder, host_root)
            base = root.rstrip("\\") + ("" if relative == "." else "\\" + relative.replace("/", "\\"))
            for name in dirs:
                found[base + "\\" + name] = None
            for name in files:
                found[base + "\\" + name] = _content(os.path.join(folder, name))
    return found


def _content(path):
    # A link whose folder was deleted through it is shown, not read.
    if os.path.islink(path) and not os.path.exists(path):
        return "link to nothing: " + os.readlink(path)
    with open(path, "rb") as f:
        return f.read()


def is_read_only(session, windows_path):
    return not os.stat(session.host_path(windows_path)).st_mode & stat.S_IWUSR
