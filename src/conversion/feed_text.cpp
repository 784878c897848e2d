#include "feed_text.h"

#include <algorithm>
#include <string>

#include "legacy.h"
#include "unicode.h"

namespace lorvex {

std::size_t ByteText::cut(Position begin, Position end, char16_t* out, std::size_t max) const {
    std::string_view bytes = window_->view(begin, end);
    if (table_ == nullptr) return unicode::decodeUtf8Units(bytes, out, max);
    std::size_t count = std::min(bytes.size(), max);
    unicode::decodeSingleBytes(bytes.substr(0, count), table_->data(), out);
    return count;
}

std::size_t UnitText::cut(Position begin, Position end, char16_t* out, std::size_t max) const {
    std::u16string_view units = window_->view(begin, end);
    std::size_t count = std::min(units.size(), max);
    std::copy_n(units.data(), count, out);
    return count;
}

namespace {

// A decoder is never offered less room than this, enough for what any one character becomes.
constexpr std::size_t unitRoom = 8;

// The system's converter for a multi-byte legacy encoding. In those that keep ASCII (all but
// ISO-2022-JP, whose escapes give ASCII bytes other meanings), a byte below 0x80 that begins a
// character is that ASCII character, so the runs of them between characters are widened here and
// only the rest goes to the converter, which costs many times more per byte. Every converter call
// starts and ends where a character does (or where the bytes read so far end), so it reads each
// character as it would in one call over the whole text.
class LegacyUnitDecoder final : public UnitDecoder {
    static bool isAscii(char byte) { return static_cast<unsigned char>(byte) < 0x80; }

  public:
    LegacyUnitDecoder(std::unique_ptr<platform::LegacyDecoder> decoder, bool keepsAscii)
        : decoder_(std::move(decoder)), keepsAscii_(keepsAscii) {}

    Decoded decode(std::string_view bytes, bool last, char16_t* out, std::size_t room) override {
        if (!keepsAscii_) return decoder_->decode(bytes, last, out, room);
        Decoded done{0, 0};
        while (done.consumed < bytes.size() && room - done.produced >= unitRoom) {
            std::string_view rest = bytes.substr(done.consumed);
            std::size_t ascii =
                unicode::widenAscii(rest.substr(0, room - done.produced), out + done.produced);
            done.consumed += ascii;
            done.produced += ascii;
            if (ascii > 0) continue;
            // To the next run of ASCII long enough to be worth leaving the converter for, and
            // a few bytes into it. Every byte of a character but its first may be an ASCII byte
            // in some of these encodings, but no character holds two ASCII bytes in a row, so the
            // run's third byte on begins characters; and the converter sees enough of the run to
            // finish, or reject, a character that begins before it.
            constexpr std::size_t worthLeaving = 16, seen = 4;
            std::size_t stretch = 1;
            for (std::size_t run = 0; stretch < rest.size(); ++stretch) {
                run = isAscii(rest[stretch]) ? run + 1 : 0;
                if (run == worthLeaving) {
                    stretch = stretch + 1 - worthLeaving + seen;
                    break;
                }
            }
            Decoded step = decoder_->decode(rest.substr(0, stretch), last && stretch == rest.size(),
                                            out + done.produced, room - done.produced);
            done.consumed += step.consumed;
            done.produced += step.produced;
            if (step.consumed == 0) break;  // the bytes of a character still to come
        }
        return done;
    }

  private:
    std::unique_ptr<platform::LegacyDecoder> decoder_;
    bool keepsAscii_;
};

// Hands out the units that a decoder makes of the bytes in a window, from position on. The bytes
// not yet decoded stay pinned in their window, however a chunk splits a character.
class DecodingSource final : public TextSource<char16_t> {
  public:
    DecodingSource(Window<char>& bytes, Position position, std::unique_ptr<UnitDecoder> decoder)
        : bytes_(bytes), position_(position), decoder_(std::move(decoder)) {
        bytes_.pin(position_);
    }

    Filled fill(char16_t* out, std::size_t room) override {
        for (;;) {
            bool last = bytes_.ended();
            UnitDecoder::Decoded decoded =
                decoder_->decode(bytes_.view(position_, bytes_.end()), last, out, room);
            position_ += decoded.consumed;
            bytes_.pin(position_);
            if (decoded.produced > 0) return {decoded.produced, 0};
            if (last) return {0, bytes_.error()};
            bytes_.readMore();
        }
    }

  private:
    Window<char>& bytes_;
    Position position_;
    std::unique_ptr<UnitDecoder> decoder_;
};

// Whether decoding the declaration's bytes with the converter gives them back. One that does not
// (a converter for wider units, or for EBCDIC) cannot have written a declaration that reads as
// single bytes, whatever the label says. The label table sends no UTF-16 label to a converter;
// this keeps any other such converter from reading the feed.
bool wroteDeclaration(platform::LegacyDecoder& decoder, std::string_view declaration) {
    std::u16string decoded(declaration.size() + unitRoom, u'\0');
    std::size_t produced = 0;
    for (std::string_view rest = declaration; !rest.empty();) {
        platform::Decoded step =
            decoder.decode(rest, true, decoded.data() + produced, decoded.size() - produced);
        rest.remove_prefix(step.consumed);
        produced += step.produced;
        if (step.consumed == 0 || produced + unitRoom > decoded.size()) break;
    }
    decoder.reset();
    decoded.resize(produced);
    return std::equal(
        decoded.begin(), decoded.end(), declaration.begin(), declaration.end(),
        [](char16_t unit, char byte) { return unit == static_cast<unsigned char>(byte); });
}

}  // namespace

struct FeedText::Units {
    Units(Window<char>& bytes, Position start, std::unique_ptr<UnitDecoder> decoder,
          const ReadOptions& options)
        : source(bytes, start, std::move(decoder)),
          window(source, options.chunk, unitRoom, options.windowLimit),
          text(window) {}

    DecodingSource source;
    Window<char16_t> window;
    UnitText text;
};

FeedText::FeedText(TextSource<char>& bytes, ReadOptions options)
    : bytes_(bytes, options.chunk, 1, options.windowLimit),
      byteText_(bytes_, nullptr, 0),
      options_(options) {
    setUp();
}

FeedText::~FeedText() = default;

void FeedText::setUp() {
    readDeclaration(bytes_);
    DetectedEncoding detected = detectEncoding(bytes_.view(0, bytes_.end()));
    encoding_ = detected.encoding;
    switch (detected.encoding) {
        case Encoding::utf8:
            byteText_ = ByteText(bytes_, nullptr, detected.bomLength);
            return;
        case Encoding::singleByte:
            for (std::size_t byte = 0; byte < 0x80; ++byte)
                table_[byte] = static_cast<char16_t>(byte);
            std::copy(detected.named->upperHalf->begin(), detected.named->upperHalf->end(),
                      table_.begin() + 0x80);
            byteText_ = ByteText(bytes_, &table_, 0);
            return;
        case Encoding::legacy:
            break;
        default:
            decodeUnits(detected.bomLength, unicodeDecoder(detected.encoding));
            return;
    }

    auto legacy = std::make_unique<platform::LegacyDecoder>();
    platform::Error error = legacy->open(detected.named->legacy);
    std::string_view declaration = bytes_.view(0, detected.declarationEnd);
    if (error != 0 || !wroteDeclaration(*legacy, declaration)) {
        // An encoding the system lacks, or one that cannot be what wrote the declaration: read
        // as UTF-8. (Any other failure to open the converter fails the conversion.)
        if (error != platform::invalidArgument) error_ = error;
        encoding_ = Encoding::utf8;
        byteText_ = ByteText(bytes_, nullptr, 0);
    } else {
        bool keepsAscii = detected.named->name != "iso-2022-jp";
        decodeUnits(0, std::make_unique<LegacyUnitDecoder>(std::move(legacy), keepsAscii));
    }
}

void FeedText::decodeUnits(Position start, std::unique_ptr<UnitDecoder> decoder) {
    units_ = std::make_unique<Units>(bytes_, start, std::move(decoder), options_);
    unitText_ = &units_->text;
}

platform::Error FeedText::error() const {
    if (error_ != 0) return error_;
    return units_ ? units_->window.error() : bytes_.error();
}

Position FeedText::end() const {
    return units_ ? units_->window.end() : bytes_.end();
}

std::size_t FeedText::largestWindow() const {
    std::size_t units = units_ ? units_->window.largestCapacity() * sizeof(char16_t) : 0;
    return bytes_.largestCapacity() + units;
}

}  // namespace lorvex
