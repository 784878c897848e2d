// The table for people: one row per record, its columns sized to the terminal.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "record_file.h"

namespace lorvex::cli {

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

}  // namespace lorvex::cli
