#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "file.h"
#include "system_calls.h"

namespace lorvex::platform {

namespace {

// open takes its mode through "...", which a table entry cannot point at directly.
int openFile(const char* path, int flags, mode_t mode) {
    return ::open(path, flags, mode);
}

}  // namespace

SystemCalls systemCalls{openFile, ::fstat, ::read, ::write, ::close};

std::optional<NativePath> toNativePath(std::u16string_view path) {
    NativePath out;
    out.reserve(path.size() * 3);
    for (std::size_t i = 0; i < path.size(); ++i) {
        char32_t c = path[i];
        if (c >= 0xD800 && c <= 0xDFFF) {
            bool pairs = c <= 0xDBFF && i + 1 < path.size() && path[i + 1] >= 0xDC00 &&
                         path[i + 1] <= 0xDFFF;
            if (!pairs) return std::nullopt;
            c = 0x10000 + ((c - 0xD800) << 10) + (path[++i] - 0xDC00);
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

void ByteBuffer::Free::operator()(char* p) const {
    std::free(p);
}

namespace {

class InputFd {
  public:
    explicit InputFd(int fd) : fd_(fd) {}
    InputFd(const InputFd&) = delete;
    InputFd& operator=(const InputFd&) = delete;
    ~InputFd() {
        if (fd_ >= 0) systemCalls.close(fd_);
    }
    int get() const { return fd_; }

  private:
    int fd_;
};

constexpr std::size_t streamChunk = 64 * 1024;

}  // namespace

ReadStatus readWholeFile(const NativePath& path, std::size_t limit, ByteBuffer& out) {
    InputFd fd(systemCalls.open(path.c_str(), O_RDONLY | O_CLOEXEC, 0));
    if (fd.get() < 0) return {errno, false};
    struct stat info {};
    if (systemCalls.fstat(fd.get(), &info) != 0) return {errno, true};
    if (S_ISDIR(info.st_mode)) return {EISDIR, false};
    bool regular = S_ISREG(info.st_mode);
    if (regular && static_cast<std::size_t>(info.st_size) > limit) return {EFBIG, true};

    // One byte beyond the expected size lets a regular file's end be seen without a regrow.
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
        ssize_t got = systemCalls.read(fd.get(), out.data_.get() + size, capacity - size);
        if (got < 0) {
            if (errno == EINTR) continue;
            return {errno, true};
        }
        if (got == 0) break;
        size += static_cast<std::size_t>(got);
        if (size > limit) return {EFBIG, true};
    }
    out.size_ = size;
    return {0, true};
}

OutputFile::~OutputFile() {
    if (fd_ >= 0) systemCalls.close(fd_);
}

int OutputFile::open(const NativePath& path) {
    fd_ = systemCalls.open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    return fd_ < 0 ? errno : 0;
}

int OutputFile::write(const void* bytes, std::size_t size) {
    const char* next = static_cast<const char*>(bytes);
    while (size > 0) {
        ssize_t put = systemCalls.write(fd_, next, size);
        if (put < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        next += put;
        size -= static_cast<std::size_t>(put);
    }
    return 0;
}

int OutputFile::close() {
    int fd = fd_;
    fd_ = -1;
    return systemCalls.close(fd) != 0 && errno != EINTR ? errno : 0;
}

std::string errorMessage(int error) {
    return std::strerror(error);
}

}  // namespace lorvex::platform
