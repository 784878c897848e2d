#include "record_file.h"

#include <limits>

#include "text.h"

namespace lorvex::cli {

// A record file is read whole, however large: the conversion's own input limit does not apply,
// since a feed of 1 GiB can yield a larger file of records.
platform::ReadStatus RecordFile::read(const platform::NativePath& path) {
    return platform::readWholeFile(path, std::numeric_limits<std::size_t>::max() / 2, bytes_);
}

Record RecordFile::record(std::size_t index) const {
    Record record;
    const auto* bytes =
        reinterpret_cast<const unsigned char*>(bytes_.view().data()) + index * recordBytes;
    for (std::size_t i = 0; i < recordWidth; ++i) {
        record.units[i] = static_cast<char16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    }
    return record;
}

RecordFields fieldsOf(std::size_t number, const Record& record, bool raw) {
    if (raw) return {number, record.title(), record.date(), record.summary()};
    return {number, trimPadding(record.title()), trimPadding(record.date()),
            trimPadding(record.summary())};
}

}  // namespace lorvex::cli
