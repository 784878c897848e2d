#!/usr/bin/env python3
"""Writes src/conversion/encoding_labels.h: every encoding label with the encoding it names.

Reads the label list of the WHATWG Encoding Standard as Debian's python3-webencodings package
carries it (webencodings/labels.py, with the version from webencodings/__init__.py beside it).
Run it from anywhere; with no arguments it reads the installed package and writes the header into
the repository:

    python3 tools/gen_encoding_labels.py [--labels FILE] [--output FILE]

The list says which encoding each label names; what each encoding is read as is decided here,
in READ_BUILT_IN, SINGLE_BYTE and SYSTEM_CONVERTERS below, one line an encoding. An encoding of
the list that none names stops the script, so that a newer list cannot slip in an encoding
undecided.

A single-byte encoding is read through a table of its 128 upper bytes, taken from the codecs of
the Python that runs the script (each mapping file of Unicode's, as Python carries it): every
platform then reads it alike, whatever its own converter's tables say, and a byte the encoding
leaves unassigned is U+FFFD.
"""

import argparse
import ast
import codecs
import pathlib
import re
import sys

# Encodings read without a system converter, with the Encoding value that reads them.
READ_BUILT_IN = {
    "utf-8": "utf8",
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

# Single-byte encodings, with the Python codec whose table they are read through.
SINGLE_BYTE = {
    "ibm866": "cp866",
    "iso-8859-2": "iso8859_2",
    "iso-8859-3": "iso8859_3",
    "iso-8859-4": "iso8859_4",
    "iso-8859-5": "iso8859_5",
    "iso-8859-6": "iso8859_6",
    "iso-8859-7": "iso8859_7",
    "iso-8859-8": "iso8859_8",
    # The characters of ISO-8859-8; the "I" only says that the text is stored in logical order.
    "iso-8859-8-i": "iso8859_8",
    "iso-8859-10": "iso8859_10",
    "iso-8859-13": "iso8859_13",
    "iso-8859-14": "iso8859_14",
    "iso-8859-15": "iso8859_15",
    "iso-8859-16": "iso8859_16",
    "koi8-r": "koi8_r",
    "koi8-u": "koi8_u",
    "macintosh": "mac_roman",
    "windows-874": "cp874",
    "windows-1250": "cp1250",
    "windows-1251": "cp1251",
    # Also what ISO-8859-1 and US-ASCII labels mean, as browsers read them; the five bytes it
    # leaves unassigned keep their C1 controls, as browsers keep them (see upper_half).
    "windows-1252": "cp1252",
    "windows-1253": "cp1253",
    "windows-1254": "cp1254",
    "windows-1255": "cp1255",
    "windows-1256": "cp1256",
    "windows-1257": "cp1257",
    "windows-1258": "cp1258",
    # Mac OS Cyrillic as it has been since Mac OS 9, with the Ukrainian letters.
    "x-mac-cyrillic": "mac_cyrillic",
    # ASCII, and bytes 0x80 to 0xFF as U+F780 to U+F7FF: no codec, a rule (see upper_half).
    "x-user-defined": None,
}

# Multi-byte encodings, read by the system's converter: the Windows code page for
# MultiByteToWideChar and glibc iconv's name for a converter that gives the same characters for
# the same bytes.
SYSTEM_CONVERTERS = {
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


def upper_half(name):
    """The characters of bytes 0x80 to 0xFF of a single-byte encoding."""
    codec = SINGLE_BYTE[name]
    if codec is None:
        return [0xF780 + byte - 0x80 for byte in range(0x80, 0x100)]
    units = []
    for byte in range(0x80, 0x100):
        try:
            text = bytes([byte]).decode(codec)
        except UnicodeDecodeError:
            text = chr(byte) if name == "windows-1252" else "\uFFFD"
        if len(text) != 1 or ord(text) > 0xFFFF or ord(text) < 0x80:
            sys.exit(f"{codec}: byte {byte:#x} is not one character beyond ASCII")
        units.append(ord(text))
    if any(bytes([byte]).decode(codec) != chr(byte) for byte in range(0x80)):
        sys.exit(f"{codec}: does not read ASCII as ASCII")
    return units


def table_owners(names):
    """For each single-byte encoding, the first encoding with the same upper half: its table."""
    first = {}
    return {name: first.setdefault(tuple(upper_half(name)), name)
            for name in names if name in SINGLE_BYTE}


def table_lines(name):
    units = upper_half(name)
    rows = [", ".join(f"0x{unit:04X}" for unit in units[at:at + 8]) for at in range(0, 128, 8)]
    body = ",\n    ".join(rows)
    return (f"inline constexpr std::array<char16_t, 128> upper_{identifier(name)}{{\n"
            f"    {body},\n}};")


def encoding_line(name, owners):
    if name in READ_BUILT_IN:
        return f'{{"{name}", {READ_BUILT_IN[name]}, {{}}, nullptr}}'
    if name in SINGLE_BYTE:
        return f'{{"{name}", singleByte, {{}}, &upper_{identifier(owners[name])}}}'
    page, iconv = SYSTEM_CONVERTERS[name]
    return f'{{"{name}", legacy, {{{page}, "{iconv}"}}, nullptr}}'


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
    decided = {**READ_BUILT_IN, **SINGLE_BYTE, **SYSTEM_CONVERTERS}
    undecided = [name for name in names if name not in decided]
    if undecided:
        sys.exit(f"{args.labels}: no decision for {', '.join(undecided)}: add each to "
                 "READ_BUILT_IN, SINGLE_BYTE or SYSTEM_CONVERTERS")
    for label in labels:
        if label != label.lower() or not label.isascii() or '"' in label or "\\" in label:
            sys.exit(f"{args.labels}: the label {label!r} is not plain lower-case ASCII")

    owners = table_owners(names)  # equal upper halves share a table: iso-8859-8 and -8-i
    tables = "\n".join(table_lines(name) for name, owner in owners.items() if name == owner)
    width = max(len(identifier(name)) for name in names)
    encodings = "\n".join(
        f"inline constexpr NamedEncoding {identifier(name) + ' ' * (width - len(identifier(name)))}"
        f"{encoding_line(name, owners)};"
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
// A single-byte encoding is read through the table of its upper half, from the codecs of Python
// {sys.version_info.major}.{sys.version_info.minor}; a multi-byte one names its Windows code page and glibc iconv's name for the
// same characters.
#pragma once

#include <array>

#include "decode.h"

namespace lorvex::encoding_labels {{

using enum Encoding;

// clang-format off
{tables}

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
