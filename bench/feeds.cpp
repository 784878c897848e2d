#include "feeds.h"

#include <iconv.h>
#include <algorithm>
#include <array>
#include <cerrno>
#include <random>
#include <string_view>

namespace lorvex::bench {

namespace {

const std::string head =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<rss version=\"2.0\">\n<channel>\n"
    "<title>Benchmark Feed</title>\n<link>https://example.org/</link>\n"
    "<description>Generated for benchmarks</description>\n";
const std::string tail = "</channel>\n</rss>\n";

constexpr std::array<std::string_view, 24> words{
    "harbour", "river",  "market", "council", "season",  "report", "bridge", "forecast",
    "garden",  "museum", "school", "railway", "weather", "energy", "island", "library",
    "café",    "naïve",  "Zürich", "東京",    "Москва",  "résumé", "☕",      "😀"};

class Writer {
  public:
    explicit Writer(std::uint32_t seed) : random_(seed) {}

    std::size_t below(std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(random_);
    }

    std::string sentence(std::size_t minWords, std::size_t maxWords) {
        std::string text;
        std::size_t count = minWords + below(maxWords - minWords + 1);
        for (std::size_t i = 0; i < count; ++i) {
            if (i > 0) text += ' ';
            // Mostly ASCII, with the non-ASCII words about one time in six.
            text += words[below(4) == 0 ? below(words.size()) : below(16)];
        }
        return text;
    }

    std::string item(std::size_t number, std::string_view lineEnd, bool dateFirst) {
        std::string title = sentence(3, 9);
        if (below(8) == 0) title = "<![CDATA[" + title + "]]>";
        std::string description;
        switch (below(4)) {
            case 0:  // escaped HTML after lead text
                description = sentence(10, 30) + " &lt;p&gt;" + sentence(40, 70) +
                              "&lt;/p&gt;&lt;p&gt;" + sentence(20, 40) + "&lt;/p&gt;";
                break;
            case 1:  // CDATA HTML with an image, its alt value before a style attribute
                description = "<![CDATA[<p><a href=\"https://example.org/p/" +
                              std::to_string(number) + "\"><img src=\"https://example.org/i/" +
                              std::to_string(number) + ".jpg\" alt=\"" + sentence(4, 12) +
                              "\" style=\"width:100%\"></a></p><p>" + sentence(50, 90) + "</p>]]>";
                break;
            case 2:  // the same with an empty alt value: the linked text is the summary
                description = "<![CDATA[<p><a href=\"https://example.org/p/" +
                              std::to_string(number) + "\"><img src=\"i.png\" alt=\"\" " +
                              "style=\"border:0\"></a>" + sentence(10, 25) + "</p><p>" +
                              sentence(40, 80) + "</p>]]>";
                break;
            default:  // plain text
                description = sentence(60, 110);
        }
        std::string link = "https://example.org/news/" + std::to_string(number);
        std::string nl(lineEnd);
        std::string date = "  <pubDate>Mon, 07 Dec 2026 " + std::to_string(10 + number % 14) +
                           ":00:00 GMT</pubDate>" + nl;
        description = "  <description>" + description + "</description>" + nl;
        return "<item>" + nl + "  <title>" + title + "</title>" + nl + "  <link>" + link +
               "</link>" + nl + (dateFirst ? date + description : description + date) + "  <guid>" +
               link + "</guid>" + nl + "</item>" + nl;
    }

  private:
    std::mt19937 random_;
};

std::string realistic(std::size_t size, std::uint32_t seed, std::string_view lineEnd,
                      bool dateFirst = false) {
    Writer writer(seed);
    std::string feed = head;
    feed.reserve(size + 4096);
    for (std::size_t number = 0; feed.size() + tail.size() < size; ++number) {
        feed += writer.item(number, lineEnd, dateFirst);
    }
    return feed + tail;
}

std::string repeatUntil(std::string_view unit, std::size_t size) {
    std::string text;
    text.reserve(size + unit.size());
    while (text.size() < size)
        text += unit;
    return text;
}

std::string plainItem(std::string_view title, std::string_view description) {
    std::string item = "<item><title>";
    item.append(title).append("</title><description>").append(description);
    return item + "</description><pubDate>Mon, 07 Dec 2026</pubDate></item>\n";
}

}  // namespace

std::string transcode(const std::string& utf8Feed, const std::string& encoding) {
    std::string feed = utf8Feed;
    std::size_t label = feed.find("UTF-8");
    if (label != std::string::npos && label < 60) feed.replace(label, 5, encoding);
    iconv_t converter = ::iconv_open((encoding + "//TRANSLIT").c_str(), "UTF-8");
    if (converter == reinterpret_cast<iconv_t>(-1)) return {};
    std::string out;
    if (encoding == "UTF-16LE") out = "\xFF\xFE";
    if (encoding == "UTF-32LE") out = std::string("\xFF\xFE\0\0", 4);
    char* in = feed.data();
    std::size_t inLeft = feed.size();
    char buffer[65536];
    while (inLeft > 0) {
        char* put = buffer;
        std::size_t putLeft = sizeof buffer;
        std::size_t done = ::iconv(converter, &in, &inLeft, &put, &putLeft);
        out.append(buffer, static_cast<std::size_t>(put - buffer));
        if (done == static_cast<std::size_t>(-1) && errno != E2BIG) {
            ++in;  // a character the encoding lacks even transliterated: dropped
            --inLeft;
        }
    }
    ::iconv_close(converter);
    return out;
}

std::string makeRealisticFeed(std::size_t size, std::uint32_t seed) {
    return realistic(size, seed, "\n");
}

std::string makeFeed(Shape shape, std::size_t size) {
    const std::string prose = repeatUntil("words and more words ", 800);
    switch (shape) {
        case Shape::realistic:
            return realistic(size, 1, "\n");
        case Shape::oneLine:
            return realistic(size, 1, "");
        case Shape::wordpressOrder:
            return realistic(size, 1, "\n", true);
        case Shape::noDescriptionEnd:
            return head +
                   repeatUntil("<item><title>T</title><description>" + prose +
                                   "<pubDate>d</pubDate></item>\n",
                               size) +
                   plainItem("Last", "end") + tail;
        case Shape::noTitleEnd:
            return head +
                   repeatUntil("<item><title>T<description>d</description><pubDate>p</pubDate>" +
                                   prose + "</item>\n",
                               size) +
                   plainItem("Last", "end") + tail;
        case Shape::altWithoutStyle:
            return head + repeatUntil(plainItem("T", repeatUntil("<img alt=\"x\"> ", 800)), size) +
                   tail;
        case Shape::hugeDescription:
            return head + plainItem("Huge", repeatUntil("words and more words ", size)) + tail;
        case Shape::tinyItems:
            return head +
                   repeatUntil(
                       "<item><title>t</title><description>d</description>"
                       "<pubDate>p</pubDate></item>",
                       size) +
                   tail;
    }
    return {};
}

}  // namespace lorvex::bench
