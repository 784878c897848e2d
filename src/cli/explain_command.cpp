#include "explain_command.h"

#include <cstdio>

#include "../conversion/convert.h"
#include "arguments.h"
#include "display.h"
#include "text.h"

namespace lorvex::cli {

namespace {

const char* skipReason(Verdict verdict) {
    switch (verdict) {
        case Verdict::accepted:
            break;
        case Verdict::titleHasCdata:
            return "title contains CDATA";
        case Verdict::emptySummary:
            return "empty summary";
        case Verdict::summaryStartsWithSpace:
            return "summary starts with a space";
    }
    return "";
}

std::string walkEnd(WalkEnd end) {
    auto nothingFound = [](const char* tag) {
        return std::string("the search for \"") + tag + "\" found nothing";
    };
    switch (end) {
        case WalkEnd::noItem:
            return "no further \"<item>\"";
        case WalkEnd::noTitle:
            return nothingFound("<title>");
        case WalkEnd::noTitleEnd:
            return nothingFound("</title>");
        case WalkEnd::noDescription:
            return nothingFound("<description>");
        case WalkEnd::noDescriptionEnd:
            return nothingFound("</description>");
        case WalkEnd::noPubDate:
            return nothingFound("<pubDate>");
        case WalkEnd::noPubDateEnd:
            return nothingFound("</pubDate>");
        case WalkEnd::stopped:
            break;
    }
    return "stopped";
}

std::string alignedRight(std::string text, std::size_t width) {
    return std::string(width > text.size() ? width - text.size() : 0, ' ') + text;
}

void printLine(const std::string& line) {
    std::fputs((line + '\n').c_str(), stdout);
}

}  // namespace

WalkTally walkAndTally(const FeedText& text,
                       const std::function<void(const ScannedItem&, std::size_t record)>& report) {
    WalkTally tally;
    tally.end = walkFeedText(text, [&](const ScannedItem& item) {
        ++tally.items;
        bool accepted = item.verdict == Verdict::accepted;
        if (accepted) ++tally.records;
        report(item, accepted ? tally.records : 0);
        return true;
    });
    return tally;
}

ExitStatus explainFeed(const std::string& path) {
    LoadedFeed feed;
    platform::ReadStatus read = loadFeedText(nativePath(path), feed);
    if (read.error != 0) {
        complain(readFailure(path, read));
        return ExitStatus::failure;
    }

    // UTF-8 text is walked in place, so its positions become byte offsets into the file once the
    // byte order mark in front of it is counted. Other text is walked after decoding, in 16-bit
    // characters that no longer map to the file's bytes one to one; say so.
    const FeedText& text = feed.text;
    std::size_t shift =
        text.isUtf8 ? static_cast<std::size_t>(text.utf8.data() - feed.bytes.view().data()) : 0;
    std::size_t length = text.isUtf8 ? shift + text.utf8.size() : text.utf16.size();
    printLine(path + (text.isUtf8 ? ": UTF-8; positions are byte offsets into the file"
                                  : ": decoded to UTF-16; positions count 16-bit characters "
                                    "of the decoded text"));
    std::size_t positionWidth = std::to_string(length).size();

    WalkTally tally = walkAndTally(text, [&](const ScannedItem& item, std::size_t record) {
        std::u16string_view title = item.record.title().substr(0, item.titleLength);
        std::string outcome = record != 0 ? "record " + std::to_string(record)
                                          : std::string("skipped: ") + skipReason(item.verdict);
        printLine(alignedRight(std::to_string(shift + item.position), positionWidth) + "  \"" +
                  escapeForDisplay(trimWhitespace(title)) + "\" -> " + outcome);
    });

    printLine("the walk stopped: " + walkEnd(tally.end));
    printLine(counted(tally.items, "item", "items") +
              " found: " + counted(tally.records, "record", "records") + ", " +
              std::to_string(tally.items - tally.records) + " skipped");
    return ExitStatus::success;
}

}  // namespace lorvex::cli
