"""Updates run while something real goes wrong: a file held open, a folder
that refuses writing or is gone, a drive that fills up, media that cannot be
changed, a link leading out of the media, a second run at the same time.

Each fault names the one truthful box the user must see and what the disk
must hold afterwards: the installed executable the old or the new one, the
media untouched unless the whole update succeeded."""

import os
import shutil
from dataclasses import dataclass, field
from typing import Callable, List, Optional

import italian_messages as say
import mounts
import sample_files as files
from scenarios import UPD, Scenario, directory

LINDAREX = "Lindarex"
MEDIA_EXE = UPD + "\\Lindarex.exe"
MEDIA_HELP = UPD + "\\GuidaLindarex"
OUTSIDE = "C:\\Esterno"


@dataclass
class Fault:
    name: str
    scenario: Scenario  # the disk and registry before the run, and the box expected
    install_folder: str
    installed_exe_after: str  # "old", "new" or "absent"
    media_kept: bool  # False: the update's files must be gone from the media
    # Called before the sample disk is written (a drive it lives on) and after
    # (what makes it fail); each registers its undoing on the ExitStack given.
    before_disk: Optional[Callable] = None
    after_disk: Optional[Callable] = None
    watched: List[str] = field(default_factory=list)  # more roots that must not change
    runs: int = 1  # runs started at the same time


def installed(folder):
    return dict(registry=[directory(LINDAREX, folder)], installs=[(folder, LINDAREX)],
                media=[(UPD, LINDAREX, True)])


def update(text, status, folder="C:\\Lindarex", **extra):
    return Scenario("", UPD + "\\Lindarex", text, status, **dict(installed(folder), **extra))


def exe_copy_failed(folder, advice):
    return say.update_failed(LINDAREX, MEDIA_EXE, folder + "\\Lindarex.exe", advice)


def help_copy_failed(folder, advice):
    return say.update_failed(LINDAREX, MEDIA_HELP, folder + "\\Guida", advice)


IN_USE = say.in_use(LINDAREX)


COMPLETED = say.update_completed(LINDAREX)
FAILED = 2

# -- what makes each run fail --------------------------------------------------


def _mount_point(session, name):
    return os.path.join(session.state_dir, "mounts", name)


def read_only_folder(windows_path):
    def arrange(session, cleanup):
        path = session.host_path(windows_path)
        mounts.bind_read_only(path)
        cleanup.callback(mounts.unmount, path)

    return arrange


def media_read_only_mount(session, cleanup):
    """The whole of drive D: read-only, as a disc is."""
    mounts.bind_read_only(session.media)
    cleanup.callback(mounts.unmount, session.media)


def small_drive(letter, size_bytes):
    """A drive of its own, of size_bytes, mapped to the letter."""

    def arrange(session, cleanup):
        point = _mount_point(session, letter.lower())
        mounts.small_drive(point, size_bytes)
        cleanup.callback(mounts.unmount, point)
        entry = os.path.join(session.prefix, "dosdevices", letter.lower() + ":")
        if os.path.lexists(entry):
            os.remove(entry)
        os.symlink(point, entry)
        cleanup.callback(os.remove, entry)

    return arrange


def too_full_for_new_exe(letter):
    """The copy must start and break off: some room, less than the file."""

    def arrange(session, _cleanup):
        free = mounts.free_bytes(session.host_path(letter + ":\\"))
        needed = len(files.new_executable(LINDAREX))
        if not 0 < free < needed:
            raise RuntimeError("drive %s: has %d bytes free; the fault needs some, fewer than %d"
                               % (letter, free, needed))

    return arrange


def link_out_of_media_help(session, cleanup):
    """A folder outside everything the update names, holding a file, and a
    link to it inside the media's help folder."""
    outside = session.host_path(OUTSIDE)
    os.makedirs(outside)
    cleanup.callback(shutil.rmtree, outside, True)
    files.write_file(session, OUTSIDE + "\\da_non_toccare.txt", b"dati di un altro programma")
    os.symlink(outside, session.host_path(MEDIA_HELP + "\\collegamento"))


def big_help_file(session, _cleanup):
    """A help file far bigger than the room the new executable leaves."""
    files.write_file(session, MEDIA_HELP + "\\manuale.htm", b"<p>Manuale</p>" * 8192)


PAGE = 4096
OLD_INSTALLATION_PAGES = 3  # the old executable and two help files
# The new executable replaces the old one by way of a copy beside it, so the
# drive must hold both for a moment; a page more leaves the big help file no
# room.
NEW_EXE_PAGES = 5

FAULTS = [
    Fault("installation_folder_missing", update(exe_copy_failed("C:\\Lindarex", say.RETRY),
                                                FAILED, installs=[]),
          "C:\\Lindarex", "absent", media_kept=True),
    # Wine reports the read-only mount as access denied, and every program
    # runs elevated under Wine: a refusal the advice there reads as in use.
    Fault("installation_folder_read_only_mount",
          update(exe_copy_failed("C:\\Lindarex", IN_USE), FAILED), "C:\\Lindarex", "old",
          media_kept=True,
          after_disk=read_only_folder("C:\\Lindarex")),
    Fault("installation_drive_full",
          update(exe_copy_failed("E:\\Lindarex", say.NO_SPACE), FAILED, "E:\\Lindarex"),
          "E:\\Lindarex", "old",
          media_kept=True,
          before_disk=small_drive("E", (OLD_INSTALLATION_PAGES + 2) * PAGE),
          after_disk=too_full_for_new_exe("E")),
    Fault("installation_drive_full_during_help",
          update(help_copy_failed("E:\\Lindarex", say.NO_SPACE), FAILED, "E:\\Lindarex"),
          "E:\\Lindarex", "new", media_kept=True,
          before_disk=small_drive("E", (OLD_INSTALLATION_PAGES + NEW_EXE_PAGES + 1) * PAGE),
          after_disk=big_help_file),
    Fault("media_read_only_mount", update(COMPLETED, 0), "C:\\Lindarex", "new", media_kept=True,
          after_disk=media_read_only_mount),
    Fault("installed_help_file_held",
          update(help_copy_failed("C:\\Lindarex", IN_USE), FAILED,
                 held_file="C:\\Lindarex\\Guida\\indice.htm"),
          "C:\\Lindarex", "new", media_kept=True),
    Fault("media_help_links_outside", update(COMPLETED, 0), "C:\\Lindarex", "new",
          media_kept=False, after_disk=link_out_of_media_help, watched=[OUTSIDE]),
    Fault("two_runs_at_once", update(COMPLETED, 0), "C:\\Lindarex", "new", media_kept=False,
          runs=2),
]

BY_NAME = {f.name: f for f in FAULTS}
