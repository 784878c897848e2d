// The feed record: three fixed-width fields of 16-bit characters, the fitting that fills them,
// the test that decides whether an item gets a record, and the record file: records written, and
// read back.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

#include "file.h"
#include "isa.h"
#include "write_behind.h"

namespace lorvex {

inline constexpr std::size_t titleWidth = 100;
inline constexpr std::size_t dateWidth = 50;
inline constexpr std::size_t summaryWidth = 400;
inline constexpr std::size_t recordWidth = titleWidth + dateWidth + summaryWidth;
inline constexpr std::size_t recordBytes = recordWidth * 2;

struct Record {
    std::array<char16_t, recordWidth> units;

    std::u16string_view title() const { return {units.data(), titleWidth}; }
    std::u16string_view date() const { return {units.data() + titleWidth, dateWidth}; }
    std::u16string_view summary() const {
        return {units.data() + titleWidth + dateWidth, summaryWidth};
    }
};

static_assert(sizeof(Record) == recordBytes, "a record is written as it lies in memory");

// Pads a field whose first length characters hold its text with spaces up to width (at most
// summaryWidth).
void padField(char16_t* field, std::size_t length, std::size_t width);

// Whether an item gets a record. An item that lacks one of its elements gets none (incomplete);
// judge decides for the others.
enum class Verdict { accepted, incomplete, titleHasCdata, emptySummary, summaryStartsWithSpace };

// The acceptance test on a fitted record, its fields padded, given the lengths of the title and
// summary texts that it was fitted from. Every isa decides the same.
Verdict judge(const Record& record, std::size_t titleLength, std::size_t summaryLength,
              platform::Isa isa = platform::bestIsa());

// The record file is the records one after the other, each unit little-endian on every machine
// (UTF-16LE), with nothing before, between or after them.

// Writes records to a record file through two buffers that it reuses: one is filled while
// the other is written behind it. A record can be fitted in place, in next(), and so reach the
// file without being copied.
class RecordWriter {
  public:
    // Behind a writing thread each buffer holds 512 records, about 560 KB: a hand-over can wait for
    // the thread to wake and finish the write before, and at 128 records a buffer those waits and
    // wake-ups took a quarter of a 100 MiB conversion's time. Where every write is made at once
    // (Windows), a buffer stays at 128 records, 140 KB: a 32-bit host making a thousand calls at
    // once would otherwise need 845 MB more of its address space.
    static constexpr std::size_t bufferRecords = platform::WriteBehind::threaded ? 512 : 128;

    explicit RecordWriter(platform::OutputFile& file);

    Record& next() { return buffer_[used_]; }

    // Writes record (typically next()). Returns 0, or the system's error of a failed write: this
    // one's, or one of the records before it.
    platform::Error writeRecord(const Record& record);
    // Writes the records still in the buffer and waits until every record is in the file.
    platform::Error flush();

  private:
    platform::Error handOver();

    std::unique_ptr<Record[]> buffers_[2];
    Record* buffer_;  // the one being filled
    std::size_t used_ = 0;
    platform::WriteBehind file_;  // last, so that its writes end before the buffers go
};

// Reads the records of a record file back one at a time: whole records, and at the end the bytes
// of an incomplete one, which mark the file as damaged.
class RecordReader {
  public:
    explicit RecordReader(platform::InputFile& file);

    // How many whole records the file held when the reader began, when it is a regular file;
    // nothing for a stream or a device, whose end is not known in advance.
    std::optional<std::uint64_t> knownCount() const { return knownCount_; }

    // Reads the next whole record. False at the end of the file, and when reading fails (see
    // error) or the file ends inside a record (see strayBytes).
    bool next(Record& record);

    platform::Error error() const { return error_; }
    // The bytes after the last whole record: 0 in a sound file.
    std::size_t strayBytes() const { return stray_; }
    // Where the incomplete record begins, when there is one.
    std::uint64_t strayOffset() const { return offset_; }

  private:
    platform::InputFile& file_;
    std::uint64_t offset_ = 0;  // of the next record
    std::size_t stray_ = 0;
    platform::Error error_ = 0;
    std::optional<std::uint64_t> knownCount_;
};

}  // namespace lorvex
