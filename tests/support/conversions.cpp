#include "support/conversions.h"

#include "convert.h"
#include "lorvex.h"
#include "support/files.h"

namespace lorvex::test {

namespace fs = std::filesystem;

int convert(const fs::path& input, const fs::path& output) {
    std::u16string in = widePath(input), out = widePath(output);
    return ConvertFile(reinterpret_cast<const lorvex_char*>(in.c_str()),
                       reinterpret_cast<const lorvex_char*>(out.c_str()));
}

Converted convertBytes(std::string_view feedBytes, std::size_t chunk) {
    ScratchDir dir;
    writeBytes(dir / "feed.xml", feedBytes);
    int count = 0;
    if (chunk == 0) {
        count = convert(dir / "feed.xml", dir / "feed.rec");
    } else {
        Conversion result = openAndConvert(dir / "feed.xml", dir / "feed.rec", {.chunk = chunk});
        count = result.failure == Failure::none ? result.records : -1;
    }
    bool written = fs::exists(dir / "feed.rec");
    return {count, written ? readBytes(dir / "feed.rec") : std::string{}};
}

std::u16string fittedRecord(std::string_view title, std::string_view date,
                            std::string_view summary) {
    auto fit = [](std::string_view text, std::size_t width) {
        std::u16string field = utf16(text).substr(0, width);
        field.resize(width, u' ');
        return field;
    };
    return fit(title, 100) + fit(date, 50) + fit(summary, 400);
}

}  // namespace lorvex::test
