// The platform layer: files opened by UTF-16 path, read whole, written and closed, with every
// failure reported as an errno value (0 means success).
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace lorvex::platform {

#ifdef _WIN32
using NativePath = std::wstring;
#else
using NativePath = std::string;
#endif

// The path as the operating system takes it, or nothing when it cannot be represented there
// (on POSIX: a lone surrogate, which has no UTF-8 form).
std::optional<NativePath> toNativePath(std::u16string_view path);

// The whole content of an input file. A regular file is mapped into memory where the system
// allows it, which spares copying it; anything else is read into memory of its own.
class FileBytes {
  public:
    FileBytes() = default;
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;
    ~FileBytes();

    std::string_view view() const { return {data_, size_}; }

  private:
    friend struct ReadStatus readWholeFile(const NativePath&, std::size_t, FileBytes&);
    friend class OutputFile;

    // Turns a mapping into memory of its own, so that the file may change.
    int detach();
    void release();

    char* data_ = nullptr;
    std::size_t size_ = 0;
    bool mapped_ = false;
    unsigned long long device_ = 0, inode_ = 0;  // which file is mapped
};

struct ReadStatus {
    int error = 0;
    bool opened = false;  // whether a failure came after the file was opened
};

// Reads the whole file at path into out. A file (or stream) of more than limit bytes fails with
// EFBIG: a regular file at once by its size, a stream as soon as it passes the limit.
ReadStatus readWholeFile(const NativePath& path, std::size_t limit, FileBytes& out);

// An output file, created or emptied by open, written through, and closed once.
//
// Opening takes the input that the output will be made from: when both name the same file, the
// input is first detached from it, so that emptying the file cannot pull the input away.
class OutputFile {
  public:
    OutputFile() = default;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();

    int open(const NativePath& path, FileBytes& input);
    int write(const void* bytes, std::size_t size);
    int close();

  private:
#ifdef _WIN32
    void* stream_ = nullptr;
#else
    int fd_ = -1;
#endif
};

// The message the system gives for an errno value.
std::string errorMessage(int error);

}  // namespace lorvex::platform
