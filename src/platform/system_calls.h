// The system calls of the POSIX file layer, made through one table so that tests can make any of
// them fail on purpose (a failed read halfway through a file, a full disk, a failed rename). Only
// tests replace the entries; the layer itself just calls through them.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>

namespace lorvex::platform {

struct SystemCalls {
    int (*open)(const char* path, int flags, mode_t mode);
    int (*fstat)(int fd, struct stat* info);
    ssize_t (*read)(int fd, void* buffer, std::size_t size);
    ssize_t (*write)(int fd, const void* bytes, std::size_t size);
    int (*close)(int fd);
    int (*rename)(const char* from, const char* to);
    int (*unlink)(const char* path);
    int (*ftruncate)(int fd, off_t length);
    int (*fallocate)(int fd, int mode, off_t offset, off_t length);
    int (*fchown)(int fd, uid_t owner, gid_t group);
    // Waits for an exclusive lock on the whole file, held by the open file until it is closed.
    int (*lock)(int fd);
};

// The system's own calls, unless a test has put stand-ins in their place.
extern SystemCalls systemCalls;

}  // namespace lorvex::platform
