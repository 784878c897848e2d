// A feed's text as the walk reads it, in one of two forms. UTF-8 and the single-byte encodings
// stay in their own bytes: every tag and marker is ASCII, so they are searched as they stand, and
// only the pieces cut out are decoded. Every other encoding is decoded to 16-bit units as the
// window moves on.
#pragma once

#include <algorithm>
#include <array>
#include <climits>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>

#include "decode.h"
#include "window.h"

namespace lorvex {

// How a feed is read. Tests make both small: a tiny chunk makes every tag and character of a
// feed straddle the edge of a chunk, and a small limit shows what happens past it.
struct ReadOptions {
    std::size_t chunk = 256 * 1024;  // the most units read, or decoded, at once
    std::size_t windowLimit = lorvex::windowLimit;
    int recordLimit = INT_MAX;  // the most records one conversion can count
};

// Where a description ends, and where its first summary markers are (see findDescriptionEnd);
// notFound for none.
struct DescriptionEnd {
    Position end, escapedTag, alt;
};

// What the walk asks of a feed's text in either form: searches, and a window that holds the text
// from a pinned position on.
template <class Unit>
class WindowText {
  public:
    explicit WindowText(Window<Unit>& window) : window_(&window) {}

    Position end() const { return window_->end(); }  // of the text read so far
    bool readMore() { return window_->readMore(); }
    Position find(std::string_view literal, Position from) { return window_->find(literal, from); }
    Position findBefore(std::string_view literal, Position from, Position end) const {
        return window_->findBefore(literal, from, end);
    }
    // The first of the walk's tags that begins in [from, limit) in the text read so far, told
    // apart whole (see lorvex::findTag); its position is notFound when there is none. Nothing is
    // read.
    struct Found {
        Position position;
        Tag tag;
    };
    Found findTag(Position from, Position limit = notFound) const {
        Position stop =
            limit == notFound ? window_->end() : std::min(window_->end(), limit + (longestTag - 1));
        if (from >= stop) return {notFound, Tag::other};
        FoundTag found = lorvex::findTag(window_->view(from, stop), 0);
        return {found.position == std::string_view::npos ? notFound : from + found.position,
                found.tag};
    }
    // The end of the description whose text begins at from, its first "</description>", and the
    // summary's markers before it (see lorvex::findDescriptionEnd); read as far as it takes, each
    // piece searched on from where the pass over the one before stopped telling.
    DescriptionEnd findDescriptionEnd(Position from) {
        auto place = [from](std::size_t at) {
            return at == std::string_view::npos ? notFound : from + at;
        };
        DescriptionMarkers found;
        std::size_t searchFrom = 0;
        for (;;) {
            std::basic_string_view<Unit> text = window_->view(from, window_->end());
            std::size_t end = lorvex::findDescriptionEnd(text, searchFrom, found);
            if (end != std::string_view::npos) {
                return {from + end, place(found.escapedTag), place(found.alt)};
            }
            searchFrom = std::max(searchFrom, text.size() - std::min(text.size(), longestTag - 1));
            if (!window_->readMore()) return {notFound, notFound, notFound};
        }
    }
    // Where findTag's answers over the text read so far end: a '<' from here on is told apart
    // once more text is read.
    Position tagsToldUntil() const {
        return window_->end() >= longestTag - 1 ? window_->end() - (longestTag - 1) : 0;
    }
    // The unit at position; in bytes, an ASCII byte is its character.
    char16_t unitAt(Position position) const {
        return static_cast<std::make_unsigned_t<Unit>>(window_->view(position, position + 1)[0]);
    }
    void pin(Position position) { window_->pin(position); }
    void unpin() { window_->unpin(); }

  protected:
    Window<Unit>* window_;
};

// Text searched in its bytes: UTF-8, or a single-byte encoding read through a table.
class ByteText : public WindowText<char> {
  public:
    // start: where the text begins, behind any byte order mark; table: null for UTF-8.
    ByteText(Window<char>& window, const std::array<char16_t, 256>* table, Position start)
        : WindowText(window), table_(table), start_(start) {}

    Position start() const { return start_; }

    // Writes the first 16-bit units of the text [begin, end) to out, at most max of them, and
    // returns how many it wrote. A character beyond U+FFFF is two units; when only one fits, its
    // first unit is written.
    std::size_t cut(Position begin, Position end, char16_t* out, std::size_t max) const;

  private:
    const std::array<char16_t, 256>* table_;
    Position start_;
};

// Text decoded to 16-bit units.
class UnitText : public WindowText<char16_t> {
  public:
    explicit UnitText(Window<char16_t>& window) : WindowText(window) {}

    Position start() const { return 0; }
    std::size_t cut(Position begin, Position end, char16_t* out, std::size_t max) const;
};

// A feed's text from its bytes: the encoding is detected as the feed is opened, and the text is
// read as it is walked.
class FeedText {
  public:
    explicit FeedText(TextSource<char>& bytes, ReadOptions options = {});
    FeedText(const FeedText&) = delete;
    FeedText& operator=(const FeedText&) = delete;
    ~FeedText();

    // Calls visit with the text in its form (ByteText& or UnitText&) and returns its result.
    template <class Visit>
    decltype(auto) visit(Visit&& visit) {
        if (unitText_ != nullptr) return visit(*unitText_);
        return visit(byteText_);
    }

    // The encoding the text is read in: a label of no encoding, a legacy encoding the system
    // lacks, and one that could not have written the declaration's bytes are read as UTF-8.
    Encoding encoding() const { return encoding_; }
    // Why the text ended before its end, when it did: a failed read, the window's limit, memory.
    platform::Error error() const;
    // Where the text ends, once it has been read to its end: for UTF-8 and the single-byte
    // encodings the length of the file, for the others the number of 16-bit units.
    Position end() const;
    // The most memory the text's windows held at once, in bytes.
    std::size_t largestWindow() const;

  private:
    struct Units;

    void setUp();
    void decodeUnits(Position start, std::unique_ptr<UnitDecoder> decoder);

    Window<char> bytes_;
    Encoding encoding_ = Encoding::utf8;
    std::array<char16_t, 256> table_{};
    ByteText byteText_;
    std::unique_ptr<Units> units_;
    UnitText* unitText_ = nullptr;  // the text of units_, when there is one
    ReadOptions options_;
    platform::Error error_ = 0;
};

}  // namespace lorvex
