"""The update media and the older installation the benchmark's runs work on:
a Lindarex installation with its help folder, and an update disc whose help
folder holds the same names with other bytes, so that every file is a
replacement."""

import os
import random
import shutil

from wine_session import make_writable

INSTALL_FOLDER = "C:\\Lindarex"
MEDIA_FOLDER = "D:\\Upd"
PROGRAM = "Lindarex"
MEDIA_HELP = MEDIA_FOLDER + "\\GuidaLindarex"
INSTALLED_HELP = INSTALL_FOLDER + "\\Guida"

CHAPTERS = 4
DEPTH = 5  # each chapter holds its parts nested one inside the other
FOLDERS = CHAPTERS * DEPTH


class Workload:
    """files help files of about file_size bytes, spread evenly over twenty
    folders nested five deep."""

    def __init__(self, files, file_size):
        self.files = files
        self.file_size = file_size
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

    def write_tree(self, root, pool, size):
        for index, relative in enumerate(self.relative_paths()):
            path = os.path.join(root, relative)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as f:
                f.write(self._content(pool, index, size + index % 512))

    def lay_out(self, session):
        """Removes whatever an earlier run left, then writes the older
        installation and the new media afresh."""
        for windows_path in (INSTALL_FOLDER, MEDIA_FOLDER):
            remove_tree(session.host_path(windows_path))
        install = session.host_path(INSTALL_FOLDER)
        media = session.host_path(MEDIA_FOLDER)
        os.makedirs(install)
        os.makedirs(media)
        with open(os.path.join(install, PROGRAM + ".exe"), "wb") as f:
            f.write(b"MZ Lindarex 1.0\r\n" + self.old_bytes[:65536])
        with open(os.path.join(media, PROGRAM + ".exe"), "wb") as f:
            f.write(b"MZ Lindarex 2.0\r\n" + self.new_bytes[:98304])
        # The older copies differ in size as well as in bytes, so that no
        # copy can pass for done by its size alone.
        self.write_tree(session.host_path(INSTALLED_HELP), self.old_bytes, self.file_size * 9 // 10)
        self.write_tree(session.host_path(MEDIA_HELP), self.new_bytes, self.file_size)
        os.sync()  # the write-back of the new files must not fall into a timed run

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
