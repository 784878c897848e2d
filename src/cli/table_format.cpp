#include "table_format.h"

#include <algorithm>
#include <string_view>

#include "display.h"

namespace lorvex::cli {

namespace {

constexpr std::size_t gap = 2;
constexpr std::size_t narrowest = 8;

constexpr std::u16string_view numberHeading = u"#";
constexpr std::u16string_view titleHeading = u"Title";
constexpr std::u16string_view dateHeading = u"Date";
constexpr std::u16string_view summaryHeading = u"Summary";

std::size_t digits(std::size_t n) {
    std::size_t count = 1;
    while (n >= 10) {
        n /= 10;
        ++count;
    }
    return count;
}

std::string line(const TableLayout& layout, std::u16string_view number, std::u16string_view title,
                 std::u16string_view date, std::u16string_view summary) {
    std::string spaces(gap, ' ');
    std::string numberText = fitColumns(number, layout.number, false);
    std::string out(layout.number - std::min(layout.number, displayColumns(number)), ' ');
    out += numberText + spaces + fitColumns(title, layout.title, true) + spaces +
           fitColumns(date, layout.date, true) + spaces +
           fitColumns(summary, layout.summary, false);
    out.erase(out.find_last_not_of(' ') + 1);
    return out + '\n';
}

}  // namespace

TableLayout layoutTable(const std::vector<RecordFields>& rows, std::size_t columns) {
    TableLayout natural{digits(rows.empty() ? 1 : rows.back().number), displayColumns(titleHeading),
                        displayColumns(dateHeading), displayColumns(summaryHeading)};
    for (const RecordFields& row : rows) {
        natural.title = std::max(natural.title, displayColumns(row.title));
        natural.date = std::max(natural.date, displayColumns(row.date));
        natural.summary = std::max(natural.summary, displayColumns(row.summary));
    }
    std::size_t fixed = natural.number + 3 * gap;
    std::size_t room = columns > fixed ? columns - fixed : 0;
    if (natural.title + natural.date + natural.summary <= room) return natural;

    TableLayout layout = natural;
    layout.date = std::min(natural.date, std::max(narrowest, room / 2));
    std::size_t rest = room > layout.date ? room - layout.date : 0;
    layout.title = std::min(natural.title, std::max(narrowest, rest * 2 / 5));
    layout.summary = std::min(natural.summary, rest > layout.title ? rest - layout.title : 0);
    // A short summary leaves its share to the title.
    layout.title = std::min(natural.title, std::max(layout.title, rest - layout.summary));
    layout.summary = std::max(narrowest, layout.summary);
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

}  // namespace lorvex::cli
