#include "record.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace lorvex {

void fitText(std::u16string_view text, char16_t* field, std::size_t width) {
    std::size_t kept = std::min(text.size(), width);
    std::copy_n(text.data(), kept, field);
    std::fill(field + kept, field + width, u' ');
}

Verdict judge(const Record& record, std::size_t summaryLength) {
    if (record.title().find(u"CDATA") != std::u16string_view::npos) return Verdict::titleHasCdata;
    if (summaryLength == 0) return Verdict::emptySummary;
    if (record.summary()[0] == u' ') return Verdict::summaryStartsWithSpace;
    return Verdict::accepted;
}

int RecordWriter::writeRecord(const Record& record) {
    if (used_ == buffer_.size()) {
        if (int error = flush()) return error;
    }
    unsigned char* out = buffer_.data() + used_;
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(out, record.units.data(), recordBytes);
    } else {
        for (char16_t unit : record.units) {
            *out++ = static_cast<unsigned char>(unit & 0xFF);
            *out++ = static_cast<unsigned char>(unit >> 8);
        }
    }
    used_ += recordBytes;
    return 0;
}

int RecordWriter::flush() {
    int error = used_ == 0 ? 0 : file_.write(buffer_.data(), used_);
    used_ = 0;
    return error;
}

}  // namespace lorvex
