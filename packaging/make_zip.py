#!/usr/bin/python3
"""make_zip.py ZIP EPOCH FILE...: writes the files (by their base names, in the order given) into
ZIP so that the same files always give the same bytes: every entry carries the time EPOCH (UTC),
plain attributes of a Windows file and no extra fields."""
import os
import sys
import time
import zipfile

# FILE_ATTRIBUTE_ARCHIVE, as files written on Windows carry it.
WINDOWS_ARCHIVE_ATTRIBUTE = 0x20
MSDOS_SYSTEM = 0


def entry(name, epoch):
    info = zipfile.ZipInfo(name, date_time=time.gmtime(epoch)[:6])
    info.create_system = MSDOS_SYSTEM
    info.external_attr = WINDOWS_ARCHIVE_ATTRIBUTE
    info.compress_type = zipfile.ZIP_DEFLATED
    return info


def main(argv):
    if len(argv) < 4:
        sys.exit(__doc__)
    target, epoch, files = argv[1], int(argv[2]), argv[3:]
    # A zip cannot hold times before 1980.
    epoch = max(epoch, 315532800)
    partial = target + ".part"
    with zipfile.ZipFile(partial, "w") as archive:
        for path in files:
            with open(path, "rb") as source:
                archive.writestr(entry(os.path.basename(path), epoch), source.read(), compresslevel=9)
    os.replace(partial, target)


if __name__ == "__main__":
    main(sys.argv)
