// Searching bytes for a literal, as fast as the processor allows.
#pragma once

#include <cstddef>
#include <string_view>

namespace lorvex {

// The index of the first occurrence of literal (not empty) in text at or after from, or npos.
std::size_t findBytes(std::string_view text, std::string_view literal, std::size_t from);

}  // namespace lorvex
