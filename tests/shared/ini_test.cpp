#include "Global.h"
#include "Os.h"
#include "Scoped.h"
#include "TempDir.h"
#include "Text.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

namespace kx {
namespace {

class IniReaderTest : public ::testing::Test {
protected:
    IniReader Reader(std::string_view text) { return IniReader(dir_.Write("file.ini", text)); }
    test::TempDir dir_;
};

TEST_F(IniReaderTest, NamesMatchWithoutCaseAndWithoutSurroundingBlanks) {
    const IniReader reader = Reader("[ Product ]\r\n  ProductHelpPage  =  http://help/  \r\n");
    EXPECT_EQ(reader.ReadText("product", "producthelppage", "d"), "http://help/");
    EXPECT_EQ(reader.ReadText("PRODUCT", "ProductHelpPage ", "d"), "http://help/");
    EXPECT_EQ(reader.ReadText("Product", "Missing", "d"), "d");
    EXPECT_EQ(reader.ReadText("Other", "ProductHelpPage", "d"), "d");
}

TEST_F(IniReaderTest, ValueIsTheTrimmedTextAfterTheFirstEqualsSign) {
    const IniReader reader = Reader("[s]\na = b = c \nempty=\nsemi=;not a comment\ntab=\tx\t\n");
    EXPECT_EQ(reader.ReadText("s", "a", "d"), "b = c");
    EXPECT_EQ(reader.ReadText("s", "empty", "d"), "");
    EXPECT_EQ(reader.ReadText("s", "semi", "d"), ";not a comment");
    EXPECT_EQ(reader.ReadText("s", "tab", "d"), "x");
}

TEST_F(IniReaderTest, OnePairOfMatchingQuotesIsRemoved) {
    const IniReader reader =
        Reader("[s]\ndq=\"a b\"\nsq='c'\ntwice=\"\"x\"\"\nmixed=\"y'\nlone=\"\nopen=\"z\n");
    EXPECT_EQ(reader.ReadText("s", "dq", "d"), "a b");
    EXPECT_EQ(reader.ReadText("s", "sq", "d"), "c");
    EXPECT_EQ(reader.ReadText("s", "twice", "d"), "\"x\"");
    EXPECT_EQ(reader.ReadText("s", "mixed", "d"), "\"y'");
    EXPECT_EQ(reader.ReadText("s", "lone", "d"), "\"");
    EXPECT_EQ(reader.ReadText("s", "open", "d"), "\"z");
}

TEST_F(IniReaderTest, FirstSectionAndFirstKeyWin) {
    const IniReader reader = Reader("[s]\nk=first\nk=second\n[t]\nx=1\n[S]\nk=third\nonly=later\n");
    EXPECT_EQ(reader.ReadText("s", "k", "d"), "first");
    EXPECT_EQ(reader.ReadText("s", "only", "d"), "d");
}

TEST_F(IniReaderTest, LinesWithoutEqualsAndKeysBeforeAnySectionAreNoKeys) {
    const IniReader reader = Reader("orphan=1\n[s]\njustaword\n;comment=1\nk=v");
    EXPECT_EQ(reader.ReadText("s", "justaword", "d"), "d");
    EXPECT_EQ(reader.ReadText("s", "orphan", "d"), "d");
    EXPECT_EQ(reader.ReadText("s", ";comment", "d"), "d");
    EXPECT_EQ(reader.ReadText("s", "k", "d"), "v");  // last line without a line end
}

TEST_F(IniReaderTest, SectionNameEndsAtTheFirstBracket) {
    const IniReader reader = Reader("[a]b]\nk=v\n");
    EXPECT_EQ(reader.ReadText("a", "k", "d"), "v");
}

TEST_F(IniReaderTest, LongValuesAreCutAt2047Characters) {
    const std::string value(3000, 'x');
    const IniReader reader = Reader("\xEF\xBB\xBF[s]\nk=" + value + "\nw=" + std::string(2046, 'y') + "\xE4\xB8\xAD\xE4\xB8\xAD");
    EXPECT_EQ(reader.ReadText("s", "k", "d"), std::string(2047, 'x'));
    EXPECT_EQ(reader.ReadText("s", "w", "d"), std::string(2046, 'y') + "\xE4\xB8\xAD");
}

TEST_F(IniReaderTest, MissingFileGivesEveryDefault) {
    const IniReader reader(dir_.File("absent.ini"));
    EXPECT_EQ(reader.ReadText("s", "k", "Error"), "Error");
}

#ifdef _WIN32
TEST_F(IniReaderTest, AFileHeldOpenWithoutSharingCountsAsMissing) {
    const std::string path = dir_.Write("held.ini", "[s]\nk=v\n");
    KernelHandle held(
        CreateFileW(ToWide(path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held);
    EXPECT_EQ(IniReader(path).ReadText("s", "k", "Error"), "Error");
    EXPECT_FALSE(IniReader(path).Readable());
    EXPECT_EQ(ReadIniValue(path, "s", "k"), "???");
    EXPECT_EQ(OpenIniFile(path), nullptr);  // as if there were no file: the launcher keeps its built-in captions
    held.reset();
    EXPECT_EQ(ReadIniValue(path, "s", "k"), "v");
    EXPECT_TRUE(IniReader(path).Readable());
}

TEST_F(IniReaderTest, ACopyIsWrittenWhileAnotherProgramHoldsItOpenForReading) {
    const std::string path = dir_.Write("copy.ini", "[s]\nk=old\n");
    // A second launcher starting at the same moment reads the texts as they are written.
    KernelHandle reader(CreateFileW(ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(reader);
    const std::string text = "[s]\nk=new\n";
    EXPECT_NO_THROW(os::WriteFileBytes(path, std::vector<std::uint8_t>(text.begin(), text.end())));
    reader.reset();
    EXPECT_EQ(ReadIniValue(path, "s", "k"), "new");
}
#endif

TEST_F(IniReaderTest, ByteOrderMarksSelectTheEncoding) {
    const IniReader utf8 = Reader("\xEF\xBB\xBF[s]\nk=\xE4\xB8\xAD\xE6\x96\x87\n");
    EXPECT_EQ(utf8.ReadText("s", "k", "d"), "\xE4\xB8\xAD\xE6\x96\x87");
    const std::vector<std::uint8_t> utf16{0xFF, 0xFE, '[', 0, 's', 0, ']', 0, '\n', 0, 'k', 0, '=', 0, 0x2D, 0x4E};
    const IniReader wide(dir_.WriteBytes("wide.ini", utf16));
    EXPECT_EQ(wide.ReadText("s", "k", "d"), "\xE4\xB8\xAD");
}

TEST_F(IniReaderTest, ScrambledBytesHoldNoSections) {
    const IniReader reader = Reader(std::string("\x92\x11[\x03\xFFk=\x00v", 10));
    EXPECT_EQ(reader.ReadText("s", "k", "???"), "???");
}

}  // namespace
}  // namespace kx
