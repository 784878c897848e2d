// Running the public ConvertFile on feeds written to scratch files.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace lorvex::test {

// ConvertFile on two paths.
int convert(const std::filesystem::path& input, const std::filesystem::path& output);

struct Converted {
    int count;
    std::string bytes;  // the record file; empty when it was not written
};

// Writes feedBytes to a scratch file, converts it and reads back the record file.
Converted convertBytes(std::string_view feedBytes);

// A record as three texts, each padded to its field: what a record of these texts must hold.
std::u16string fittedRecord(std::string_view title, std::string_view date,
                            std::string_view summary);

}  // namespace lorvex::test
