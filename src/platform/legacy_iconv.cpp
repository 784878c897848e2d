#include <iconv.h>
#include <cerrno>

#include "legacy.h"

namespace lorvex::platform {

bool decodeLegacy(std::string_view label, std::string_view bytes, std::u16string& out) {
    std::string name(label);
    iconv_t converter = ::iconv_open("UTF-16LE", name.c_str());
    if (converter == reinterpret_cast<iconv_t>(-1)) return false;

    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    char chunk[8192];
    auto drain = [&](const char* end) {
        for (const char* p = chunk; p + 1 < end; p += 2) {
            auto lo = static_cast<unsigned char>(p[0]);
            auto hi = static_cast<unsigned char>(p[1]);
            out += static_cast<char16_t>(lo | hi << 8);
        }
    };
    while (inLeft > 0) {
        char* put = chunk;
        std::size_t putLeft = sizeof chunk;
        std::size_t done = ::iconv(converter, &in, &inLeft, &put, &putLeft);
        int error = done == static_cast<std::size_t>(-1) ? errno : 0;
        drain(put);
        if (error != 0 && error != E2BIG) {
            // A rejected byte (EILSEQ), or an incomplete sequence at the end (EINVAL):
            // one U+FFFD a byte.
            out += u'\uFFFD';
            ++in;
            --inLeft;
            ::iconv(converter, nullptr, nullptr, nullptr, nullptr);
        }
    }
    char* put = chunk;
    std::size_t putLeft = sizeof chunk;
    ::iconv(converter, nullptr, nullptr, &put, &putLeft);
    drain(put);
    ::iconv_close(converter);
    return true;
}

}  // namespace lorvex::platform
