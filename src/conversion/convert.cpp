#include "convert.h"

#include <cerrno>
#include <new>
#include <string_view>

#include "record.h"
#include "scanner.h"

namespace lorvex {

platform::ReadStatus loadFeedText(const platform::NativePath& path, LoadedFeed& feed) {
    platform::ReadStatus status = platform::readWholeFile(path, inputLimit, feed.bytes);
    if (status.error == 0) decodeFeed(feed.bytes.view(), feed.text);
    return status;
}

Conversion writeRecords(const FeedText& text, platform::OutputFile& file) {
    RecordWriter writer(file);
    Conversion result;
    Record* slot = &writer.next();
    walkFeedText(text, slot, [&](const ScannedItem& item) {
        if (item.verdict != Verdict::accepted) return true;
        result.error = writer.writeRecord(item.record);
        if (result.error != 0) return false;
        ++result.records;
        slot = &writer.next();
        return true;
    });
    if (result.error == 0) result.error = writer.flush();
    if (result.error != 0) result.failure = Failure::writeOutput;
    return result;
}

Conversion convertFile(const platform::NativePath& input, const platform::NativePath& output) try {
    LoadedFeed feed;
    platform::ReadStatus read = loadFeedText(input, feed);
    if (read.error == ENOMEM) return {0, Failure::outOfMemory, read.error};
    if (read.error != 0) {
        return {0, read.opened ? Failure::readInput : Failure::openInput, read.error};
    }
    platform::OutputFile file;
    const char* inputBytes = feed.bytes.view().data();
    if (int error = file.open(output, feed.bytes)) return {0, Failure::createOutput, error};
    if (feed.bytes.view().data() != inputBytes) {
        // The output is the input file, which now lives in memory of its own: point the text
        // at the moved bytes.
        decodeFeed(feed.bytes.view(), feed.text);
    }
    Conversion result = writeRecords(feed.text, file);
    int closeError = file.close();
    if (result.failure == Failure::none && closeError != 0) {
        result = {result.records, Failure::closeOutput, closeError};
    }
    return result;
} catch (const std::bad_alloc&) {
    return {0, Failure::outOfMemory, ENOMEM};
}

}  // namespace lorvex
