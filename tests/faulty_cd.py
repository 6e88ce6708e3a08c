#!/usr/bin/python3
"""A catalog CD with faults: serves FOLDER read-only at MOUNTPOINT through FUSE, with
reads of chosen files failing part-way, ending early or slowed down, as a scratched or
slow disc behaves. Runs until unmounted (fusermount -u MOUNTPOINT).

  faulty_cd.py FOLDER MOUNTPOINT [--fail-reads NAME:BYTES]... [--end-early NAME:BYTES]...
                                 [--slow-reads NAME:SECONDS]... [--slow-all SECONDS]
                                 [--fail-listing NAME:ERRNO]...
                                 [--slow-listing NAME:SECONDS]... [--listing-mark FILE]
                                 [--seek SECONDS] [--rate BYTES_PER_SECOND]

--fail-reads: reads of files called NAME (any folder) give their first BYTES bytes,
then fail with EIO. --end-early: they give their first BYTES bytes, then the end of
the file, without an error, while the file's size stays what it is. --slow-reads:
each read of files called NAME waits SECONDS first; --slow-all: each read of any
file does. --fail-listing: folders called NAME
cannot be listed: opening them fails with ERRNO (EACCES, EIO). --slow-listing: opening
folders called NAME waits SECONDS first, once --listing-mark's FILE is made, so that a
test knows the program is inside that listing. --seek and --rate make a drive's pace:
opening a file waits SECONDS (the head moving to it), and each read waits as long as
its bytes take at that rate.
"""
import argparse
import errno
import os
import sys
import time

from fusepy import FUSE, FuseOSError, Operations


class FaultyCd(Operations):
    def __init__(self, root, failing, ending, slow, unlistable, slow_all, slow_listing=None, listing_mark=None,
                 seek=0, rate=0):
        self.seek = seek
        self.rate = rate
        self.slow_listing = slow_listing or {}
        self.listing_mark = listing_mark
        self.slow_all = slow_all
        self.unlistable = unlistable
        self.root = root
        self.failing = failing
        self.ending = ending
        self.slow = slow

    def _real(self, path):
        return os.path.join(self.root, path.lstrip('/'))

    def getattr(self, path, fh=None):
        status = os.lstat(self._real(path))
        return {key: getattr(status, key) for key in (
            'st_mode', 'st_nlink', 'st_size', 'st_uid', 'st_gid', 'st_atime', 'st_mtime', 'st_ctime')}

    def opendir(self, path):
        name = os.path.basename(path)
        if name in self.unlistable:
            raise FuseOSError(self.unlistable[name])
        if name in self.slow_listing:
            if self.listing_mark:
                with open(self.listing_mark, 'a') as mark:
                    mark.write(path + '\n')
            time.sleep(self.slow_listing[name])
        return 0

    def readdir(self, path, fh):
        return ['.', '..'] + sorted(os.listdir(self._real(path)))

    def readlink(self, path):
        return os.readlink(self._real(path))

    def open(self, path, flags):
        if flags & (os.O_WRONLY | os.O_RDWR):
            raise FuseOSError(errno.EROFS)
        if self.seek:
            time.sleep(self.seek)
        return os.open(self._real(path), os.O_RDONLY)

    def read(self, path, size, offset, fh):
        name = os.path.basename(path)
        if name in self.slow or self.slow_all:
            time.sleep(self.slow.get(name, self.slow_all))
        if name in self.failing:
            good = self.failing[name]
            if offset >= good:
                raise FuseOSError(errno.EIO)
            size = min(size, good - offset)
        if name in self.ending:
            size = max(0, min(size, self.ending[name] - offset))
        data = os.pread(fh, size, offset)
        if self.rate:
            time.sleep(len(data) / self.rate)
        return data

    def release(self, path, fh):
        os.close(fh)

    def statfs(self, path):
        status = os.statvfs(self._real(path))
        return {key: getattr(status, key) for key in (
            'f_bsize', 'f_frsize', 'f_blocks', 'f_bfree', 'f_bavail', 'f_files', 'f_ffree', 'f_namemax')}


def pairs(values, convert):
    result = {}
    for value in values:
        name, _, number = value.rpartition(':')
        result[name] = convert(number)
    return result


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('folder')
    parser.add_argument('mountpoint')
    parser.add_argument('--fail-reads', action='append', default=[], metavar='NAME:BYTES')
    parser.add_argument('--end-early', action='append', default=[], metavar='NAME:BYTES')
    parser.add_argument('--slow-reads', action='append', default=[], metavar='NAME:SECONDS')
    parser.add_argument('--fail-listing', action='append', default=[], metavar='NAME:ERRNO')
    parser.add_argument('--slow-all', type=float, default=0, metavar='SECONDS')
    parser.add_argument('--slow-listing', action='append', default=[], metavar='NAME:SECONDS')
    parser.add_argument('--listing-mark', metavar='FILE')
    parser.add_argument('--seek', type=float, default=0, metavar='SECONDS')
    parser.add_argument('--rate', type=float, default=0, metavar='BYTES_PER_SECOND')
    options = parser.parse_args()
    cd = FaultyCd(os.path.realpath(options.folder), pairs(options.fail_reads, int), pairs(options.end_early, int),
                  pairs(options.slow_reads, float), pairs(options.fail_listing, lambda code: getattr(errno, code)),
                  options.slow_all, pairs(options.slow_listing, float), options.listing_mark,
                  options.seek, options.rate)
    # direct_io: every read reaches us, none is answered from the page cache.
    FUSE(cd, options.mountpoint, foreground=True, ro=True, nothreads=True, direct_io=True, default_permissions=True)


if __name__ == '__main__':
    sys.exit(main())
