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

void ByteBuffer::Free::operator()(char* p) const {
    std::free(p);
}

namespace {

struct CloseStream {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using Stream = std::unique_ptr<std::FILE, CloseStream>;

constexpr std::size_t streamChunk = 64 * 1024;

}  // namespace

ReadStatus readWholeFile(const NativePath& path, std::size_t limit, ByteBuffer& out) {
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
    out.data_.reset(data);
    for (;;) {
        if (size == capacity) {
            if (capacity > limit) return {EFBIG, true};
            std::size_t grown = capacity > limit / 2 ? limit + 1 : capacity * 2;
            char* moved = static_cast<char*>(std::realloc(out.data_.get(), grown));
            if (!moved) return {ENOMEM, true};
            out.data_.release();
            out.data_.reset(moved);
            capacity = grown;
        }
        std::size_t got = std::fread(out.data_.get() + size, 1, capacity - size, file.get());
        size += got;
        if (size > limit) return {EFBIG, true};
        if (got == 0) {
            if (std::ferror(file.get())) return {errno ? errno : EIO, true};
            break;
        }
    }
    out.size_ = size;
    return {0, true};
}

OutputFile::~OutputFile() {
    if (stream_) std::fclose(static_cast<std::FILE*>(stream_));
}

int OutputFile::open(const NativePath& path) {
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
