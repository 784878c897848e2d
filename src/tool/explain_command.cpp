#include "explain_command.h"

#include <cstdio>

#include "arguments.h"
#include "convert.h"
#include "display.h"

namespace lorvex::tool {

namespace {

std::string missing(const char* tag) {
    return std::string("no \"") + tag + "\" in the item";
}

std::string unended(const char* tag, const char* endTag) {
    return std::string("\"") + tag + "\" has no \"" + endTag + "\" in the item";
}

std::string emptySummary(SummaryRule rule) {
    switch (rule) {
        case SummaryRule::plainText:
            return "empty summary: the description is empty";
        case SummaryRule::leadText:
            return "empty summary: the description begins with &lt";
        case SummaryRule::noStyle:
            return "empty summary: alt= has no style= behind it";
        case SummaryRule::noLinkText:
            return "empty summary: the alt value is empty and no </a> \u2026 </p> follows";
        case SummaryRule::linkText:
        case SummaryRule::altText:
            break;
    }
    return "empty summary: the alt value is empty and so is the text between </a> and </p>";
}

// Why an item gave no record.
std::string skipReason(const ScannedItem& item) {
    switch (item.lack) {
        case Lack::nothing:
            break;
        case Lack::title:
            return missing("<title>");
        case Lack::titleEnd:
            return unended("<title>", "</title>");
        case Lack::description:
            return missing("<description>");
        case Lack::descriptionEnd:
            return unended("<description>", "</description>");
        case Lack::pubDate:
            return missing("<pubDate>");
        case Lack::pubDateEnd:
            return unended("<pubDate>", "</pubDate>");
    }
    switch (item.verdict) {
        case Verdict::titleHasCdata:
            return "title contains CDATA";
        case Verdict::emptySummary:
            return emptySummary(item.summary.rule);
        case Verdict::summaryStartsWithSpace:
            return "summary starts with a space";
        case Verdict::accepted:
        case Verdict::incomplete:
            break;
    }
    return "";
}

void printLine(const std::string& line) {
    print(line + '\n');
}

}  // namespace

WalkTally walkAndTally(FeedText& text,
                       const std::function<void(const ScannedItem&, std::size_t record)>& report) {
    WalkTally tally;
    walkFeedText(text, [&](const ScannedItem& item) {
        ++tally.items;
        if (item.accepted()) ++tally.records;
        report(item, item.accepted() ? tally.records : 0);
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

    // UTF-8 text is walked in its own bytes, so its positions are byte offsets into the file (a
    // byte order mark counted). Any other text is told in 16-bit characters of the decoded text: a
    // single-byte feed, walked in its own bytes too, has one such character a byte, and the others
    // are walked in characters that no longer map to the file's bytes one to one; say so.
    bool utf8 = text.encoding() == Encoding::utf8;
    std::string name = path == "-" ? "standard input" : escapeFileName(path);
    printLine(name + (utf8 ? ": UTF-8; positions are byte offsets into the file"
                           : ": decoded to UTF-16; positions count 16-bit characters "
                             "of the decoded text"));
    // Each item is told as the walk reaches it, so that a feed of any length (a pipe that never
    // ends, say) takes no more memory than its conversion.
    WalkTally tally = walkAndTally(text, [](const ScannedItem& item, std::size_t record) {
        // Appended piece by piece: GCC 12 warns of an overlap that is not there (-Wrestrict) in
        // a chain of + on a temporary at -O3.
        std::string line = std::to_string(item.position) + "  ";
        if (item.lack == Lack::title || item.lack == Lack::titleEnd) {
            line += "(no title)";
        } else {
            std::u16string_view title = item.record.title().substr(0, item.titleLength);
            line += '"';
            line += escapeForDisplay(trimWhitespace(title));
            line += '"';
        }
        line += " -> ";
        if (record != 0) {
            line += "record ";
            line += std::to_string(record);
        } else {
            line += "skipped: ";
            line += skipReason(item);
        }
        printLine(line);
    });
    if (text.error() != 0) {
        complain(readFailure(quotedName(path), text.error(), true));
        return ExitStatus::failure;
    }
    printLine(counted(tally.items, "item", "items") +
              " found: " + counted(tally.records, "record", "records") + ", " +
              std::to_string(tally.items - tally.records) + " skipped");
    return ExitStatus::success;
}

}  // namespace lorvex::tool
