#!/usr/bin/env python3
"""Packs the Windows zip so that every build of one commit gives the same bytes.

  pack-zip.py EPOCH OUT.zip FILE...

packs the FILEs, under their own names and in the order given, into OUT.zip.
Every entry carries the time EPOCH (seconds since 1970, in UTC; an empty
EPOCH means the start of 1980, the earliest a zip can hold) and the same
attributes, and nothing of the machine, the user or the moment of the build.
"""

import os
import sys
import time
import zipfile

EARLIEST_ZIP_TIME = 315532800  # 1980-01-01 00:00:00 UTC


def pack(epoch, out, files):
    # Zip times are calendar fields without a time zone: UTC, so that the
    # builder's zone does not matter.
    stamp = time.gmtime(max(epoch, EARLIEST_ZIP_TIME))[:6]
    partial = out + ".partial"
    with zipfile.ZipFile(partial, "w") as archive:
        for path in files:
            entry = zipfile.ZipInfo(os.path.basename(path), date_time=stamp)
            entry.compress_type = zipfile.ZIP_DEFLATED
            entry.create_system = 3  # Unix, for the permission bits below
            entry.external_attr = 0o100644 << 16
            with open(path, "rb") as f:
                archive.writestr(entry, f.read(), compresslevel=9)
    os.replace(partial, out)


def main(argv):
    if len(argv) < 4 or not (argv[1] == "" or argv[1].isdigit()):
        sys.exit(__doc__)
    pack(int(argv[1] or 0), argv[2], argv[3:])


if __name__ == "__main__":
    main(sys.argv)
