#include "record_file.h"

#include <filesystem>
#include <system_error>

#include "text.h"

namespace lorvex::cli {

platform::Error RecordReader::open(const platform::NativePath& path) {
    if (platform::Error error = file_.open(path)) return error;
    // Asked of the path once it is open: a file replaced in between only sizes the table wrong.
    std::error_code failed;
    std::filesystem::path name(path);
    if (std::filesystem::is_regular_file(name, failed)) {
        std::uintmax_t size = std::filesystem::file_size(name, failed);
        if (!failed) knownCount_ = size / recordBytes;
    }
    return 0;
}

platform::Error RecordReader::openStandardInput() {
    return file_.openStandardInput();
}

bool RecordReader::next(Record& record) {
    std::size_t got = 0;
    while (got < recordBytes) {
        platform::InputFile::Read read =
            file_.read(reinterpret_cast<char*>(bytes_) + got, recordBytes - got);
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
    for (std::size_t i = 0; i < recordWidth; ++i) {
        record.units[i] = static_cast<char16_t>(bytes_[2 * i] | bytes_[2 * i + 1] << 8);
    }
    offset_ += recordBytes;
    return true;
}

RecordFields fieldsOf(std::size_t number, const Record& record, bool raw) {
    if (raw) return {number, record.title(), record.date(), record.summary()};
    return {number, trimPadding(record.title()), trimPadding(record.date()),
            trimPadding(record.summary())};
}

}  // namespace lorvex::cli
