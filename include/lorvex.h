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
#define LORVEX_API __declspec(dllexport)
#elif defined(LORVEX_STATIC)
#define LORVEX_API
#else
#define LORVEX_API __declspec(dllimport)
#endif
#elif defined(__GNUC__)
#define LORVEX_API __attribute__((visibility("default")))
#else
#define LORVEX_API
#endif

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
 * The input is read whole before the output is touched, so a missing input
 * leaves the output as it was, and a file may be converted onto itself. The
 * output is then created or emptied, and holds one record per accepted item.
 *
 * Returns the number of records written (0 or more) when every record reached
 * the output and the output was closed cleanly. Returns -1 when a path is null
 * or cannot be represented for the operating system, the input cannot be
 * opened or read or is larger than 1 GiB, the output cannot be created,
 * written or closed, or memory runs out. After -1 the output may hold fewer
 * records than the feed has; an input that could not be read leaves the output
 * untouched.
 *
 * Thread safety: calls may overlap freely, from any threads. Each call keeps
 * its working storage to itself, takes no locks and runs wholly on the
 * caller's thread.
 *
 * On POSIX systems a regular input file is mapped into memory rather than
 * copied. Another process must not truncate the input while a call reads it:
 * a file shortened under a mapping raises SIGBUS. */
LORVEX_API int ConvertFile(const lorvex_char* inputPath, const lorvex_char* outputPath);

#ifdef __cplusplus
}
#endif

#endif /* LORVEX_H */
