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

}  // namespace

void padField(char16_t* field, std::size_t length, std::size_t width) {
    if (length < width) std::memcpy(field + length, spaces.data(), (width - length) * 2);
}

void swapFileOrder(Record& record) {
    if constexpr (std::endian::native == std::endian::big) {
        for (char16_t& unit : record.units)
            unit = static_cast<char16_t>(unit << 8 | unit >> 8);
    }
}

Verdict judge(const Record& record, std::size_t titleLength, std::size_t summaryLength) {
    if (findLiteral(record.title().substr(0, titleLength), "CDATA", 0) !=
        std::u16string_view::npos) {
        return Verdict::titleHasCdata;
    }
    if (summaryLength == 0) return Verdict::emptySummary;
    if (record.summary()[0] == u' ') return Verdict::summaryStartsWithSpace;
    return Verdict::accepted;
}

RecordWriter::RecordWriter(platform::OutputFile& file)
    : file_(file), buffer_(new Record[bufferRecords]) {}

platform::Error RecordWriter::writeRecord(const Record& record) {
    Record& slot = buffer_[used_];
    if (&record != &slot) slot = record;
    swapFileOrder(slot);
    if (++used_ == bufferRecords) return flush();
    return 0;
}

platform::Error RecordWriter::flush() {
    platform::Error error = used_ == 0 ? 0 : file_.write(buffer_.get(), used_ * recordBytes);
    used_ = 0;
    return error;
}

}  // namespace lorvex
