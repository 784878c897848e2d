#include <sys/stat.h>
#include <sys/types.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "file.h"

namespace lorvex::platform {

// Windows takes UTF-16 paths as they are, lone surrogates included.
std::optional<NativePath> toNativePath(std::u16string_view path) {
    return NativePath(path.begin(), path.end());
}

// Input is always read into memory of its own here, so nothing is ever mapped.
FileBytes::~FileBytes() {
    release();
}

void FileBytes::release() {
    std::free(data_);
    data_ = nullptr;
    size_ = 0;
}

int FileBytes::detach() {
    return 0;
}

namespace {

struct CloseStream {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using Stream = std::unique_ptr<std::FILE, CloseStream>;

constexpr std::size_t streamChunk = 64 * 1024;

}  // namespace

ReadStatus readWholeFile(const NativePath& path, std::size_t limit, FileBytes& out) {
    out.release();
    struct _stat64 info {};
    if (_wstat64(path.c_str(), &info) == 0 && (info.st_mode & _S_IFDIR)) return {EISDIR, false};
    Stream file(_wfopen(path.c_str(), L"rb"));
    if (!file) return {errno, false};
    bool regular = _fstat64(_fileno(file.get()), &info) == 0 && (info.st_mode & _S_IFREG);
    if (regular && static_cast<unsigned long long>(info.st_size) > limit) return {EFBIG, true};

    std::size_t capacity = regular ? static_cast<std::size_t>(info.st_size) + 1 : streamChunk;
    std::size_t size = 0;
    char* data = static_cast<char*>(std::malloc(capacity));
    if (!data) return {ENOMEM, true};
    for (;;) {
        if (size == capacity) {
            if (capacity > limit) {
                std::free(data);
                return {EFBIG, true};
            }
            std::size_t grown = capacity > limit / 2 ? limit + 1 : capacity * 2;
            char* moved = static_cast<char*>(std::realloc(data, grown));
            if (!moved) {
                std::free(data);
                return {ENOMEM, true};
            }
            data = moved;
            capacity = grown;
        }
        std::size_t got = std::fread(data + size, 1, capacity - size, file.get());
        size += got;
        if (size > limit || (got == 0 && std::ferror(file.get()))) {
            int error = size > limit ? EFBIG : (errno ? errno : EIO);
            std::free(data);
            return {error, true};
        }
        if (got == 0) break;
    }
    out.data_ = data;
    out.size_ = size;
    return {0, true};
}

OutputFile::~OutputFile() {
    if (stream_) std::fclose(static_cast<std::FILE*>(stream_));
}

int OutputFile::open(const NativePath& path, FileBytes&) {
    stream_ = _wfopen(path.c_str(), L"wb");
    return stream_ ? 0 : errno;
}

int OutputFile::write(const void* bytes, std::size_t size) {
    auto* stream = static_cast<std::FILE*>(stream_);
    if (std::fwrite(bytes, 1, size, stream) != size) return errno ? errno : EIO;
    return 0;
}

int OutputFile::close() {
    auto* stream = static_cast<std::FILE*>(stream_);
    stream_ = nullptr;
    return std::fclose(stream) != 0 ? (errno ? errno : EIO) : 0;
}

std::string errorMessage(int error) {
    return std::strerror(error);
}

}  // namespace lorvex::platform
