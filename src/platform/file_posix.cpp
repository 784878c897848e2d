#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <set>
#include <string_view>
#include <vector>

#include "file.h"
#include "system_calls.h"
#include "temporary_name.h"
#include "unicode.h"

namespace lorvex::platform {

namespace {

// open takes its mode through "...", which a table entry cannot point at directly.
int openFile(const char* path, int flags, mode_t mode) {
    return ::open(path, flags, mode);
}

// An open-file-description lock, not a process's: two threads of one host that each open the
// file exclude each other, and closing any other descriptor of the file does not drop it.
int lockWhole(int fd) {
    struct flock whole {};
    whole.l_type = F_WRLCK;
    whole.l_whence = SEEK_SET;
    return ::fcntl(fd, F_OFD_SETLKW, &whole);
}

}  // namespace

SystemCalls systemCalls{openFile, ::fstat,     ::read,      ::write,  ::close,  ::rename,
                        ::unlink, ::ftruncate, ::fallocate, ::fchown, lockWhole};

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

std::optional<std::uint64_t> InputFile::size() const {
    struct stat info {};
    if (systemCalls.fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    return static_cast<std::uint64_t>(info.st_size);
}

namespace {

// A write to a pipe whose reader has gone raises SIGPIPE, and a write past the file-size limit
// (ulimit -f) SIGXFSZ; both kill a process by default, and a library must not do that to its
// host. While the guard lives, both are blocked on this thread; one that a failed call raised
// (EPIPE, EFBIG) is taken back before the old mask returns, and one that was already pending is
// left for the host.
class SignalGuard {
  public:
    SignalGuard() {
        sigset_t pending;
        sigemptyset(&pending);
        bool known = sigpending(&pending) == 0;
        for (Watched& watched : watched_)
            watched.wasPending = known && sigismember(&pending, watched.signal) == 1;
        sigset_t both;
        sigemptyset(&both);
        sigaddset(&both, SIGPIPE);
        sigaddset(&both, SIGXFSZ);
        blocked_ = pthread_sigmask(SIG_BLOCK, &both, &old_) == 0;
    }
    SignalGuard(const SignalGuard&) = delete;
    SignalGuard& operator=(const SignalGuard&) = delete;
    ~SignalGuard() {
        if (!blocked_) return;
        int saved = errno;
        for (const Watched& watched : watched_) {
            if (!watched.raised || watched.wasPending) continue;
            sigset_t one;
            sigemptyset(&one);
            sigaddset(&one, watched.signal);
            const timespec none{};
            while (sigtimedwait(&one, nullptr, &none) < 0 && errno == EINTR) {
            }
        }
        pthread_sigmask(SIG_SETMASK, &old_, nullptr);
        errno = saved;
    }

    // Returns error, noting the signal that the failure behind it raised.
    Error note(Error error) {
        for (Watched& watched : watched_)
            watched.raised = watched.raised || error == watched.error;
        return error;
    }

  private:
    struct Watched {
        int signal;
        Error error;
        bool wasPending = false, raised = false;
    };
    Watched watched_[2] = {{SIGPIPE, EPIPE}, {SIGXFSZ, EFBIG}};
    sigset_t old_;
    bool blocked_ = false;
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
    return path;  // a loop, which stat has reported already
}

// The temporaries that exist, for a program that removes them when a signal ends it. Noted only
// once the program asks (noteTemporaries): a host that does not pays for no lock. Each is created
// and each is renamed or removed with the lock held, so that what is noted is exactly what exists.
struct Temporaries {
    std::atomic<bool> noted{false};
    std::mutex lock;
    std::set<std::string> paths;
};

Temporaries& temporaries() {
    static Temporaries* all = new Temporaries;  // never destroyed: other threads may outlive exit
    return *all;
}

class TemporariesLock {
  public:
    TemporariesLock() : held_(temporaries().noted.load()) {
        if (held_) temporaries().lock.lock();
    }
    TemporariesLock(const TemporariesLock&) = delete;
    TemporariesLock& operator=(const TemporariesLock&) = delete;
    ~TemporariesLock() {
        if (held_) temporaries().lock.unlock();
    }
    void created(const std::string& path) {
        if (held_) temporaries().paths.insert(path);
    }
    void gone(const std::string& path) {
        if (held_) temporaries().paths.erase(path);
    }

  private:
    bool held_;
};

// Creates a new temporary for name in directory, for writing, exclusively: a name that exists
// already, even as a symbolic link, is never opened.
int createTemporary(const std::string& directory, const std::string& name, mode_t mode,
                    std::string& path) {
    int fd = -1;
    tryTemporaryNames(directory, name, path, [&](const std::string& candidate) {
        TemporariesLock noted;
        fd = systemCalls.open(candidate.c_str(),
                              O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd >= 0) noted.created(candidate);
        return fd >= 0 || errno != EEXIST;
    });
    return fd;
}

// TMPDIR, when it names a directory, or else /tmp.
std::string temporaryDirectory() {
    const char* dir = std::getenv("TMPDIR");
    struct stat info {};
    std::string path =
        dir != nullptr && *dir != '\0' && ::stat(dir, &info) == 0 && S_ISDIR(info.st_mode) ? dir
                                                                                           : "/tmp";
    return path.ends_with('/') ? path : path + '/';
}

// The errors with which a directory refuses a new file that the output itself may still take.
bool refusesNewFiles(Error error) {
    return error == EACCES || error == EPERM || error == ENAMETOOLONG;
}

// Opens an existing output for writing, never truncated, and learns so that it may be written
// at all, as a plain open for writing would. Non-blocking first, so that a FIFO put there
// meanwhile cannot hang the call; a lease that another process holds on the file is waited out,
// as any other writer waits for it.
int openExisting(const std::string& path) {
    const int flags = O_WRONLY | O_CLOEXEC | O_NOCTTY;
    int fd = systemCalls.open(path.c_str(), flags | O_NONBLOCK, 0);
    if (fd < 0 && errno == EWOULDBLOCK) fd = systemCalls.open(path.c_str(), flags, 0);
    return fd;
}

// Copies the extended attributes of one open file to another. An access control list (a
// "system." attribute) must arrive, for without it the copied permission bits would grant the
// list's owning group what its mask allowed only to the named entries: failing to copy one fails
// the call. A label that the system assigns itself or that needs privileges the caller lacks
// (security.*, trusted.*) is left to the system, as a new file of the caller's would have it.
Error copyAttributes(int from, int to) {
    std::vector<char> names;
    for (int attempt = 0;; ++attempt) {
        ssize_t size = ::flistxattr(from, nullptr, 0);
        if (size < 0) return errno == ENOTSUP ? 0 : errno;
        if (size == 0) return 0;
        names.resize(static_cast<std::size_t>(size));
        size = ::flistxattr(from, names.data(), names.size());
        if (size >= 0) {
            names.resize(static_cast<std::size_t>(size));
            break;
        }
        if (errno != ERANGE || attempt == 3) return errno;  // grew meanwhile: ask again
    }
    std::vector<char> value;
    for (std::size_t at = 0; at < names.size();) {
        const char* name = names.data() + at;
        at += std::strlen(name) + 1;
        ssize_t size = ::fgetxattr(from, name, nullptr, 0);
        if (size >= 0) {
            value.resize(static_cast<std::size_t>(size));
            size = ::fgetxattr(from, name, value.data(), value.size());
        }
        if (size < 0) {
            if (errno == ENODATA) continue;  // removed meanwhile
            return errno;
        }
        if (::fsetxattr(to, name, value.data(), static_cast<std::size_t>(size), 0) == 0) continue;
        bool accessList = std::string_view(name).starts_with("system.");
        if (accessList || (errno != EPERM && errno != EACCES && errno != ENOTSUP)) return errno;
    }
    return 0;
}

}  // namespace

OutputFile::~OutputFile() {
    abandon();
}

void OutputFile::abandon() {
    if (file_ >= 0) systemCalls.close(file_);
    if (existing_ >= 0 && created_) {
        // The output did not exist before this call made it: it goes again, unless someone
        // has put another file in its place meanwhile.
        struct stat made {
        }, there{};
        if (systemCalls.fstat(existing_, &made) == 0 && ::lstat(target_.c_str(), &there) == 0 &&
            made.st_dev == there.st_dev && made.st_ino == there.st_ino) {
            systemCalls.unlink(target_.c_str());
        }
    }
    if (existing_ >= 0) systemCalls.close(existing_);
    if (!temporary_.empty()) {
        TemporariesLock noted;
        systemCalls.unlink(temporary_.c_str());
        noted.gone(temporary_);
    }
    file_ = existing_ = none;
    temporary_.clear();
    created_ = false;
}

Error OutputFile::open(const NativePath& path) {
    struct stat info {};
    bool exists = ::stat(path.c_str(), &info) == 0;
    // Anything but a missing file (a loop of links, a name too long) is the caller's to hear: a
    // loop would otherwise be replaced by a regular file.
    if (!exists && errno != ENOENT) return errno;
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
        existing_ = openExisting(target_);
        if (existing_ < 0) return errno;
        if (systemCalls.fstat(existing_, &info) != 0) return errno;
        if (!S_ISREG(info.st_mode)) return EINVAL;  // replaced by something else meanwhile
        mode = 0600;                                // until the file's own permissions are copied
    }

    std::string directory = directoryOf(target_);
    std::string name = target_.substr(directory.size());
    if (name.empty()) return target_.empty() ? ENOENT : EISDIR;  // "" or "dir/"
    file_ = createTemporary(directory, name, mode, temporary_);
    Error refusal = file_ < 0 ? errno : 0;
    if (refusal == ENAMETOOLONG && existing_ < 0) {
        // Only the temporary's longer name is too long: the output itself is created now, empty,
        // to take the records once they are complete, and removed again should they not be.
        existing_ = systemCalls.open(
            target_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0666);
        if (existing_ < 0) {
            int error = errno;
            temporary_.clear();
            return error;
        }
        created_ = true;
    }
    if (refusesNewFiles(refusal) && existing_ >= 0) {
        // The directory takes no new file, but the output may be written: the records go to a
        // temporary elsewhere and are copied over the output once they are complete.
        inPlace_ = true;
        file_ = createTemporary(temporaryDirectory(), name, 0600, temporary_);
    }
    if (file_ < 0) {
        int error = errno;
        temporary_.clear();
        abandon();
        return error;
    }
    if (exists && !inPlace_) {
        if (Error error = copyAttributes(existing_, file_)) return error;
        // The owner and group where the caller may set them; where the owner may not be, the
        // group alone (a member of the group may give a file to it). Then the permissions, which
        // a change of owner may have cleared.
        if (systemCalls.fchown(file_, info.st_uid, info.st_gid) != 0 &&
            systemCalls.fchown(file_, static_cast<uid_t>(-1), info.st_gid) != 0) {
            // Neither: the replacement is the caller's, as any new file would be.
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
    SignalGuard guard;
    return guard.note(writeAll(file_, static_cast<const char*>(bytes), size));
}

namespace {

// Makes sure that size bytes will fit in the file before any of it is overwritten: the blocks
// are reserved where the file system can, the free space checked where it cannot, and the
// file-size limit checked either way. The file keeps its length.
Error reserve(int fd, off_t size) {
    struct rlimit limit {};
    if (::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
        static_cast<rlim_t>(size) > limit.rlim_cur) {
        return EFBIG;
    }
    if (size == 0) return 0;
    while (systemCalls.fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, size) != 0) {
        if (errno == EINTR) continue;
        if (errno != EOPNOTSUPP && errno != ENOSYS) return errno;
        struct stat info {};
        struct statvfs space {};
        if (systemCalls.fstat(fd, &info) != 0 || ::fstatvfs(fd, &space) != 0) return 0;
        auto available = static_cast<unsigned long long>(space.f_bavail) * space.f_frsize;
        auto held = static_cast<unsigned long long>(info.st_blocks) * 512;
        return static_cast<unsigned long long>(size) > held + available ? ENOSPC : 0;
    }
    return 0;
}

// Copies the whole of the file at from (open for reading) over the file at to, which is locked
// against other calls doing the same, and cut to the new length only once every byte is written.
Error copyOver(int from, int to) {
    while (systemCalls.lock(to) != 0) {
        if (errno != EINTR) return errno;
    }
    struct stat info {};
    if (systemCalls.fstat(from, &info) != 0) return errno;
    if (Error error = reserve(to, info.st_size)) return error;
    char buffer[64 * 1024];
    for (;;) {
        ssize_t got = systemCalls.read(from, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return errno;
        if (got == 0) break;
        if (Error error = writeAll(to, buffer, static_cast<std::size_t>(got))) return error;
    }
    while (systemCalls.ftruncate(to, info.st_size) != 0) {
        if (errno != EINTR) return errno;
    }
    return 0;
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
        {
            TemporariesLock noted;
            if (systemCalls.rename(temporary_.c_str(), target_.c_str()) == 0) {
                noted.gone(temporary_);
                temporary_.clear();  // it is the output now
            } else {
                error = errno;
            }
        }
        if (error == 0) {
            abandon();
            return 0;
        }
        if ((error != EACCES && error != EPERM && error != EBUSY) || existing_ < 0) {
            abandon();
            return error;
        }
        // The system will not replace the file (a sticky directory, a mount point): write over
        // it from the finished temporary instead.
    }
    int from = systemCalls.open(temporary_.c_str(), O_RDONLY | O_CLOEXEC, 0);
    {
        // A program that removes its temporaries when a signal ends it waits for the copy
        // first: the signal never tears the output.
        TemporariesLock noted;
        SignalGuard guard;
        error = guard.note(from < 0 ? errno : copyOver(from, existing_));
    }
    if (from >= 0) systemCalls.close(from);
    if (error != 0) {
        abandon();
        return error;
    }
    created_ = false;  // it holds the records: it stays
    int existing = existing_;
    existing_ = none;
    error = closeDescriptor(existing);
    abandon();
    return error;
}

void noteTemporaries() {
    temporaries().noted = true;
}

void removeTemporaries() {
    Temporaries& all = temporaries();
    if (!all.noted) return;
    all.lock.lock();  // and never unlocked: no temporary is created, renamed or removed after this
    for (const std::string& path : all.paths)
        ::unlink(path.c_str());
}

void randomBytes(unsigned char* bytes, std::size_t size) {
    if (::getentropy(bytes, size) == 0) return;
    // No entropy to be had: the clock and the address of a local still differ from call to call.
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    auto mix = static_cast<unsigned long long>(now.tv_nsec) ^
               reinterpret_cast<std::uintptr_t>(&now) ^
               static_cast<unsigned long long>(::getpid()) << 20;
    for (std::size_t i = 0; i < size; ++i) {
        mix = mix * 6364136223846793005ull + 1442695040888963407ull;
        bytes[i] = static_cast<unsigned char>(mix >> 56);
    }
}

bool isBrokenPipe(Error error) {
    return error == EPIPE;
}

namespace {

bool sameIdentity(const struct stat& one, const struct stat& other) {
    return one.st_dev == other.st_dev && one.st_ino == other.st_ino;
}

}  // namespace

bool sameFile(const NativePath& first, const NativePath& second) {
    struct stat one {
    }, other{};
    return ::stat(first.c_str(), &one) == 0 && ::stat(second.c_str(), &other) == 0 &&
           sameIdentity(one, other);
}

bool isStandardInput(const NativePath& path) {
    struct stat input {
    }, named{};
    return ::fstat(STDIN_FILENO, &input) == 0 && ::stat(path.c_str(), &named) == 0 &&
           sameIdentity(input, named);
}

std::string errorMessage(Error error) {
    return std::strerror(error);
}

}  // namespace lorvex::platform
