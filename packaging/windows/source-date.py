#!/usr/bin/env python3
"""Gives every build of one commit the same Vantrel.exe and the same zip.

  source-date.py SOURCE_DIR run COMMAND...
      runs COMMAND (the link of Vantrel.exe) with SOURCE_DATE_EPOCH set, which
      the linker writes into the program's header as its time stamp
  source-date.py SOURCE_DIR zip OUT.zip FILE...
      packs the FILEs, under their own names and in the order given, into
      OUT.zip, each entry with that time and the same attributes

The time is SOURCE_DATE_EPOCH when it is set, else the time of the last
commit of SOURCE_DIR, else the start of 1980, the earliest a zip can hold.
Nothing of the machine or the moment of the build gets into the output.
"""

import os
import subprocess
import sys
import time
import zipfile

EARLIEST_ZIP_TIME = 315532800  # 1980-01-01 00:00:00 UTC


def source_date(source_dir):
    if os.environ.get("SOURCE_DATE_EPOCH", "").strip():
        return int(os.environ["SOURCE_DATE_EPOCH"])
    try:
        last_commit = subprocess.run(
            ["git", "-C", source_dir, "log", "-1", "--format=%ct"],
            capture_output=True, text=True, check=True).stdout.strip()
        return int(last_commit)
    except (OSError, subprocess.CalledProcessError, ValueError):
        return EARLIEST_ZIP_TIME


def run(epoch, command):
    env = dict(os.environ, SOURCE_DATE_EPOCH=str(epoch))
    os.execvpe(command[0], command, env)


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
    if len(argv) < 4 or argv[2] not in ("run", "zip") or (argv[2] == "zip" and len(argv) < 5):
        sys.exit(__doc__)
    epoch = source_date(argv[1])
    if argv[2] == "run":
        run(epoch, argv[3:])
    else:
        pack(epoch, argv[3], argv[4:])


if __name__ == "__main__":
    main(sys.argv)
