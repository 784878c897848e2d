// A thread that feeds a named pipe, for tests of inputs that are streams.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <thread>

namespace lorvex::test {

// Writes bytes into the pipe at path and then, when endless, zeros until the reader goes away;
// counts what the pipe took.
class PipeWriter {
  public:
    PipeWriter(std::filesystem::path path, std::string bytes, bool endless);
    PipeWriter(const PipeWriter&) = delete;
    PipeWriter& operator=(const PipeWriter&) = delete;
    ~PipeWriter();

    // Waits for the writer to end, and returns how many bytes it wrote.
    std::size_t finish();

  private:
    void run(const std::filesystem::path& path, const std::string& bytes, bool endless);

    std::size_t written_ = 0;
    std::thread thread_;
};

}  // namespace lorvex::test
