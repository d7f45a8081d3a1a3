// The parser's rules, grouped by rule, on whole documents.
#include <gtest/gtest.h>

#include <cstdlib>
#include <clocale>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "uQvJSON.h"

namespace kx {
namespace {

using Doc = std::unique_ptr<TqvJSONbase>;

Doc Parse(std::string_view text) { return TqvJSON::ParseDocument(text); }

template <class T>
const T* As(const Doc& doc) {
    return dynamic_cast<const T*>(doc.get());
}

long double NumberOf(std::string_view text) {
    const Doc doc = Parse(text);
    const auto* number = As<TqvJSONnumber>(doc);
    if (!number) {
        ADD_FAILURE() << "not a number: " << text;
        return -1;
    }
    return number->Number;
}

std::u16string TextOfString(std::string_view text) {
    const Doc doc = Parse(text);
    const auto* string = As<TqvJSONstring>(doc);
    if (!string) {
        ADD_FAILURE() << "not a string: " << text;
        return u"<none>";
    }
    return string->Text;
}

TEST(JsonEntry, EmptyTextAndLoneByteOrderMarkGiveNull) {
    EXPECT_EQ(Parse(""), nullptr);
    EXPECT_EQ(Parse("\xEF\xBB\xBF"), nullptr);
    EXPECT_EQ(Parse("   \t\r\n"), nullptr);
    EXPECT_EQ(Parse("\xEF\xBB"), nullptr);  // a cut-off mark is not skipped, and is no value
}

TEST(JsonEntry, ByteOrderMarkIsSkippedOnlyAtTheStart) {
    const Doc doc = Parse("\xEF\xBB\xBF{}");
    ASSERT_NE(As<TqvJSONobject>(doc), nullptr);
    EXPECT_EQ(doc->ItemCount(), 0);
    EXPECT_EQ(Parse(" \xEF\xBB\xBF{}"), nullptr);
}

TEST(JsonEntry, BytesAfterTheFirstValueAreIgnored) {
    const Doc doc = Parse("  {\"a\":1} trailing");
    const auto* object = As<TqvJSONobject>(doc);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->IntAt(0), 1);
    EXPECT_NE(Parse("1 2 ]]] {"), nullptr);
    EXPECT_NE(Parse("[1]\xFF\x00garbage"), nullptr);
}

TEST(JsonEntry, EveryByteBelow0x21IsWhitespaceButHighBytesAreNot) {
    std::string text;
    for (int c = 0; c < 0x21; ++c) text.push_back(static_cast<char>(c));
    text += "[";
    for (int c = 0x20; c >= 0; --c) text.push_back(static_cast<char>(c));
    text += "1";
    text.push_back('\0');
    text += ",\x1F" "2]";
    const Doc doc = Parse(text);
    ASSERT_NE(As<TqvJSONlist>(doc), nullptr);
    EXPECT_EQ(doc->ItemCount(), 2);
    EXPECT_EQ(Parse("\xA0" "1"), nullptr);
    EXPECT_EQ(Parse("[1\x80]"), nullptr);
}

TEST(JsonEntry, WhitespaceRunsOfAnyLengthEndAtTheFirstOtherByte) {
    // Runs are skipped several bytes at a time, so every length and every byte after them counts.
    const std::string blanks = std::string("\t\n\r \x01\x1F\x20\x00", 8) + "\x0B\x0C    \x10\x11\x12";
    for (std::size_t run = 0; run <= blanks.size(); ++run) {
        for (int byte = 0; byte < 256; ++byte) {
            std::string text = "[";
            text.append(blanks, 0, run).append(1, static_cast<char>(byte)).append(blanks, 0, run).append("1]");
            const Doc doc = Parse(text);
            if (byte < 0x21) {
                ASSERT_NE(doc, nullptr) << run << " " << byte;
                EXPECT_EQ(doc->ItemCount(), 1);
            } else if (byte >= '0' && byte <= '9') {
                ASSERT_NE(doc, nullptr) << run << " " << byte;
                EXPECT_EQ(doc->ItemCount(), run ? 2 : 1);  // the digit, then 1, unless they touch
            } else if (byte != '"' && byte != '[' && byte != '{' && byte != 't' && byte != 'f' && byte != 'n' &&
                       byte != '+' && byte != '-' && byte != ']') {
                EXPECT_EQ(doc, nullptr) << run << " " << byte;
            }
        }
    }
}

TEST(JsonKeywords, AreCaseSensitiveCompleteAndNotDelimited) {
    const Doc t = Parse("true");
    ASSERT_NE(As<TqvJSONboolean>(t), nullptr);
    EXPECT_TRUE(As<TqvJSONboolean>(t)->Flag);
    const Doc f = Parse(" false");
    ASSERT_NE(As<TqvJSONboolean>(f), nullptr);
    EXPECT_FALSE(As<TqvJSONboolean>(f)->Flag);

    EXPECT_EQ(Parse("True"), nullptr);
    EXPECT_EQ(Parse("NULL"), nullptr);
    EXPECT_EQ(Parse("nul"), nullptr);
    EXPECT_EQ(Parse("tru"), nullptr);
    EXPECT_EQ(Parse("fals"), nullptr);

    // Nothing looks at the byte after a keyword.
    EXPECT_NE(As<TqvJSONboolean>(Parse("truex")), nullptr);
    EXPECT_NE(As<TqvJSONnull>(Parse("nullify")), nullptr);
    const Doc list = Parse("[truefalse null]");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->ItemCount(), 3);
    // The element after "true" fails, so no ']' follows.
    EXPECT_EQ(Parse("[truex]"), nullptr);
}

TEST(JsonKeywords, NullDocumentIsANodeNotAFailure) {
    const Doc doc = Parse("null");
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(doc->KindCode(), 4);
    EXPECT_EQ(doc->KindName(), "jsNull");
}

TEST(JsonNumbers, AcceptedForms) {
    EXPECT_EQ(NumberOf("+1"), 1.0L);
    EXPECT_EQ(NumberOf("007"), 7.0L);
    EXPECT_EQ(NumberOf("-0.5e-3"), -0.0005L);
    EXPECT_EQ(NumberOf("1E+5"), 100000.0L);
    EXPECT_EQ(NumberOf("2e3"), 2000.0L);
    EXPECT_EQ(NumberOf("0.25"), 0.25L);
    EXPECT_EQ(NumberOf("18446744073709551615"), 18446744073709551615.0L);  // exact in 64 bits
    EXPECT_TRUE(std::signbit(NumberOf("-0")));
}

TEST(JsonNumbers, MissingDigitRunsFailTheNumber) {
    for (const char* text : {"1.", ".5", "1e", "-", "+", "1e+", "1.e5", "-.5", "[1.]", "[1e]", "1.x"})
        EXPECT_EQ(Parse(text), nullptr) << text;
}

TEST(JsonNumbers, MatchEndsAtTheFirstByteOutsideTheForm) {
    const Doc doc = Parse("[1.5.5]");  // "1.5" then ".5" fails, no ']'
    EXPECT_EQ(doc, nullptr);
    const Doc pair = Parse("[1-2]");  // "1" then "-2"
    ASSERT_NE(pair, nullptr);
    ASSERT_EQ(pair->ItemCount(), 2);
    EXPECT_EQ(dynamic_cast<TqvJSONlist&>(*pair).IntAt(1), -2);
}

TEST(JsonNumbers, ConversionIsCorrectlyRounded) {
    // Short decimals take a fast path, others an exact one; the C library is the reference
    // (the tests run in the "C" locale).
    std::mt19937_64 random(12345);
    for (int i = 0; i < 20000; ++i) {
        const std::uint64_t mantissa = random() >> (random() % 64);
        const int exponent = static_cast<int>(random() % 80) - 40;
        std::string text = std::to_string(mantissa);
        if (i % 3 == 0 && text.size() > 1) text.insert(text.size() / 2, ".");
        if (i % 2 == 0) text += "e" + std::to_string(exponent);
        const long double expected = std::strtold(text.c_str(), nullptr);
        ASSERT_EQ(NumberOf(text), expected) << text;
    }
    // Long mantissas and exponents across the whole range, subnormals included.
    for (int i = 0; i < 3000; ++i) {
        std::string text = std::to_string(random() % 10);
        for (int digits = static_cast<int>(random() % 40); digits > 0; --digits) text += std::to_string(random() % 10);
        if (i % 2 && text.size() > 1) text.insert(1, ".");
        const int wide = static_cast<int>(random() % 9900) - 4950;
        const int edge = static_cast<int>(random() % 50);
        text += "e" + std::to_string(wide - edge);
        const long double expected = std::strtold(text.c_str(), nullptr);
        if (std::isinf(expected)) {
            ASSERT_EQ(Parse(text), nullptr) << text;
        } else {
            ASSERT_EQ(NumberOf(text), expected) << text;
        }
    }
    EXPECT_EQ(NumberOf("1.18973149535723176502e+4932"), std::numeric_limits<long double>::max());
    EXPECT_EQ(Parse("1.1897314953572317651e+4932"), nullptr);
    EXPECT_EQ(NumberOf("3.6451995318824746025e-4951"), std::numeric_limits<long double>::denorm_min());
    EXPECT_EQ(NumberOf("3.3621031431120935063e-4932"), std::numeric_limits<long double>::min());
    EXPECT_EQ(NumberOf("0.1"), 0.1L);
    EXPECT_EQ(NumberOf("3.14159265358979323846264338327950288"), 3.14159265358979323846264338327950288L);
    EXPECT_EQ(NumberOf("123456789012345678901234567890"), 123456789012345678901234567890.0L);
}

TEST(JsonNumbers, ExtendedRangeIsUsedAndOverflowFailsTheParse) {
    EXPECT_EQ(NumberOf("1e400"), 1e400L);  // beyond double, within long double
    EXPECT_EQ(NumberOf("-1e-400"), -1e-400L);
    EXPECT_EQ(Parse("1e99999"), nullptr);
    EXPECT_EQ(Parse("-1e5000"), nullptr);
    EXPECT_EQ(Parse("{\"ok\":1,\"big\":1e99999999999999999999}"), nullptr);
    EXPECT_EQ(Parse("[\"a\", 9" + std::string(6000, '9') + "]"), nullptr);
}

TEST(JsonNumbers, ReadAsADoubleTheyRoundAsStrtodNearTheLargestDouble) {
    // From the largest double to the halfway point to 2^1024 a number is the largest double;
    // the halfway point itself is a tie that goes to the even 2^1024, infinity.
    const std::string halfway =
        "17976931348623158079372897140530341507993413271003782693617377898044496829276475094664901797758720709633028641"
        "66928879109465555478519404026306574886715058206819089020007083836762738548458177115317644757302700698555713669"
        "59622842914819860834936475292719074168444365510704342711559699508093042880177904174497792000e-3";
    std::vector<std::string> texts = {"1.7976931348623157e308", "1.7976931348623158e308", "-1.7976931348623158e308",
                                      "1.797693134862315807e308", "1.7976931348623158079e308", "179769313486231580e291", halfway, "-" + halfway,
                                      "1.7976931348623159e308", "1.8e308", "1e309"};
    for (std::uint64_t digits = 17976931348623157090u; digits < 17976931348623158020u; digits += 9300000)
        texts.push_back(std::to_string(digits) + "e289");
    for (const std::string& text : texts) {
        const Doc doc = Parse(text);
        ASSERT_NE(doc, nullptr) << text;
        EXPECT_EQ(doc->ReadVariant(), TqvVariant(std::strtod(text.c_str(), nullptr))) << text;
    }
    EXPECT_EQ(Parse("1.7976931348623158e308")->ReadVariant(), TqvVariant(std::numeric_limits<double>::max()));
    // Its long double is the halfway point itself: the text decides, not a tie.
    EXPECT_EQ(Parse("1.7976931348623158079e308")->ReadVariant(), TqvVariant(std::numeric_limits<double>::max()));
    EXPECT_EQ(Parse(halfway)->ReadVariant(), TqvVariant(std::numeric_limits<double>::infinity()));
    // A text written into a number is read the same way.
    TqvJSONnumber number;
    number.WriteVariant(std::u16string(u"1.7976931348623158e308"));
    EXPECT_EQ(number.ReadVariant(), TqvVariant(std::numeric_limits<double>::max()));
}

TEST(JsonNumbers, UnderflowGivesZeroNotFailure) {
    EXPECT_EQ(NumberOf("1e-99999"), 0.0L);
    EXPECT_EQ(NumberOf("0.000000000000000000000000000001e-99999999999999"), 0.0L);
    EXPECT_TRUE(std::signbit(NumberOf("-1e-99999")));
    EXPECT_EQ(NumberOf("0e99999"), 0.0L);
}

TEST(JsonNumbers, DecimalPointIsIndependentOfTheLocale) {
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    const char* comma = nullptr;
    for (const char* name : {"de_DE.UTF-8", "de_DE", "German_Germany.1252", "German"})
        if (std::setlocale(LC_ALL, name)) {
            comma = name;
            break;
        }
    if (!comma) GTEST_SKIP() << "no locale with a decimal comma installed";
    const long double fast = NumberOf("1.5");
    const long double slow = NumberOf("1.50000000000000000000000001");
    std::setlocale(LC_ALL, saved.c_str());
    EXPECT_EQ(fast, 1.5L);
    EXPECT_NEAR(static_cast<double>(slow), 1.5, 1e-15);
}

TEST(JsonStrings, ClosingQuoteScanStepsOverEscapedBytes) {
    EXPECT_EQ(TextOfString(R"("a\"b")"), u"a\"b");
    EXPECT_EQ(TextOfString(R"("a\\")"), u"a\\");
    EXPECT_EQ(TextOfString(R"("\\\"\\")"), u"\\\"\\");
    EXPECT_EQ(TextOfString(R"("")"), u"");
    EXPECT_EQ(Parse(R"("abc)"), nullptr);
    EXPECT_EQ(Parse(R"("abc\")"), nullptr);
    EXPECT_EQ(Parse("\"abc\\"), nullptr);
    // A raw control byte or line break inside a string is kept.
    EXPECT_EQ(TextOfString("\"a\nb\""), u"a\nb");
}

std::u16string Widened(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

// The scans read eight bytes at a time: an escaped quote, a backslash and a non-ASCII byte at
// every offset of a load, and texts that end right after the string or inside it.
TEST(JsonStrings, EveryOffsetOfTheEightByteScans) {
    for (std::size_t length = 0; length <= 25; ++length) {
        const std::string filler(length, 'a');
        for (std::size_t at = 0; at <= length; ++at) {
            const std::string before = filler.substr(0, at), after = filler.substr(at);
            EXPECT_EQ(TextOfString("\"" + before + "\\\"" + after + "\""), Widened(before) + u"\"" + Widened(after)) << at;
            EXPECT_EQ(TextOfString("\"" + before + "\\\\" + after + "\""), Widened(before) + u"\\" + Widened(after)) << at;
            EXPECT_EQ(TextOfString("\"" + before + "\xC3\xA9" + after + "\""), Widened(before) + u"\u00E9" + Widened(after)) << at;
            EXPECT_EQ(TextOfString("\"" + before + "\"" + after + "\""), Widened(before)) << at;  // the rest is not looked at
            EXPECT_EQ(Parse("\"" + before + "\\"), nullptr) << at;
            EXPECT_EQ(Parse("\"" + before + "\\\"" + after), nullptr) << at;
        }
        EXPECT_EQ(Parse("\"" + filler), nullptr) << length;
    }
}

TEST(JsonStrings, EscapeTable) {
    EXPECT_EQ(TextOfString(R"("\'")"), u"'");
    EXPECT_EQ(TextOfString(R"("\/")"), u"/");
    EXPECT_EQ(TextOfString(R"("\b\f\n\r\t")"), u"\b\f\n\r\t");
    EXPECT_EQ(TextOfString(R"("x\qy")"), u"xy");
    EXPECT_EQ(TextOfString(R"("\U0041")"), u"0041");  // an unknown escape drops both bytes only
    // Only one byte goes with the backslash: the orphaned continuation byte then
    // makes the text malformed.
    EXPECT_EQ(TextOfString("\"a\\\xC3\xA9" "b\""), u"");
    EXPECT_EQ(TextOfString("\"a\\\xC3" "b\""), u"ab");
}

TEST(JsonStrings, UnicodeEscapes) {
    EXPECT_EQ(TextOfString(R"("\u0041")"), u"A");
    EXPECT_EQ(TextOfString(R"("\u00e9")"), u"\u00E9");
    EXPECT_EQ(TextOfString(R"("\u00E9\u20ac")"), u"\u00E9\u20AC");
    EXPECT_EQ(TextOfString(R"("\u07FF\u0800\uFFFF")"), u"\u07FF\u0800\uFFFF");
    EXPECT_EQ(TextOfString(R"("\uD83D\uDE00")"), (std::u16string{0xD83D, 0xDE00}));
    EXPECT_EQ(TextOfString(R"("\u0000")"), std::u16string(1, u'\0'));
    EXPECT_EQ(TextOfString(R"("\u00411")"), u"A1");
    // Fewer than four digits when the content ends sooner.
    EXPECT_EQ(TextOfString(R"("\u41")"), u"A");
    EXPECT_EQ(TextOfString(R"("x\u7")"), u"x\a");
}

TEST(JsonStrings, BadUnicodeEscapeFailsTheWholeParse) {
    for (const char* text : {R"("\u00zz")", R"("\u")", R"(["ok", "\u12 4"])", R"({"a":"\u-123"})", R"("\u+041")"})
        EXPECT_EQ(Parse(text), nullptr) << text;
}

TEST(JsonStrings, Utf8IsDecodedUpToThreeBytes) {
    EXPECT_EQ(TextOfString("\"caf\xC3\xA9\""), u"caf\u00E9");
    EXPECT_EQ(TextOfString("\"\xE2\x82\xAC\""), u"\u20AC");
    // Encoded surrogate halves come back as the two units.
    EXPECT_EQ(TextOfString("\"\xED\xA0\xBD\xED\xB8\x80\""), (std::u16string{0xD83D, 0xDE00}));
}

TEST(JsonStrings, MalformedUtf8EmptiesTheTextButTheParseGoesOn) {
    for (const char* bad : {"\"caf\xE9\"", "\"\xE9t\xE9\"", "\"\xC3\"", "\"\xE2\x82\"", "\"\x80\"",
                            "\"\xC3\x41\"", "\"\xF0\x9F\x98\x80\""})
        EXPECT_EQ(TextOfString(bad), u"") << bad;

    const Doc doc = Parse("{\"k\":\"caf\xE9\",\"next\":\"ok\"}");
    const auto* object = As<TqvJSONobject>(doc);
    ASSERT_NE(object, nullptr);
    ASSERT_EQ(object->ItemCount(), 2);
    EXPECT_EQ(object->WideTextAt(0), u"");
    EXPECT_EQ(object->TextOf("next"), "ok");
    // A malformed key becomes the empty key: present by name, no value by position.
    const Doc badKey = Parse("{\"\xFF\":1}");
    const auto* keyed = As<TqvJSONobject>(badKey);
    ASSERT_NE(keyed, nullptr);
    EXPECT_EQ(keyed->FindMember(u""), 0);
    EXPECT_EQ(keyed->ValueAt(0), nullptr);
}

TEST(JsonArrays, CommasAreOptionalAndMayTrail) {
    const Doc spaced = Parse("[1 2 3]");
    ASSERT_NE(As<TqvJSONlist>(spaced), nullptr);
    EXPECT_EQ(spaced->ItemCount(), 3);
    const Doc trailing = Parse("[1,2,]");
    ASSERT_NE(trailing, nullptr);
    EXPECT_EQ(trailing->ItemCount(), 2);
    const Doc empty = Parse("[ ]");
    ASSERT_NE(As<TqvJSONlist>(empty), nullptr);
    EXPECT_EQ(empty->ItemCount(), 0);
    for (const char* text : {"[,1]", "[1,,2]", "[1", "[", "[1 }", "[,]", "]"})
        EXPECT_EQ(Parse(text), nullptr) << text;
}

TEST(JsonArrays, MixedElementsKeepTheirOrderAndKinds) {
    const Doc doc = Parse(R"([true, false, null, -2.5, "s", [1], {"k":0}])");
    ASSERT_NE(doc, nullptr);
    ASSERT_EQ(doc->ItemCount(), 7);
    const int kinds[] = {3, 3, 4, 1, 2, 5, 6};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(doc->ItemAt(i)->KindCode(), kinds[i]) << i;
}

TEST(JsonObjects, MembersAndCommas) {
    const Doc doc = Parse(R"({"a":1,})");
    const auto* object = As<TqvJSONobject>(doc);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->ItemCount(), 1);
    EXPECT_TRUE(object->Indexed);
    const Doc noCommas = Parse(R"({ "a" : 1 "b":2})");
    ASSERT_NE(noCommas, nullptr);
    EXPECT_EQ(noCommas->ItemCount(), 2);
    for (const char* text : {R"({"a" 1})", "{a:1}", R"({"a":})", R"({"a":1)", R"({,"a":1})", R"({"a"})",
                             R"({"a":1,,"b":2})", "{1:2}", R"({"a":[})"})
        EXPECT_EQ(Parse(text), nullptr) << text;
}

TEST(JsonObjects, DuplicateKeysResolveToTheFirstMember) {
    const Doc doc = Parse(R"({"a":1,"a":2})");
    const auto* object = As<TqvJSONobject>(doc);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->ItemCount(), 2);
    EXPECT_EQ(object->FindMember(u"a"), 0);
    EXPECT_EQ(object->IntAt(1), 1);
    EXPECT_EQ(dynamic_cast<TqvJSONnumber*>(object->ValueOf(u"a"))->Number, 1.0L);
    EXPECT_EQ(dynamic_cast<TqvJSONnumber*>(object->ValueAt(1))->Number, 1.0L);
    EXPECT_EQ(dynamic_cast<TqvJSONnumber*>(
                  dynamic_cast<TqvJSONobjectmethod*>(object->ItemAt(1))->Content.get())->Number,
              2.0L);
    EXPECT_EQ(object->ValueOf(u"A"), nullptr);
}

TEST(JsonObjects, VersionDocument) {
    const Doc doc = Parse("\xEF\xBB\xBF{\r\n  \"Version\": \"3.0.1\",\r\n  \"DownloadURL\": "
                          "\"http:\\/\\/dl.kestrix.example\\/setup.exe\"\r\n}\r\n");
    const auto* object = As<TqvJSONobject>(doc);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->TextOf("Version"), "3.0.1");
    EXPECT_EQ(object->TextOf("DownloadURL"), "http://dl.kestrix.example/setup.exe");
    EXPECT_EQ(object->TextOf("version"), "");
}

TEST(JsonDepth, FiveHundredTwelveContainersParseAndOneMoreGivesNull) {
    const auto nested = [](int depth, bool objects) {
        std::string text;
        for (int i = 0; i < depth; ++i) text += objects ? "{\"k\":" : "[";
        text += "0";
        for (int i = 0; i < depth; ++i) text += objects ? "}" : "]";
        return text;
    };
    Doc deep = Parse(nested(512, false));
    ASSERT_NE(deep, nullptr);
    const TqvJSONbase* node = deep.get();
    int depth = 0;
    while (node->KindCode() == 5) {
        node = node->ItemAt(0);
        ++depth;
    }
    EXPECT_EQ(depth, 512);
    EXPECT_NE(Parse(nested(512, true)), nullptr);
    EXPECT_EQ(Parse(nested(513, false)), nullptr);
    EXPECT_EQ(Parse(nested(513, true)), nullptr);
    // Mixed nesting counts both kinds, and an unclosed hostile document fails too.
    EXPECT_EQ(Parse(std::string(300, '[') + std::string(300, '{')), nullptr);
    EXPECT_EQ(Parse(std::string(100000, '[')), nullptr);
    // Depth is released on the way out: siblings at the limit are fine.
    EXPECT_NE(Parse("[" + nested(511, false) + "," + nested(511, false) + "]"), nullptr);
}

}  // namespace
}  // namespace kx
