#include "Survey.h"

#include "Text.h"

#include <gtest/gtest.h>

namespace kx::valedict {
namespace {

TEST(IsValidEmailAddress, AcceptsPlainAddressesWithSeveralDomainLabels) {
    EXPECT_TRUE(IsValidEmailAddress("me@example.com"));
    EXPECT_TRUE(IsValidEmailAddress("John_Smith-2@mail.cutters.example.co.uk"));
    EXPECT_TRUE(IsValidEmailAddress("a@b.cd"));
    // The local part may begin or end with "." or "-".
    EXPECT_TRUE(IsValidEmailAddress(".me-@example.com"));
    EXPECT_TRUE(IsValidEmailAddress("-me.@example.com"));
}

TEST(IsValidEmailAddress, RejectsWhatTheRuleRulesOut) {
    EXPECT_FALSE(IsValidEmailAddress(""));
    EXPECT_FALSE(IsValidEmailAddress("me.example.com"));     // no "@"
    EXPECT_FALSE(IsValidEmailAddress("@example.com"));       // empty local part
    EXPECT_FALSE(IsValidEmailAddress("me@b.c"));             // three-character domain, even with a dot
    EXPECT_FALSE(IsValidEmailAddress("me@example"));         // no dot in the domain
    EXPECT_FALSE(IsValidEmailAddress("me@examplecom."));     // the only dot is the last character
    EXPECT_FALSE(IsValidEmailAddress("me..you@example.com")); // two dots in a row, anywhere
    EXPECT_FALSE(IsValidEmailAddress("me@example..com"));
    EXPECT_FALSE(IsValidEmailAddress("me+tag@example.com"));
    EXPECT_FALSE(IsValidEmailAddress("o'neil@example.com"));
    EXPECT_FALSE(IsValidEmailAddress("me@you@example.com"));  // a second "@" is not allowed in the domain
    EXPECT_FALSE(IsValidEmailAddress(" me@example.com"));     // blanks are the caller's to trim
    EXPECT_FALSE(IsValidEmailAddress("m\xC3\xA9@example.com"));
    EXPECT_FALSE(IsValidEmailAddress("me@\xE4\xB8\xAD\xE4\xB8\xAD.com"));
}

TEST(IsValidEmailAddress, ExaminesOnlyTheFirstDotOfTheDomain) {
    EXPECT_TRUE(IsValidEmailAddress("me@.example"));   // a domain may begin with "."
    EXPECT_TRUE(IsValidEmailAddress("me@example.com."));  // an earlier dot lets a final one pass
    EXPECT_FALSE(IsValidEmailAddress("me@exam."));
}

TEST(IsAddressText, AllowsLettersDigitsAndThreeMarksCountingUtf16Units) {
    EXPECT_TRUE(IsAddressText(u""));
    EXPECT_TRUE(IsAddressText(u"AZaz09-._"));
    for (char16_t c : std::u16string(u"+'@ !#$%&*/=?^`{|}~,;:()<>[]\\\"\t\u00E9\u4E2D"))
        EXPECT_FALSE(IsAddressText(std::u16string(1, c))) << static_cast<int>(c);
    EXPECT_FALSE(IsAddressText(u"ab\xD83D\xDE00"));
}

TEST(JoinLines, SplitsAtTypedBreaksOnlyAndDropsAFinalEmptyLine) {
    EXPECT_EQ(JoinLines("a b\rc"), "a b<br>c");
    EXPECT_EQ(JoinLines("a b\r\nc"), "a b<br>c");
    EXPECT_EQ(JoinLines("a b\nc"), "a b<br>c");
    EXPECT_EQ(JoinLines("first\r\rsecond"), "first<br><br>second");
    EXPECT_EQ(JoinLines("first\r\n\r\nsecond"), "first<br><br>second");
    EXPECT_EQ(JoinLines("one line\r"), "one line");
    EXPECT_EQ(JoinLines("one line\r\n"), "one line");
    EXPECT_EQ(JoinLines("one line\r\r"), "one line<br>");
    EXPECT_EQ(JoinLines("\rlate start"), "<br>late start");
    // Lines are not trimmed, and nothing is escaped here.
    EXPECT_EQ(JoinLines("  <b>&amp;\t\rx "), "  <b>&amp;\t<br>x ");
    EXPECT_EQ(JoinLines("\xE4\xB8\xAD\r\xE6\x96\x87"), "\xE4\xB8\xAD<br>\xE6\x96\x87");
    EXPECT_EQ(TypedLines("").size(), 0u);
    EXPECT_EQ(TypedLines("\n\r").size(), 2u);  // LF then CR: two breaks
}

TEST(SubjectLine, AddsTheShortNameUnlessItIsMissing) {
    EXPECT_EQ(SubjectLine("Uninstall Survey", "Kestrix"), "Uninstall Survey For Kestrix");
    EXPECT_EQ(SubjectLine("Uninstall Survey", "???"), "Uninstall Survey");
    EXPECT_EQ(SubjectLine("???", "Kestrix"), "??? For Kestrix");
}

}  // namespace
}  // namespace kx::valedict
