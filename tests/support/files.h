// Test helpers: scratch directories, whole-file reads and writes, text in each Unicode form, and
// the corpus.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace lorvex::test {

// A fresh directory, removed with everything in it when the object goes.
class ScratchDir {
  public:
    ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    ~ScratchDir();

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

  private:
    std::filesystem::path path_;
};

std::string readBytes(const std::filesystem::path& path);
void writeBytes(const std::filesystem::path& path, std::string_view bytes);

// Text as UTF-16 units from UTF-8, and as the bytes of a file in UTF-16LE, UTF-16BE, UTF-8 and
// UTF-32BE; and UTF-16LE bytes back as units.
std::u16string utf16(std::string_view utf8);
std::string utf16le(std::u16string_view text);
std::string utf16be(std::u16string_view text);
std::string utf8(std::u16string_view text);
std::string utf32be(std::u16string_view text);  // with a byte order mark
std::u16string fromUtf16le(std::string_view bytes);

// The path as the 16-bit string that ConvertFile takes.
std::u16string widePath(const std::filesystem::path& path);

// The corpus folder, or an empty path when it is absent.
std::filesystem::path corpusDir();

// Every feed in the corpus (empty when it is absent).
std::vector<std::filesystem::path> corpusFeeds();

}  // namespace lorvex::test
