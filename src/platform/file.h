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

// A malloc'd byte buffer: it grows without zeroing and, for large sizes, without copying.
class ByteBuffer {
  public:
    const char* data() const { return data_.get(); }
    std::size_t size() const { return size_; }
    std::string_view view() const { return {data_.get(), size_}; }

  private:
    friend struct ReadStatus readWholeFile(const NativePath&, std::size_t, ByteBuffer&);
    struct Free {
        void operator()(char* p) const;
    };
    std::unique_ptr<char, Free> data_;
    std::size_t size_ = 0;
};

struct ReadStatus {
    int error = 0;
    bool opened = false;  // whether a failure came after the file was opened
};

// Reads the whole file at path into out. A file (or stream) of more than limit bytes fails with
// EFBIG: a regular file at once by its size, a stream as soon as it passes the limit.
ReadStatus readWholeFile(const NativePath& path, std::size_t limit, ByteBuffer& out);

// An output file, created or emptied by open, written through, and closed once.
class OutputFile {
  public:
    OutputFile() = default;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();

    int open(const NativePath& path);
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
