#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "file.h"
#include "system_calls.h"
#include "unicode.h"

namespace lorvex::platform {

namespace {

// open takes its mode through "...", which a table entry cannot point at directly.
int openFile(const char* path, int flags, mode_t mode) {
    return ::open(path, flags, mode);
}

}  // namespace

SystemCalls systemCalls{openFile, ::fstat, ::read, ::write, ::close, ::mmap, ::ftruncate};

std::optional<NativePath> toNativePath(std::u16string_view path) {
    NativePath out;
    out.reserve(path.size() * 3);
    for (std::size_t i = 0; i < path.size();) {
        char32_t c = unicode::nextCodePoint(path, i);
        if (unicode::isSurrogate(c)) return std::nullopt;  // no UTF-8 form
        unicode::appendUtf8(out, c);
    }
    return out;
}

FileBytes::~FileBytes() {
    release();
}

void FileBytes::release() {
    if (mapped_) {
        ::munmap(data_, size_);
    } else {
        std::free(data_);
    }
    data_ = nullptr;
    size_ = 0;
    mapped_ = false;
}

int FileBytes::detach() {
    if (!mapped_) return 0;
    auto* copy = static_cast<char*>(std::malloc(size_));
    if (!copy) return ENOMEM;
    std::memcpy(copy, data_, size_);
    std::size_t size = size_;
    release();
    data_ = copy;
    size_ = size;
    return 0;
}

namespace {

class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (fd_ >= 0) systemCalls.close(fd_);
    }
    int get() const { return fd_; }

  private:
    int fd_;
};

constexpr std::size_t streamChunk = 64 * 1024;

// Reads fd to its end into memory that grows as needed (realloc moves large blocks without
// copying them).
ReadStatus readAll(int fd, std::size_t expected, std::size_t limit, char*& data,
                   std::size_t& size) {
    std::size_t capacity = expected + 1;  // one more byte shows the end without a regrow
    data = static_cast<char*>(std::malloc(capacity));
    if (!data) return {ENOMEM, true};
    for (;;) {
        if (size == capacity) {
            if (capacity > limit) return {EFBIG, true};
            std::size_t grown = capacity > limit / 2 ? limit + 1 : capacity * 2;
            char* moved = static_cast<char*>(std::realloc(data, grown));
            if (!moved) return {ENOMEM, true};
            data = moved;
            capacity = grown;
        }
        ssize_t got = systemCalls.read(fd, data + size, capacity - size);
        if (got < 0) {
            if (errno == EINTR) continue;
            return {errno, true};
        }
        if (got == 0) return {0, true};
        size += static_cast<std::size_t>(got);
        if (size > limit) return {EFBIG, true};
    }
}

}  // namespace

ReadStatus readWholeFile(const NativePath& path, std::size_t limit, FileBytes& out) {
    out.release();
    Descriptor fd(systemCalls.open(path.c_str(), O_RDONLY | O_CLOEXEC, 0));
    if (fd.get() < 0) return {errno, false};
    struct stat info {};
    if (systemCalls.fstat(fd.get(), &info) != 0) return {errno, true};
    if (S_ISDIR(info.st_mode)) return {EISDIR, false};
    bool regular = S_ISREG(info.st_mode);
    auto size = static_cast<std::size_t>(info.st_size);
    if (regular && size > limit) return {EFBIG, true};

    if (regular && size > 0) {
        void* mapped =
            systemCalls.mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd.get(), 0);
        if (mapped != MAP_FAILED) {
            out.data_ = static_cast<char*>(mapped);
            out.size_ = size;
            out.mapped_ = true;
            out.device_ = static_cast<unsigned long long>(info.st_dev);
            out.inode_ = static_cast<unsigned long long>(info.st_ino);
            return {0, true};
        }
        // Some file systems cannot map files: read them instead.
    }
    ReadStatus status =
        readAll(fd.get(), regular ? size : streamChunk, limit, out.data_, out.size_);
    if (status.error != 0) out.release();
    return status;
}

OutputFile::~OutputFile() {
    if (fd_ >= 0) systemCalls.close(fd_);
}

int OutputFile::open(const NativePath& path, FileBytes& input) {
    // Opened without O_TRUNC: the file is emptied only once it is known not to be the input.
    fd_ = systemCalls.open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd_ < 0) return errno;
    struct stat info {};
    if (systemCalls.fstat(fd_, &info) != 0) return errno;
    if (!S_ISREG(info.st_mode)) return 0;  // a device or a pipe cannot be emptied
    if (input.mapped_ && input.device_ == static_cast<unsigned long long>(info.st_dev) &&
        input.inode_ == static_cast<unsigned long long>(info.st_ino)) {
        if (int error = input.detach()) return error;
    }
    // An empty file is left as it is: on ext4, truncating, even to the size a file already has,
    // makes the close start writing the file back at once (the guard for files replaced by
    // truncation), which would cost a fresh output its delayed allocation.
    if (info.st_size == 0) return 0;
    return systemCalls.ftruncate(fd_, 0) == 0 ? 0 : errno;
}

int OutputFile::write(const void* bytes, std::size_t size) {
    const char* next = static_cast<const char*>(bytes);
    while (size > 0) {
        ssize_t put = systemCalls.write(fd_, next, size);
        if (put < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (put == 0) return EIO;  // no progress, and no error to say why
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
