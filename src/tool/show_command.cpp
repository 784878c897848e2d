#include "show_command.h"

#include <cstdio>
#include <string>

#include "arguments.h"
#include "record.h"
#include "report.h"
#include "terminal.h"

namespace lorvex::tool {

namespace {

// Each record is printed as soon as it is read, so memory stays the same whatever the input's
// size, and an endless one streams.
void show(RecordReader& file, Format format, bool raw) {
    TableLayout layout{};
    if (format == Format::table) {
        layout = layoutTable(columnsOf(stdout), file.knownCount());
        print(tableHeading(layout));
    } else if (format == Format::csv) {
        print(csvHeader());
    }
    // A pipe may bring its records slowly: each goes on as it comes. A file is read at full speed,
    // through the buffer.
    bool stream = !file.knownCount();
    std::size_t count = 0;
    // Once stdout fails (a reader gone where SIGPIPE does not end the process, as on Windows),
    // reading on would never end on an endless input.
    for (Record record; !std::ferror(stdout) && file.next(record);) {
        RecordFields fields = fieldsOf(++count, record, raw && format != Format::table);
        switch (format) {
            case Format::table:
                print(tableRow(layout, fields));
                break;
            case Format::csv:
                print(csvRow(fields));
                break;
            case Format::json:
                print((count == 1 ? "[\n  " : ",\n  ") + jsonObject(fields));
                break;
            case Format::jsonl:
                print(jsonObject(fields) + '\n');
                break;
        }
        if (stream) flushOutput();
    }
    if (format == Format::json) print(count == 0 ? "[]\n" : "\n]\n");
}

}  // namespace

ExitStatus showRecords(const ShowOptions& options) {
    platform::InputFile input;
    platform::Error error = openArgument(input, options.path);
    if (error != 0) {
        complain(readFailure(quotedName(options.path), error, false));
        return ExitStatus::failure;
    }
    RecordReader file(input);
    Format format = options.format.value_or(isTerminal(stdout) ? Format::table : Format::jsonl);
    show(file, format, options.raw);
    if (file.error() != 0) {
        complain(readFailure(quotedName(options.path), file.error(), true));
        return ExitStatus::failure;
    }
    if (file.strayBytes() != 0) {
        complain(quotedName(options.path) + " is damaged: the record at byte " +
                 std::to_string(file.strayOffset()) + " is incomplete (" +
                 std::to_string(file.strayBytes()) + " of " + std::to_string(recordBytes) +
                 " bytes)");
        return ExitStatus::failure;
    }
    return ExitStatus::success;
}

}  // namespace lorvex::tool
