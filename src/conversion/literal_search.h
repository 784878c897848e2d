// Forward search for an ASCII literal (a tag or a marker) in text of 8-bit or 16-bit units, as
// fast as the processor allows.
#pragma once

#include <cstddef>
#include <string_view>

#include "isa.h"

namespace lorvex {

// The index of the first occurrence of literal (never empty, at most 32 characters) in text at
// or after from, or npos.
std::size_t findLiteral(std::string_view text, std::string_view literal, std::size_t from);
std::size_t findLiteral(std::u16string_view text, std::string_view literal, std::size_t from);

// The same with the kernel of isa, which finds the same as every other.
std::size_t findLiteral(std::string_view text, std::string_view literal, std::size_t from,
                        platform::Isa isa);
std::size_t findLiteral(std::u16string_view text, std::string_view literal, std::size_t from,
                        platform::Isa isa);

}  // namespace lorvex
