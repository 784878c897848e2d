#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string_view>
#include <vector>

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

SystemCalls systemCalls{openFile, ::fstat,  ::read,   ::write,
                        ::close,  ::rename, ::unlink, ::ftruncate};

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

namespace {

// Linux releases a descriptor even when close reports an error, and an interrupted close has
// closed it too: a failed close is never retried.
Error closeDescriptor(int fd) {
    return systemCalls.close(fd) != 0 && errno != EINTR ? errno : 0;
}

}  // namespace

InputFile::~InputFile() {
    if (fd_ >= 0) systemCalls.close(fd_);
}

Error InputFile::open(const NativePath& path) {
    fd_ = systemCalls.open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY, 0);
    if (fd_ < 0) return errno;
    struct stat info {};
    if (systemCalls.fstat(fd_, &info) != 0) return errno;
    return S_ISDIR(info.st_mode) ? EISDIR : 0;
}

Error InputFile::openStandardInput() {
    fd_ = ::fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 0);
    return fd_ >= 0 ? 0 : errno;
}

InputFile::Read InputFile::read(char* buffer, std::size_t size) {
    for (;;) {
        ssize_t got = systemCalls.read(fd_, buffer, size);
        if (got >= 0) return {static_cast<std::size_t>(got), 0};
        if (errno != EINTR) return {0, errno};
    }
}

namespace {

// A write to a pipe whose reader has gone raises SIGPIPE, which kills a process by default: a
// library must not do that to its host. While the guard lives, SIGPIPE is blocked on this thread;
// one that a failed write raised is taken back before the old mask returns, and one that was
// already pending is left for the host.
class PipeSignalGuard {
  public:
    PipeSignalGuard() {
        sigemptyset(&pipe_);
        sigaddset(&pipe_, SIGPIPE);
        sigset_t pending;
        sigemptyset(&pending);
        wasPending_ = sigpending(&pending) == 0 && sigismember(&pending, SIGPIPE) == 1;
        blocked_ = pthread_sigmask(SIG_BLOCK, &pipe_, &old_) == 0;
    }
    PipeSignalGuard(const PipeSignalGuard&) = delete;
    PipeSignalGuard& operator=(const PipeSignalGuard&) = delete;
    ~PipeSignalGuard() {
        if (!blocked_) return;
        int saved = errno;
        if (raised_ && !wasPending_) {
            const timespec none{};
            while (sigtimedwait(&pipe_, nullptr, &none) < 0 && errno == EINTR) {
            }
        }
        pthread_sigmask(SIG_SETMASK, &old_, nullptr);
        errno = saved;
    }

    void noteError(int error) { raised_ = raised_ || error == EPIPE; }

  private:
    sigset_t pipe_, old_;
    bool wasPending_ = false, blocked_ = false, raised_ = false;
};

Error writeAll(int fd, const char* bytes, std::size_t size) {
    while (size > 0) {
        ssize_t put = systemCalls.write(fd, bytes, size);
        if (put < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (put == 0) return EIO;  // no progress, and no error to say why
        bytes += put;
        size -= static_cast<std::size_t>(put);
    }
    return 0;
}

std::string directoryOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Whether path lies in /proc, where a symbolic link names an open file (as /dev/stdout and
// /dev/fd/N do, through it) rather than a place in a directory.
bool inProc(const std::string& path) {
    std::string directory = directoryOf(path);
    char* real = ::realpath(directory.empty() ? "." : directory.c_str(), nullptr);
    bool proc = real != nullptr && std::string_view(real).starts_with("/proc/");
    std::free(real);
    return proc;
}

// The file that path names once every symbolic link on the way is followed, or path itself where
// the chain breaks off (a dangling link names the file it would create). Sets viaDescriptor when
// a link on the way names an open file instead.
std::string followLinks(std::string path, bool& viaDescriptor) {
    for (int hop = 0; hop < 40; ++hop) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
        if (inProc(path)) {
            viaDescriptor = true;
            return path;
        }
        std::vector<char> target(static_cast<std::size_t>(info.st_size) + 1);
        ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
        if (length < 0 || static_cast<std::size_t>(length) >= target.size()) return path;
        std::string next(target.data(), static_cast<std::size_t>(length));
        path = next.starts_with('/') ? next : directoryOf(path) + next;
    }
    return path;  // a loop: open reports it
}

// Six characters that nobody can guess, for a temporary's name.
std::string randomSuffix() {
    static constexpr char alphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    unsigned char random[6];
    if (::getentropy(random, sizeof random) != 0) {
        // No entropy to be had: the clock and the address of a local still differ from call to
        // call, and O_EXCL keeps a clash harmless.
        timespec now{};
        ::clock_gettime(CLOCK_REALTIME, &now);
        auto mix = static_cast<unsigned long long>(now.tv_nsec) ^
                   reinterpret_cast<std::uintptr_t>(&now) ^
                   static_cast<unsigned long long>(::getpid()) << 20;
        for (unsigned char& byte : random) {
            mix = mix * 6364136223846793005ull + 1442695040888963407ull;
            byte = static_cast<unsigned char>(mix >> 56);
        }
    }
    std::string suffix;
    for (unsigned char byte : random)
        suffix += alphabet[byte % (sizeof alphabet - 1)];
    return suffix;
}

// Creates a new file ".<name>.XXXXXX" in directory for writing, exclusively: a
// name that exists already, even as a symbolic link, is never opened. Its name says what it is
// should a crash leave it behind.
int createTemporary(const std::string& directory, const std::string& name, mode_t mode,
                    std::string& path) {
    // A name of up to 200 bytes keeps the temporary's name within any file system's limit.
    std::string stem = directory + "." + name.substr(0, 200) + ".";
    for (int attempt = 0; attempt < 100; ++attempt) {
        path = stem + randomSuffix();
        int fd = systemCalls.open(path.c_str(),
                                  O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

std::string temporaryDirectory() {
    const char* dir = std::getenv("TMPDIR");
    std::string path = dir != nullptr && *dir != '\0' ? dir : "/tmp";
    return path.ends_with('/') ? path : path + '/';
}

}  // namespace

OutputFile::~OutputFile() {
    abandon();
}

void OutputFile::abandon() {
    if (file_ >= 0) systemCalls.close(file_);
    if (existing_ >= 0) systemCalls.close(existing_);
    if (!temporary_.empty()) systemCalls.unlink(temporary_.c_str());
    file_ = existing_ = none;
    temporary_.clear();
}

Error OutputFile::open(const NativePath& path) {
    struct stat info {};
    bool exists = ::stat(path.c_str(), &info) == 0;
    bool viaDescriptor = false;
    target_ = followLinks(path, viaDescriptor);
    if ((exists && !S_ISREG(info.st_mode)) || viaDescriptor) {
        // A pipe, a terminal or a device, or a file named by an open descriptor (/dev/stdout):
        // written as the records come, a file from its start. (A FIFO without a reader waits
        // for one here, as it does for any program that writes to it.)
        direct_ = true;
        int flags = O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY;
        if (exists && S_ISREG(info.st_mode)) flags |= O_TRUNC;
        file_ = systemCalls.open(path.c_str(), flags, 0666);
        return file_ >= 0 ? 0 : errno;
    }

    mode_t mode = 0666;  // the umask applies
    if (exists) {
        // Open, never truncated, to learn that it may be written at all, as a plain open for
        // writing would.
        existing_ =
            systemCalls.open(target_.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0);
        if (existing_ < 0) return errno;
        if (systemCalls.fstat(existing_, &info) != 0) return errno;
        if (!S_ISREG(info.st_mode)) return EINVAL;  // replaced by something else meanwhile
        mode = 0600;                                // until the file's own permissions are copied
    }

    std::string directory = directoryOf(target_);
    std::string name = target_.substr(directory.size());
    if (name.empty()) return target_.empty() ? ENOENT : EISDIR;  // "" or "dir/"
    file_ = createTemporary(directory, name, mode, temporary_);
    if (file_ < 0 && (errno == EACCES || errno == EPERM) && existing_ >= 0) {
        // The directory takes no new file, but the output may be written: the records go to a
        // temporary elsewhere and are copied over the output once they are complete.
        inPlace_ = true;
        file_ = createTemporary(temporaryDirectory(), name, 0600, temporary_);
    }
    if (file_ < 0) {
        int error = errno;
        temporary_.clear();
        return error;
    }
    if (exists && !inPlace_) {
        // The owner and group where the caller may set them (failing quietly where not), then
        // the permissions, which a change of owner may have cleared.
        if (::fchown(file_, info.st_uid, info.st_gid) != 0) {
            // Not the owner: the replacement is the caller's, as any new file would be.
        }
        ::fchmod(file_, info.st_mode & 07777);
    }
    return 0;
}

Error OutputFile::openStandardOutput() {
    direct_ = true;
    file_ = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 0);
    return file_ >= 0 ? 0 : errno;
}

Error OutputFile::write(const void* bytes, std::size_t size) {
    if (!direct_) return writeAll(file_, static_cast<const char*>(bytes), size);
    PipeSignalGuard guard;
    Error error = writeAll(file_, static_cast<const char*>(bytes), size);
    guard.noteError(error);
    return error;
}

namespace {

// Copies the whole of the file at from (open for reading) over the file at to.
Error copyOver(int from, int to) {
    if (systemCalls.ftruncate(to, 0) != 0) return errno;
    char buffer[64 * 1024];
    for (;;) {
        ssize_t got = systemCalls.read(from, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return errno;
        if (got == 0) return 0;
        if (Error error = writeAll(to, buffer, static_cast<std::size_t>(got))) return error;
    }
}

}  // namespace

Error OutputFile::commit() {
    int file = file_;
    file_ = none;
    Error error = closeDescriptor(file);
    if (direct_ || error != 0) {
        abandon();
        return error;
    }
    if (!inPlace_) {
        if (systemCalls.rename(temporary_.c_str(), target_.c_str()) == 0) {
            temporary_.clear();  // it is the output now
            abandon();
            return 0;
        }
        error = errno;
        if ((error != EACCES && error != EPERM && error != EBUSY) || existing_ < 0) {
            abandon();
            return error;
        }
        // The system will not replace the file (a sticky directory, a mount point): write over
        // it from the finished temporary instead.
    }
    int from = systemCalls.open(temporary_.c_str(), O_RDONLY | O_CLOEXEC, 0);
    error = from < 0 ? errno : copyOver(from, existing_);
    if (from >= 0) systemCalls.close(from);
    int existing = existing_;
    existing_ = none;
    Error closed = closeDescriptor(existing);
    abandon();
    return error != 0 ? error : closed;
}

bool isBrokenPipe(Error error) {
    return error == EPIPE;
}

bool sameFile(const NativePath& first, const NativePath& second) {
    struct stat one {
    }, other{};
    return ::stat(first.c_str(), &one) == 0 && ::stat(second.c_str(), &other) == 0 &&
           one.st_dev == other.st_dev && one.st_ino == other.st_ino;
}

std::string errorMessage(Error error) {
    return std::strerror(error);
}

}  // namespace lorvex::platform
