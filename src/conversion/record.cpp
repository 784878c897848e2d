#include "record.h"

#include <algorithm>
#include <bit>

namespace lorvex {

void fitText(std::u16string_view text, char16_t* field, std::size_t width) {
    std::size_t kept = std::min(text.size(), width);
    std::copy_n(text.data(), kept, field);
    std::fill(field + kept, field + width, u' ');
}

Verdict judge(const Record& record, std::size_t titleLength, std::size_t summaryLength) {
    if (record.title().substr(0, titleLength).find(u"CDATA") != std::u16string_view::npos) {
        return Verdict::titleHasCdata;
    }
    if (summaryLength == 0) return Verdict::emptySummary;
    if (record.summary()[0] == u' ') return Verdict::summaryStartsWithSpace;
    return Verdict::accepted;
}

RecordWriter::RecordWriter(platform::OutputFile& file)
    : file_(file), buffer_(new Record[bufferRecords]) {}

int RecordWriter::writeRecord(const Record& record) {
    Record& slot = buffer_[used_];
    if (&record != &slot) slot = record;
    if constexpr (std::endian::native == std::endian::big) {
        // The file is little-endian everywhere: swap the units in place.
        for (char16_t& unit : slot.units)
            unit = static_cast<char16_t>(unit << 8 | unit >> 8);
    }
    if (++used_ == bufferRecords) return flush();
    return 0;
}

int RecordWriter::flush() {
    int error = used_ == 0 ? 0 : file_.write(buffer_.get(), used_ * recordBytes);
    used_ = 0;
    return error;
}

}  // namespace lorvex
