#include "record.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "literal_search.h"

namespace lorvex {

namespace {

// The padding of the widest field, copied rather than filled one character at a time.
constexpr auto spaces = [] {
    std::array<char16_t, summaryWidth> padding{};
    padding.fill(u' ');
    return padding;
}();

// Turns a record's units from the machine's order to the file's, or back: the same swap both
// ways, nothing on a little-endian machine.
void swapFileOrder(Record& record) {
    if constexpr (std::endian::native == std::endian::big) {
        for (char16_t& unit : record.units)
            unit = static_cast<char16_t>(unit << 8 | unit >> 8);
    }
}

}  // namespace

void padField(char16_t* field, std::size_t length, std::size_t width) {
    if (length < width) std::memcpy(field + length, spaces.data(), (width - length) * 2);
}

Verdict judge(const Record& record, std::size_t titleLength, std::size_t summaryLength,
              platform::Isa isa) {
    // A vector search takes the whole title field, padding and all, which cannot hold "CDATA":
    // its fixed width is whole vectors, where the title's own length would end each search in
    // slower steps for its last few units. The plain loop takes the title alone.
    std::size_t searched = isa == platform::Isa::scalar ? titleLength : titleWidth;
    if (findLiteral(record.title().substr(0, searched), "CDATA", 0, isa) !=
        std::u16string_view::npos) {
        return Verdict::titleHasCdata;
    }
    if (summaryLength == 0) return Verdict::emptySummary;
    if (record.summary()[0] == u' ') return Verdict::summaryStartsWithSpace;
    return Verdict::accepted;
}

RecordWriter::RecordWriter(platform::OutputFile& file)
    : buffers_{std::make_unique_for_overwrite<Record[]>(bufferRecords),
               std::make_unique_for_overwrite<Record[]>(bufferRecords)},
      buffer_(buffers_[0].get()),
      file_(file) {}

platform::Error RecordWriter::writeRecord(const Record& record) {
    Record& slot = buffer_[used_];
    if (&record != &slot) slot = record;
    swapFileOrder(slot);
    if (++used_ == bufferRecords) return handOver();
    return 0;
}

platform::Error RecordWriter::handOver() {
    platform::Error error = file_.write(buffer_, used_ * recordBytes);
    // The write before this one has ended, so the other buffer is free again.
    buffer_ = buffer_ == buffers_[0].get() ? buffers_[1].get() : buffers_[0].get();
    used_ = 0;
    return error;
}

platform::Error RecordWriter::flush() {
    platform::Error error = file_.finish(buffer_, used_ * recordBytes);
    used_ = 0;
    return error;
}

RecordReader::RecordReader(platform::InputFile& file) : file_(file) {
    // Asked once, as the reading begins: a file that grows meanwhile is still read to its end.
    if (std::optional<std::uint64_t> size = file.size()) knownCount_ = *size / recordBytes;
}

bool RecordReader::next(Record& record) {
    // Read straight into the record, which holds its units as the file does but for their order.
    auto* bytes = reinterpret_cast<char*>(record.units.data());
    std::size_t got = 0;
    while (got < recordBytes) {
        platform::InputFile::Read read = file_.read(bytes + got, recordBytes - got);
        if (read.error != 0) {
            error_ = read.error;
            return false;
        }
        if (read.count == 0) break;
        got += read.count;
    }
    if (got < recordBytes) {
        stray_ = got;
        return false;
    }
    swapFileOrder(record);
    offset_ += recordBytes;
    return true;
}

}  // namespace lorvex
