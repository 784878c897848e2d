// The C boundary: ConvertFile maps the conversion's result to one int and the reason for a
// failure to errno (the thread's last error on Windows), and lets nothing throw across it.
#ifdef _WIN32
#include <windows.h>
#endif

#include <cerrno>
#include <string_view>

#include "convert.h"
#include "lorvex.h"

namespace {

using lorvex::platform::Error;

struct Outcome {
    int records;  // -1 on failure
    Error error;  // the system's error behind a failure
};

Outcome convert(const lorvex_char* inputPath, const lorvex_char* outputPath) {
    using lorvex::platform::invalidArgument;
    using lorvex::platform::toNativePath;
    if (inputPath == nullptr || outputPath == nullptr) return {-1, invalidArgument};
    try {
        auto input = toNativePath(reinterpret_cast<const char16_t*>(inputPath));
        auto output = toNativePath(reinterpret_cast<const char16_t*>(outputPath));
        if (!input || !output) return {-1, invalidArgument};
        lorvex::Conversion result = lorvex::openAndConvert(*input, *output);
        if (result.failure != lorvex::Failure::none) return {-1, result.error};
        return {result.records, 0};
    } catch (...) {
        // Only allocation can throw here.
        return {-1, lorvex::platform::noMemory};
    }
}

}  // namespace

extern "C" LORVEX_API int ConvertFile(const lorvex_char* inputPath, const lorvex_char* outputPath) {
    // The library's own system calls change errno (and the last error) on the way, even to a
    // success: a stat of an output that does not exist yet, say. The caller's values are kept
    // so that a success leaves them as they were.
    const int callerErrno = errno;
#ifdef _WIN32
    const DWORD callerLastError = GetLastError();
#endif
    Outcome outcome = convert(inputPath, outputPath);
    bool failed = outcome.records < 0;
#ifdef _WIN32
    errno = callerErrno;  // Windows programs learn the reason from GetLastError alone
    SetLastError(failed ? static_cast<DWORD>(outcome.error) : callerLastError);
#else
    errno = failed ? outcome.error : callerErrno;
#endif
    return outcome.records;
}
