// Feeds written to temporary files for benchmarks, removed when done.
#pragma once

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <string_view>

namespace lorvex::bench {

class TempFile {
  public:
    TempFile(std::string_view name, std::string_view contents = {});
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    ~TempFile();

    const std::filesystem::path& path() const { return path_; }
    const std::u16string& widePath() const { return wide_; }

  private:
    std::filesystem::path path_;
    std::u16string wide_;
};

// ConvertFile on two temporary files.
int convert(const TempFile& input, const TempFile& output);

}  // namespace lorvex::bench
