// lorvex show: the records of a record file, as a table or for other programs.
#pragma once

#include <optional>
#include <string>

#include "formats.h"
#include "report.h"

namespace lorvex::tool {

struct ShowOptions {
    std::string path;              // "-" for standard input
    std::optional<Format> format;  // when absent: table on a terminal, jsonl otherwise
    bool raw = false;              // keep the padding (csv, json and jsonl)
};

// Writes the records to stdout, each as soon as it is read. A file whose size is not a whole number
// of records is damaged: the whole records before the incomplete one are shown, and then it fails
// with the offset of the incomplete record.
ExitStatus showRecords(const ShowOptions& options);

}  // namespace lorvex::tool
