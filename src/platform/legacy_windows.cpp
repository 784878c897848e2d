#include <windows.h>

#include <algorithm>
#include <array>
#include <string>

#include "legacy.h"

namespace lorvex::platform {

namespace {

struct CodePage {
    std::string_view label;
    UINT page;
};

// The legacy labels that feeds declare, with the Windows code page of each.
constexpr std::array codePages{
    CodePage{"big5", 950},
    CodePage{"euc-jp", 20932},
    CodePage{"euc-kr", 51949},
    CodePage{"gb18030", 54936},
    CodePage{"gb2312", 936},
    CodePage{"gbk", 936},
    CodePage{"ibm866", 866},
    CodePage{"iso-2022-jp", 50220},
    CodePage{"iso-8859-10", 28600},
    CodePage{"iso-8859-13", 28603},
    CodePage{"iso-8859-14", 28604},
    CodePage{"iso-8859-15", 28605},
    CodePage{"iso-8859-16", 28606},
    CodePage{"iso-8859-2", 28592},
    CodePage{"iso-8859-3", 28593},
    CodePage{"iso-8859-4", 28594},
    CodePage{"iso-8859-5", 28595},
    CodePage{"iso-8859-6", 28596},
    CodePage{"iso-8859-7", 28597},
    CodePage{"iso-8859-8", 28598},
    CodePage{"iso-8859-9", 28599},
    CodePage{"koi8-r", 20866},
    CodePage{"koi8-u", 21866},
    CodePage{"macintosh", 10000},
    CodePage{"shift_jis", 932},
    CodePage{"windows-1250", 1250},
    CodePage{"windows-1251", 1251},
    CodePage{"windows-1253", 1253},
    CodePage{"windows-1254", 1254},
    CodePage{"windows-1255", 1255},
    CodePage{"windows-1256", 1256},
    CodePage{"windows-1257", 1257},
    CodePage{"windows-1258", 1258},
    CodePage{"windows-874", 874},
    CodePage{"x-mac-cyrillic", 10007},
};

}  // namespace

bool decodeLegacy(std::string_view label, std::string_view bytes, std::u16string& out) {
    std::string lower(label);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
    auto known = std::find_if(codePages.begin(), codePages.end(),
                              [&](const CodePage& cp) { return cp.label == lower; });
    if (known == codePages.end()) return false;
    if (bytes.empty()) return true;

    // The input never exceeds the 1 GiB limit, so its length fits an int.
    int length = static_cast<int>(bytes.size());
    int units = MultiByteToWideChar(known->page, 0, bytes.data(), length, nullptr, 0);
    if (units <= 0) return false;
    std::size_t start = out.size();
    out.resize(start + static_cast<std::size_t>(units));
    MultiByteToWideChar(known->page, 0, bytes.data(), length,
                        reinterpret_cast<wchar_t*>(out.data() + start), units);
    return true;
}

}  // namespace lorvex::platform
