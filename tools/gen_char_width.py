#!/usr/bin/env python3
"""Writes src/tool/char_width_data.h: the code points that take zero and two terminal columns.

Reads the Unicode Character Database files that Debian's unicode-data package installs in
/usr/share/unicode (UnicodeData.txt, EastAsianWidth.txt, DerivedCoreProperties.txt). Run it from
anywhere; with no arguments it reads that folder and writes the header into the repository:

    python3 tools/gen_char_width.py [--ucd DIR] [--output FILE]

The columns of a code point:
  0  nonspacing and enclosing marks (Mn, Me), Default_Ignorable_Code_Point but for the few that
     terminals draw, and the conjoining Hangul vowels and finals;
  2  East_Asian_Width W (Wide) and F (Fullwidth), as EastAsianWidth.txt gives it, unassigned
     code points included;
  1  everything else, control characters among them: they are escaped before they are printed.
Zero wins over two: a mark that East Asian Width calls wide, like U+302A or U+3099, still
draws on the character before it.
"""

import argparse
import pathlib
import re
import sys

LAST_CODE_POINT = 0x10FFFF

# A Hangul syllable written in conjoining jamo is a leading consonant, a vowel and maybe a final,
# drawn together as one two-column block. The leading consonants are East Asian wide and take the
# block's two columns; the vowels and finals join it and take none. Terminals that take their
# widths from the C library's wcwidth() count them as none too, so a stray vowel or final, with
# no leading consonant before it, still lines up.
CONJOINING_VOWELS_AND_FINALS = [(0x1160, 0x11FF), (0xD7B0, 0xD7FF)]

# Default-ignorable code points that terminals draw all the same (the C library's wcwidth() gives
# them columns), so counting them as nothing would shift every column after them. They keep the
# columns East Asian Width gives them:
#   U+00AD SOFT HYPHEN shows as a hyphen;
#   U+115F HANGUL CHOSEONG FILLER stands in for a missing leading consonant and takes the
#          syllable's two columns like any other leading consonant;
#   U+3164 HANGUL FILLER and U+FFA0 HALFWIDTH HANGUL FILLER show as blanks, two columns and one.
DRAWN_IGNORABLES = {0x00AD, 0x115F, 0x3164, 0xFFA0}

VERSION_LINE = re.compile(r"#\s*([A-Za-z]+)-(\d+\.\d+\.\d+)\.txt")


def code_points(field):
    """The first and last code point of a field such as "0300" or "0300..036F"."""
    first, _, last = field.strip().partition("..")
    return int(first, 16), int(last or first, 16)


def data_lines(path):
    """The fields of each data line of a UCD file, its comment dropped."""
    with open(path, encoding="utf-8") as file:
        for line in file:
            line = line.split("#", 1)[0].strip()
            if line:
                yield [field.strip() for field in line.split(";")]


def version_of(path):
    """The Unicode version a UCD file names on its first line, e.g. "# EastAsianWidth-15.0.0.txt"."""
    with open(path, encoding="utf-8") as file:
        match = VERSION_LINE.match(file.readline())
    if not match:
        sys.exit(f"{path}: no version on the first line")
    return match.group(2)


def marks(path):
    """The code points of general category Mn or Me in UnicodeData.txt."""
    found = set()
    range_start = None
    for fields in data_lines(path):
        code, name, category = int(fields[0], 16), fields[1], fields[2]
        if name.endswith(", First>"):
            range_start = code
            continue
        first = range_start if name.endswith(", Last>") else code
        range_start = None
        if category in ("Mn", "Me"):
            found.update(range(first, code + 1))
    return found


def default_ignorables(path):
    found = set()
    for fields in data_lines(path):
        if fields[1] == "Default_Ignorable_Code_Point":
            first, last = code_points(fields[0])
            found.update(range(first, last + 1))
    return found


def wide(path):
    """The code points whose East_Asian_Width is W or F.

    Code points the file does not list take the value of the "# @missing:" lines that cover them
    (the last one wins, as the file's own header explains), else N."""
    width = ["N"] * (LAST_CODE_POINT + 1)
    with open(path, encoding="utf-8") as file:
        for line in file:
            if line.startswith("# @missing:"):
                field, value = line[len("# @missing:") :].split(";")
                first, last = code_points(field)
                width[first : last + 1] = [value.strip()] * (last - first + 1)
    for fields in data_lines(path):
        first, last = code_points(fields[0])
        width[first : last + 1] = [fields[1]] * (last - first + 1)
    return {c for c, value in enumerate(width) if value in ("W", "F")}


def ranges(points):
    """Sorted code points as the fewest (first, last) ranges."""
    merged = []
    for c in sorted(points):
        if merged and merged[-1][1] == c - 1:
            merged[-1][1] = c
        else:
            merged.append([c, c])
    return merged


def table(name, rows):
    cells = [f"{{0x{first:04X}, 0x{last:04X}}}," for first, last in rows]
    width = max(len(cell) for cell in cells) + 1
    per_line = (100 - 4) // width
    lines = [f"inline constexpr Range {name}[] = {{"]
    for i in range(0, len(cells), per_line):
        line = "".join(cell.ljust(width) for cell in cells[i : i + per_line])
        lines.append("    " + line.rstrip())
    lines.append("};")
    return "\n".join(lines)


def main():
    repository = pathlib.Path(__file__).resolve().parent.parent
    parser = argparse.ArgumentParser(description=__doc__.split("\n", 1)[0])
    parser.add_argument("--ucd", type=pathlib.Path, default=pathlib.Path("/usr/share/unicode"),
                        help="folder that holds the UCD files (default: %(default)s)")
    parser.add_argument("--output", type=pathlib.Path,
                        default=repository / "src" / "tool" / "char_width_data.h",
                        help="header to write (default: src/tool/char_width_data.h)")
    args = parser.parse_args()

    unicode_data = args.ucd / "UnicodeData.txt"
    east_asian_width = args.ucd / "EastAsianWidth.txt"
    core_properties = args.ucd / "DerivedCoreProperties.txt"
    # UnicodeData.txt names no version; the other two must agree on theirs.
    version = version_of(east_asian_width)
    if version_of(core_properties) != version:
        sys.exit(f"{east_asian_width} and {core_properties} are of different Unicode versions")

    zero = marks(unicode_data) | default_ignorables(core_properties)
    for first, last in CONJOINING_VOWELS_AND_FINALS:
        zero.update(range(first, last + 1))
    zero -= DRAWN_IGNORABLES
    two = wide(east_asian_width) - zero

    header = f"""\
// The code points that take no column on a terminal and those that take two; the rest take one.
//
// Generated by tools/gen_char_width.py from Unicode {version}: UnicodeData.txt,
// EastAsianWidth-{version}.txt and DerivedCoreProperties-{version}.txt, as Debian's unicode-data
// package installs them. Do not edit: change the script and rerun it from the repository root,
//
//     python3 tools/gen_char_width.py --ucd /usr/share/unicode
//
// zeroWidth: general categories Mn and Me, Default_Ignorable_Code_Point (but the soft hyphen and
// the Hangul fillers U+115F, U+3164 and U+FFA0, which terminals draw) and the conjoining Hangul
// vowels and finals U+1160..U+11FF and U+D7B0..U+D7FF. wide: East_Asian_Width W and F, less what
// zeroWidth holds. Both are sorted, with adjacent ranges merged.
#pragma once

namespace lorvex::tool::width_data {{

struct Range {{
    char32_t first, last;
}};

// clang-format off
{table("zeroWidth", ranges(zero))}

{table("wide", ranges(two))}
// clang-format on

}}  // namespace lorvex::tool::width_data
"""
    args.output.write_text(header, encoding="utf-8")
    print(f"{args.output}: Unicode {version}, {len(ranges(zero))} zero-width ranges, "
          f"{len(ranges(two))} wide ranges")


if __name__ == "__main__":
    main()
