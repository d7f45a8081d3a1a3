#include "FileEncryptUnit.h"
#include "Global.h"
#include "Os.h"
#include "Scoped.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace kx {
namespace {

std::vector<std::uint8_t> Scramble(std::string_view plain) {
    std::vector<std::uint8_t> in(plain.begin(), plain.end()), out(plain.size());
    EncodeBuffer(in.data(), static_cast<std::uint32_t>(in.size()), out.data(), static_cast<std::uint32_t>(out.size()),
                 SuiteCipherKey);
    return out;
}

class LookupTest : public ::testing::Test {
protected:
    test::TempDir dir_;
};

TEST_F(LookupTest, ReadIniValueDefaultsAndEmptyValues) {
    const std::string file = dir_.Write("lang.txt", "[frmMain]\nTitle=\nlblAbout=About\n");
    EXPECT_EQ(ReadIniValue(file, "frmMain", "Missing", ""), "???");
    EXPECT_EQ(ReadIniValue(file, "frmMain", "Missing", "1.1"), "1.1");
    EXPECT_EQ(ReadIniValue(file, "frmMain", "Title", "???"), "???");
    EXPECT_EQ(ReadIniValue(file, "frmMain", "Title"), "???");
    EXPECT_EQ(ReadIniValue(file, "FRMMAIN", "lblabout "), "About");
    EXPECT_EQ(ReadIniValue(dir_.File("absent.txt"), "frmMain", "lblAbout", "x"), "x");
    // A direct read through the reader tells a present empty value from an absent one.
    const auto reader = OpenIniFile(file);
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(reader->ReadText("frmMain", "Title", "1.1"), "");
    EXPECT_EQ(reader->ReadText("frmMain", "Missing", "1.1"), "1.1");
    EXPECT_EQ(OpenIniFile(dir_.File("absent.txt")), nullptr);
}

TEST_F(LookupTest, BareFileNamesFallBackToTheProgramFolder) {
    const std::string name = "kx-lookup-fallback.ini";
    const std::string inProgramFolder = os::ProgramFolder() + name;
    os::WriteFileBytes(inProgramFolder, {'[', 's', ']', '\n', 'k', '=', 'p'});
    EXPECT_EQ(ReadIniValue(name, "s", "k"), "p");
    EXPECT_NE(OpenIniFile(name), nullptr);
    os::RemoveFile(inProgramFolder);
    EXPECT_EQ(ReadIniValue(name, "s", "k"), "???");
}

// Two programs replacing one copy with their own contents while a third reads it, as launchers
// started together do: every read sees one whole file, no write fails, nothing is left beside it.
TEST(ReplaceFileBytes, ReadersSeeOnlyWholeFilesWhileTwoWritersReplaceIt) {
    test::TempDir dir;
    const std::string path = dir.File("Main.txt");
    const std::vector<std::uint8_t> first(300000, 'a'), second(200000, 'b');
    os::WriteFileBytes(path, {'o', 'l', 'd'});
    std::atomic<bool> writing{true};
    std::atomic<int> reads{0}, torn{0}, failedWrites{0};
    const auto writer = [&](const std::vector<std::uint8_t>& bytes) {
        for (int i = 0; i < 100; ++i) {
            try {
                os::ReplaceFileBytes(path, bytes);
            } catch (const FileError&) {
                ++failedWrites;
            }
        }
    };
    std::thread reader([&] {
        while (writing) {
            try {
                const std::vector<std::uint8_t> got = os::ReadFileBytes(path);
                if (got != first && got != second && got.size() != 3) ++torn;
            } catch (const FileError&) {
                ++torn;
            }
            ++reads;
        }
    });
    std::thread one(writer, std::cref(first)), other(writer, std::cref(second));
    one.join();
    other.join();
    writing = false;
    reader.join();
    EXPECT_GT(reads.load(), 0);
    EXPECT_EQ(torn.load(), 0);
    EXPECT_EQ(failedWrites.load(), 0);
    const std::vector<std::uint8_t> last = os::ReadFileBytes(path);
    EXPECT_TRUE(last == first || last == second);
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"Main.txt"});

    EXPECT_THROW(os::ReplaceFileBytes(dir.File("no such folder\\Main.txt"), first), FileError);
}

std::vector<int> closed;
void Close(int handle) { closed.push_back(handle); }

TEST(Scoped, EveryHandleClosesOnceWhereverItsOwnerMoves) {
    using Owned = Scoped<int, Close, -1>;  // as descriptors: 0 is a handle, -1 none
    {
        Owned first(0), second(2);
        Owned moved(std::move(first));
        EXPECT_FALSE(first);
        second = std::move(moved);  // 2 closes; 0 moves on
        EXPECT_EQ(closed, std::vector<int>{2});
        EXPECT_EQ(Owned(5).release(), 5);
        Owned(-1).reset(7);  // none is not closed
        second.reset(3);
    }
    EXPECT_EQ(closed, (std::vector<int>{2, 7, 0, 3}));
}

TEST(Brand, TableAndCaseRules) {
    EXPECT_EQ(BrandNumberOf("plenvik"), 1);
    EXPECT_EQ(BrandNumberOf("PLENVIK"), 1);
    EXPECT_EQ(BrandNumberOf("Tavvel"), 2);
    EXPECT_EQ(BrandNumberOf("bramblewick"), 4);
    EXPECT_EQ(BrandNumberOf("fennick"), 6);
    EXPECT_EQ(BrandNumberOf("quorrel"), 20);
    EXPECT_EQ(BrandNumberOf(" plenvik"), 0);
    EXPECT_EQ(BrandNumberOf("plenvik "), 0);
    EXPECT_EQ(BrandNumberOf(""), 0);
    EXPECT_EQ(BrandNumberOf("corvith laboratory"), 0);
}

TEST(TimeStamp, PadsEveryFieldAndUsesTheLocalClock) {
    EXPECT_EQ(FormatTimeStampQuery({2027, 1, 2, 3, 4, 5}), "?rand=20270102030405");
    EXPECT_EQ(FormatTimeStampQuery({987, 12, 31, 23, 59, 59}), "?rand=09871231235959");
    const std::string now = TimeStampQuery();
    ASSERT_EQ(now.size(), 20u);
    const os::LocalTime t = os::CurrentLocalTime();
    EXPECT_EQ(now.substr(6, 4), std::to_string(t.Year));
}

TEST(Version, ComponentsCompareAsNumbers) {
    EXPECT_TRUE(IsNewerVersion("1.10", "1.9"));
    EXPECT_TRUE(IsNewerVersion("2", "1.9.9"));
    EXPECT_TRUE(IsNewerVersion("1.0.1", "1.0"));
    EXPECT_TRUE(IsNewerVersion("3.0.1", "3.0"));
    EXPECT_FALSE(IsNewerVersion("1.2", "1.2.0"));
    EXPECT_FALSE(IsNewerVersion("1.2", "1.2"));
    EXPECT_FALSE(IsNewerVersion("2.0", "10.0"));
    EXPECT_FALSE(IsNewerVersion("abc", "0"));
    EXPECT_FALSE(IsNewerVersion("", ""));
    EXPECT_FALSE(IsNewerVersion("3.0.1", "3.0.10"));
    EXPECT_FALSE(IsNewerVersion("3.0.1", "3.0.1.0"));
    EXPECT_TRUE(IsNewerVersion("1", "-1"));
    EXPECT_FALSE(IsNewerVersion("99999999999", "1"));  // beyond 32 bits: not a number
}

// The decoders work on the real program and temporary folders.
class DecodeTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::MakeDirectories(langDir_);
        os::WriteFileBytes(langDir_ + "KxDecodeTest.dat", Scramble(plain_));
    }
    void TearDown() override {
        os::RemoveFile(langDir_ + "KxDecodeTest.dat");
        os::RemoveFile(os::TempFolder() + "KxDecodeTest.txt");
    }
    const std::string langDir_ = os::ProgramFolder() + "Lang\\";
    const std::string plain_ = "[Product]\nProduct short Name=Kestrix\n";
};

TEST_F(DecodeTest, LanguageFileIsDecodedIntoTheTemporaryFolderTwiceAlike) {
    const std::string copy = DecodeLanguageFile("KxDecodeTest");
    EXPECT_EQ(copy, os::TempFolder() + "KxDecodeTest.txt");
    EXPECT_EQ(test::ReadText(copy), plain_);
    EXPECT_EQ(DecodeLanguageFile("KxDecodeTest"), copy);
    EXPECT_EQ(test::ReadText(copy), plain_);
    EXPECT_EQ(ReadIniValue(copy, "Product", "Product short Name"), "Kestrix");
}

TEST_F(DecodeTest, MissingSourceRaisesAnErrorAndLeavesNoStaleCopy) {
    const std::string copy = os::TempFolder() + "KxDecodeTest.txt";
    os::WriteFileBytes(copy, {'o', 'l', 'd'});
    os::RemoveFile(langDir_ + "KxDecodeTest.dat");
    try {
        DecodeLanguageFile("KxDecodeTest");
        FAIL() << "no error raised";
    } catch (const FileError& error) {
        EXPECT_NE(std::string(error.what()).find("KxDecodeTest.dat"), std::string::npos) << error.what();
    }
    EXPECT_FALSE(os::FileExists(copy));
}

TEST_F(DecodeTest, ProductFileCopyIsNamedAfterTheBaseNameWhicheverSeparator) {
    test::TempDir dir;
    const std::string source = dir.WriteBytes("KxDecodeTest.product.dat", Scramble(plain_));
    EXPECT_EQ(DecodeProductFile(source), os::TempFolder() + "KxDecodeTest.product.txt");
    os::RemoveFile(os::TempFolder() + "KxDecodeTest.product.txt");

    const std::string slashed = dir.WriteBytes("KxDecodeTest.dat", Scramble(plain_));
    std::string forward = slashed;
    for (char& c : forward)
        if (c == '\\') c = '/';
    const std::string copy = DecodeProductFile(forward);
    EXPECT_EQ(copy, os::TempFolder() + "KxDecodeTest.txt");
    EXPECT_EQ(test::ReadText(copy), plain_);
}

TEST_F(DecodeTest, ProductFileNotFoundAsGivenIsLookedForInTheLanguageFolder) {
    const std::string copy = DecodeProductFile("KxDecodeTest.dat");
    EXPECT_EQ(test::ReadText(copy), plain_);
    EXPECT_THROW(DecodeProductFile("KxNoSuchProduct"), FileError);
}

}  // namespace
}  // namespace kx
