// The table for people: one row per record, its columns sized to the terminal.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "record_file.h"

namespace lorvex::cli {

// The width of each column, in terminal columns.
struct TableLayout {
    std::size_t number, title, date, summary;
};

// Columns as wide as their widest field when the table fits in `columns`; else the date is kept
// whole where it can be (it is short and the same shape on every row), and the room left is
// shared between title and summary, each cut with an ellipsis. No column shrinks below a few
// characters, so on a very narrow terminal rows wrap rather than vanish.
TableLayout layoutTable(const std::vector<RecordFields>& rows, std::size_t columns);

// The heading line and one line per record, each ended by "\n" and without trailing spaces.
// Fields are escaped (see display.h), so that a row always stays one line.
std::string tableHeading(const TableLayout& layout);
std::string tableRow(const TableLayout& layout, const RecordFields& fields);

}  // namespace lorvex::cli
