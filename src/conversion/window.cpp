#include "window.h"

#include <algorithm>
#include <cassert>
#include <cstdlib>
#include <cstring>

#include "literal_search.h"

namespace lorvex {

template <class Unit>
typename TextSource<Unit>::Filled MemorySource<Unit>::fill(Unit* out, std::size_t room) {
    std::size_t count = std::min({room, chunk_, text_.size()});
    std::copy_n(text_.data(), count, out);
    text_.remove_prefix(count);
    return {count, 0};
}

template <class Unit>
Window<Unit>::Window(TextSource<Unit>& source, std::size_t chunk, std::size_t minimumRoom,
                     std::size_t limit)
    : source_(source), chunk_(chunk), minimumRoom_(minimumRoom), mostUnits_(limit / sizeof(Unit)) {
    constexpr std::size_t small = 16 * 1024;
    capacity_ =
        std::min(std::max({std::min(chunk, small), minimumRoom, std::size_t{1}}), mostUnits_);
    buffer_ = static_cast<Unit*>(std::malloc(capacity_ * sizeof(Unit)));
    if (buffer_ == nullptr) {
        capacity_ = 0;
        fail(platform::noMemory);
    }
    largest_ = capacity_;
}

template <class Unit>
Window<Unit>::~Window() {
    std::free(buffer_);
}

template <class Unit>
Position Window<Unit>::find(std::string_view literal, Position from) {
    for (;;) {
        assert(from >= base_ && "the text searched must not have been dropped");
        if (from + literal.size() <= end()) {
            std::size_t at = findLiteral(std::basic_string_view<Unit>(buffer_, size_), literal,
                                         static_cast<std::size_t>(from - base_));
            if (at != std::string_view::npos) return base_ + at;
            from = end() - (literal.size() - 1);  // the starts not yet looked at
        }
        if (!readMore(from)) return notFound;
    }
}

template <class Unit>
bool Window<Unit>::readUntil(Position position) {
    while (end() < position) {
        if (!readMore(end())) return false;
    }
    return true;
}

template <class Unit>
bool Window<Unit>::readMore(Position keepFrom) {
    if (ended_ || !makeRoom(keepFrom)) return false;
    typename TextSource<Unit>::Filled filled = source_.fill(buffer_ + size_, capacity_ - size_);
    if (filled.error != 0) return fail(filled.error);
    if (filled.count == 0) {
        ended_ = true;
        return false;
    }
    size_ += filled.count;
    return true;
}

// Drops the text before keepFrom (or the pin, if that is earlier) when the free room runs low,
// and grows the window only when what is kept fills more than half of it: the storage is reused
// for as long as it can be, every unit is moved a bounded number of times, and growing
// reallocates in place where the system can, so that a window as long as a hostile feed is not
// copied as it grows.
template <class Unit>
bool Window<Unit>::makeRoom(Position keepFrom) {
    std::size_t room = capacity_ - size_;
    if (room >= minimumRoom_ && room >= capacity_ / 4) return true;
    Position keep = std::clamp(std::min(keepFrom, pin_), base_, end());
    auto dropped = static_cast<std::size_t>(keep - base_);
    std::size_t kept = size_ - dropped;
    // Sliding moves less than it frees; below the chunk the window grows to it instead, and at
    // the limit sliding is all that is left to do.
    bool slide = dropped > 0 && kept <= capacity_ / 2 && capacity_ - kept >= minimumRoom_ &&
                 capacity_ >= chunk_;
    if (!slide && capacity_ < mostUnits_) {
        std::size_t grown = std::min(std::max(capacity_ * 2, size_ + minimumRoom_), mostUnits_);
        auto* larger = static_cast<Unit*>(std::realloc(buffer_, grown * sizeof(Unit)));
        if (larger == nullptr) return fail(platform::noMemory);
        buffer_ = larger;
        capacity_ = grown;
        largest_ = std::max(largest_, grown);
        return true;
    }
    if (!slide && room >= minimumRoom_) return true;  // at the limit: what room is left
    std::memmove(buffer_, buffer_ + dropped, kept * sizeof(Unit));
    base_ = keep;
    size_ = kept;
    return capacity_ - size_ >= minimumRoom_ || fail(platform::tooBig);
}

template <class Unit>
bool Window<Unit>::fail(platform::Error error) {
    error_ = error;
    ended_ = true;
    return false;
}

template class MemorySource<char>;
template class MemorySource<char16_t>;
template class Window<char>;
template class Window<char16_t>;

}  // namespace lorvex
