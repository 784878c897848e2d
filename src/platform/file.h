// The platform layer's files: an input read in chunks, and an output that replaces the file it
// names only once every byte of it is written. Every failure comes back as the system's own
// error code (errno on POSIX, the thread's last error on Windows); 0 means success.
#pragma once

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#ifdef _WIN32
#include <winerror.h>  // the error codes alone, without the rest of the system's headers
#endif

namespace lorvex::platform {

#ifdef _WIN32
using NativePath = std::wstring;
#else
using NativePath = std::string;
#endif

using Error = int;

// The causes that the library decides for itself, in the system's own terms.
#ifdef _WIN32
inline constexpr Error noMemory = ERROR_NOT_ENOUGH_MEMORY;
inline constexpr Error invalidArgument = ERROR_INVALID_PARAMETER;
inline constexpr Error tooBig = ERROR_FILE_TOO_LARGE;
inline constexpr Error tooMany = ERROR_ARITHMETIC_OVERFLOW;
#else
inline constexpr Error noMemory = ENOMEM;
inline constexpr Error invalidArgument = EINVAL;
inline constexpr Error tooBig = EFBIG;
inline constexpr Error tooMany = EOVERFLOW;
#endif

// The path as the operating system takes it, or nothing when it cannot be represented there
// (on POSIX: a lone surrogate, which has no UTF-8 form).
std::optional<NativePath> toNativePath(std::u16string_view path);

// A file opened for reading from its start to its end, a chunk at a time.
class InputFile {
  public:
    InputFile() = default;
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
    ~InputFile();

    // A directory is refused (EISDIR on POSIX).
    Error open(const NativePath& path);
    // The process's standard input, through a handle of the file's own.
    Error openStandardInput();

    struct Read {
        std::size_t count;  // 0 at the end of the file
        Error error;
    };
    // Reads at most size bytes, fewer when fewer are ready (a pipe) or left.
    Read read(char* buffer, std::size_t size);

    // The size of the file in bytes when it is a regular file; nothing for a pipe, a terminal or
    // a device, whose end is not known in advance, nor when the system cannot tell.
    std::optional<std::uint64_t> size() const;

  private:
#ifdef _WIN32
    void* handle_ = nullptr;
#else
    int fd_ = -1;
#endif
};

// An output file. A regular file, or one that does not exist yet, is written to a new temporary
// file beside it that takes its place only when commit succeeds: until then, and after any
// failure, the file that was there stays as it was, and readers of it keep reading it. Anything
// else (a pipe, a terminal, a device) is written to directly.
class OutputFile {
  public:
    OutputFile() = default;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    // Without a successful commit, removes the temporary and leaves the file alone.
    ~OutputFile();

    Error open(const NativePath& path);
    // The process's standard output, written directly through a handle of the file's own.
    Error openStandardOutput();
    Error write(const void* bytes, std::size_t size);
    // Closes the output and puts it in place.
    Error commit();

  private:
    void abandon();

#ifdef _WIN32
    using Handle = void*;
    static constexpr Handle none = nullptr;
#else
    using Handle = int;
    static constexpr Handle none = -1;
#endif
    Handle file_ = none;      // what the records are written to: the temporary, or the output
    Handle existing_ = none;  // the existing output, kept open until it is replaced
    NativePath target_;       // the file the output replaces (symbolic links followed)
    NativePath temporary_;    // empty when writing directly
    bool direct_ = false;
    bool inPlace_ = false;  // the temporary is elsewhere and is copied over the output at the end
    bool created_ = false;  // the output was made by this call, and goes again on failure
#ifdef _WIN32
    bool existed_ = false;          // an output was there to be replaced
    unsigned long attributes_ = 0;  // its attributes that a replacement keeps (hidden, system)
#endif
};

// For a program that removes its temporaries when a signal ends it, as the lorvex tool does (the
// library itself installs no handler: a host's signals stay the host's). From the first call of
// noteTemporaries on, every temporary is noted while it exists; removeTemporaries waits for a
// copy over an output under way (so that the output is never left torn), removes them all, and
// blocks for good every thread that would create, rename or remove another. Neither is safe in a
// signal handler: call removeTemporaries from a thread that waits for the signal.
void noteTemporaries();
void removeTemporaries();

// Whether error says that the reader of a pipe has gone.
bool isBrokenPipe(Error error);

// Whether both paths name one existing file (the same device and inode on POSIX, the same volume
// and file index on Windows), however they spell it.
bool sameFile(const NativePath& first, const NativePath& second);
// Whether path names the file that the process's standard input reads, told apart the same way.
bool isStandardInput(const NativePath& path);

// The message the system gives for an error code.
std::string errorMessage(Error error);

}  // namespace lorvex::platform
