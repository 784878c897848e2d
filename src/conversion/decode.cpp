#include "decode.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <iterator>

#include "encoding_labels.h"
#include "unicode.h"

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

constexpr std::string_view declarationStart = "<?xml";

// The XML declaration is looked for in the feed's first bytes only, as XML readers sniff it: the
// white space before it and the declaration up to its first ">" lie within them, or the feed has
// no declaration. A declaration that lacks its "?>" then ends at the next ">" (a "?" left out
// before it, or the first tag's), and one that never ends holds no more than these bytes.
constexpr std::size_t declarationBound = 1024;

// Where the XML declaration of bytes starts (after white space), or npos without one.
std::size_t declarationAt(std::string_view bytes) {
    std::size_t start = 0;
    while (start < bytes.size() && isXmlSpace(bytes[start]))
        ++start;
    return startsWith(bytes.substr(start), declarationStart) ? start : std::string_view::npos;
}

// Whether the first bytes read settle where the declaration ends: it cannot start there, or its
// ">" is in.
bool declarationSettled(std::string_view first) {
    auto start = std::find_if_not(first.begin(), first.end(), isXmlSpace);
    std::string_view rest = first.substr(static_cast<std::size_t>(start - first.begin()));
    if (rest.size() < declarationStart.size()) return !declarationStart.starts_with(rest);
    return !startsWith(rest, declarationStart) || rest.find('>') != std::string_view::npos;
}

struct Declaration {
    std::string label;  // lower case; empty when there is none
    std::size_t end;    // of the declaration's bytes, its ">" included; 0 without a declaration
};

// The label of encoding="..." in an XML declaration at the start of bytes.
Declaration declaration(std::string_view bytes) {
    bytes = bytes.substr(0, declarationBound);
    std::size_t start = declarationAt(bytes);
    if (start == std::string_view::npos) return {{}, 0};
    std::string_view rest = bytes.substr(start);
    std::size_t close = rest.find('>');
    if (close == std::string_view::npos) return {{}, 0};
    std::string_view text = rest.substr(0, close);
    Declaration found{{}, start + close + 1};
    std::size_t at = text.find("encoding");
    if (at == std::string_view::npos) return found;
    std::size_t i = at + 8;
    while (i < text.size() && isXmlSpace(text[i]))
        ++i;
    if (i == text.size() || text[i] != '=') return found;
    ++i;
    while (i < text.size() && isXmlSpace(text[i]))
        ++i;
    if (i == text.size() || (text[i] != '"' && text[i] != '\'')) return found;
    char quote = text[i++];
    std::size_t end = text.find(quote, i);
    if (end == std::string_view::npos) return found;
    found.label = text.substr(i, end - i);
    std::transform(found.label.begin(), found.label.end(), found.label.begin(), lowerAscii);
    return found;
}

unsigned byteAt(std::string_view bytes, std::size_t i) {
    return static_cast<unsigned char>(bytes[i]);
}

class Utf16Decoder final : public UnitDecoder {
  public:
    explicit Utf16Decoder(bool bigEndian) : bigEndian_(bigEndian) {}

    Decoded decode(std::string_view bytes, bool last, char16_t* out, std::size_t room) override {
        std::size_t units = std::min(bytes.size() / 2, room);
        if (bigEndian_ == (std::endian::native == std::endian::big)) {
            std::memcpy(out, bytes.data(), units * 2);
        } else {
            for (std::size_t i = 0; i < units; ++i) {
                unsigned first = byteAt(bytes, 2 * i), second = byteAt(bytes, 2 * i + 1);
                out[i] =
                    static_cast<char16_t>(bigEndian_ ? first << 8 | second : second << 8 | first);
            }
        }
        Decoded decoded{units * 2, units};
        if (last && decoded.consumed + 1 == bytes.size() && decoded.produced < room) {
            out[decoded.produced++] = unicode::replacementCharacter;  // an odd last byte
            decoded.consumed = bytes.size();
        }
        return decoded;
    }

  private:
    bool bigEndian_;
};

class Utf32Decoder final : public UnitDecoder {
  public:
    explicit Utf32Decoder(bool bigEndian) : bigEndian_(bigEndian) {}

    Decoded decode(std::string_view bytes, bool last, char16_t* out, std::size_t room) override {
        Decoded decoded{0, 0};
        while (decoded.consumed + 4 <= bytes.size() && decoded.produced + 2 <= room) {
            char32_t c = 0;
            for (std::size_t k = 0; k < 4; ++k) {
                c |= static_cast<char32_t>(byteAt(bytes, decoded.consumed + k))
                     << (bigEndian_ ? 24 - 8 * k : 8 * k);
            }
            decoded.consumed += 4;
            if (c > 0x10FFFF || unicode::isSurrogate(c)) {
                out[decoded.produced++] = unicode::replacementCharacter;
            } else if (c >= 0x10000) {
                out[decoded.produced++] = unicode::highSurrogate(c);
                out[decoded.produced++] = unicode::lowSurrogate(c);
            } else {
                out[decoded.produced++] = static_cast<char16_t>(c);
            }
        }
        bool partialLast = bytes.size() - decoded.consumed < 4 && decoded.consumed < bytes.size();
        if (last && partialLast && decoded.produced < room) {
            out[decoded.produced++] =
                unicode::replacementCharacter;  // one to three bytes left over
            decoded.consumed = bytes.size();
        }
        return decoded;
    }

  private:
    bool bigEndian_;
};

}  // namespace

void readDeclaration(Window<char>& bytes) {
    bytes.pin(0);
    bytes.readUntil(4);
    for (;;) {
        Position bound = std::min<Position>(bytes.end(), declarationBound);
        if (bound == declarationBound || declarationSettled(bytes.view(0, bound)) ||
            !bytes.readMore()) {
            return;
        }
    }
}

DetectedEncoding detectEncoding(std::string_view bytes) {
    using namespace std::string_view_literals;
    if (startsWith(bytes, "\xEF\xBB\xBF")) return {Encoding::utf8, 3, nullptr, 0};
    if (startsWith(bytes, "\xFF\xFE\x00\x00"sv)) return {Encoding::utf32le, 4, nullptr, 0};
    if (startsWith(bytes, "\x00\x00\xFE\xFF"sv)) return {Encoding::utf32be, 4, nullptr, 0};
    if (startsWith(bytes, "\xFF\xFE")) return {Encoding::utf16le, 2, nullptr, 0};
    if (startsWith(bytes, "\xFE\xFF")) return {Encoding::utf16be, 2, nullptr, 0};
    // Without a mark, the first "<" tells the width and byte order, as XML's own detection does.
    if (startsWith(bytes, "<\0\0\0"sv)) return {Encoding::utf32le, 0, nullptr, 0};
    if (startsWith(bytes, "\0\0\0<"sv)) return {Encoding::utf32be, 0, nullptr, 0};
    if (startsWith(bytes, "<\0?\0"sv)) return {Encoding::utf16le, 0, nullptr, 0};
    if (startsWith(bytes, "\0<\0?"sv)) return {Encoding::utf16be, 0, nullptr, 0};

    // A label of no encoding is read as UTF-8, as is a declaration without one.
    Declaration declared = declaration(bytes);
    const NamedEncoding* named = encodingOfLabel(declared.label);
    if (named == nullptr) return {Encoding::utf8, 0, nullptr, declared.end};
    return {named->encoding, 0, named, declared.end};
}

const NamedEncoding* encodingOfLabel(std::string_view label) {
    const auto& labels = encoding_labels::labels;
    auto at = std::lower_bound(
        std::begin(labels), std::end(labels), label,
        [](const EncodingLabel& entry, std::string_view key) { return entry.label < key; });
    return at != std::end(labels) && at->label == label ? at->encoding : nullptr;
}

std::unique_ptr<UnitDecoder> unicodeDecoder(Encoding encoding) {
    switch (encoding) {
        case Encoding::utf16le:
            return std::make_unique<Utf16Decoder>(false);
        case Encoding::utf16be:
            return std::make_unique<Utf16Decoder>(true);
        case Encoding::utf32le:
            return std::make_unique<Utf32Decoder>(false);
        case Encoding::utf32be:
            return std::make_unique<Utf32Decoder>(true);
        default:
            return nullptr;
    }
}

}  // namespace lorvex
