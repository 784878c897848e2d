// The formats for other programs: CSV (RFC 4180), and JSON objects for an array or for one per
// line. All of them are UTF-8, with lone surrogates as U+FFFD.
#pragma once

#include <string>

#include "record_file.h"

namespace lorvex::cli {

// The header line and one line (or, with line breaks in a field, several) per record, each ended
// by CRLF. A field is quoted when it holds a quote, a comma, a carriage return or a newline, or
// starts or ends with a space; a quote inside is doubled. Other characters, U+0000 included, go
// through as they are: CSV has no escapes.
std::string csvHeader();
std::string csvRow(const RecordFields& fields);

// One record as a JSON object on one line, without a line end:
// {"record":1,"title":"...","date":"...","summary":"..."}.
std::string jsonObject(const RecordFields& fields);

}  // namespace lorvex::cli
