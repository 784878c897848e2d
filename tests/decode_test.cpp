// From file bytes to text: encodings told by byte order marks and declarations, and
// ill-formed input turned into U+FFFD.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "decode.h"
#include "feed_text.h"
#include "legacy.h"
#include "support/cases.h"
#include "support/conversions.h"
#include "support/files.h"
#include "support/whole_text.h"
#include "unicode.h"

namespace lorvex {
namespace {

using namespace std::string_literals;

// The text as a walk reads it: whole, and a byte or three at a time, which must agree.
std::u16string decoded(std::string_view bytes) {
    std::u16string whole = test::decodeWhole(bytes);
    for (std::size_t chunk : {1, 3}) {
        EXPECT_EQ(test::decodeWhole(bytes, {.chunk = chunk}), whole) << "in chunks of " << chunk;
    }
    return whole;
}

// Whether the label names a legacy encoding whose converter this system has.
// Labels are looked up in lower case, as a declaration's label is.
const NamedEncoding* encodingNamed(std::string_view label) {
    std::string lower(label);
    for (char& c : lower)
        c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    return encodingOfLabel(lower);
}

bool systemKnows(std::string_view label) {
    const NamedEncoding* named = encodingNamed(label);
    platform::LegacyDecoder decoder;
    return named != nullptr && decoder.open(named->legacy) == 0;
}

struct DetectCase {
    const char* name;
    std::string bytes;
    Encoding encoding;
    std::size_t bomLength;
};

class Detect : public testing::TestWithParam<DetectCase> {};

TEST_P(Detect, TellsTheEncoding) {
    DetectedEncoding detected = detectEncoding(GetParam().bytes);
    EXPECT_EQ(detected.encoding, GetParam().encoding);
    EXPECT_EQ(detected.bomLength, GetParam().bomLength);
}

const DetectCase detectCases[] = {
    DetectCase{"utf8_bom", "\xEF\xBB\xBF<rss>", Encoding::utf8, 3},
    DetectCase{"utf32le_bom_before_utf16le_bom", "\xFF\xFE\0\0<\0\0\0"s, Encoding::utf32le, 4},
    DetectCase{"utf32be_bom", "\0\0\xFE\xFF\0\0\0<"s, Encoding::utf32be, 4},
    DetectCase{"utf16le_bom", "\xFF\xFE<\0"s, Encoding::utf16le, 2},
    DetectCase{"utf16be_bom", "\xFE\xFF\0<"s, Encoding::utf16be, 2},
    DetectCase{"utf16le_declaration", "<\0?\0x\0m\0l\0"s, Encoding::utf16le, 0},
    DetectCase{"utf16be_declaration", "\0<\0?\0x\0m\0l"s, Encoding::utf16be, 0},
    DetectCase{"utf32le_declaration", "<\0\0\0?\0\0\0"s, Encoding::utf32le, 0},
    DetectCase{"utf32be_declaration", "\0\0\0<\0\0\0?"s, Encoding::utf32be, 0},
    DetectCase{"no_declaration_is_utf8", "<rss>", Encoding::utf8, 0},
    DetectCase{"declaration_without_label_is_utf8", "<?xml version=\"1.0\"?>", Encoding::utf8, 0},
    DetectCase{"utf8_label", "<?xml version=\"1.0\" encoding=\"utf-8\"?>", Encoding::utf8, 0},
    DetectCase{"latin1_label_is_windows1252", "<?xml version='1.0' encoding='ISO-8859-1'?>",
               Encoding::singleByte, 0},
    DetectCase{"us_ascii_label_is_windows1252", "<?xml encoding=\"us-ascii\"?>",
               Encoding::singleByte, 0},
    DetectCase{"label_after_blank_lines", "\r\n\n  <?xml version=\"1.0\" encoding = \"cp1252\" ?>",
               Encoding::singleByte, 0},
    DetectCase{"koi8_label_is_single_byte", "<?xml version=\"1.0\" encoding=\"koi8-r\"?>",
               Encoding::singleByte, 0},
    DetectCase{"shift_jis_label_is_legacy", "<?xml version=\"1.0\" encoding=\"sjis\"?>",
               Encoding::legacy, 0},
    DetectCase{"label_outside_the_declaration_is_ignored",
               "<?xml version=\"1.0\"?><rss encoding=\"koi8-r\">", Encoding::utf8, 0},
    DetectCase{"declaration_without_question_mark_keeps_its_label",
               "<?xml version=\"1.0\" encoding=\"koi8-r\">", Encoding::singleByte, 0},
    DetectCase{"unterminated_declaration_ends_at_the_first_tag",
               "<?xml version=\"1.0\" encoding=\"koi8-r\"\n<rss>", Encoding::singleByte, 0},
    DetectCase{"declaration_ending_on_the_first_kilobyte_counts",
               "<?xml encoding=\"koi8-r\"" + std::string(999, ' ') + "?>", Encoding::singleByte, 0},
    DetectCase{"declaration_ending_past_the_first_kilobyte_is_none",
               "<?xml encoding=\"koi8-r\"" + std::string(1000, ' ') + "?>", Encoding::utf8, 0},
    DetectCase{"declaration_starting_past_the_first_kilobyte_is_none",
               std::string(1020, '\n') + "<?xml encoding=\"koi8-r\"?>", Encoding::utf8, 0},
};

INSTANTIATE_TEST_SUITE_P(Starts, Detect, testing::ValuesIn(detectCases), test::CaseName{});

struct Utf8Case {
    const char* name;
    std::string bytes;
    std::u16string text;
};

class Utf8 : public testing::TestWithParam<Utf8Case> {};

TEST_P(Utf8, ReplacesEachMaximalSubpart) {
    std::u16string text;
    unicode::decodeUtf8(GetParam().bytes, text);
    EXPECT_EQ(text, GetParam().text);
}

const Utf8Case utf8Cases[] = {
    Utf8Case{"ascii", "abc", u"abc"},
    Utf8Case{"nul_is_a_character", "a\0b"s, u"a\0b"s},
    Utf8Case{"two_three_and_four_bytes", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80",
             u"\u00E9\u20AC\U0001F600"},
    Utf8Case{"lone_continuation", "a\x80z", u"a\uFFFDz"},
    Utf8Case{"overlong_two_bytes", "\xC0\xAF", u"\uFFFD\uFFFD"},
    Utf8Case{"overlong_three_bytes", "\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},
    Utf8Case{"truncated_three_bytes_before_ascii", "\xE2\x82z", u"\uFFFDz"},
    Utf8Case{"truncated_four_bytes_at_the_end", "\xF0\x9F\x98", u"\uFFFD"},
    Utf8Case{"surrogate_code_point", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
    Utf8Case{"beyond_the_last_code_point", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
    Utf8Case{"invalid_lead_bytes", "\xF5\xFF\xFE", u"\uFFFD\uFFFD\uFFFD"},
    Utf8Case{"carriage_return_line_feed_stays", "a\r\nb", u"a\r\nb"},
};

INSTANTIATE_TEST_SUITE_P(Sequences, Utf8, testing::ValuesIn(utf8Cases), test::CaseName{});

TEST(Utf8, CutBetweenSurrogatesKeepsTheFirstUnit) {
    char16_t units[2] = {};
    EXPECT_EQ(unicode::decodeUtf8Units("\xF0\x9F\x98\x80z", units, 1), 1u);
    EXPECT_EQ(units[0], u'\xD83D');
}

struct BytesCase {
    const char* name;
    std::string bytes;
    std::u16string text;
};

class Decode : public testing::TestWithParam<BytesCase> {};

TEST_P(Decode, WidensToUtf16) {
    EXPECT_EQ(decoded(GetParam().bytes), GetParam().text);
}

const std::string latin1 = "<?xml version=\"1.0\" encoding=\"windows-1252\"?>";

const BytesCase bytesCases[] = {
    BytesCase{"utf16le_odd_last_byte",
              "\xFF\xFE"
              "a\0b"s,
              u"a\uFFFD"},
    BytesCase{"utf16be_units_as_they_are", "\xFE\xFF\xD8\x3D\0a"s,
              u"\xD83D"
              u"a"},
    BytesCase{"utf32_out_of_range",
              "\xFF\xFE\0\0"
              "a\0\0\0"
              "\0\0\x11\0"s,
              u"a\uFFFD"},
    BytesCase{"utf32_astral_and_partial", "\0\0\xFE\xFF\0\x01\xF6\0\0\0"s, u"\U0001F600\uFFFD"},
    BytesCase{"windows1252_high_bytes", latin1 + "\x80\x81\x9F\xA0\xFF",
              test::utf16(latin1) + u"\u20AC\u0081\u0178\u00A0\u00FF"},
    BytesCase{"unknown_label_reads_as_utf8", "<?xml encoding=\"x-no-such\"?>\xC3\xA9",
              u"<?xml encoding=\"x-no-such\"?>\u00E9"},
    // A declaration missing its "?" still names the encoding of the text behind it; one
    // that does not end within the first kilobyte names none.
    BytesCase{"declaration_without_question_mark_keeps_its_label", "<?xml encoding=\"koi8-r\">\xF0",
              u"<?xml encoding=\"koi8-r\">\u041F"},
    BytesCase{"endless_declaration_reads_as_utf8",
              "<?xml encoding=\"koi8-r\"" + std::string(2000, ' ') + "?>\xC3\xA9",
              u"<?xml encoding=\"koi8-r\"" + std::u16string(2000, u' ') + u"?>\u00E9"},
};

INSTANTIATE_TEST_SUITE_P(Files, Decode, testing::ValuesIn(bytesCases), test::CaseName{});

struct LabelCase {
    const char* name;
    const char* label;
    std::string bytes;
    std::u16string text;
};

class Label : public testing::TestWithParam<LabelCase> {};

// Aliases that a system's converter may not know by that name (and would leave to be read as
// UTF-8, or as '?' and U+FFFD on Windows): the table names their encoding on every platform. And
// the labels the table reads without a converter.
TEST_P(Label, NamesTheEncodingThatDecodesTheBytes) {
    const LabelCase& param = GetParam();
    const NamedEncoding* named = encodingNamed(param.label);
    if (named != nullptr && named->encoding == Encoding::legacy && !systemKnows(param.label)) {
        GTEST_SKIP() << "this system's converter lacks " << named->name;
    }
    const std::string declaration = std::string("<?xml encoding=\"") + param.label + "\"?>";
    EXPECT_EQ(decoded(declaration + param.bytes), test::utf16(declaration) + param.text);
}

const LabelCase labelCases[] = {
    LabelCase{"x_cp1251", "x-cp1251", "\xCF\xF0\xE8\x98", u"\u041F\u0440\u0438\uFFFD"},
    LabelCase{"cp1251", "CP1251", "\xCF\xF0\xE8", u"\u041F\u0440\u0438"},
    LabelCase{"sjis", "sjis", "\x93\xFA\x96\x7B", u"\u65E5\u672C"},
    LabelCase{"ks_c_5601_1987", "ks_c_5601-1987", "\xB0\xA1\x81\x41", u"\uAC00\uAC02"},
    LabelCase{"x_gbk", "x-gbk", "\xC4\xE3\xBA\xC3", u"\u4F60\u597D"},
    LabelCase{"x_x_big5", "x-x-big5", "\xA4\xA4\xA4\xE5", u"\u4E2D\u6587"},
    LabelCase{"x_euc_jp", "x-euc-jp", "\xC6\xFC\x8E\xB1", u"\u65E5\uFF71"},
    LabelCase{"latin2", "latin2", "\xA3\xB1", u"\u0141\u0105"},
    LabelCase{"l9", "l9", "\xA4\xBD", u"\u20AC\u0153"},
    LabelCase{"koi", "koi", "\xF0\xD2\xC9", u"\u041F\u0440\u0438"},
    LabelCase{"iso_8859_8_i", "iso-8859-8-i", "\xE0\xE1", u"\u05D0\u05D1"},
    LabelCase{"x_mac_cyrillic", "x-mac-cyrillic", "\x80\xA2\xB6", u"\u0410\u0490\u0491"},
    LabelCase{"x_mac_roman", "x-mac-roman", "\x8E\xA5", u"\u00E9\u2022"},
    LabelCase{"tis_620", "tis-620", "\xA1\xE0\x81", u"\u0E01\u0E40\uFFFD"},
    LabelCase{"x_user_defined_is_a_fixed_table", "x-user-defined", "a\x80\xFF", u"a\uF780\uF7FF"},
    LabelCase{"hz_gb_2312_reads_as_utf8", "hz-gb-2312", "\xC3\xA9", u"\u00E9"},
    // Names beyond the WHATWG list: the IANA registry's, iconv's and Python's, and the
    // spellings in common use. ISO-8859-1 is windows-1252 under every name.
    LabelCase{"cp932_has_the_nec_rows", "cp932", "\x93\xFA\x87\x40", u"\u65E5\u2460"},
    LabelCase{"cp936_has_the_gbk_rows", "CP936", "\xC4\xE3\x81\x40", u"\u4F60\u4E02"},
    LabelCase{"cp949_has_the_unified_hangul", "cp949", "\xB0\xA1\x81\x41", u"\uAC00\uAC02"},
    LabelCase{"euc_cn", "EUC-CN", "\xC4\xE3\xBA\xC3", u"\u4F60\u597D"},
    LabelCase{"euc_tw", "euc-tw", "\xC4\xA1\xA4\xA1", u"\u4E00\uFF10"},
    // Trail bytes that are ASCII bytes, behind a lead byte and behind ASCII text.
    LabelCase{"shift_jis_trail_bytes_in_ascii_range", "shift_jis", "\x95\x5C\x83\x5Cx",
              u"\u8868\u30BDx"},
    LabelCase{"big5_trail_byte_in_ascii_range", "big5", "a\xA4\x40x", u"a\u4E00x"},
    LabelCase{"gb18030_four_bytes_with_ascii_digits", "gb18030", "a\x81\x30\x89\x38z", u"a\u00DFz"},
    LabelCase{"gb18030_cut_short_before_a_long_ascii_run", "gb18030",
              "\xA1\x30</description> and more", u"\uFFFD0</description> and more"},
    LabelCase{"koi8r", "koi8r", "\xF0\xD2\xC9", u"\u041F\u0440\u0438"},
    LabelCase{"latin9", "latin9", "\xA4\xBD", u"\u20AC\u0153"},
    LabelCase{"latin_1_is_windows1252", "latin-1", "\x80\xE9", u"\u20AC\u00E9"},
    LabelCase{"cp437", "cp437", "\x80\x82\xB0", u"\u00C7\u00E9\u2591"},
    LabelCase{"ibm850", "IBM850", "\x80\xD5", u"\u00C7\u0131"},
    LabelCase{"ibm864_keeps_ascii_percent", "cp864", "%\x80\x90", u"%\u00B0\u03B2"},
    LabelCase{"x_mac_greek", "x-mac-greek", "\xA1\xB0", u"\u0393\u0391"},
    LabelCase{"mac_centraleurope", "mac-centraleurope", "\x80\x88", u"\u00C4\u0105"},
    LabelCase{"armscii_8_is_no_label_and_reads_as_utf8", "armscii-8", "\xC3\xA9", u"\u00E9"},
};

INSTANTIATE_TEST_SUITE_P(Aliases, Label, testing::ValuesIn(labelCases), test::CaseName{});

// A stray lead byte at the end of a title is one U+FFFD, and the "</title>" after it still ends
// the title.
TEST(Decode, StrayShiftJisLeadByteLeavesTheNextTagAlone) {
    if (!systemKnows("shift_jis")) GTEST_SKIP() << "this system's converter lacks Shift_JIS";
    test::Converted converted = test::convertBytes(
        "<?xml version=\"1.0\" encoding=\"shift_jis\"?>\n<rss><channel>\n"
        "<item><title>\x93\xFA\x81</title><description>one</description>"
        "<pubDate>d1</pubDate></item>\n"
        "<item><title>two</title><description>second</description><pubDate>d2</pubDate></item>");
    ASSERT_EQ(converted.count, 2);
    std::u16string expected = test::fittedRecord("\xE6\x97\xA5\xEF\xBF\xBD", "d1", "one") +
                              test::fittedRecord("two", "d2", "second");
    EXPECT_EQ(converted.bytes, test::utf16le(expected));
}

TEST(Decode, RejectedByteInAShiftedRunKeepsTheRun) {
    if (!systemKnows("iso-2022-jp")) GTEST_SKIP() << "this system's converter lacks ISO-2022-JP";
    const std::string declaration = "<?xml encoding=\"iso-2022-jp\"?>";
    EXPECT_EQ(decoded(declaration + "\x1B$BF|\x80K\\8l\x1B(Bx"),
              test::utf16(declaration) + u"\u65E5\uFFFD\u672C\u8A9Ex");
}

// Each unit at either side of a foreign range, alone among ordinary units at every position of a
// run longer than the eight units the search takes at a time, is found exactly when it is foreign.
TEST(Decode, ForeignUnitsAreFoundAtEveryPositionOfARun) {
    const char16_t edges[] = {0x7F,   0x80,   0x9F,   0xA0,   0xDB7F, 0xDB80, 0xDBFF,
                              0xDC00, 0xDFFF, 0xE000, 0xF8FF, 0xF900, 0xFFFD, 0x0000};
    for (char16_t edge : edges) {
        for (std::size_t at = 0; at < 19; ++at) {
            std::u16string run(19, u'\u65E5');
            run[at] = edge;
            EXPECT_EQ(platform::anyForeign(run.data(), run.data() + run.size()),
                      platform::isForeign(edge))
                << std::hex << unsigned{edge} << " at " << at;
        }
    }
}

// A declaration that reads as single bytes was not written in an encoding of wider units, or
// in EBCDIC, whatever its label says: the feed is UTF-8.
TEST(Decode, LabelThatCannotHaveWrittenTheDeclarationReadsAsUtf8) {
    for (const char* label : {"utf-16", "UTF-16LE", "utf32", "UTF-32BE", "UCS-2LE", "UCS2",
                              "UCS-4LE", "UNICODELITTLE", "UNICODEBIG", "WCHAR_T", "IBM037"}) {
        std::string declaration = std::string("<?xml version=\"1.0\" encoding=\"") + label + "\"?>";
        EXPECT_EQ(decoded(declaration + "\xC3\xA9"), test::utf16(declaration) + u"\u00E9") << label;
    }
}

// One feed in every encoding that can hold its characters: all give the same records.
std::u16string sampleFeed(std::u16string_view label) {
    return u"<?xml version=\"1.0\" encoding=\"" + std::u16string(label) +
           u"\"?>\r\n<rss><channel>\r\n"
           u"<item><title>Caf\u00E9 \u201Cquoted\u201D</title>"
           u"<description>Price \u20AC5 \u2014 Zo\u00EB &lt;b&gt;</description>"
           u"<pubDate>Mon, 07 Dec 2026</pubDate></item>\r\n"
           u"<item><title>Second</title><description>r\u00E9sum\u00E9</description>"
           u"<pubDate>Tue</pubDate></item></channel></rss>";
}

std::string windows1252(std::u16string_view text) {
    std::string bytes;
    for (char16_t c : text) {
        switch (c) {
            case u'\u20AC':
                bytes += '\x80';
                break;
            case u'\u201C':
                bytes += '\x93';
                break;
            case u'\u201D':
                bytes += '\x94';
                break;
            case u'\u2014':
                bytes += '\x97';
                break;
            default:
                bytes += static_cast<char>(c);
        }
    }
    return bytes;
}

std::string utf32le(std::u16string_view text) {
    std::string bigEndian = test::utf32be(text).substr(4);
    for (std::size_t i = 0; i < bigEndian.size(); i += 4)
        std::reverse(bigEndian.begin() + static_cast<std::ptrdiff_t>(i),
                     bigEndian.begin() + static_cast<std::ptrdiff_t>(i) + 4);
    return bigEndian;
}

TEST(EncodingMatrix, EveryEncodingGivesTheSameRecordsInEveryChunk) {
    const std::string utf8Bytes = test::utf8(sampleFeed(u"utf-8"));
    const test::Converted expected = test::convertBytes(utf8Bytes);
    ASSERT_EQ(expected.count, 2);

    const std::u16string utf16Feed = sampleFeed(u"utf-16");
    const struct {
        const char* name;
        std::string bytes;
    } encodings[] = {
        {"utf-8 with bom", "\xEF\xBB\xBF" + utf8Bytes},
        {"utf-8 declared utf-16", test::utf8(utf16Feed)},
        {"utf-16le with bom", "\xFF\xFE" + test::utf16le(utf16Feed)},
        {"utf-16le without bom", test::utf16le(utf16Feed)},
        {"utf-16be with bom", "\xFE\xFF" + test::utf16be(utf16Feed)},
        {"utf-16be without bom", test::utf16be(utf16Feed)},
        {"utf-32be with bom", test::utf32be(utf16Feed)},
        {"utf-32le without bom", utf32le(utf16Feed)},
        {"windows-1252", windows1252(sampleFeed(u"windows-1252"))},
        {"iso-8859-1 label", windows1252(sampleFeed(u"iso-8859-1"))},
        {"iso_8859_1 label", windows1252(sampleFeed(u"ISO_8859_1"))},
        {"ms-ansi label", windows1252(sampleFeed(u"MS-ANSI"))},
    };
    for (const auto& encoding : encodings) {
        for (std::size_t chunk : test::chunks) {
            test::Converted converted = test::convertBytes(encoding.bytes, chunk);
            EXPECT_EQ(converted.count, expected.count) << encoding.name << ", chunk " << chunk;
            EXPECT_EQ(converted.bytes, expected.bytes) << encoding.name << ", chunk " << chunk;
        }
    }
}

TEST(EncodingMatrix, IllFormedUtf8BecomesReplacementCharacters) {
    test::Converted converted = test::convertBytes(
        " <item><title>A\xC0\xAF"
        "B</title><description>x\xE2\x82</description>"
        "<pubDate>d\xFF</pubDate></item>");
    ASSERT_EQ(converted.count, 1);
    std::u16string expected = test::fittedRecord(
        "A\xEF\xBF\xBD\xEF\xBF\xBD"
        "B",
        "d\xEF\xBF\xBD", "x\xEF\xBF\xBD");
    EXPECT_EQ(converted.bytes, test::utf16le(expected));
}

}  // namespace
}  // namespace lorvex
