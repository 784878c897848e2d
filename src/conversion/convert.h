// The conversion run: from an input path and an output path to the number of records written,
// or the reason it failed.
#pragma once

#include <climits>
#include <cstddef>

#include "feed_text.h"
#include "file.h"

namespace lorvex {

enum class Failure {
    none,
    openInput,
    readInput,     // includes an item longer than the window's limit (platform::tooBig)
    createOutput,  // the output, or its temporary, cannot be created
    writeOutput,
    finishOutput,  // the output cannot be closed or put in place
    outOfMemory,
};

struct Conversion {
    int records = 0;
    Failure failure = Failure::none;
    platform::Error error = 0;      // the system's error behind the failure, when there is one
    std::size_t largestWindow = 0;  // the most memory the text's windows held at once, in bytes
};

// Reads a feed's bytes from an input file.
class FileSource final : public TextSource<char> {
  public:
    explicit FileSource(platform::InputFile& file) : file_(file) {}
    Filled fill(char* out, std::size_t room) override {
        platform::InputFile::Read read = file_.read(out, room);
        return {read.count, read.error};
    }

  private:
    platform::InputFile& file_;
};

// Converts the feed at input into the record file at output. The output is replaced only when
// every record is written (see platform::OutputFile), so a failure of any kind leaves a file
// that was there as it was.
Conversion openAndConvert(const platform::NativePath& input, const platform::NativePath& output,
                          ReadOptions options = {});

// The same between files already open: the feed read from input becomes the records written to
// output, which is committed when all went well.
Conversion convert(platform::InputFile& input, platform::OutputFile& output,
                   ReadOptions options = {});

// Writes the records of text to file; returns the count, or a write failure. A record past
// recordLimit is a failure too (platform::tooMany): the count could not say it.
Conversion writeRecords(FeedText& text, platform::OutputFile& file, int recordLimit = INT_MAX);

}  // namespace lorvex
