// The feed record: three fixed-width fields of 16-bit characters, the fitting that fills them,
// the test that decides whether an item gets a record, and the writing of records.
#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <string_view>

#include "file.h"

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

// The record file holds each unit little-endian, on every machine. Turns a record's units from
// the machine's order to the file's, or back: the same swap both ways, nothing on a
// little-endian machine. So writing a record and reading it back are one piece of code.
void swapFileOrder(Record& record);

// Pads a field whose first length characters hold its text with spaces up to width (at most
// summaryWidth).
void padField(char16_t* field, std::size_t length, std::size_t width);

// Whether an item gets a record. An item that lacks one of its elements gets none (incomplete);
// judge decides for the others.
enum class Verdict { accepted, incomplete, titleHasCdata, emptySummary, summaryStartsWithSpace };

// The acceptance test on a fitted record, given the lengths of the title and summary texts that
// it was fitted from (the padding cannot hold "CDATA", so only the text is searched).
Verdict judge(const Record& record, std::size_t titleLength, std::size_t summaryLength);

// Writes records as UTF-16LE through a small buffer that it reuses. A record can be fitted in
// place, in next(), and so reach the file without being copied.
class RecordWriter {
  public:
    explicit RecordWriter(platform::OutputFile& file);

    Record& next() { return buffer_[used_]; }

    // Writes record (typically next()). Returns 0, or the system's error of a failed write.
    platform::Error writeRecord(const Record& record);
    platform::Error flush();

  private:
    static constexpr std::size_t bufferRecords = 64;

    platform::OutputFile& file_;
    std::unique_ptr<Record[]> buffer_;
    std::size_t used_ = 0;
};

}  // namespace lorvex
