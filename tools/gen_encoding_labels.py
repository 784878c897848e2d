#!/usr/bin/env python3
"""Writes src/conversion/encoding_labels.h: every encoding label with the encoding it names.

Reads the label list of the WHATWG Encoding Standard as Debian's python3-webencodings package
carries it (webencodings/labels.py, with the version from webencodings/__init__.py beside it).
Run it from anywhere; with no arguments it reads the installed package and writes the header into
the repository:

    python3 tools/gen_encoding_labels.py [--labels FILE] [--output FILE]

The list says which encoding each label names; what each encoding is read as is decided here,
in READ_BUILT_IN and SYSTEM_CONVERTERS below, one line an encoding. An encoding of the list that
neither names stops the script, so that a newer list cannot slip in an encoding undecided.
"""

import argparse
import ast
import pathlib
import re
import sys

# Encodings read without a system converter, with the Encoding value that reads them.
READ_BUILT_IN = {
    "utf-8": "utf8",
    # The built-in table of decode.cpp, which also serves ISO-8859-1 and US-ASCII as browsers do.
    "windows-1252": "windows1252",
    # ASCII, and bytes 0x80 to 0xFF as U+F780 to U+F7FF: a fixed table.
    "x-user-defined": "xUserDefined",
    # A declaration that reads as single bytes was not written in UTF-16, whatever it says.
    "utf-16be": "utf8",
    "utf-16le": "utf8",
    # Browsers no longer decode these two (the Standard now sends their labels to an encoding
    # that turns a whole document into one U+FFFD): their shift sequences can hide markup. Glibc
    # lacks HZ and Wine lacks both, so no converter would read them alike everywhere; as UTF-8,
    # the ASCII of a feed in either survives.
    "hz-gb-2312": "utf8",
    "iso-2022-kr": "utf8",
}

# Encodings read by the system's converter: the Windows code page for MultiByteToWideChar and
# glibc iconv's name for a converter that gives the same characters for the same bytes.
SYSTEM_CONVERTERS = {
    "ibm866": (866, "CP866"),
    "iso-8859-2": (28592, "ISO-8859-2"),
    "iso-8859-3": (28593, "ISO-8859-3"),
    "iso-8859-4": (28594, "ISO-8859-4"),
    "iso-8859-5": (28595, "ISO-8859-5"),
    "iso-8859-6": (28596, "ISO-8859-6"),
    "iso-8859-7": (28597, "ISO-8859-7"),
    "iso-8859-8": (28598, "ISO-8859-8"),
    # The characters of ISO-8859-8; the "I" only says that the text is stored in logical order.
    # (Windows' own page for it, 38598, decodes alike but Wine lacks it.)
    "iso-8859-8-i": (28598, "ISO-8859-8"),
    "iso-8859-10": (28600, "ISO-8859-10"),
    "iso-8859-13": (28603, "ISO-8859-13"),
    "iso-8859-14": (28604, "ISO-8859-14"),
    "iso-8859-15": (28605, "ISO-8859-15"),
    "iso-8859-16": (28606, "ISO-8859-16"),
    "koi8-r": (20866, "KOI8-R"),
    "koi8-u": (21866, "KOI8-U"),
    "macintosh": (10000, "MACINTOSH"),
    "windows-874": (874, "CP874"),
    "windows-1250": (1250, "CP1250"),
    "windows-1251": (1251, "CP1251"),
    "windows-1253": (1253, "CP1253"),
    "windows-1254": (1254, "CP1254"),
    "windows-1255": (1255, "CP1255"),
    "windows-1256": (1256, "CP1256"),
    "windows-1257": (1257, "CP1257"),
    "windows-1258": (1258, "CP1258"),
    # Mac OS Cyrillic as it has been since Mac OS 9, with the Ukrainian letters; 10007 is older.
    "x-mac-cyrillic": (10017, "MAC-UK"),
    "gbk": (936, "CP936"),
    "gb18030": (54936, "GB18030"),
    "big5": (950, "CP950"),
    "euc-jp": (20932, "EUC-JP"),
    "iso-2022-jp": (50220, "ISO-2022-JP"),
    "shift_jis": (932, "CP932"),
    "euc-kr": (949, "CP949"),
}

DEFAULT_LABELS = pathlib.Path("/usr/lib/python3/dist-packages/webencodings/labels.py")
VERSION = re.compile(r"""^VERSION\s*=\s*['"]([^'"]+)['"]""", re.MULTILINE)


def read_labels(path):
    """The LABELS dictionary of labels.py, label to encoding name, in the file's order."""
    tree = ast.parse(path.read_text(encoding="utf-8"), str(path))
    for statement in tree.body:
        if isinstance(statement, ast.Assign) and any(
            isinstance(target, ast.Name) and target.id == "LABELS" for target in statement.targets
        ):
            return ast.literal_eval(statement.value)
    sys.exit(f"{path}: no LABELS")


def version_of(labels_path):
    init = labels_path.parent / "__init__.py"
    match = VERSION.search(init.read_text(encoding="utf-8")) if init.exists() else None
    if not match:
        sys.exit(f"{init}: no VERSION")
    return match.group(1)


def identifier(name):
    return name.replace("-", "_")


def encoding_line(name):
    if name in READ_BUILT_IN:
        return f'{{"{name}", {READ_BUILT_IN[name]}, {{}}}}'
    page, iconv = SYSTEM_CONVERTERS[name]
    return f'{{"{name}", legacy, {{{page}, "{iconv}"}}}}'


def main():
    repository = pathlib.Path(__file__).resolve().parent.parent
    parser = argparse.ArgumentParser(description=__doc__.split("\n", 1)[0])
    parser.add_argument("--labels", type=pathlib.Path, default=DEFAULT_LABELS,
                        help="webencodings' labels.py (default: %(default)s)")
    parser.add_argument("--output", type=pathlib.Path,
                        default=repository / "src" / "conversion" / "encoding_labels.h",
                        help="header to write (default: src/conversion/encoding_labels.h)")
    args = parser.parse_args()

    labels = read_labels(args.labels)
    version = version_of(args.labels)
    names = list(dict.fromkeys(labels.values()))
    undecided = [name for name in names
                 if name not in READ_BUILT_IN and name not in SYSTEM_CONVERTERS]
    if undecided:
        sys.exit(f"{args.labels}: no decision for {', '.join(undecided)}: add each to "
                 "READ_BUILT_IN or SYSTEM_CONVERTERS")
    for label in labels:
        if label != label.lower() or not label.isascii() or '"' in label or "\\" in label:
            sys.exit(f"{args.labels}: the label {label!r} is not plain lower-case ASCII")

    width = max(len(identifier(name)) for name in names)
    encodings = "\n".join(
        f"inline constexpr NamedEncoding {identifier(name) + ' ' * (width - len(identifier(name)))}"
        f"{encoding_line(name)};"
        for name in names
    )
    # Sorted bytewise, as std::string_view compares, for a binary search.
    rows = "\n".join(
        f'    {{"{label}", &{identifier(labels[label])}}},'
        for label in sorted(labels, key=lambda label: label.encode("ascii"))
    )

    header = f"""\
// Every encoding label, with the encoding it names and what that encoding is read as.
//
// Generated by tools/gen_encoding_labels.py from the label list of the WHATWG Encoding Standard
// that python3-webencodings {version} carries ({len(labels)} labels of {len(names)} encodings). Do not edit:
// change the script and rerun it from the repository root,
//
//     python3 tools/gen_encoding_labels.py
//
// (it reads {DEFAULT_LABELS}; --labels names another).
//
// A legacy encoding names its Windows code page and glibc iconv's name for the same characters.
#pragma once

#include "decode.h"

namespace lorvex::encoding_labels {{

using enum Encoding;

// clang-format off
{encodings}

inline constexpr EncodingLabel labels[] = {{
{rows}
}};
// clang-format on

}}  // namespace lorvex::encoding_labels
"""
    args.output.write_text(header, encoding="utf-8")
    print(f"{args.output}: webencodings {version}, {len(labels)} labels of {len(names)} encodings")


if __name__ == "__main__":
    main()
