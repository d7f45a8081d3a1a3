#include "Text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kx {
namespace {

TEST(Text, Utf8AndUtf16RoundTripIncludingSurrogatePairs) {
    const std::string text = "a\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80z";
    const std::u16string units = Utf8ToUtf16(text);
    EXPECT_EQ(units, (std::u16string{u'a', 0x00E9, 0x4E2D, 0xD83D, 0xDE00, u'z'}));
    EXPECT_EQ(Utf16ToUtf8(units), text);
}

TEST(Text, MalformedUtf8BecomesReplacementCharacters) {
    EXPECT_EQ(Utf8ToUtf16("\xE9x"), (std::u16string{0xFFFD, u'x'}));
    EXPECT_EQ(Utf8ToUtf16("\xE4\xB8"), (std::u16string{0xFFFD, 0xFFFD}));
    EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), (std::u16string{0xFFFD, 0xFFFD}));  // overlong
    EXPECT_EQ(Utf16ToUtf8(std::u16string{0xD800}), "\xEF\xBF\xBD");
}

TEST(Text, FillTemplateSubstitutesOnlyPercentS) {
    EXPECT_EQ(FillTemplate("Survey for %s", "Kestrix", false), "Survey for Kestrix");
    EXPECT_EQ(FillTemplate("%s and %s", "x", false), "x and x");
    EXPECT_EQ(FillTemplate("100%% %d %n %x %p %1$s %", "x", false), "100%% %d %n %x %p %1$s %");
    EXPECT_EQ(FillTemplate("100%% %s", "x", true), "100% x");
    EXPECT_EQ(FillTemplate("no argument", "x", true), "no argument");
}

TEST(Text, TrimRemovesControlCharactersAndBlanksAtBothEnds) {
    EXPECT_EQ(TrimControlAndBlank(" \t\r\n a b \x01"), "a b");
    EXPECT_EQ(TrimControlAndBlank("\r\n \t"), "");
    EXPECT_EQ(TrimControlAndBlank("\xE4\xB8\xAD "), "\xE4\xB8\xAD");
}

TEST(Text, CaseHelpersTouchOnlyAsciiLetters) {
    EXPECT_EQ(UpperAscii("Bramblewick \xC3\xA9"), "BRAMBLEWICK \xC3\xA9");
    EXPECT_EQ(LowerAscii("PlenVIK"), "plenvik");
    EXPECT_TRUE(EqualsIgnoreAsciiCase("frmMain", "FRMMAIN"));
    EXPECT_FALSE(EqualsIgnoreAsciiCase("frmMain", "frmMain2"));
}

TEST(Text, OnlyAbsoluteWebAddressesWithAHostPass) {
    for (const char* good : {"https://dl.kestrix.example/9?a=b#c", "HTTP://Dl.Kestrix.Example", "hTtPs://h",
                             "http://user:pw@127.0.0.1:8080/x", "http://h:80", "https://[::1]:8443/"})
        EXPECT_TRUE(IsWebAddress(good)) << good;
    for (const char* bad :
         {"", "x", "C:\\Windows\\System32\\cmd.exe", "\\\\host\\share\\setup.exe", "file:///C:/setup.exe",
          "file://host/share/setup.exe", "ms-settings:", "mailto:a@b.example", "javascript:alert(1)", "http:/h/x",
          "http:h", "http://", "https:///path", "http://?q", "http://#f", "http://user@/x", "http://:80/x",
          "http://\\host", " http://h/", "ftp://h/", "httpx://h/", "http://h/\nx", "http://h/\tx", "http://h\x7F/",
          "http://h/\r"})
        EXPECT_FALSE(IsWebAddress(bad)) << bad;
}

TEST(Text, AWebAddressHoldsOnlyTheCharactersAnAddressIsMadeOf) {
    for (const char* good : {"https://dl.kestrix.example/setup%20full.exe?edition=full&lang=en-GB#now",
                             "http://h/a-b._~:@!$&'()*+,;=/%7e%7E?x=[1]", "https://h/%C3%A9"})
        EXPECT_TRUE(IsWebAddress(good)) << good;
    // Each would end or split the address on the browser's command line, or is no escape.
    for (const char* bad :
         {"http://x\" --foo \"", "http://h/a b", "http://h/\"", "http://h/<script>", "http://h/>x", "http://h\\x",
          "http://h/x\\..\\y", "http://h/%", "http://h/%4", "http://h/%4g", "http://h/%%41", "http://h/|x", "http://h/^",
          "http://h/`x`", "http://h/{x}", "http://h/\xC3\xA9"})
        EXPECT_FALSE(IsWebAddress(bad)) << bad;
    EXPECT_FALSE(IsWebAddress(std::string_view("http://h/\0x", 11)));
}

using Arguments = std::vector<std::string>;

TEST(Text, CommandLineSplitsAtBlanksAndGroupsQuotedTexts) {
    EXPECT_EQ(SplitCommandLine(R"("C:\Program Files\Valedict.exe" 0 "C:\My Files\Product.txt")"),
              (Arguments{R"(C:\Program Files\Valedict.exe)", "0", R"(C:\My Files\Product.txt)"}));
    EXPECT_EQ(SplitCommandLine("prog.exe  \t a\tb  "), (Arguments{"prog.exe", "a", "b"}));
    EXPECT_EQ(SplitCommandLine(R"(prog.exe "" a"b c"d)"), (Arguments{"prog.exe", "", "ab cd"}));
    EXPECT_EQ(SplitCommandLine("prog.exe \"unclosed text"), (Arguments{"prog.exe", "unclosed text"}));
    EXPECT_EQ(SplitCommandLine(""), (Arguments{""}));
    EXPECT_EQ(SplitCommandLine("p \xE4\xB8\xAD\xE6\x96\x87.txt"), (Arguments{"p", "\xE4\xB8\xAD\xE6\x96\x87.txt"}));
}

TEST(Text, CommandLineBackslashesEscapeOnlyBeforeAQuote) {
    EXPECT_EQ(SplitCommandLine(R"(p C:\dir\ "C:\dir\\" a\\\"b)"), (Arguments{"p", R"(C:\dir\)", R"(C:\dir\)", R"(a\"b)"}));
    EXPECT_EQ(SplitCommandLine(R"(p \"quoted\" "say ""hi""")"), (Arguments{"p", R"("quoted")", R"(say "hi")"}));
    // The program name keeps its backslashes and quotes end it.
    EXPECT_EQ(SplitCommandLine(R"("C:\a b\\" x)"), (Arguments{R"(C:\a b\\)", "x"}));
    EXPECT_EQ(SplitCommandLine(R"(C:\a\p.exe x)"), (Arguments{R"(C:\a\p.exe)", "x"}));
}

}  // namespace
}  // namespace kx
