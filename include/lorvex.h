/* Lorvex: converts an RSS 2.0 feed file into a file of fixed-width feed records.
 *
 * Each accepted item of the feed becomes one record of 550 UTF-16LE characters
 * (1,100 bytes): its title (100 characters), its publication date as the feed
 * writes it (50) and a summary of its description (400), each padded on the
 * right with spaces. Record k begins at byte 1,100 * k; the file has no header,
 * separator or byte order mark.
 *
 * This header compiles as C and as C++. */
#ifndef LORVEX_H
#define LORVEX_H

#define LORVEX_VERSION_MAJOR 1
#define LORVEX_VERSION_MINOR 0
#define LORVEX_VERSION_PATCH 0

#if defined(_WIN32) || defined(__CYGWIN__)
#if defined(LORVEX_BUILDING)
/* The module's .def file names the exports and fixes their ordinals, so nothing is marked for
 * export here: a marked class would also export members that must stay out of the table. */
#define LORVEX_API
#else
#define LORVEX_API __declspec(dllimport)
#endif
#elif defined(__GNUC__)
#define LORVEX_API __attribute__((visibility("default")))
#else
#define LORVEX_API
#endif

#include <errno.h>
#include <stdlib.h>
#include <string.h>

/* The platform's 16-bit character: wchar_t on Windows, char16_t elsewhere. */
#if defined(_WIN32)
#include <stddef.h>
typedef wchar_t lorvex_char;
#elif defined(__cplusplus)
typedef char16_t lorvex_char;
#else
#include <uchar.h>
typedef char16_t lorvex_char;
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Converts the RSS 2.0 feed at inputPath into a record file at outputPath.
 *
 * Both paths are zero-terminated UTF-16 strings in the platform's path syntax.
 * The feed is read as it is converted, through a window of a few hundred KiB
 * that holds the stretch one item spans, so a feed of any size, from a file or
 * a pipe, takes little memory.
 *
 * An output that is a regular file (or does not exist yet) is written to a new
 * temporary file beside it, ".<name>.XXXXXX", which takes its place only once
 * every record is written: after any failure the file that was there is left
 * byte for byte as it was, and a file may be converted onto itself. The old
 * file's permissions are kept; a symbolic link keeps pointing to the file it
 * names, which receives the records; another hard link to the old file keeps
 * the old records. Where the directory takes no new file, or the system will
 * not replace the output, the finished records are copied over it instead. An
 * output that is not a regular file (a pipe, a terminal, a device such as
 * /dev/stdout) is written as the records come.
 *
 * Returns the number of records written (0 or more) when every record reached
 * the output and the output was closed and put in place; errno, and on Windows
 * the thread's last error, are then as they were before the call. Returns -1
 * on failure, with errno on POSIX, and the last error (GetLastError) on
 * Windows, set to its cause:
 *   - a path is null, or cannot be represented for the operating system (on
 *     POSIX, a path with a lone surrogate): EINVAL, ERROR_INVALID_PARAMETER;
 *   - the input cannot be opened or read, or the output cannot be created,
 *     written, closed or put in place: the system's own error for the call
 *     that failed (ENOENT, EACCES, EISDIR, ENOSPC, ...);
 *   - one item needs more than 1 GiB of the feed at once: EFBIG,
 *     ERROR_FILE_TOO_LARGE;
 *   - the output is a pipe whose reader has gone: EPIPE (on Windows, the
 *     failed write's own error);
 *   - memory runs out: ENOMEM, ERROR_NOT_ENOUGH_MEMORY.
 * After -1 an output that is not a regular file may have received some records.
 *
 * Thread safety: calls may overlap freely, from any threads, even on the same
 * files: each call keeps its working storage to itself, takes no locks and runs
 * wholly on the caller's thread, and an overlapping call on one file gives the
 * result of one of the calls made one after the other. No call raises SIGPIPE
 * in the host. */
LORVEX_API int ConvertFile(const lorvex_char* inputPath, const lorvex_char* outputPath);

/* Helpers of ConvertFileUtf8. */

/* Decodes the UTF-8 character at *in and moves past it: its code point, or -1 for an overlong
 * form, a surrogate, a code point beyond U+10FFFF, a truncated sequence or a stray byte. */
static inline long lorvex_utf8_next(const unsigned char** in) {
    static const long least[] = {0, 0x80, 0x800, 0x10000}; /* by number of continuation bytes */
    const unsigned char* p = *in;
    long c = *p++;
    int more = c < 0x80 ? 0 : c < 0xC0 ? -1 : c < 0xE0 ? 1 : c < 0xF0 ? 2 : c < 0xF8 ? 3 : -1;
    int i;
    if (more < 0) return -1;
    c &= 0x7F >> more; /* the lead byte's own bits */
    for (i = 0; i < more; ++i) {
        if ((*p & 0xC0) != 0x80) return -1; /* the terminator included */
        c = c << 6 | (*p++ & 0x3F);
    }
    *in = p;
    return c < least[more] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF) ? -1 : c;
}

/* The 16-bit form of a UTF-8 path, in memory the caller frees; NULL with errno EINVAL for a
 * null or ill-formed path, ENOMEM when memory runs out. */
static inline lorvex_char* lorvex_utf16_path(const char* path) {
    const unsigned char* in = (const unsigned char*)path;
    lorvex_char* wide;
    size_t n = 0;
    if (path == NULL) {
        errno = EINVAL;
        return NULL;
    }
    /* No character takes more 16-bit units than it has bytes. */
    wide = (lorvex_char*)malloc((strlen(path) + 1) * sizeof *wide);
    if (wide == NULL) {
        errno = ENOMEM;
        return NULL;
    }
    while (*in != 0) {
        long c = lorvex_utf8_next(&in);
        if (c < 0) {
            free(wide);
            errno = EINVAL;
            return NULL;
        }
        if (c > 0xFFFF) { /* a surrogate pair */
            c -= 0x10000;
            wide[n++] = (lorvex_char)(0xD800 + (c >> 10));
            c = 0xDC00 + (c & 0x3FF);
        }
        wide[n++] = (lorvex_char)c;
    }
    wide[n] = 0;
    return wide;
}

/* ConvertFile for two zero-terminated UTF-8 paths, the form C programs and most languages
 * hold them in. Inline, so that the module's exports stay as they are. Returns as ConvertFile
 * does, and -1 with errno EINVAL for a null or ill-formed path (an overlong form, a surrogate,
 * a code point beyond U+10FFFF, a truncated sequence, a stray continuation byte) or ENOMEM
 * when memory runs out; on Windows these two set errno, and ConvertFile's own failures the
 * last error. */
static inline int ConvertFileUtf8(const char* inputPath, const char* outputPath) {
    int callerErrno = errno;
    lorvex_char* input = lorvex_utf16_path(inputPath);
    lorvex_char* output = input != NULL ? lorvex_utf16_path(outputPath) : NULL;
    int result = output != NULL ? ConvertFile(input, output) : -1;
    int error = result < 0 ? errno : callerErrno;
    free(input);
    free(output);
    errno = error; /* free may change it */
    return result;
}

#ifdef __cplusplus
}

/* Exports beside the conversion, for C++ hosts; they take no part in it. */

/* A class without data members: each object is one byte of storage that means nothing. */
class LORVEX_API CVarnel {
  public:
    /* Does nothing: the object's byte is left as it was. */
    CVarnel();
    /* Copying is the one byte and needs no code of the module. */
    CVarnel(const CVarnel& source) = default;
    /* Copies the source's byte into this object and returns this object. */
    CVarnel& operator=(const CVarnel& source);
};

/* Returns 42, on every call, from any thread. */
LORVEX_API int fnVarnel();

/* 0 when the module is loaded; the library itself never reads or changes it. */
LORVEX_API extern int nVarnel;
#endif

#endif /* LORVEX_H */
