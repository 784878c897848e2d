// Reading a record file back: whole records of 1,100 bytes, and the bytes of an incomplete one
// at the end, which mark the file as damaged.
#pragma once

#include <cstddef>
#include <string_view>

#include "../conversion/record.h"
#include "../platform/file.h"

namespace lorvex::cli {

class RecordFile {
  public:
    // Reads the whole file at path; returns its open or read failure as an errno value, or 0.
    platform::ReadStatus read(const platform::NativePath& path);

    // The number of whole records.
    std::size_t count() const { return bytes_.view().size() / recordBytes; }

    // The bytes after the last whole record: 0 in a sound file.
    std::size_t strayBytes() const { return bytes_.view().size() % recordBytes; }

    // Where the incomplete record begins, when there is one.
    std::size_t strayOffset() const { return count() * recordBytes; }

    // Record index (from 0), its UTF-16LE bytes decoded.
    Record record(std::size_t index) const;

  private:
    platform::FileBytes bytes_;
};

// A record's fields as the tool shows them: its number (from 1) and its three fields, with the
// padding trimmed unless raw.
struct RecordFields {
    std::size_t number;
    std::u16string_view title, date, summary;
};

RecordFields fieldsOf(std::size_t number, const Record& record, bool raw);
// The fields point into the record, which must outlive them.
RecordFields fieldsOf(std::size_t number, const Record&& record, bool raw) = delete;

}  // namespace lorvex::cli
