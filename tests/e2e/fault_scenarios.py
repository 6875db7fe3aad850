"""Updates run while something real goes wrong: a file held open, a folder
that refuses writing or is gone, a drive that fills up, media that cannot be
changed, a link leading out of the media, a second run at the same time.

Each fault names the one truthful box the user must see and what the disk
must hold afterwards: the installed executable the old or the new one, the
installation exactly as it was after a failure, the media untouched unless
the whole update succeeded."""

import os
import shutil
from dataclasses import dataclass, field
from typing import Callable, List, Optional

import italian_messages as say
import mounts
import sample_files as files
from scenarios import UPD, Scenario, directory
from wine_session import make_writable

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
    # The run is killed part-way until it is killed while it puts its files in
    # place, then run again to its end (fault_driver.run_killed_then_again).
    killed_part_way: bool = False
    # Update files that stay on the media unchanged though it is tidied.
    left_on_media: List[str] = field(default_factory=list)


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


def drive_letter_for(letter, windows_folder):
    """Another drive letter for a folder of the prefix, as subst gives one."""

    def arrange(session, cleanup):
        entry = os.path.join(session.prefix, "dosdevices", letter.lower() + ":")
        if os.path.lexists(entry):
            os.remove(entry)
        os.symlink(session.host_path(windows_folder), entry)
        cleanup.callback(os.remove, entry)

    return arrange


LONG_MEDIA = "C:\\Media Folder With A Long Name"
SHORT_MEDIA = "C:\\MEDI~1PE"  # the 8.3 name Wine gives it


def _remove_folder(path):
    if os.path.isdir(path):
        make_writable(path)
        shutil.rmtree(path)


def long_media_folder(session, cleanup):
    """The media folder on C:, which the disk's reset does not know."""
    cleanup.callback(_remove_folder, session.host_path(LONG_MEDIA))


def short_name_leads_to_media(session, _cleanup):
    """Were the short name not the media folder's, the run would fail for a
    missing folder and show nothing."""
    test = "if exist %s\\Lindarex.exe (exit 0) else (exit 1)" % SHORT_MEDIA
    if session.wine(["cmd", "/c", test], check=False).returncode != 0:
        raise RuntimeError("%s does not lead to %s in this Wine" % (SHORT_MEDIA, LONG_MEDIA))


def media_named_otherwise(install_folder, media_folder=UPD):
    """The registry names the media folder itself, by another name."""
    text = say.update_failed(LINDAREX, media_folder + "\\Lindarex.exe",
                             install_folder + "\\Lindarex.exe", say.RETRY)
    return Scenario("", media_folder + "\\Lindarex", text, FAILED,
                    registry=[directory(LINDAREX, install_folder)],
                    media=[(media_folder, LINDAREX, True)])


HELP_FOLDERS, HELP_FILES_PER_FOLDER = 15, 100


def large_help_folder(session, _cleanup):
    """1,500 help files in 15 folders: long enough a copy to be killed in."""
    for folder in range(HELP_FOLDERS):
        for number in range(HELP_FILES_PER_FOLDER):
            files.write_file(session, "%s\\capitolo%02d\\pagina%03d.htm" % (MEDIA_HELP, folder, number),
                             (b"<p>Pagina %d</p>" % number) * 600)


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
    # runs elevated under Wine: a refusal even an administrator meets.
    Fault("installation_folder_read_only_mount",
          update(exe_copy_failed("C:\\Lindarex", say.PROTECTED), FAILED), "C:\\Lindarex", "old",
          media_kept=True,
          after_disk=read_only_folder("C:\\Lindarex")),
    Fault("installation_drive_full",
          update(exe_copy_failed("E:\\Lindarex", say.NO_SPACE), FAILED, "E:\\Lindarex"),
          "E:\\Lindarex", "old",
          media_kept=True,
          before_disk=small_drive("E", (OLD_INSTALLATION_PAGES + 2) * PAGE),
          after_disk=too_full_for_new_exe("E")),
    # Every new file is written before anything is replaced: the executable
    # already written goes, and the old one stays.
    Fault("installation_drive_full_during_help",
          update(help_copy_failed("E:\\Lindarex", say.NO_SPACE), FAILED, "E:\\Lindarex"),
          "E:\\Lindarex", "old", media_kept=True,
          before_disk=small_drive("E", (OLD_INSTALLATION_PAGES + NEW_EXE_PAGES + 1) * PAGE),
          after_disk=big_help_file),
    Fault("media_read_only_mount", update(COMPLETED, 0), "C:\\Lindarex", "new", media_kept=True,
          after_disk=media_read_only_mount),
    # Found once the new executable is in place, which then goes back.
    Fault("installed_help_file_held",
          update(help_copy_failed("C:\\Lindarex", IN_USE), FAILED,
                 held_file="C:\\Lindarex\\Guida\\indice.htm"),
          "C:\\Lindarex", "old", media_kept=True),
    # Wine opens a link's target even when asked for the link itself, so the
    # link is never removed there (nor anything through it), and the help
    # folder stays with it; the executable, which goes only once its help
    # folder is gone, stays too. On Windows the link goes as a link.
    Fault("media_help_links_outside", update(COMPLETED, 0), "C:\\Lindarex", "new",
          media_kept=False, after_disk=link_out_of_media_help, watched=[OUTSIDE],
          left_on_media=[MEDIA_EXE]),
    Fault("two_runs_at_once", update(COMPLETED, 0), "C:\\Lindarex", "new", media_kept=False,
          runs=2),
    Fault("media_named_by_second_drive_letter", media_named_otherwise("M:"), "M:", "new",
          media_kept=True, before_disk=drive_letter_for("M", UPD)),
    Fault("media_named_by_short_name", media_named_otherwise(SHORT_MEDIA, LONG_MEDIA), SHORT_MEDIA,
          "absent", media_kept=True, before_disk=long_media_folder,
          after_disk=short_name_leads_to_media, watched=[LONG_MEDIA]),
    Fault("run_killed_while_putting_in_place_then_again", update(COMPLETED, 0), "C:\\Lindarex",
          "new", media_kept=False, after_disk=large_help_folder, killed_part_way=True),
]

BY_NAME = {f.name: f for f in FAULTS}
