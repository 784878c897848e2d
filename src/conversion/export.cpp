// The C boundary: ConvertFile maps the conversion's result to one int, and lets nothing throw
// across it.
#include <string_view>

#include "convert.h"
#include "lorvex.h"

extern "C" LORVEX_API int ConvertFile(const lorvex_char* inputPath, const lorvex_char* outputPath) {
    using lorvex::platform::toNativePath;
    if (inputPath == nullptr || outputPath == nullptr) return -1;
    try {
        auto input = toNativePath(reinterpret_cast<const char16_t*>(inputPath));
        auto output = toNativePath(reinterpret_cast<const char16_t*>(outputPath));
        if (!input || !output) return -1;
        lorvex::Conversion result = lorvex::convertFile(*input, *output);
        return result.failure == lorvex::Failure::none ? result.records : -1;
    } catch (...) {
        // Only allocation can throw here.
        return -1;
    }
}
