// lorvex convert: one feed into one record file.
#pragma once

#include <cstddef>
#include <string>

#include "convert.h"
#include "report.h"

namespace lorvex::tool {

// Converts input into output ("-" for standard input or output). Says nothing on success unless
// verbose, when it tells how many records it wrote.
ExitStatus convertOne(const std::string& input, const std::string& output, bool verbose);

// The conversion itself, by name ("-" for a standard stream), and how the tool tells of it: one
// line naming the file and the reason of a failure, and "N records written to NAME".
Conversion convertNamed(const std::string& input, const std::string& output);
std::string describeFailure(const Conversion& result, const std::string& input,
                            const std::string& output);
std::string recordsWritten(std::size_t records, const std::string& output);

// Whether output is the feed itself, by whatever name, or the file that standard input reads
// when input is "-": its records would take the feed's place.
bool isOwnRecordFile(const std::string& input, const std::string& output);

// The record file name for a feed: its file name with the last extension, if any, replaced by
// ".rec" ("feeds/news.xml" gives "news.rec", "notes" gives "notes.rec").
std::string recordFileName(const std::string& feed);

}  // namespace lorvex::tool
