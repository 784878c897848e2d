#include "show_command.h"

#include <cstdio>
#include <string_view>
#include <vector>

#include "arguments.h"
#include "export_formats.h"
#include "record_file.h"
#include "table_format.h"
#include "terminal.h"

namespace lorvex::cli {

namespace {

void print(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
}

// The table reads every record before the first row, to size its columns.
void showTable(RecordReader& file) {
    std::vector<Record> records;
    for (Record record; file.next(record);)
        records.push_back(record);
    std::vector<RecordFields> rows;
    rows.reserve(records.size());
    for (std::size_t i = 0; i < records.size(); ++i)
        rows.push_back(fieldsOf(i + 1, records[i], false));
    TableLayout layout = layoutTable(rows, outputColumns());
    print(tableHeading(layout));
    for (const RecordFields& row : rows)
        print(tableRow(layout, row));
}

void showExport(RecordReader& file, Format format, bool raw) {
    if (format == Format::csv) print(csvHeader());
    std::size_t count = 0;
    for (Record record; file.next(record);) {
        RecordFields fields = fieldsOf(++count, record, raw);
        if (format == Format::csv) {
            print(csvRow(fields));
        } else if (format == Format::json) {
            print((count == 1 ? "[\n  " : ",\n  ") + jsonObject(fields));
        } else {
            print(jsonObject(fields) + '\n');
        }
    }
    if (format == Format::json) print(count == 0 ? "[]\n" : "\n]\n");
}

}  // namespace

ExitStatus showRecords(const ShowOptions& options) {
    RecordReader file;
    if (platform::Error error = file.open(nativePath(options.path))) {
        complain(readFailure(fileName(options.path), error, false));
        return ExitStatus::failure;
    }
    Format format = options.format.value_or(isTerminal(stdout) ? Format::table : Format::jsonl);
    if (format == Format::table) {
        showTable(file);
    } else {
        showExport(file, format, options.raw);
    }
    if (file.error() != 0) {
        complain(readFailure(fileName(options.path), file.error(), true));
        return ExitStatus::failure;
    }
    if (file.strayBytes() != 0) {
        complain(fileName(options.path) + " is damaged: the record at byte " +
                 std::to_string(file.strayOffset()) + " is incomplete (" +
                 std::to_string(file.strayBytes()) + " of " + std::to_string(recordBytes) +
                 " bytes)");
        return ExitStatus::failure;
    }
    return ExitStatus::success;
}

}  // namespace lorvex::cli
