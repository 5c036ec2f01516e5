#!/usr/bin/env python3
"""Makes an msi's summary information depend on its input only.

wixl gives each package a fresh package code (the revision number) and the current time; this
writes the package code and the time given instead, in place, so that one input always gives the
same bytes. Usage: msi_summary.py PACKAGE.msi {PACKAGE-CODE} SECONDS-SINCE-1970
"""
import struct
import sys

import olefile

REVISION_NUMBER, CREATED, LAST_SAVED = 9, 12, 13
VT_LPSTR, VT_FILETIME = 30, 64
STREAM = "\x05SummaryInformation"


def main(path, package_code, epoch):
    code = package_code.upper().encode("ascii") + b"\0"
    filetime = struct.pack("<Q", (int(epoch) + 11644473600) * 10_000_000)
    with olefile.OleFileIO(path, write_mode=True) as package:
        data = bytearray(package.openstream(STREAM).read())
        # One property set: its section's offset follows the 28-byte header and its format id.
        (section,) = struct.unpack_from("<I", data, 28 + 16)
        (count,) = struct.unpack_from("<I", data, section + 4)
        found = set()
        for i in range(count):
            pid, offset = struct.unpack_from("<II", data, section + 8 + 8 * i)
            at = section + offset
            (kind,) = struct.unpack_from("<I", data, at)
            if pid == REVISION_NUMBER and kind == VT_LPSTR:
                (size,) = struct.unpack_from("<I", data, at + 4)
                if size != len(code):
                    sys.exit(f"{path}: revision number of {size} bytes, not a package code")
                data[at + 8 : at + 8 + size] = code
            elif pid in (CREATED, LAST_SAVED) and kind == VT_FILETIME:
                data[at + 4 : at + 12] = filetime
            else:
                continue
            found.add(pid)
        if found != {REVISION_NUMBER, CREATED, LAST_SAVED}:
            sys.exit(f"{path}: summary information lacks {sorted({9, 12, 13} - found)}")
        package.write_stream(STREAM, bytes(data))


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    main(*sys.argv[1:])
