// Text in a legacy encoding, decoded by the operating system's own converter.
#pragma once

#include <string>
#include <string_view>

namespace lorvex::platform {

// Appends the UTF-16 form of bytes, read in the encoding named by label, to out. Each byte the
// converter rejects becomes U+FFFD. Returns false, appending nothing, when the system does not
// know the label.
bool decodeLegacy(std::string_view label, std::string_view bytes, std::u16string& out);

}  // namespace lorvex::platform
