"""The update media and the older installation the benchmark's runs work on:
a Lindarex installation with its help folder, and an update disc whose help
folder holds the same names. In the full workload every installed file is an
older version (other bytes, another size, a last-write time two days older),
so that every file is a replacement; in the incremental one most installed
files are already the media's (same bytes, size and time), as after an
update that stopped half-way or one that changed few help pages."""

import os
import random
import shutil
import stat
import time

from wine_session import make_writable

INSTALL_FOLDER = "C:\\Lindarex"
MEDIA_FOLDER = "D:\\Upd"
PROGRAM = "Lindarex"
MEDIA_HELP = MEDIA_FOLDER + "\\GuidaLindarex"
INSTALLED_HELP = INSTALL_FOLDER + "\\Guida"
MEDIA_EXECUTABLE = MEDIA_FOLDER + "\\" + PROGRAM + ".exe"
INSTALLED_EXECUTABLE = INSTALL_FOLDER + "\\" + PROGRAM + ".exe"

CHAPTERS = 4
DEPTH = 5  # each chapter holds its parts nested one inside the other
FOLDERS = CHAPTERS * DEPTH
TWO_DAYS_NS = 2 * 86400 * 10**9


class Workload:
    """files help files of about file_size bytes, spread evenly over twenty
    folders nested five deep. With changed_every=N only every Nth installed
    help file is older; the others are the media's already."""

    def __init__(self, files, file_size, changed_every=1):
        self.files = files
        self.file_size = file_size
        self.changed_every = changed_every
        rng = random.Random(files * 1000003 + file_size)
        pool_size = max(1 << 20, 4 * file_size)
        self.new_bytes = rng.randbytes(pool_size)
        self.old_bytes = rng.randbytes(pool_size)

    def relative_paths(self):
        """The help files, as paths below the help folder (host separators)."""
        folders = []
        for chapter in range(CHAPTERS):
            path = "capitolo%02d" % chapter
            for part in range(DEPTH):
                folders.append(path)
                path = os.path.join(path, "parte%d" % (part + 1))
        return [os.path.join(folders[i % FOLDERS], "pagina%05d.htm" % i)
                for i in range(self.files)]

    def _content(self, pool, index, size):
        start = (index * 7919) % (len(pool) - size)
        return pool[start:start + size]

    def changed(self, index):
        return index % self.changed_every == 0

    def write_tree(self, root, installed, media_time_ns):
        """The media's tree (installed False) or the installed one, every file
        with its last-write time."""
        for index, relative in enumerate(self.relative_paths()):
            path = os.path.join(root, relative)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            older = installed and self.changed(index)
            pool = self.old_bytes if older else self.new_bytes
            size = self.file_size * 9 // 10 if older else self.file_size
            with open(path, "wb") as f:
                f.write(self._content(pool, index, size + index % 512))
            written = media_time_ns - TWO_DAYS_NS if older else media_time_ns
            os.utime(path, ns=(written, written))

    def lay_out(self, session, media_read_only=False):
        """Removes whatever an earlier run left, then writes the older
        installation and the new media afresh. With media_read_only, the
        media's help files are read-only, so that the update leaves them."""
        for windows_path in (INSTALL_FOLDER, MEDIA_FOLDER):
            remove_tree(session.host_path(windows_path))
        install = session.host_path(INSTALL_FOLDER)
        media = session.host_path(MEDIA_FOLDER)
        os.makedirs(install)
        os.makedirs(media)
        with open(os.path.join(install, PROGRAM + ".exe"), "wb") as f:
            f.write(b"MZ Lindarex 1.0\r\n" + self.old_bytes[:65536])
        with open(os.path.join(media, PROGRAM + ".exe"), "wb") as f:
            f.write(self.new_executable())
        # The older copies differ in size and time as well as in bytes, so
        # that no copy can pass for done by its stamp. Whole seconds, so that
        # every file system keeps the time exactly.
        media_time_ns = (int(time.time()) - 3600) * 10**9
        self.write_tree(session.host_path(INSTALLED_HELP), True, media_time_ns)
        self.write_tree(session.host_path(MEDIA_HELP), False, media_time_ns)
        if media_read_only:
            for folder, _, names in os.walk(session.host_path(MEDIA_HELP)):
                for name in names:
                    os.chmod(os.path.join(folder, name), stat.S_IRUSR | stat.S_IRGRP | stat.S_IROTH)
        os.sync()  # the write-back of the new files must not fall into a timed run

    def new_executable(self):
        return b"MZ Lindarex 2.0\r\n" + self.new_bytes[:98304]

    def installed_executable_is_new(self, session):
        path = session.host_path(INSTALLED_EXECUTABLE)
        return os.path.isfile(path) and open(path, "rb").read() == self.new_executable()

    def media_files_gone(self, session):
        """Neither the media's help folder nor its executable is left."""
        return not any(os.path.lexists(session.host_path(p)) for p in (MEDIA_HELP, MEDIA_EXECUTABLE))

    def installed_matches_media(self, session):
        """True when every installed help file holds the media's bytes."""
        installed = session.host_path(INSTALLED_HELP)
        for index, relative in enumerate(self.relative_paths()):
            expected = self._content(self.new_bytes, index, self.file_size + index % 512)
            try:
                with open(os.path.join(installed, relative), "rb") as f:
                    if f.read() != expected:
                        return False
            except OSError:
                return False
        return True


def remove_tree(path):
    if os.path.isdir(path):
        make_writable(path)
        shutil.rmtree(path)
