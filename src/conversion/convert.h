// The conversion run: from an input path and an output path to the number of records written,
// or the reason it failed.
#pragma once

#include <cstddef>

#include "../platform/file.h"
#include "decode.h"

namespace lorvex {

// Inputs larger than this are refused, so that a runaway stream cannot exhaust memory.
inline constexpr std::size_t inputLimit = std::size_t{1} << 30;

enum class Failure {
    none,
    openInput,
    readInput,     // includes larger than inputLimit (EFBIG)
    createOutput,  // cannot be created or emptied
    writeOutput,
    closeOutput,
    outOfMemory,
};

struct Conversion {
    int records = 0;
    Failure failure = Failure::none;
    int error = 0;  // the errno behind the failure, when there is one
};

// The input's bytes and the text decoded from them (which may borrow the bytes).
struct LoadedFeed {
    platform::FileBytes bytes;
    FeedText text;
};

// Reads the whole input file and decodes it.
platform::ReadStatus loadFeedText(const platform::NativePath& path, LoadedFeed& feed);

// Converts the feed at input into the record file at output. The input is read whole before
// the output is opened, so a failed read leaves the output untouched.
Conversion convertFile(const platform::NativePath& input, const platform::NativePath& output);

// Writes the records of text to file; returns the count, or a write failure.
Conversion writeRecords(const FeedText& text, platform::OutputFile& file);

}  // namespace lorvex
