// Forward search for an ASCII literal (a tag or a marker) in text of 8-bit or 16-bit units, as
// fast as the processor allows.
#pragma once

#include <cstddef>
#include <string_view>

#include "isa.h"

namespace lorvex {

// The index of the first occurrence of literal (never empty, at most 32 characters) in text at
// or after from, or npos. Every isa finds the same; the default is the fastest.
std::size_t findLiteral(std::string_view text, std::string_view literal, std::size_t from,
                        platform::Isa isa = platform::bestIsa());
std::size_t findLiteral(std::u16string_view text, std::string_view literal, std::size_t from,
                        platform::Isa isa = platform::bestIsa());

}  // namespace lorvex
