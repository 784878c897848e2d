#include "support/files.h"

#include <algorithm>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include "unicode.h"

namespace lorvex::test {

namespace fs = std::filesystem;

ScratchDir::ScratchDir() {
    std::random_device seed;
    path_ = fs::temp_directory_path() / ("lorvex-test-" + std::to_string(seed()));
    fs::create_directories(path_);
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(path_, ignored);
}

std::string readBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path.string());
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void writeBytes(const fs::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

std::u16string utf16(std::string_view utf8) {
    std::u16string text;
    unicode::decodeUtf8(utf8, text);
    return text;
}

std::string utf16le(std::u16string_view text) {
    std::string bytes;
    bytes.reserve(text.size() * 2);
    for (char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

std::string utf16be(std::u16string_view text) {
    std::string bytes;
    for (char16_t unit : text) {
        bytes += static_cast<char>(unit >> 8);
        bytes += static_cast<char>(unit & 0xFF);
    }
    return bytes;
}

std::string utf8(std::u16string_view text) {
    return unicode::toUtf8Lossy(text);
}

std::string utf32be(std::u16string_view text) {
    std::string bytes("\0\0\xFE\xFF", 4);
    for (std::size_t i = 0; i < text.size();) {
        char32_t c = unicode::nextCodePoint(text, i);
        for (int shift = 24; shift >= 0; shift -= 8)
            bytes += static_cast<char>((c >> shift) & 0xFF);
    }
    return bytes;
}

std::u16string widePath(const fs::path& path) {
    return path.u16string();
}

std::u16string fromUtf16le(std::string_view bytes) {
    std::u16string units;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        units += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                       static_cast<unsigned char>(bytes[i + 1]) << 8);
    }
    return units;
}

fs::path corpusDir() {
    fs::path dir = LORVEX_CORPUS_DIR;
    return fs::is_directory(dir / "rss") ? dir : fs::path{};
}

std::vector<fs::path> corpusFeeds() {
    std::vector<fs::path> feeds;
    fs::path dir = corpusDir();
    if (dir.empty()) return feeds;
    for (const auto& entry : fs::directory_iterator(dir / "rss"))
        feeds.push_back(entry.path());
    std::sort(feeds.begin(), feeds.end());
    return feeds;
}

}  // namespace lorvex::test
