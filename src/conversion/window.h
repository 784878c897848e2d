// The feed text seen through a window that slides forward over it. The text is read (and, for
// most encodings, decoded) a chunk at a time as the searches ask for it, and the text behind
// every search and cut still to come is dropped, so that a feed of any length takes memory for
// the stretch that one item spans, not for the feed.
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "file.h"
#include "literal_search.h"

namespace lorvex {

// A place in the feed text: an index in the text's units from its start, 64-bit on every
// target so that no feed is too long to count.
using Position = std::uint64_t;
inline constexpr Position notFound = ~Position{0};

// The most memory a window may hold at once. Text that one item needs all at once beyond it (a
// description that never ends) is refused with platform::tooBig.
inline constexpr std::size_t windowLimit = std::size_t{1} << 30;

// Where a window's text comes from.
template <class Unit>
class TextSource {
  public:
    struct Filled {
        std::size_t count;  // 0 only at the end of the text
        platform::Error error;
    };
    // Writes the next units of the text to out, at least one and at most room of them, unless
    // the text has ended or cannot be read.
    virtual Filled fill(Unit* out, std::size_t room) = 0;

  protected:
    ~TextSource() = default;
};

// A source that hands out text held in memory, at most chunk units at a time.
template <class Unit>
class MemorySource final : public TextSource<Unit> {
  public:
    explicit MemorySource(std::basic_string_view<Unit> text, std::size_t chunk = SIZE_MAX)
        : text_(text), chunk_(chunk) {}

    typename TextSource<Unit>::Filled fill(Unit* out, std::size_t room) override;

  private:
    std::basic_string_view<Unit> text_;
    std::size_t chunk_;
};

template <class Unit>
class Window {
  public:
    // chunk: the units the window holds while it need not hold more, and so the most read at
    // once (it starts smaller, so that a small feed takes little memory, and grows to it as the
    // text comes); minimumRoom: the fewest units a fill is ever offered; limit: the most bytes
    // held.
    Window(TextSource<Unit>& source, std::size_t chunk, std::size_t minimumRoom = 1,
           std::size_t limit = windowLimit);
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    ~Window();

    // The first occurrence of literal at or after from, reading on as far as it takes;
    // notFound when the text ends (or fails: see error) without one.
    Position find(std::string_view literal, Position from);

    // The first occurrence at or after from that ends at or before end, which must have been
    // read; nothing is read.
    Position findBefore(std::string_view literal, Position from, Position end) const;

    // The units [begin, end), which must be in the window.
    std::basic_string_view<Unit> view(Position begin, Position end) const;

    // Text from position on stays until the pin moves; unpinned, the window keeps only what the
    // search in progress still needs.
    void pin(Position position) { pin_ = position; }
    void unpin() { pin_ = notFound; }

    // Reads more text, dropping what is behind the pin; false at the end of the text.
    bool readMore() { return readMore(end()); }
    // Reads until [0, position) is read or the text ends; returns whether it got that far.
    bool readUntil(Position position);

    Position end() const { return base_ + size_; }
    bool ended() const { return ended_; }
    platform::Error error() const { return error_; }
    std::size_t largestCapacity() const { return largest_; }  // in units

  private:
    bool readMore(Position keepFrom);
    bool makeRoom(Position keepFrom);
    bool fail(platform::Error error);

    TextSource<Unit>& source_;
    Unit* buffer_ = nullptr;
    std::size_t capacity_ = 0, size_ = 0, largest_ = 0;
    std::size_t chunk_, minimumRoom_, mostUnits_;
    Position base_ = 0;  // the position of buffer_[0]
    Position pin_ = notFound;
    bool ended_ = false;
    platform::Error error_ = 0;
};

// Inline, as the walk asks for them many times per item, mostly over a few dozen units.
template <class Unit>
inline std::basic_string_view<Unit> Window<Unit>::view(Position begin, Position end) const {
    assert(begin >= base_ && begin <= end && end <= this->end());
    return {buffer_ + (begin - base_), static_cast<std::size_t>(end - begin)};
}

template <class Unit>
inline Position Window<Unit>::findBefore(std::string_view literal, Position from,
                                         Position end) const {
    assert(from >= base_ && end <= this->end());
    if (from >= end) return notFound;
    std::basic_string_view<Unit> text(buffer_ + (from - base_),
                                      static_cast<std::size_t>(end - from));
    std::size_t at = findLiteral(text, literal, 0);
    return at == std::string_view::npos ? notFound : from + at;
}

}  // namespace lorvex
