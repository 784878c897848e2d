#include "bench_files.h"

#include <fstream>

#include "lorvex.h"

namespace lorvex::bench {

TempFile::TempFile(std::string_view name, std::string_view contents)
    : path_(std::filesystem::temp_directory_path() / ("lorvex-bench-" + std::string(name))),
      wide_(path_.u16string()) {
    std::ofstream(path_, std::ios::binary)
        .write(contents.data(), static_cast<std::streamsize>(contents.size()));
}

TempFile::~TempFile() {
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
}

int convert(const TempFile& input, const TempFile& output) {
    return ConvertFile(reinterpret_cast<const lorvex_char*>(input.widePath().c_str()),
                       reinterpret_cast<const lorvex_char*>(output.widePath().c_str()));
}

}  // namespace lorvex::bench
