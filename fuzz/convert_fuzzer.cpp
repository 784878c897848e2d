// Fuzzes the whole conversion: any bytes, written as a feed file, through ConvertFile.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <utility>

#include "check.h"
#include "lorvex.h"

namespace {

namespace fs = std::filesystem;

// A folder of this process's own for the feed and its records, on tmpfs where there is one.
struct Scratch {
    fs::path dir =
        (fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path()) /
        ("lorvex-fuzz-" + std::to_string(std::random_device{}()));
    Scratch() { fs::create_directories(dir); }
    ~Scratch() {
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }
};

std::pair<int, std::string> convert(std::string_view feed) {
    static const Scratch scratch;
    const fs::path input = scratch.dir / "feed.xml", output = scratch.dir / "feed.rec";
    std::ofstream(input, std::ios::binary)
        .write(feed.data(), static_cast<std::streamsize>(feed.size()));
    int count = ConvertFile(reinterpret_cast<const lorvex_char*>(input.u16string().c_str()),
                            reinterpret_cast<const lorvex_char*>(output.u16string().c_str()));
    std::ifstream records(output, std::ios::binary);
    return {count, std::string(std::istreambuf_iterator<char>(records), {})};
}

char16_t unitAt(const std::string& bytes, std::size_t at) {
    return static_cast<char16_t>(static_cast<unsigned char>(bytes[at]) |
                                 static_cast<unsigned char>(bytes[at + 1]) << 8);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view feed(reinterpret_cast<const char*>(data), size);
    const auto [count, records] = convert(feed);
    LORVEX_FUZZ_CHECK(count >= 0);  // a readable file within the size limit always converts
    LORVEX_FUZZ_CHECK(records.size() == 1100 * static_cast<std::size_t>(count));
    for (std::size_t at = 0; at < records.size(); at += 1100) {
        std::u16string title;
        for (std::size_t k = 0; k < 200; k += 2)
            title += unitAt(records, at + k);
        LORVEX_FUZZ_CHECK(title.find(u"CDATA") == std::u16string::npos);
        LORVEX_FUZZ_CHECK(unitAt(records, at + 300) != u' ');  // the summary's first character
    }
    LORVEX_FUZZ_CHECK(convert(feed) == std::pair(count, records));
    return 0;
}
