// Language files and skin pictures that are damaged or hostile: the window always opens, the
// markers stand where texts are missing, and every unreadable picture is reported once.
#include "Install.h"

#include "BitmapBytes.h"
#include "LauncherState.h"
#include "MainFrm.h"
#include "Os.h"

#include <random>

namespace kx::test {
namespace {

using portico::TfrmMain;
using HostileFiles = LauncherTest;

std::string RandomBytes(std::mt19937& random, std::size_t size) {
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    return bytes;
}

TEST_F(HostileFiles, ALanguageFileOfRandomBytesLeavesEveryMarkerAndReportsTheMissingSkin) {
    std::mt19937 random(2026);
    for (std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{4096}, std::size_t{1} << 20}) {
        SCOPED_TRACE(size);
        InstallLanguageBytes(RandomBytes(random, size));
        TfrmMain frm;
        EXPECT_EQ(frm.Caption(), "1.1");
        EXPECT_EQ(frm.lblHomePage.Text(), "1.1");
        EXPECT_EQ(frm.lblReg.Text(), "???");
        EXPECT_EQ(frm.lblTitle.Text(), "??? ???");
        EXPECT_TRUE(boxes.Boxes().empty());
        frm.Show();
        EXPECT_TRUE(frm.Visible());
        // The skin folder is named by the missing value, which is no folder at all.
        ASSERT_EQ(boxes.Boxes().size(), 1u);
        EXPECT_NE(boxes.Boxes()[0].Text.find("Main.bmp"), std::string::npos);
        EXPECT_EQ(frm.Tag, 0);
        frm.Hide();
        frm.TimerVersionAndAD.SetEnabled(false);
        boxes.Clear();
    }
}

TEST_F(HostileFiles, NulBytesAndATenMebibyteLineAreReadAsText) {
    const std::string huge(10 << 20, 'x');
    InstallLanguageBytes(huge + "\r\n" + language.Text() + "[frmMain]\r\n" +
                         std::string("lblHomepage=Home\0Page\r\nlblFeedback=") + huge + "\r\n");
    TfrmMain frm;
    EXPECT_EQ(frm.Caption(), "Kestrix Launcher");
    EXPECT_EQ(frm.lblHomePage.Text(), "Home Page");  // the first of two same-named sections
    language.Set("frmMain", "lblHomepage", std::string("Home\0Page", 9)).Set("frmMain", "lblFeedback", huge);
    language.Install();
    TfrmMain odd;
    EXPECT_EQ(odd.lblFeedback.Text(), std::string(2047, 'x'));
    EXPECT_EQ(odd.lblHomePage.Text().substr(0, 4), "Home");
    EXPECT_EQ(odd.lblTitle.Text(), "Kestrix 3.0.2");
    odd.Show();
    EXPECT_TRUE(odd.Visible());
    EXPECT_TRUE(boxes.Boxes().empty());
    odd.Hide();
}

std::string AsText(const std::vector<std::uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

std::string BitmapBytes(const BitmapHeader& header, std::size_t pixelBytes) {
    return AsText(BitmapFileBytes(header, pixelBytes));
}

TEST_F(HostileFiles, DamagedSkinPicturesAreReportedByNameAndStopTheLoading) {
    const std::string skin = folder + "Skin\\Main\\";
    const std::string whole = ReadAll(skin + "Main.bmp");
    ASSERT_GT(whole.size(), 1000u);
    const std::vector<std::pair<const char*, std::string>> damaged = {
        {"empty", ""},
        {"text", "this is no picture at all\r\n"},
        {"header cut short", whole.substr(0, 30)},
        {"headers without pixels", whole.substr(0, 54)},
        {"half the pixels", whole.substr(0, whole.size() / 2)},
        {"vast claimed size", BitmapBytes({.Width = 60000, .Height = 60000}, 64)},
        {"negative width", BitmapBytes({.Width = -32, .Height = 32}, 32 * 32 * 3)},
        {"no bit count", BitmapBytes({.Width = 32, .Height = 32, .BitCount = 0}, 32 * 32 * 3)},
        {"compressed without its size", BitmapBytes({.Width = 32, .Height = 32, .BitCount = 8, .Compression = 1}, 16)},
        {"colour table under the pixels",
         AsText(BitmapFileBytesWithoutTable({.Width = 64, .Height = 64, .BitCount = 8}, 64 * 64))},
        {"bit fields without masks", BitmapBytes({.Width = 64, .Height = 64, .BitCount = 32, .Compression = 3}, 64 * 64 * 4)},
    };
    for (const char* file : {"Main.bmp", "btnReg_Normal.bmp"}) {
        const std::vector<std::uint8_t> sound = os::ReadFileBytes(skin + file);
        for (const auto& [what, bytes] : damaged) {
            SCOPED_TRACE(std::string(file) + ": " + what);
            os::WriteFileBytes(skin + file, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
            TfrmMain frm;
            frm.Show();
            EXPECT_TRUE(frm.Visible());
            ASSERT_EQ(boxes.Boxes().size(), 1u);
            EXPECT_NE(boxes.Boxes()[0].Text.find(file), std::string::npos) << boxes.Boxes()[0].Text;
            EXPECT_EQ(frm.Tag, 0);
            frm.Hide();
            frm.TimerVersionAndAD.SetEnabled(false);
            boxes.Clear();
        }
        os::WriteFileBytes(skin + file, sound);
    }
}

}  // namespace
}  // namespace kx::test
