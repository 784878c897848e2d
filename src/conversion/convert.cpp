#include "convert.h"

#include <new>

#include "record.h"
#include "scanner.h"

namespace lorvex {

Conversion writeRecords(FeedText& text, platform::OutputFile& file, int recordLimit) {
    RecordWriter writer(file);
    Conversion result;
    Record* slot = &writer.next();
    walkFeedText(text, slot, [&](const ScannedItem& item) {
        if (item.verdict != Verdict::accepted) return true;
        result.error =
            result.records < recordLimit ? writer.writeRecord(item.record) : platform::tooMany;
        if (result.error != 0) return false;
        ++result.records;
        slot = &writer.next();
        return true;
    });
    if (result.error == 0) result.error = writer.flush();
    if (result.error != 0) result.failure = Failure::writeOutput;
    return result;
}

Conversion openAndConvert(const platform::NativePath& input, const platform::NativePath& output,
                          ReadOptions options) {
    platform::InputFile in;
    if (platform::Error error = in.open(input)) return {0, Failure::openInput, error};
    platform::OutputFile out;
    if (platform::Error error = out.open(output)) return {0, Failure::createOutput, error};
    return convert(in, out, options);
}

Conversion convert(platform::InputFile& input, platform::OutputFile& output,
                   ReadOptions options) try {
    FileSource source(input);
    FeedText text(source, options);
    auto unreadable = [](Conversion result, platform::Error error) {
        result.failure = error == platform::noMemory ? Failure::outOfMemory : Failure::readInput;
        result.error = error;
        return result;
    };
    // A feed that cannot be read from the start (a read error, a converter that would not open)
    // fails before a walk whose records would only be thrown away.
    if (platform::Error error = text.error()) return unreadable({}, error);
    Conversion result = writeRecords(text, output, options.recordLimit);
    result.largestWindow = text.largestWindow();
    if (result.failure != Failure::none) return result;
    // A walk that ended for want of text may have ended for want of readable text.
    if (platform::Error error = text.error()) return unreadable(result, error);
    if (platform::Error error = output.commit()) {
        result.failure = Failure::finishOutput;
        result.error = error;
    }
    return result;
} catch (const std::bad_alloc&) {
    return {0, Failure::outOfMemory, platform::noMemory};
}

}  // namespace lorvex
