#!/usr/bin/env python3
"""Writes src/conversion/encoding_labels.h: every encoding label with the encoding it names.

The labels come from three lists that Debian packages, in this order, and the first list that
has a label decides what it names:

1. the label list of the WHATWG Encoding Standard as python3-webencodings carries it
   (webencodings/labels.py, with the version from webencodings/__init__.py beside it): every
   label there means what browsers read it as, so `iso-8859-1` is windows-1252;
2. the names and aliases of glibc's iconv (libc6's gconv-modules files), which hold the IANA
   character-set registry's names and aliases (`IBM437`, `csPC8CodePage437`, `ISO_8859-15:1998`)
   and the spellings in common use (`CP932`, `MS936`, `WINDOWS-31J`, `KOI8R`, `EUC-CN`,
   `LATIN9`, ...);
3. the codec names and aliases of the Python that runs the script (encodings.aliases), each
   with '_' and with '-' between its words, since Python's lookup takes either (`mac_greek`,
   `mac-greek`, `euc-cn`).

MORE_LABELS adds the few spellings that none of them carries (`x-euc-tw`, `x-mac-greek`, ...).
GLIBC_ENCODINGS and PYTHON_CODECS say which of our encodings each name of the last two lists
is; a name of an encoding they leave out (EBCDIC, UTF-16, ISO-2022-CN, ...) is no label, and is
read as UTF-8 as any unknown label is; so are UTF-8's own other names, which that reads alike. Run it from anywhere; with no arguments it reads the
installed lists and writes the header into the repository:

    python3 tools/gen_encoding_labels.py [--labels FILE] [--gconv DIR] [--output FILE]

What each encoding is read as is decided here, in READ_BUILT_IN, SINGLE_BYTE and
SYSTEM_CONVERTERS below, one line an encoding. An encoding of WHATWG's list that none names
stops the script, so that a newer list cannot slip in an encoding undecided.

A single-byte encoding is read through a table of its 128 upper bytes, taken from the codecs of
the Python that runs the script (each mapping file of Unicode's, as Python carries it): every
platform then reads it alike, whatever its own converter's tables say, and a byte the encoding
leaves unassigned is U+FFFD.
"""

import argparse
import ast
import codecs
import encodings.aliases
import pathlib
import platform
import re
import sys

# Encodings read without a system converter, with the Encoding value that reads them.
READ_BUILT_IN = {
    "utf-8": "utf8",
    # A declaration that reads as single bytes was not written in UTF-16, whatever it says.
    "utf-16be": "utf8",
    "utf-16le": "utf8",
    # Browsers do not decode these two (the Encoding Standard sends their labels to an encoding
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
    # The DOS code pages that feeds declare. IBM864 reads 0x25 as ARABIC PERCENT SIGN; it is '%'
    # here, as in every other table, for the lower half is ASCII (see ASCII_KEPT).
    "ibm437": "cp437",
    "ibm850": "cp850",
    "ibm852": "cp852",
    "ibm855": "cp855",
    "ibm857": "cp857",
    "ibm860": "cp860",
    "ibm861": "cp861",
    "ibm862": "cp862",
    "ibm863": "cp863",
    "ibm864": "cp864",
    "ibm865": "cp865",
    "ibm869": "cp869",
    # The Mac OS code pages beside macintosh and x-mac-cyrillic. Mac Arabic and Mac Farsi are left
    # out: they put ASCII punctuation, '<' among it, on high bytes.
    "x-mac-ce": "mac_latin2",
    "x-mac-croatian": "mac_croatian",
    "x-mac-greek": "mac_greek",
    "x-mac-icelandic": "mac_iceland",
    "x-mac-romanian": "mac_romanian",
    "x-mac-turkish": "mac_turkish",
}

# Codecs whose lower half is ASCII but for a byte or two that this table keeps ASCII all the same:
# every tag and the declaration itself are ASCII.
ASCII_KEPT = {"cp864"}

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
    # Windows names the code page but has no converter for it; glibc has one.
    "euc-tw": (51950, "EUC-TW"),
}

# cp1250 to cp1258 are windows-1250 to windows-1258 under both lists below.
WINDOWS_CODE_PAGES = {f"cp{page}": f"windows-{page}" for page in range(1250, 1259)}

# The encodings of glibc's iconv names (module names in lower case) that labels may name, with the
# encoding of ours each is; where WHATWG's list reads an encoding as another (ISO-8859-1 and
# US-ASCII as windows-1252, ISO-8859-9 as windows-1254, GB2312 as gbk, ...), so do its other names.
GLIBC_ENCODINGS = {
    "ansi_x3.4-1968": "windows-1252",
    "iso-8859-1": "windows-1252",
    "iso-8859-2": "iso-8859-2",
    "iso-8859-3": "iso-8859-3",
    "iso-8859-4": "iso-8859-4",
    "iso-8859-5": "iso-8859-5",
    "iso-8859-6": "iso-8859-6",
    "iso-8859-7": "iso-8859-7",
    "iso-8859-8": "iso-8859-8",
    "iso-8859-9": "windows-1254",
    "iso-8859-10": "iso-8859-10",
    "iso-8859-11": "windows-874",
    "iso-8859-13": "iso-8859-13",
    "iso-8859-14": "iso-8859-14",
    "iso-8859-15": "iso-8859-15",
    "iso-8859-16": "iso-8859-16",
    "tis-620": "windows-874",
    "ibm874": "windows-874",
    **WINDOWS_CODE_PAGES,
    "koi8-r": "koi8-r",
    "koi8-u": "koi8-u",
    "koi8-ru": "koi8-u",
    "ibm437": "ibm437",
    "ibm850": "ibm850",
    "ibm852": "ibm852",
    "ibm855": "ibm855",
    "ibm857": "ibm857",
    "ibm860": "ibm860",
    "ibm861": "ibm861",
    "ibm862": "ibm862",
    "ibm863": "ibm863",
    "ibm864": "ibm864",
    "ibm865": "ibm865",
    "ibm866": "ibm866",
    "ibm869": "ibm869",
    "macintosh": "macintosh",
    # Mac OS Cyrillic before and after it took the Ukrainian letters.
    "cp10007": "x-mac-cyrillic",
    "mac-uk": "x-mac-cyrillic",
    "mac-centraleurope": "x-mac-ce",
    "mac-is": "x-mac-icelandic",
    "sjis": "shift_jis",
    "cp932": "shift_jis",
    "euc-jp": "euc-jp",
    "iso-2022-jp": "iso-2022-jp",
    "euc-cn": "gbk",
    "gbk": "gbk",
    "gb18030": "gb18030",
    "big5": "big5",
    "big5hkscs": "big5",
    "euc-kr": "euc-kr",
    "uhc": "euc-kr",
    "euc-tw": "euc-tw",
}

# The same for the codecs of Python.
PYTHON_CODECS = {
    "ascii": "windows-1252",
    "latin_1": "windows-1252",
    "iso8859_2": "iso-8859-2",
    "iso8859_3": "iso-8859-3",
    "iso8859_4": "iso-8859-4",
    "iso8859_5": "iso-8859-5",
    "iso8859_6": "iso-8859-6",
    "iso8859_7": "iso-8859-7",
    "iso8859_8": "iso-8859-8",
    "iso8859_9": "windows-1254",
    "iso8859_10": "iso-8859-10",
    "iso8859_11": "windows-874",
    "iso8859_13": "iso-8859-13",
    "iso8859_14": "iso-8859-14",
    "iso8859_15": "iso-8859-15",
    "iso8859_16": "iso-8859-16",
    "tis_620": "windows-874",
    "cp874": "windows-874",
    **WINDOWS_CODE_PAGES,
    "koi8_r": "koi8-r",
    "koi8_u": "koi8-u",
    "cp437": "ibm437",
    "cp850": "ibm850",
    "cp852": "ibm852",
    "cp855": "ibm855",
    "cp857": "ibm857",
    "cp860": "ibm860",
    "cp861": "ibm861",
    "cp862": "ibm862",
    "cp863": "ibm863",
    "cp864": "ibm864",
    "cp865": "ibm865",
    "cp866": "ibm866",
    "cp869": "ibm869",
    "mac_roman": "macintosh",
    "mac_cyrillic": "x-mac-cyrillic",
    "mac_latin2": "x-mac-ce",
    "mac_croatian": "x-mac-croatian",
    "mac_greek": "x-mac-greek",
    "mac_iceland": "x-mac-icelandic",
    "mac_romanian": "x-mac-romanian",
    "mac_turkish": "x-mac-turkish",
    "shift_jis": "shift_jis",
    "cp932": "shift_jis",
    "euc_jp": "euc-jp",
    "iso2022_jp": "iso-2022-jp",
    "gb2312": "gbk",
    "gbk": "gbk",
    "gb18030": "gb18030",
    "big5": "big5",
    "big5hkscs": "big5",
    "cp950": "big5",
    "euc_kr": "euc-kr",
    "cp949": "euc-kr",
}

# Spellings in use that none of the lists carries: the older browsers' and Java's names.
MORE_LABELS = {
    "x-euc-cn": "gbk",
    "x-euc-tw": "euc-tw",
    "x-windows-949": "euc-kr",
    "x-windows-950": "big5",
    "windows-932": "shift_jis",
    "windows-949": "euc-kr",
    "windows-950": "big5",
    "x-mac-ce": "x-mac-ce",
    "x-mac-centraleurroman": "x-mac-ce",
    "x-mac-croatian": "x-mac-croatian",
    "x-mac-greek": "x-mac-greek",
    "x-mac-icelandic": "x-mac-icelandic",
    "x-mac-iceland": "x-mac-icelandic",
    "x-mac-romanian": "x-mac-romanian",
    "x-mac-turkish": "x-mac-turkish",
    **{f"ibm-{page}": f"ibm{page}" for page in
       (437, 850, 852, 855, 857, 860, 861, 862, 863, 864, 865, 866, 869)},
}

DEFAULT_LABELS = pathlib.Path("/usr/lib/python3/dist-packages/webencodings/labels.py")
DEFAULT_GCONV = pathlib.Path("/usr/lib/x86_64-linux-gnu/gconv")
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


def read_gconv(folder):
    """glibc iconv's names in lower case, each with the module it names: every module's own name
    and every alias in gconv-modules and gconv-modules.d/*.conf."""
    files = [folder / "gconv-modules", *sorted((folder / "gconv-modules.d").glob("*.conf"))]
    names = {}
    for path in files:
        if not path.exists():
            continue
        for line in path.read_text(encoding="ascii").splitlines():
            words = line.split("#", 1)[0].split()
            if len(words) >= 3 and words[0] == "alias":
                names.setdefault(words[1].rstrip("/").lower(), words[2].rstrip("/").lower())
            elif len(words) >= 3 and words[0] == "module":
                for word in words[1:3]:
                    if word != "INTERNAL":
                        names.setdefault(word.rstrip("/").lower(), word.rstrip("/").lower())
    if not names:
        sys.exit(f"{folder}: no gconv-modules")
    return names


def python_names():
    """Python's codec names and aliases, each with the codec it names: in '_' and '-' spelling."""
    names = {}
    pairs = [(codec, codec) for codec in PYTHON_CODECS] + sorted(encodings.aliases.aliases.items())
    for alias, codec in pairs:
        for spelling in (alias, alias.replace("_", "-")):
            names.setdefault(spelling, codec)
    return names


def merged_labels(whatwg, gconv, python):
    """Every label with the encoding it names, and how many labels each list added."""
    labels = dict(whatwg)
    added = []
    for names, ours in ((gconv, GLIBC_ENCODINGS), (python, PYTHON_CODECS), (MORE_LABELS, None)):
        before = len(labels)
        for name, target in names.items():
            encoding = target if ours is None else ours.get(target)
            if encoding is not None:
                labels.setdefault(name, encoding)
        added.append(len(labels) - before)
    return labels, added


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
    if codec not in ASCII_KEPT and any(bytes([byte]).decode(codec) != chr(byte)
                                       for byte in range(0x80)):
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
    parser.add_argument("--gconv", type=pathlib.Path, default=DEFAULT_GCONV,
                        help="glibc's folder of gconv-modules (default: %(default)s)")
    parser.add_argument("--output", type=pathlib.Path,
                        default=repository / "src" / "conversion" / "encoding_labels.h",
                        help="header to write (default: src/conversion/encoding_labels.h)")
    args = parser.parse_args()

    whatwg = read_labels(args.labels)
    version = version_of(args.labels)
    decided = {**READ_BUILT_IN, **SINGLE_BYTE, **SYSTEM_CONVERTERS}
    undecided = [name for name in dict.fromkeys(whatwg.values()) if name not in decided]
    if undecided:
        sys.exit(f"{args.labels}: no decision for {', '.join(undecided)}: add each to "
                 "READ_BUILT_IN, SINGLE_BYTE or SYSTEM_CONVERTERS")
    labels, added = merged_labels(whatwg, read_gconv(args.gconv), python_names())
    names = list(dict.fromkeys([*whatwg.values(), *SINGLE_BYTE, *SYSTEM_CONVERTERS]))
    for label, name in labels.items():
        if label != label.lower() or not label.isascii() or '"' in label or "\\" in label:
            sys.exit(f"the label {label!r} is not plain lower-case ASCII")
        if name not in decided:
            sys.exit(f"the label {label!r} names {name!r}, which is undecided")
    # The label that is an encoding's own name gets the fullest feed of the cross-platform test.
    unnamed = [name for name in names if name not in labels or labels[name] != name]
    if unnamed:
        sys.exit(f"no label is the name of {', '.join(unnamed)}")
    libc = " ".join(platform.libc_ver())

    owners = table_owners(names)  # equal upper halves share a table: iso-8859-8 and -8-i
    tables = "\n".join(table_lines(name) for name, owner in owners.items() if name == owner)
    width = max(len(identifier(name)) for name in names)
    encoding_lines = "\n".join(
        f"inline constexpr NamedEncoding {identifier(name) + ' ' * (width - len(identifier(name)))}"
        f"{encoding_line(name, owners)};"
        for name in names
    )
    # Sorted bytewise, as std::string_view compares, for a binary search.
    rows = "\n".join(
        f'    {{"{label}", &{identifier(labels[label])}}},'
        for label in sorted(labels, key=lambda label: label.encode("ascii"))
    )
    python = f"{sys.version_info.major}.{sys.version_info.minor}"

    header = f"""\
// Every encoding label, with the encoding it names and what that encoding is read as.
//
// Generated by tools/gen_encoding_labels.py ({len(labels)} labels of {len(names)} encodings) from three
// lists, the first that has a label deciding what it names:
//   - the label list of the WHATWG Encoding Standard that python3-webencodings {version} carries
//     ({len(whatwg)} labels);
//   - the names and aliases of {libc}'s iconv (libc6's gconv-modules), the IANA character-set
//     registry's and those in common use ({added[0]} more);
//   - the codec names and aliases of Python {python} (encodings.aliases) ({added[1]} more);
// and {added[2]} spellings of the script's own. Do not edit: change the script and rerun it from the
// repository root,
//
//     python3 tools/gen_encoding_labels.py
//
// (it reads {DEFAULT_LABELS} and
// {DEFAULT_GCONV}; --labels and --gconv name others).
//
// A single-byte encoding is read through the table of its upper half, from the codecs of Python
// {python}; a multi-byte one names its Windows code page and glibc iconv's name for the same
// characters.
#pragma once

#include <array>

#include "decode.h"

namespace lorvex::encoding_labels {{

using enum Encoding;

// clang-format off
{tables}

{encoding_lines}

inline constexpr EncodingLabel labels[] = {{
{rows}
}};
// clang-format on

}}  // namespace lorvex::encoding_labels
"""
    args.output.write_text(header, encoding="utf-8")
    print(f"{args.output}: {len(labels)} labels of {len(names)} encodings: {len(whatwg)} of "
          f"webencodings {version}, {added[0]} of {libc}, {added[1]} of Python {python}, "
          f"{added[2]} of the script")


if __name__ == "__main__":
    main()
