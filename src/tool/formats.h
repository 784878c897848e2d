// How the tool shows records: as a table for people, its columns sized to the terminal, and as
// CSV (RFC 4180) or JSON for other programs. All of them are UTF-8; the formats for programs
// write lone surrogates as U+FFFD.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "record.h"

namespace lorvex::tool {

enum class Format { table, csv, json, jsonl };

// The names that --format takes, in the order the help lists them.
std::vector<std::string> formatNames();
// The format of that name, or nothing for another.
std::optional<Format> formatNamed(std::string_view name);

// A record's fields as the tool shows them: its number (from 1) and its three fields, with the
// padding trimmed unless raw.
struct RecordFields {
    std::size_t number;
    std::u16string_view title, date, summary;
};

RecordFields fieldsOf(std::size_t number, const Record& record, bool raw);
// The fields point into the record, which must outlive them.
RecordFields fieldsOf(std::size_t number, const Record&& record, bool raw) = delete;

// The width of each column, in terminal columns.
struct TableLayout {
    std::size_t number, title, date, summary;
};

// Columns sized from the terminal's width alone, never from the records, so that each row can be
// printed as soon as its record is read. The number column is as wide as the largest record
// number when the count of records is known, else 4 digits (a larger number widens its own row).
// The date takes 31 columns, but at most half the room left, and title and summary share the
// rest 2 : 3. Title, date and summary are never narrower than 8 columns: on a terminal too
// narrow for that, rows wrap rather than vanish.
TableLayout layoutTable(std::size_t columns, std::optional<std::uint64_t> records);

// The heading line and one line per record, each ended by "\n" and without trailing spaces.
// Fields are escaped (see display.h), so that a row always stays one line.
std::string tableHeading(const TableLayout& layout);
std::string tableRow(const TableLayout& layout, const RecordFields& fields);

// The header line and one line (or, with line breaks in a field, several) per record, each ended
// by CRLF. A field is quoted when it holds a quote, a comma, a carriage return or a newline, or
// starts or ends with a space; a quote inside is doubled. Other characters, U+0000 included, go
// through as they are: CSV has no escapes.
std::string csvHeader();
std::string csvRow(const RecordFields& fields);

// One record as a JSON object on one line, without a line end:
// {"record":1,"title":"...","date":"...","summary":"..."}.
std::string jsonObject(const RecordFields& fields);

}  // namespace lorvex::tool
