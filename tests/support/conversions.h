// Running the public ConvertFile on feeds written to scratch files.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace lorvex::test {

// A feed of two items, both accepted, the first at index 1 (so that it is found).
inline const std::string twoItems =
    " <item><title>A</title><description>a</description><pubDate>d1</pubDate></item>"
    "<item><title>B</title><description>b</description><pubDate>d2</pubDate></item>";

// ConvertFile on two paths.
int convert(const std::filesystem::path& input, const std::filesystem::path& output);

struct Converted {
    int count;
    std::string bytes;  // the record file; empty when it was not written
};

// Writes feedBytes to a scratch file, converts it and reads back the record file: through the
// public ConvertFile, or, given a chunk, through the conversion's own call reading that many
// units at a time.
Converted convertBytes(std::string_view feedBytes, std::size_t chunk = 0);

// Chunks so small that every tag, marker, character and surrogate pair of a feed straddles the
// edge of one; 0 stands for ConvertFile as a host calls it.
inline constexpr std::size_t chunks[] = {0, 1, 2, 3, 7};

// A record as three texts, each padded to its field: what a record of these texts must hold.
std::u16string fittedRecord(std::string_view title, std::string_view date,
                            std::string_view summary);

}  // namespace lorvex::test
