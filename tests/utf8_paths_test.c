/* ConvertFileUtf8 from C, the way a C program calls it: the example feed converted to files
 * whose names need every length of UTF-8, ill-formed names refused with EINVAL, a missing
 * input reported with ENOENT. Usage: utf8_paths_test EXAMPLE_FEED SCRATCH_FOLDER */
#define _POSIX_C_SOURCE 200809L
#include <errno.h>
#include <stdio.h>
#include <sys/stat.h>

#include "lorvex.h"

static int failures = 0;

static void check(int ok, const char* what, const char* name) {
    if (!ok) {
        printf("FAILED: %s: %s\n", name, what);
        ++failures;
    }
}

static void inFolder(char* path, size_t size, const char* folder, const char* name) {
    snprintf(path, size, "%s/%s", folder, name);
}

int main(int argc, char** argv) {
    /* Names ConvertFileUtf8 must take: two-, three- and four-byte characters, and the first and
     * last character of each length and around the surrogates. */
    static const char* const wellFormed[] = {
        "caf\xC3\xA9 \xE6\x9D\xB1\xE4\xBA\xAC \xF0\x9F\x93\xB0.rec", /* café 東京 📰 */
        "\xC2\x80\xDF\xBF\xE0\xA0\x80\xED\x9F\xBF\xEE\x80\x80\xEF\xBF\xBF"
        "\xF0\x90\x80\x80\xF4\x8F\xBF\xBF.rec",
    };
    static const char* const illFormed[] = {
        "overlong \xC0\xAF.rec",
        "overlong \xE0\x9F\xBF.rec",
        "overlong \xF0\x8F\xBF\xBF.rec",
        "surrogate \xED\xA0\x80.rec",
        "surrogate \xED\xBF\xBF.rec",
        "beyond U+10FFFF \xF4\x90\x80\x80.rec",
        "five bytes \xF8\x88\x80\x80\x80.rec",
        "truncated \xE6\x9D.rec",
        "truncated at the end \xF0\x9F\x93",
        "stray continuation \x80.rec",
        "lone lead \xC3 .rec",
    };
    char path[4096], output[4096], feed[4096];
    size_t i;
    if (argc != 3) {
        fprintf(stderr, "usage: %s EXAMPLE_FEED SCRATCH_FOLDER\n", argv[0]);
        return 2;
    }
    if (mkdir(argv[2], 0777) != 0 && errno != EEXIST) {
        perror(argv[2]);
        return 2;
    }

    for (i = 0; i < sizeof wellFormed / sizeof wellFormed[0]; ++i) {
        struct stat info;
        inFolder(path, sizeof path, argv[2], wellFormed[i]);
        remove(path);
        errno = EDOM;
        check(ConvertFileUtf8(argv[1], path) == 5, "5 records", path);
        check(errno == EDOM, "errno left as it was", path);
        /* The bytes given are the name on disk: the 16-bit form went there and back intact. */
        check(stat(path, &info) == 0 && info.st_size == 5 * 1100, "5,500 bytes there", path);
    }

    inFolder(output, sizeof output, argv[2], "out.rec");
    for (i = 0; i < sizeof illFormed / sizeof illFormed[0]; ++i) {
        inFolder(path, sizeof path, argv[2], illFormed[i]);
        errno = 0;
        check(ConvertFileUtf8(argv[1], path) == -1 && errno == EINVAL, "-1, EINVAL", path);
        errno = 0;
        check(ConvertFileUtf8(path, output) == -1 && errno == EINVAL, "-1, EINVAL", path);
    }

    errno = 0;
    check(ConvertFileUtf8(NULL, output) == -1 && errno == EINVAL, "-1, EINVAL", "null input");
    errno = 0;
    check(ConvertFileUtf8(argv[1], NULL) == -1 && errno == EINVAL, "-1, EINVAL", "null output");

    inFolder(feed, sizeof feed, argv[2], "missing caf\xC3\xA9.xml");
    errno = 0;
    check(ConvertFileUtf8(feed, output) == -1 && errno == ENOENT, "-1, ENOENT", feed);

    return failures == 0 ? 0 : 1;
}
