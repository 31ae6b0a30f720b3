"""Writes a zip archive that comes out the same from one build to the next:
the members in the order given, each under its file name, dated EPOCH
(seconds since 1970, UTC: the build's date, tools/build_date.py, which is
never before 1980, the earliest zip holds), with the mode rw-r--r-- and no
extra fields (no owner, no access time).

usage: make_zip.py EPOCH OUTPUT FILE...
"""

import os
import sys
import time
import zipfile


def main(epoch, output, files):
    date = time.gmtime(int(epoch))[:6]
    with zipfile.ZipFile(output, "w") as archive:
        for path in files:
            member = zipfile.ZipInfo(os.path.basename(path), date)
            member.external_attr = 0o100644 << 16
            member.compress_type = zipfile.ZIP_DEFLATED
            with open(path, "rb") as source:
                archive.writestr(member, source.read())


if __name__ == "__main__":
    if len(sys.argv) < 4 or not sys.argv[1].isdigit():
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2], sys.argv[3:])
