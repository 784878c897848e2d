#include "feeds.h"

namespace lorvex::bench {

namespace {

const std::string head =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<rss version=\"2.0\"><channel>"
    "<title>Benchmark</title><description>Generated</description>\n";
const std::string tail = "</channel></rss>\n";

std::string item(const std::string& title, const std::string& description) {
    return "<item><title>" + title + "</title><link>https://example.org/a</link><description>" +
           description + "</description><pubDate>Mon, 07 Dec 2026 09:00:00 GMT</pubDate>"
           "<guid>https://example.org/a</guid></item>\n";
}

std::string repeatUntil(const std::string& unit, std::size_t size) {
    std::string text;
    text.reserve(size + unit.size());
    while (text.size() < size) text += unit;
    return text;
}

}  // namespace

std::string makeFeed(Shape shape, std::size_t size) {
    const std::string prose(800, 'w');
    std::string body;
    switch (shape) {
        case Shape::ordinary:
            body = repeatUntil(item("An ordinary title", prose), size);
            break;
        case Shape::noDescriptionEnd:
            body = repeatUntil("<item><title>T</title><description>" + prose +
                                   "<pubDate>d</pubDate></item>\n",
                               size) +
                   item("Last", "end");
            break;
        case Shape::noTitleEnd:
            body = repeatUntil("<item><title>T<description>d</description><pubDate>p</pubDate>" +
                                   prose + "</item>\n",
                               size) +
                   item("Last", "end");
            break;
        case Shape::altWithoutStyle:
            body = repeatUntil(item("T", repeatUntil("<img alt=\"x\"> ", 800)), size);
            break;
        case Shape::hugeDescription:
            body = item("Huge", repeatUntil("words and more words ", size));
            break;
        case Shape::tinyItems:
            body = repeatUntil("<item><title>t</title><description>d</description>"
                               "<pubDate>p</pubDate></item>",
                               size);
            break;
    }
    return head + body + tail;
}

}  // namespace lorvex::bench
