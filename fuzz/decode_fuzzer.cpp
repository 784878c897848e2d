// Fuzzes the decoder: any bytes decode, the same whatever the size of the chunks they are read
// in, and well-formed UTF-8 survives the trip to UTF-16 and back unchanged.
#include <cstdint>
#include <string>

#include "check.h"
#include "feed_text.h"
#include "unicode.h"
#include "utf8_reference.h"
#include "whole_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    // Every encoding the bytes may claim, legacy ones included; the chunk size is taken from the
    // input, so that the fuzzer splits characters and sequences wherever it likes.
    std::size_t chunk = size == 0 ? 1 : 1 + data[0] % 13;
    LORVEX_FUZZ_CHECK(lorvex::test::decodeWhole(bytes, {.chunk = chunk}) ==
                      lorvex::test::decodeWhole(bytes));

    std::u16string wide;
    lorvex::unicode::decodeUtf8(bytes, wide);
    std::string back;
    LORVEX_FUZZ_CHECK(lorvex::fuzz::encodeUtf8(wide, back));  // no lone surrogate comes out
    if (lorvex::fuzz::wellFormedUtf8(bytes)) {
        LORVEX_FUZZ_CHECK(back == bytes);
    } else {
        LORVEX_FUZZ_CHECK(wide.find(u'\uFFFD') != std::u16string::npos);  // nothing slips through
    }
    std::u16string again;
    lorvex::unicode::decodeUtf8(back, again);  // U+FFFD stands for ill-formed bytes, and stays
    LORVEX_FUZZ_CHECK(again == wide);

    // The cut the scanner takes of a field is the start of the whole text's decoding.
    std::size_t max = size == 0 ? 0 : data[size - 1] % (wide.size() + 1);
    std::u16string cut(max, u'\0');
    std::size_t written = lorvex::unicode::decodeUtf8Units(bytes, cut.data(), max);
    LORVEX_FUZZ_CHECK(written == max);
    LORVEX_FUZZ_CHECK(cut == wide.substr(0, max));
    return 0;
}
