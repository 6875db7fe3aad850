"""File systems mounted by the fault runs: read-only folders and small drives
that fill up. The runs are made as root, where Unix permissions stop nothing,
so a folder that really refuses writing is a read-only mount.

Every mount is made below a session's state folder, so that whatever an
interrupted run left mounted is found there and undone before the folder is
removed."""

import os
import subprocess


class MountRefused(RuntimeError):
    pass


def _mount(args):
    done = subprocess.run(["mount"] + args, stdin=subprocess.DEVNULL, capture_output=True,
                          text=True)
    if done.returncode != 0:
        raise MountRefused("mount %s: %s" % (" ".join(args), done.stderr.strip()))


def bind_read_only(path):
    """Makes the folder read-only in place; undone by unmount(path)."""
    _mount(["--bind", path, path])
    try:
        _mount(["-o", "remount,bind,ro", path, path])
    except MountRefused:
        unmount(path)
        raise


def small_drive(path, size_bytes):
    """An empty tmpfs of the given size (whole pages) at path."""
    os.makedirs(path, exist_ok=True)
    _mount(["-t", "tmpfs", "-o", "size=%d,mode=0755" % size_bytes, "quadrivo-fault", path])


def free_bytes(path):
    stats = os.statvfs(path)
    return stats.f_bavail * stats.f_frsize


def unmount(path):
    subprocess.run(["umount", path], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, check=False)


def mounted_below(root):
    """Mount points below root, deepest first, as the kernel lists them."""
    root = os.path.realpath(root)
    found = []
    with open("/proc/self/mounts") as f:
        for line in f:
            point = line.split()[1].replace("\\040", " ")
            if point == root or point.startswith(root + os.sep):
                found.append(point)
    return sorted(found, key=len, reverse=True)


def unmount_all_below(root):
    """Undoes every mount below root, stacked ones too; the mount points left."""
    left = []
    for _ in range(8):
        left = mounted_below(root)
        if not left:
            return []
        for point in left:
            unmount(point)
    return mounted_below(root)
