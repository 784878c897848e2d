#include "decode.h"

#include <algorithm>
#include <array>

#include "../platform/legacy.h"
#include "utf8.h"

namespace lorvex {

namespace {

bool startsWith(std::string_view bytes, std::string_view prefix) {
    return bytes.substr(0, prefix.size()) == prefix;
}

bool isXmlSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The label of encoding="..." in an XML declaration at the start of bytes (after white space),
// lower case; empty when there is no declaration or no label.
std::string declaredLabel(std::string_view bytes) {
    std::size_t start = 0;
    while (start < bytes.size() && isXmlSpace(bytes[start]))
        ++start;
    std::string_view rest = bytes.substr(start);
    if (!startsWith(rest, "<?xml")) return {};
    std::string_view declaration = rest.substr(0, rest.find("?>"));
    std::size_t at = declaration.find("encoding");
    if (at == std::string_view::npos) return {};
    std::size_t i = at + 8;
    while (i < declaration.size() && isXmlSpace(declaration[i]))
        ++i;
    if (i == declaration.size() || declaration[i] != '=') return {};
    ++i;
    while (i < declaration.size() && isXmlSpace(declaration[i]))
        ++i;
    if (i == declaration.size() || (declaration[i] != '"' && declaration[i] != '\'')) return {};
    char quote = declaration[i++];
    std::size_t end = declaration.find(quote, i);
    if (end == std::string_view::npos) return {};
    std::string label(declaration.substr(i, end - i));
    std::transform(label.begin(), label.end(), label.begin(), lowerAscii);
    return label;
}

// The labels that the WHATWG Encoding Standard maps to windows-1252.
constexpr std::array<std::string_view, 17> windows1252Labels{
    "ansi_x3.4-1968", "ascii",           "cp1252",     "cp819",     "csisolatin1",
    "ibm819",         "iso-8859-1",      "iso-ir-100", "iso8859-1", "iso88591",
    "iso_8859-1",     "iso_8859-1:1987", "l1",         "latin1",    "us-ascii",
    "windows-1252",   "x-cp1252",
};

// Labels that claim UTF-8, UTF-16 or UTF-32. A declaration readable as single bytes is not
// UTF-16 or UTF-32 whatever it says, so all of them are read as UTF-8.
constexpr std::array<std::string_view, 20> unicodeLabels{
    "unicode-1-1-utf-8",
    "unicode11utf8",
    "unicode20utf8",
    "utf-8",
    "utf8",
    "x-unicode20utf8",
    "csunicode",
    "iso-10646-ucs-2",
    "ucs-2",
    "unicode",
    "unicodefeff",
    "unicodefffe",
    "utf-16",
    "utf-16be",
    "utf-16le",
    "utf16",
    "utf-32",
    "utf-32be",
    "utf-32le",
    "ucs-4",
};

bool listed(std::string_view label, const auto& labels) {
    return std::find(labels.begin(), labels.end(), label) != labels.end();
}

// Bytes 0x80 to 0x9F of windows-1252; the five it leaves unassigned keep their C1 controls.
constexpr std::array<char16_t, 32> windows1252High{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

unsigned byteAt(std::string_view bytes, std::size_t i) {
    return static_cast<unsigned char>(bytes[i]);
}

void decodeUtf16(std::string_view bytes, bool bigEndian, std::u16string& out) {
    std::size_t pairs = bytes.size() / 2;
    out.reserve(out.size() + pairs + 1);
    for (std::size_t i = 0; i < pairs * 2; i += 2) {
        unsigned first = byteAt(bytes, i), second = byteAt(bytes, i + 1);
        out += static_cast<char16_t>(bigEndian ? first << 8 | second : second << 8 | first);
    }
    if (bytes.size() % 2 != 0) out += replacementCharacter;
}

void decodeUtf32(std::string_view bytes, bool bigEndian, std::u16string& out) {
    std::size_t whole = bytes.size() / 4 * 4;
    out.reserve(out.size() + whole / 2 + 1);
    for (std::size_t i = 0; i < whole; i += 4) {
        char32_t c = 0;
        for (std::size_t k = 0; k < 4; ++k) {
            c |= static_cast<char32_t>(byteAt(bytes, i + k)) << (bigEndian ? 24 - 8 * k : 8 * k);
        }
        if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            out += replacementCharacter;
        } else if (c >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
    }
    if (whole != bytes.size()) out += replacementCharacter;
}

void decodeWindows1252(std::string_view bytes, std::u16string& out) {
    out.reserve(out.size() + bytes.size());
    for (char b : bytes) {
        auto c = static_cast<unsigned char>(b);
        out += c >= 0x80 && c <= 0x9F ? windows1252High[c - 0x80] : static_cast<char16_t>(c);
    }
}

}  // namespace

DetectedEncoding detectEncoding(std::string_view bytes) {
    using namespace std::string_view_literals;
    if (startsWith(bytes, "\xEF\xBB\xBF")) return {Encoding::utf8, 3, {}};
    if (startsWith(bytes, "\xFF\xFE\x00\x00"sv)) return {Encoding::utf32le, 4, {}};
    if (startsWith(bytes, "\x00\x00\xFE\xFF"sv)) return {Encoding::utf32be, 4, {}};
    if (startsWith(bytes, "\xFF\xFE")) return {Encoding::utf16le, 2, {}};
    if (startsWith(bytes, "\xFE\xFF")) return {Encoding::utf16be, 2, {}};
    if (startsWith(bytes, "<\0?\0"sv)) return {Encoding::utf16le, 0, {}};
    if (startsWith(bytes, "\0<\0?"sv)) return {Encoding::utf16be, 0, {}};

    std::string label = declaredLabel(bytes);
    if (label.empty() || listed(label, unicodeLabels)) return {Encoding::utf8, 0, {}};
    if (listed(label, windows1252Labels)) return {Encoding::windows1252, 0, label};
    return {Encoding::legacy, 0, label};
}

void decodeAs(Encoding encoding, std::string_view bytes, std::u16string& out) {
    switch (encoding) {
        case Encoding::utf8:
            decodeUtf8(bytes, out);
            break;
        case Encoding::utf16le:
            decodeUtf16(bytes, false, out);
            break;
        case Encoding::utf16be:
            decodeUtf16(bytes, true, out);
            break;
        case Encoding::utf32le:
            decodeUtf32(bytes, false, out);
            break;
        case Encoding::utf32be:
            decodeUtf32(bytes, true, out);
            break;
        case Encoding::windows1252:
            decodeWindows1252(bytes, out);
            break;
        case Encoding::legacy:
            break;
    }
}

void decodeFeed(std::string_view bytes, FeedText& text) {
    DetectedEncoding detected = detectEncoding(bytes);
    std::string_view body = bytes.substr(detected.bomLength);
    text.utf16.clear();
    text.utf8 = {};
    text.isUtf8 = false;
    if (detected.encoding == Encoding::legacy &&
        platform::decodeLegacy(detected.label, body, text.utf16)) {
        return;
    }
    if (detected.encoding == Encoding::utf8 || detected.encoding == Encoding::legacy) {
        // A label the system does not know: read as UTF-8.
        text.isUtf8 = true;
        text.utf8 = body;
        return;
    }
    decodeAs(detected.encoding, body, text.utf16);
}

}  // namespace lorvex
