// lorvex show: the records of a record file, as a table or for other programs, read one at a
// time: whole records of 1,100 bytes, and the bytes of an incomplete one at the end, which mark
// the file as damaged.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "file.h"
#include "record.h"
#include "report.h"

namespace lorvex::tool {

class RecordReader {
  public:
    platform::Error open(const platform::NativePath& path);
    // Records piped in, or any other standard input.
    platform::Error openStandardInput();

    // How many whole records a regular file held when it was opened; nothing for a stream or a
    // device, whose end is not known in advance.
    std::optional<std::uint64_t> knownCount() const { return knownCount_; }

    // Reads the next whole record, its UTF-16LE bytes decoded. False at the end of the file, and
    // when reading fails (see error) or the file ends inside a record (see strayBytes).
    bool next(Record& record);

    platform::Error error() const { return error_; }
    // The bytes after the last whole record: 0 in a sound file.
    std::size_t strayBytes() const { return stray_; }
    // Where the incomplete record begins, when there is one.
    std::uint64_t strayOffset() const { return offset_; }

  private:
    platform::InputFile file_;
    std::uint64_t offset_ = 0;  // of the next record
    std::size_t stray_ = 0;
    platform::Error error_ = 0;
    std::optional<std::uint64_t> knownCount_;
};

enum class Format { table, csv, json, jsonl };

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
