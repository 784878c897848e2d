#include "export_formats.h"

#include <nlohmann/json.hpp>

#include "text.h"

namespace lorvex::cli {

namespace {

std::string csvField(std::u16string_view text) {
    std::string utf8 = toUtf8(text);
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
        {"title", toUtf8(fields.title)},
        {"date", toUtf8(fields.date)},
        {"summary", toUtf8(fields.summary)},
    };
    return object.dump();
}

}  // namespace lorvex::cli
