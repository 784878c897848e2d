// The file layer on the Win32 calls themselves: no C runtime streams (so no limit on how many
// files are open at once), handles that no child process inherits, and the result of every
// write and close checked.
#define _CRT_RAND_S  // rand_s, from the system's random number generator
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "file.h"
#include "temporary_name.h"
#include "unicode.h"

namespace lorvex::platform {

std::optional<NativePath> toNativePath(std::u16string_view path) {
    // Windows takes UTF-16 paths as they are, lone surrogates included.
    return NativePath(path.begin(), path.end());
}

namespace {

constexpr DWORD shareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

Error closeHandle(HANDLE handle) {
    return CloseHandle(handle) ? 0 : static_cast<Error>(GetLastError());
}

}  // namespace

InputFile::~InputFile() {
    if (handle_ != nullptr) CloseHandle(handle_);
}

Error InputFile::open(const NativePath& path) {
    HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ, shareAll, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return static_cast<Error>(GetLastError());
    handle_ = handle;
    return 0;
}

namespace {

// A handle of the caller's own to one of the process's standard handles, never inherited.
Error duplicateStandard(DWORD which, HANDLE& handle) {
    HANDLE standard = GetStdHandle(which);
    if (standard == INVALID_HANDLE_VALUE || standard == nullptr) return ERROR_INVALID_HANDLE;
    HANDLE process = GetCurrentProcess();
    if (!DuplicateHandle(process, standard, process, &handle, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
        handle = nullptr;
        return static_cast<Error>(GetLastError());
    }
    return 0;
}

}  // namespace

Error InputFile::openStandardInput() {
    return duplicateStandard(STD_INPUT_HANDLE, handle_);
}

InputFile::Read InputFile::read(char* buffer, std::size_t size) {
    DWORD got = 0;
    DWORD want = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
    if (ReadFile(handle_, buffer, want, &got, nullptr)) return {got, 0};
    DWORD error = GetLastError();
    if (error == ERROR_BROKEN_PIPE) return {0, 0};  // the writer of a pipe has finished
    return {0, static_cast<Error>(error)};
}

std::optional<std::uint64_t> InputFile::size() const {
    LARGE_INTEGER size{};
    if (GetFileType(handle_) != FILE_TYPE_DISK || !GetFileSizeEx(handle_, &size)) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(size.QuadPart);
}

namespace {

Error writeAll(HANDLE handle, const char* bytes, std::size_t size) {
    while (size > 0) {
        DWORD put = 0;
        DWORD want = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
        if (!WriteFile(handle, bytes, want, &put, nullptr)) {
            return static_cast<Error>(GetLastError());
        }
        if (put == 0) return ERROR_WRITE_FAULT;  // no progress, and no error to say why
        bytes += put;
        size -= put;
    }
    return 0;
}

NativePath directoryOf(const NativePath& path) {
    std::size_t separator = path.find_last_of(L"\\/");
    if (separator != NativePath::npos) return path.substr(0, separator + 1);
    // A drive-relative name such as Z:feed.rec lies in the drive's current directory.
    return path.size() >= 2 && path[1] == L':' ? path.substr(0, 2) : NativePath();
}

// The path of the file that handle has open, symbolic links followed.
NativePath finalPath(HANDLE handle, const NativePath& fallback) {
    DWORD size = GetFinalPathNameByHandleW(handle, nullptr, 0, FILE_NAME_NORMALIZED);
    if (size == 0) return fallback;
    NativePath path(size, L'\0');
    DWORD length = GetFinalPathNameByHandleW(handle, path.data(), size, FILE_NAME_NORMALIZED);
    if (length == 0 || length >= size) return fallback;
    path.resize(length);
    return path;
}

// Creates a new temporary for name in directory, exclusively.
HANDLE createTemporary(const NativePath& directory, const NativePath& name, NativePath& path) {
    HANDLE handle = INVALID_HANDLE_VALUE;
    tryTemporaryNames(directory, name, path, [&](const NativePath& candidate) {
        handle = CreateFileW(candidate.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                             nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        return handle != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS;
    });
    return handle;
}

NativePath temporaryDirectory() {
    wchar_t buffer[MAX_PATH + 1];
    DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
    return length == 0 || length > MAX_PATH ? NativePath() : NativePath(buffer, length);
}

}  // namespace

OutputFile::~OutputFile() {
    abandon();
}

void OutputFile::abandon() {
    if (file_ != none) CloseHandle(file_);
    if (existing_ != none) CloseHandle(existing_);
    if (!temporary_.empty()) DeleteFileW(temporary_.c_str());
    if (created_) DeleteFileW(target_.c_str());
    file_ = existing_ = none;
    temporary_.clear();
    created_ = false;
}

namespace {

// While another call replaces the same output, its old file lingers for a moment, deleted but
// still open: it refuses every open and every replacement (access denied), and the file that
// replaces it is held without sharing for a moment too (a sharing violation). Only such an
// attempt is made again, for about a second at most, before the refusal counts: a folder (a
// share's root among them) or a read-only file refuses for good. The thread's last error is
// then the attempt's.
template <class Attempt>
bool retriedWhileRefused(const NativePath& path, Attempt attempt) {
    for (DWORD waited = 0, wait = 1;; waited += wait, wait = std::min<DWORD>(wait * 2, 50)) {
        if (attempt()) return true;
        DWORD why = GetLastError();
        DWORD attributes =
            why == ERROR_ACCESS_DENIED ? GetFileAttributesW(path.c_str()) : INVALID_FILE_ATTRIBUTES;
        bool forGood = attributes != INVALID_FILE_ATTRIBUTES &&
                       (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0;
        bool lingering = why == ERROR_SHARING_VIOLATION || (why == ERROR_ACCESS_DENIED && !forGood);
        if (!lingering || waited >= 1000) {
            SetLastError(why);
            return false;
        }
        Sleep(wait);
    }
}

// Whether nothing holds the file open without letting it be deleted, so that ReplaceFileW may
// work (a failed one leaves litter behind on some systems). False, with the last error set, when
// something does or the file cannot be opened at all.
bool replaceable(const NativePath& path) {
    HANDLE probe = CreateFileW(path.c_str(), DELETE, shareAll, nullptr, OPEN_EXISTING,
                               FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (probe == INVALID_HANDLE_VALUE) return false;
    CloseHandle(probe);
    return true;
}

// The attributes a replacement keeps: those that say how the file is shown and indexed, not
// what it holds or how it is stored.
constexpr DWORD keptAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

}  // namespace

Error OutputFile::open(const NativePath& path) {
    HANDLE existing = INVALID_HANDLE_VALUE;
    retriedWhileRefused(path, [&] {
        existing = CreateFileW(path.c_str(), GENERIC_WRITE, shareAll, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        return existing != INVALID_HANDLE_VALUE;
    });
    target_ = path;
    if (existing == INVALID_HANDLE_VALUE) {
        auto error = static_cast<Error>(GetLastError());
        if (error != ERROR_FILE_NOT_FOUND) return error;
        // Not found, yet the name itself opens: a symbolic link to a file that does not exist
        // yet. The file is made where it points, empty, to take the records, as on POSIX; it
        // goes again should they not come.
        HANDLE link =
            CreateFileW(path.c_str(), 0, shareAll, nullptr, OPEN_EXISTING,
                        FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (link != INVALID_HANDLE_VALUE) {
            CloseHandle(link);
            existing = CreateFileW(path.c_str(), GENERIC_WRITE, shareAll, nullptr, OPEN_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
            if (existing == INVALID_HANDLE_VALUE) return static_cast<Error>(GetLastError());
            created_ = GetLastError() != ERROR_ALREADY_EXISTS;
            existed_ = true;
            target_ = finalPath(existing, path);
            CloseHandle(existing);
        }
    } else if (GetFileType(existing) != FILE_TYPE_DISK) {
        // A console, a pipe or a device (NUL): written as the records come.
        direct_ = true;
        file_ = existing;
        return 0;
    } else {
        // Opened to learn that it may be written at all, as a plain open for writing would, and
        // closed again at once: readers that share reading alone may open it until the commit.
        // The records go to the name the caller gave, as it is spelled (a folder may tell case
        // apart, and a \\?\ name may end in a space or a dot), unless it is a symbolic link: then
        // to the file it names.
        existed_ = true;
        BY_HANDLE_FILE_INFORMATION info{};
        if (GetFileInformationByHandle(existing, &info)) {
            attributes_ = info.dwFileAttributes & keptAttributes;
        }
        DWORD own = GetFileAttributesW(path.c_str());
        if (own != INVALID_FILE_ATTRIBUTES && (own & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
            target_ = finalPath(existing, path);
        }
        CloseHandle(existing);
    }

    NativePath directory = directoryOf(target_);
    NativePath name = target_.substr(directory.size());
    if (name.empty()) return ERROR_INVALID_NAME;  // "" or "dir\"
    file_ = createTemporary(directory, name, temporary_);
    if (file_ == INVALID_HANDLE_VALUE && GetLastError() == ERROR_ACCESS_DENIED && existed_) {
        // The directory takes no new file, but the output may be written: the records go to a
        // temporary elsewhere and are copied over the output once they are complete.
        inPlace_ = true;
        file_ = createTemporary(temporaryDirectory(), name, temporary_);
    }
    if (file_ == INVALID_HANDLE_VALUE) {
        Error error = static_cast<Error>(GetLastError());
        file_ = none;
        temporary_.clear();
        return error;
    }
    return 0;
}

Error OutputFile::openStandardOutput() {
    direct_ = true;
    return duplicateStandard(STD_OUTPUT_HANDLE, file_);
}

Error OutputFile::write(const void* bytes, std::size_t size) {
    return writeAll(file_, static_cast<const char*>(bytes), size);
}

namespace {

// Makes sure that size bytes will fit in the file at path, open as file, before any of it is
// overwritten: the clusters are reserved where the file system can, and the free space is
// checked where it cannot. The file keeps its length.
Error reserve(HANDLE file, const NativePath& path, LONGLONG size) {
    LARGE_INTEGER length{};
    if (!GetFileSizeEx(file, &length)) return static_cast<Error>(GetLastError());
    if (size <= length.QuadPart) return 0;
    FILE_ALLOCATION_INFO allocation{};
    allocation.AllocationSize.QuadPart = size;
    if (SetFileInformationByHandle(file, FileAllocationInfo, &allocation, sizeof allocation)) {
        return 0;
    }
    DWORD why = GetLastError();
    if (why == ERROR_DISK_FULL || why == ERROR_HANDLE_DISK_FULL) return static_cast<Error>(why);
    ULARGE_INTEGER available{};
    NativePath directory = directoryOf(path);
    if (!GetDiskFreeSpaceExW(directory.empty() ? nullptr : directory.c_str(), &available, nullptr,
                             nullptr)) {
        return 0;  // no way to know: the writes will tell
    }
    auto needed = static_cast<ULONGLONG>(size - length.QuadPart);
    return available.QuadPart < needed ? ERROR_DISK_FULL : 0;
}

// Copies the whole of the file at from over the file at path, open as to: locked against other
// calls doing the same, its space reserved first, and cut to the new length only once every byte
// is written. The lock goes with the handle.
Error copyOver(const NativePath& from, HANDLE to, const NativePath& path) {
    OVERLAPPED whole{};
    if (!LockFileEx(to, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole)) {
        return static_cast<Error>(GetLastError());
    }
    HANDLE source = CreateFileW(from.c_str(), GENERIC_READ, shareAll, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (source == INVALID_HANDLE_VALUE) return static_cast<Error>(GetLastError());
    LARGE_INTEGER size{};
    Error error = GetFileSizeEx(source, &size) ? reserve(to, path, size.QuadPart)
                                               : static_cast<Error>(GetLastError());
    if (error == 0 && SetFilePointer(to, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) {
        error = static_cast<Error>(GetLastError());
    }
    std::vector<char> buffer(64 * 1024);
    while (error == 0) {
        DWORD got = 0;
        if (!ReadFile(source, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) {
            error = static_cast<Error>(GetLastError());
        } else if (got == 0) {
            break;
        } else {
            error = writeAll(to, buffer.data(), got);
        }
    }
    if (error == 0 && !SetEndOfFile(to)) error = static_cast<Error>(GetLastError());
    CloseHandle(source);
    return error;
}

}  // namespace

Error OutputFile::commit() {
    HANDLE file = file_;
    file_ = none;
    Error error = closeHandle(file);
    if (direct_ || error != 0) {
        abandon();
        return error;
    }
    if (!inPlace_) {
        // The old file is replaced with its attributes and security kept; a new one is moved in,
        // over whatever another call or process put there meanwhile, as rename does on POSIX.
        bool existed = existed_;
        bool replaced = retriedWhileRefused(target_, [&] {
            if (existed) {
                if (replaceable(target_) &&
                    ReplaceFileW(target_.c_str(), temporary_.c_str(), nullptr,
                                 REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
                    return true;
                }
                // The old file is gone: deleted meanwhile, or by ReplaceFileW itself when it
                // could not then move the records in. They are moved in as for a new output.
                DWORD why = GetLastError();
                if (why != ERROR_UNABLE_TO_MOVE_REPLACEMENT && why != ERROR_FILE_NOT_FOUND) {
                    return false;
                }
            }
            return MoveFileExW(temporary_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
        });
        if (replaced) {
            temporary_.clear();  // it is the output now
            created_ = false;
            abandon();
            DWORD now =
                attributes_ != 0 ? GetFileAttributesW(target_.c_str()) : INVALID_FILE_ATTRIBUTES;
            if (now != INVALID_FILE_ATTRIBUTES && (now & attributes_) != attributes_) {
                SetFileAttributesW(target_.c_str(), (now | attributes_) & ~FILE_ATTRIBUTE_NORMAL);
            }
            return 0;
        }
        error = static_cast<Error>(GetLastError());
        // Held by another program without delete sharing; anything else (a mapped file, a
        // read-only one) would refuse the copy as well, or tear it.
        bool refused = error == ERROR_SHARING_VIOLATION || error == ERROR_UNABLE_TO_REMOVE_REPLACED;
        if (!existed || !refused) {
            abandon();
            return error;
        }
        // Another handle holds the output open without letting it be replaced: write over it
        // from the finished temporary instead.
    }
    {
        // Opened again for the copy alone; it was closed while the records were written.
        existing_ = CreateFileW(target_.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (existing_ == INVALID_HANDLE_VALUE) {
            existing_ = none;
            error = static_cast<Error>(GetLastError());
            abandon();
            return error;
        }
    }
    error = copyOver(temporary_, existing_, target_);
    if (error == 0) created_ = false;
    HANDLE existing = existing_;
    existing_ = none;
    Error closed = closeHandle(existing);
    abandon();
    return error != 0 ? error : closed;
}

// The tool watches no signals on Windows (a console's Ctrl+C ends a process at once), so nothing
// is noted there.
void noteTemporaries() {}
void removeTemporaries() {}

void randomBytes(unsigned char* bytes, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        unsigned random = 0;
        if (rand_s(&random) != 0) {
            // No random number to be had: the clock and the thread still differ from call to
            // call.
            random = GetTickCount() ^ GetCurrentThreadId() << 8 ^ static_cast<unsigned>(i);
        }
        bytes[i] = static_cast<unsigned char>(random ^ random >> 8 ^ random >> 16 ^ random >> 24);
    }
}

bool isBrokenPipe(Error error) {
    return error == ERROR_NO_DATA || error == ERROR_BROKEN_PIPE;
}

namespace {

bool identify(const NativePath& path, BY_HANDLE_FILE_INFORMATION& info) {
    HANDLE handle = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, shareAll, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    bool known = GetFileInformationByHandle(handle, &info);
    CloseHandle(handle);
    return known;
}

bool sameIdentity(const BY_HANDLE_FILE_INFORMATION& one, const BY_HANDLE_FILE_INFORMATION& other) {
    return one.dwVolumeSerialNumber == other.dwVolumeSerialNumber &&
           one.nFileIndexHigh == other.nFileIndexHigh && one.nFileIndexLow == other.nFileIndexLow;
}

}  // namespace

bool sameFile(const NativePath& first, const NativePath& second) {
    BY_HANDLE_FILE_INFORMATION one{}, other{};
    return identify(first, one) && identify(second, other) && sameIdentity(one, other);
}

bool isStandardInput(const NativePath& path) {
    // A console or a pipe has no file information, and so is no file that a path names.
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    BY_HANDLE_FILE_INFORMATION one{}, other{};
    return input != nullptr && input != INVALID_HANDLE_VALUE &&
           GetFileInformationByHandle(input, &one) && identify(path, other) &&
           sameIdentity(one, other);
}

std::string errorMessage(Error error) {
    wchar_t* text = nullptr;
    DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(error), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string message;
    if (length > 0) {
        message = unicode::toUtf8Lossy(
            std::u16string_view(reinterpret_cast<const char16_t*>(text), length));
    }
    LocalFree(text);
    // "The system cannot find the file specified.\r\n" reads like the POSIX messages without
    // its full stop and line end.
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                                message.back() == ' ' || message.back() == '.')) {
        message.pop_back();
    }
    return message.empty() ? "error " + std::to_string(error) : message;
}

}  // namespace lorvex::platform
