#include <windows.h>

#include <algorithm>
#include <array>
#include <string>

#include "legacy.h"

namespace lorvex::platform {

namespace {

// Whether a converter for page keeps a state from one character to the next (ISO-2022 and the
// like): the text may be split only where the state is plain ASCII again, at a line end.
bool keepsState(UINT page) {
    return page >= 50220 && page <= 50229;
}

}  // namespace

LegacyDecoder::~LegacyDecoder() = default;

Error LegacyDecoder::open(const LegacyEncoding& encoding) {
    if (encoding.codePage == CP_ACP || !IsValidCodePage(encoding.codePage)) return invalidArgument;
    page_ = encoding.codePage;
    return 0;
}

void LegacyDecoder::reset() {
    pending_.clear();
    handedOut_ = 0;
}

bool LegacyDecoder::singleByteTable(std::array<char16_t, 256>& table) {
    CPINFO info;
    if (!GetCPInfo(page_, &info) || info.MaxCharSize != 1) return false;
    for (std::size_t b = 0; b < table.size(); ++b) {
        char byte = static_cast<char>(b);
        wchar_t unit = L'\uFFFD';
        if (MultiByteToWideChar(page_, MB_ERR_INVALID_CHARS, &byte, 1, &unit, 1) != 1) {
            unit = L'\uFFFD';
        }
        if (b < 0x80 ? unit != static_cast<wchar_t>(b) : unit < 0x80) return false;
        table[b] = static_cast<char16_t>(unit);
    }
    return true;
}

LegacyDecoder::Decoded LegacyDecoder::decode(std::string_view bytes, bool last, char16_t* out,
                                             std::size_t room) {
    std::size_t consumed = 0;
    if (handedOut_ == pending_.size() && !bytes.empty()) {
        pending_.clear();
        handedOut_ = 0;
        // Only whole characters go to the converter, which keeps no state between calls: the
        // bytes up to the last one that cannot be part of a longer character.
        std::size_t take = bytes.size();
        if (!last) {
            auto safe = [&](char c) {
                return keepsState(page_) ? c == '\n' : static_cast<unsigned char>(c) < 0x30;
            };
            auto at = std::find_if(bytes.rbegin(), bytes.rend(), safe);
            take = static_cast<std::size_t>(bytes.rend() - at);
        }
        if (take > 0) {
            // The window never holds more than 1 GiB, so the length fits an int.
            int length = static_cast<int>(take);
            int units = MultiByteToWideChar(page_, 0, bytes.data(), length, nullptr, 0);
            pending_.assign(static_cast<std::size_t>(std::max(units, 0)), u'\0');
            MultiByteToWideChar(page_, 0, bytes.data(), length,
                                reinterpret_cast<wchar_t*>(pending_.data()), units);
            consumed = take;
        }
    }
    std::size_t produced = std::min(room, pending_.size() - handedOut_);
    std::copy_n(pending_.begin() + static_cast<std::ptrdiff_t>(handedOut_), produced, out);
    handedOut_ += produced;
    return {consumed, produced};
}

}  // namespace lorvex::platform
