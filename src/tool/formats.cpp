#include "formats.h"

#include <nlohmann/json.hpp>

#include <algorithm>

#include "display.h"
#include "unicode.h"

namespace lorvex::tool {

namespace {

struct NamedFormat {
    const char* name;
    Format format;
};

constexpr NamedFormat namedFormats[] = {{"table", Format::table},
                                        {"csv", Format::csv},
                                        {"json", Format::json},
                                        {"jsonl", Format::jsonl}};

}  // namespace

std::vector<std::string> formatNames() {
    std::vector<std::string> names;
    for (const NamedFormat& named : namedFormats)
        names.emplace_back(named.name);
    return names;
}

std::optional<Format> formatNamed(std::string_view name) {
    for (const NamedFormat& named : namedFormats) {
        if (name == named.name) return named.format;
    }
    return std::nullopt;
}

RecordFields fieldsOf(std::size_t number, const Record& record, bool raw) {
    if (raw) return {number, record.title(), record.date(), record.summary()};
    return {number, trimPadding(record.title()), trimPadding(record.date()),
            trimPadding(record.summary())};
}

namespace {

constexpr std::size_t gap = 2;
// 31 columns hold an RFC 822 date with a numeric zone ("Mon, 07 Dec 2026 09:00:00 +0900"), the
// longest form feeds commonly give; on a narrow terminal the date takes no more than half the
// room, so that title and summary keep at least as much between them. They split it 2 : 3, the
// summary holding four times the text. 8 columns still show a short word and its ellipsis. 4
// digits number the records of any feed of a usual size; a longer stream only widens the rows
// past the 9,999th.
constexpr std::size_t dateColumns = 31;
constexpr std::size_t narrowest = 8;
constexpr std::size_t streamDigits = 4;

constexpr std::u16string_view numberHeading = u"#";
constexpr std::u16string_view titleHeading = u"Title";
constexpr std::u16string_view dateHeading = u"Date";
constexpr std::u16string_view summaryHeading = u"Summary";

std::size_t digits(std::uint64_t n) {
    std::size_t count = 1;
    while (n >= 10) {
        n /= 10;
        ++count;
    }
    return count;
}

// The number is right-aligned and never cut: one wider than its column pushes its row right.
std::string line(const TableLayout& layout, std::u16string_view number, std::u16string_view title,
                 std::u16string_view date, std::u16string_view summary) {
    std::string spaces(gap, ' ');
    std::string out(layout.number - std::min(layout.number, displayColumns(number)), ' ');
    out += escapeForDisplay(number) + spaces + fitColumns(title, layout.title, true) + spaces +
           fitColumns(date, layout.date, true) + spaces +
           fitColumns(summary, layout.summary, false);
    out.erase(out.find_last_not_of(' ') + 1);
    return out + '\n';
}

}  // namespace

TableLayout layoutTable(std::size_t columns, std::optional<std::uint64_t> records) {
    TableLayout layout{};
    layout.number = records ? digits(*records) : streamDigits;
    std::size_t fixed = layout.number + 3 * gap;
    std::size_t room = columns > fixed ? columns - fixed : 0;
    std::size_t date = std::min({dateColumns, room / 2, room - std::min(room, 2 * narrowest)});
    layout.date = std::max(narrowest, date);
    std::size_t rest = room - std::min(room, layout.date);
    layout.title = std::max(narrowest, rest * 2 / 5);
    layout.summary = std::max(narrowest, rest - std::min(rest, layout.title));
    return layout;
}

std::string tableHeading(const TableLayout& layout) {
    return line(layout, numberHeading, titleHeading, dateHeading, summaryHeading);
}

std::string tableRow(const TableLayout& layout, const RecordFields& fields) {
    std::string number = std::to_string(fields.number);
    return line(layout, std::u16string(number.begin(), number.end()), fields.title, fields.date,
                fields.summary);
}

namespace {

std::string csvField(std::u16string_view text) {
    std::string utf8 = unicode::toUtf8Lossy(text);
    bool quoted = utf8.find_first_of("\",\r\n") != std::string::npos ||
                  (!utf8.empty() && (utf8.front() == ' ' || utf8.back() == ' '));
    if (!quoted) return utf8;
    std::string out = "\"";
    for (char c : utf8) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
    return out;
}

}  // namespace

std::string csvHeader() {
    return "record,title,date,summary\r\n";
}

std::string csvRow(const RecordFields& fields) {
    return std::to_string(fields.number) + ',' + csvField(fields.title) + ',' +
           csvField(fields.date) + ',' + csvField(fields.summary) + "\r\n";
}

std::string jsonObject(const RecordFields& fields) {
    nlohmann::ordered_json object = {
        {"record", fields.number},
        {"title", unicode::toUtf8Lossy(fields.title)},
        {"date", unicode::toUtf8Lossy(fields.date)},
        {"summary", unicode::toUtf8Lossy(fields.summary)},
    };
    return object.dump();
}

}  // namespace lorvex::tool
