#include "explain_command.h"

#include <cstdio>
#include <vector>

#include "arguments.h"
#include "convert.h"
#include "display.h"

namespace lorvex::tool {

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
    print(line + '\n');
}

}  // namespace

WalkTally walkAndTally(FeedText& text,
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
    platform::InputFile input;
    platform::Error error = openArgument(input, path);
    if (error != 0) {
        complain(readFailure(quotedName(path), error, false));
        return ExitStatus::failure;
    }
    FileSource source(input);
    FeedText text(source);

    // The lines wait for the walk's end, which tells how wide the widest position can be.
    struct Line {
        Position position;
        std::string account;
    };
    std::vector<Line> lines;
    WalkTally tally = walkAndTally(text, [&](const ScannedItem& item, std::size_t record) {
        std::u16string_view title = item.record.title().substr(0, item.titleLength);
        std::string outcome = record != 0 ? "record " + std::to_string(record)
                                          : std::string("skipped: ") + skipReason(item.verdict);
        lines.push_back(
            {item.position, "  \"" + escapeForDisplay(trimWhitespace(title)) + "\" -> " + outcome});
    });
    if (text.error() != 0) {
        complain(readFailure(quotedName(path), text.error(), true));
        return ExitStatus::failure;
    }

    // UTF-8 text is walked in its own bytes, so its positions are byte offsets into the file (a
    // byte order mark counted). Any other text is told in 16-bit characters of the decoded text: a
    // single-byte feed, walked in its own bytes too, has one such character a byte, and the others
    // are walked in characters that no longer map to the file's bytes one to one; say so.
    bool utf8 = text.encoding() == Encoding::utf8;
    std::string name = path == "-" ? "standard input" : escapeFileName(path);
    printLine(name + (utf8 ? ": UTF-8; positions are byte offsets into the file"
                           : ": decoded to UTF-16; positions count 16-bit characters "
                             "of the decoded text"));
    std::size_t positionWidth = std::to_string(text.end()).size();
    for (const Line& line : lines)
        printLine(alignedRight(std::to_string(line.position), positionWidth) + line.account);

    printLine("the walk stopped: " + walkEnd(tally.end));
    printLine(counted(tally.items, "item", "items") +
              " found: " + counted(tally.records, "record", "records") + ", " +
              std::to_string(tally.items - tally.records) + " skipped");
    return ExitStatus::success;
}

}  // namespace lorvex::tool
