#!/usr/bin/env python3
"""Converts a feed with Lorvex's ConvertFile through ctypes, then prints the records.

Usage: convert_with_ctypes.py LIBRARY FEED OUTPUT
  e.g. python3 examples/convert_with_ctypes.py build/release/libLorvex.so.1 \\
           examples/sample.xml build/sample.rec
On Windows, LIBRARY is Lorvex.dll.
"""
import ctypes
import os
import sys

RECORD_BYTES = 1100  # 550 UTF-16LE characters
FIELDS = ((0, 200), (200, 300), (300, 1100))  # the bytes of the title, the date and the summary
WINDOWS = os.name == "nt"


def load_convert_file(library):
    # errno on POSIX, the thread's last error on Windows: ctypes saves it right after the call.
    try:
        lorvex = ctypes.CDLL(library, use_errno=True, use_last_error=True)
        convert_file = lorvex.ConvertFile
    except (OSError, AttributeError) as error:
        sys.exit(f"cannot load ConvertFile from {library!r}: {error}")
    # int ConvertFile(const lorvex_char*, const lorvex_char*): wchar_t on Windows, char16_t
    # elsewhere, where ctypes has no 16-bit string type and the path goes as bytes.
    path_type = ctypes.c_wchar_p if WINDOWS else ctypes.c_char_p
    convert_file.argtypes = (path_type, path_type)
    convert_file.restype = ctypes.c_int
    return convert_file


def native_path(path):
    if WINDOWS:
        return path
    # Zero-terminated UTF-16 in the machine's own byte order.
    return path.encode("utf-16-le" if sys.byteorder == "little" else "utf-16-be") + b"\0\0"


def read_records(path):
    with open(path, "rb") as records:
        while record := records.read(RECORD_BYTES):
            # A field cut between the two halves of a surrogate pair ends in U+FFFD here.
            yield [record[a:b].decode("utf-16-le", "replace").rstrip(" ") for a, b in FIELDS]


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    library, feed, output = sys.argv[1:]
    convert_file = load_convert_file(library)
    count = convert_file(native_path(feed), native_path(output))
    if count < 0:
        if WINDOWS:
            reason = ctypes.FormatError(ctypes.get_last_error())
        else:
            reason = os.strerror(ctypes.get_errno())
        sys.exit(f"cannot convert {feed!r} to {output!r}: {reason}")
    for title, date, summary in read_records(output):
        print(f"{title}\t{date}\t{summary}")


if __name__ == "__main__":
    try:
        main()
    except BrokenPipeError:
        # The reader of the records has gone (a pipe into head): stop quietly, as the lorvex tool
        # does, with status 1. Standard output goes to devnull so that Python's own flush at exit
        # does not fail on the closed pipe again.
        os.dup2(os.open(os.devnull, os.O_WRONLY), sys.stdout.fileno())
        sys.exit(1)
