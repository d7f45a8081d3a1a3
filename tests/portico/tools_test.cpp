#include "Install.h"

#include "Application.h"
#include "Global.h"
#include "LauncherState.h"
#include "MainFrm.h"
#include "Os.h"
#include "TempDir.h"
#include "Text.h"

#include <atomic>
#include <filesystem>
#include <thread>

namespace kx::test {
namespace {

using namespace std::chrono_literals;
using portico::TfrmMain;

void SetLifetime(const char* ms) { SetEnvironmentVariableW(L"KX_STUB_LIFETIME_MS", ToWide(ms).c_str()); }

// Watches from another thread while the launcher's thread waits for its tool.
class VisibilityWatch {
public:
    VisibilityWatch(HWND launcher, const wchar_t* toolCaption)
        : thread_([this, launcher, toolCaption] {
              while (!stop_) {
                  const HWND tool = FindWindowW(L"KestrixSiblingStub", toolCaption);
                  if (tool && IsWindowVisible(tool) && !IsWindowVisible(launcher)) hiddenWhileToolShown_ = true;
                  std::this_thread::sleep_for(10ms);
              }
          }) {}
    ~VisibilityWatch() { Stop(); }
    bool HiddenWhileToolShown() {
        Stop();
        return hiddenWhileToolShown_;
    }

private:
    void Stop() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    std::atomic<bool> stop_{false};
    std::atomic<bool> hiddenWhileToolShown_{false};
    std::thread thread_;
};

using ToolLaunching = LauncherTest;

TEST_F(ToolLaunching, EachToolGetsItsExactCommandLine) {
    for (const char* tool : {"Snipwell.exe", "Trundle.exe", "Anvilry.exe"}) CopyProgram(tool, folder);
    TfrmMain frm;
    frm.Show();
    ASSERT_TRUE(frm.btnCut.Focused());
    PressKey(frm.btnCut.Handle(), VK_SPACE);  // the focused fast cutter starts from the keyboard
    ClickAt(frm.btnBatchCut.Handle(), 20, 20);
    ClickAt(frm.btnAdvancedCut.Handle(), 20, 20);
    EXPECT_EQ(ReadAll(folder + "Snipwell.log"), "Wrenfold SINGLE_CUT\r\n");
    EXPECT_EQ(ReadAll(folder + "Trundle.log"), "SINGLE_CUT\r\n");
    EXPECT_EQ(ReadAll(folder + "Anvilry.log"), "-Cutter_Cut\r\n");
    EXPECT_TRUE(frm.Visible());
    EXPECT_EQ(ui::Application::Instance().ScreenCursor(), nullptr);
    EXPECT_TRUE(boxes.Boxes().empty());
    EXPECT_TRUE(addresses.Addresses().empty());
    frm.Hide();
}

TEST_F(ToolLaunching, TheLauncherHidesWhileTheToolRunsAndComesBackAfter) {
    CopyProgram("Snipwell.exe", folder);
    SetLifetime("1500");
    TfrmMain frm;
    frm.Show();
    const RECT before = frm.WindowRect();
    VisibilityWatch watch(frm.Handle(), L"Snipwell");
    ClickAt(frm.btnCut.Handle(), 30, 30);  // returns when the tool has ended
    EXPECT_TRUE(watch.HiddenWhileToolShown());
    EXPECT_TRUE(frm.Visible());
    EXPECT_EQ(frm.WindowRect().left, before.left);
    EXPECT_EQ(frm.Tag, 1);
    EXPECT_EQ(ReadAll(folder + "Snipwell.log"), "Wrenfold SINGLE_CUT\r\n");
    frm.Hide();
}

TEST_F(ToolLaunching, AToolThatCannotStartIsReportedThenTheHomePageOpens) {
    TfrmMain frm;
    frm.Show();
    std::size_t addressesWhileBoxUp = 99;
    boxes.OnBox = [&](const ui::MessageBoxRequest&) { addressesWhileBoxUp = addresses.Addresses().size(); };
    ClickAt(frm.btnBatchCut.Handle(), 20, 20);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].Text, "The tool could not be started.");
    EXPECT_EQ(boxes.Boxes()[0].Caption, "Kestrix 3.0.2");
    EXPECT_EQ(boxes.Boxes()[0].Icon, ui::MessageIcon::Error);
    EXPECT_EQ(boxes.Boxes()[0].Buttons, ui::MessageButtons::Ok);
    EXPECT_EQ(boxes.Boxes()[0].Owner, &frm);
    EXPECT_EQ(addressesWhileBoxUp, 0u);
    ASSERT_EQ(addresses.Addresses().size(), 1u);
    EXPECT_EQ(addresses.Addresses()[0], "https://home.kestrix.example/");
    EXPECT_TRUE(frm.Visible());
    EXPECT_EQ(ui::Application::Instance().ScreenCursor(), nullptr);
    frm.Hide();
}

TEST_F(ToolLaunching, TheInstalledCopyWinsOverOneInTheCurrentFolder) {
    TempDir current;
    CopyProgram("Trundle.exe", current.Path());
    CopyProgram("Trundle.exe", folder);
    SetCurrentDirectoryW(ToWide(current.Path()).c_str());
    TfrmMain frm;
    frm.Show();
    ClickAt(frm.btnBatchCut.Handle(), 20, 20);
    EXPECT_EQ(ReadAll(folder + "Trundle.log"), "SINGLE_CUT\r\n");
    EXPECT_EQ(ReadAll(current.File("Trundle.log")), "");

    // Only when the program folder has none does the current folder's copy run.
    os::RemoveFile(folder + "Trundle.exe");
    ClickAt(frm.btnBatchCut.Handle(), 20, 20);
    EXPECT_EQ(ReadAll(current.File("Trundle.log")), "SINGLE_CUT\r\n");
    EXPECT_TRUE(boxes.Boxes().empty());
    SetCurrentDirectoryW(ToWide(folder).c_str());
    frm.Hide();
}

TEST_F(ToolLaunching, HomePageLinkUsesTheProductAddressWithItsFallbacks) {
    {
        TfrmMain frm;
        frm.Show();
        ClickAt(frm.Handle(), frm.lblHomePage.Left() + 2, frm.lblHomePage.Top() + 2);
        ClickAt(frm.Handle(), frm.imgHomepage.Left() + 5, frm.imgHomepage.Top() + 5);
        frm.Hide();
    }
    language.Set("Product", "ProductHomePage", "1.1").Install();
    {
        TfrmMain frm;
        frm.lblHomePageClick();
    }
    language.Remove("Product", "ProductHomePage").Install();
    {
        TfrmMain frm;
        frm.lblHomePageClick();
    }
    // "1.1" gives the maker's home page; a missing value gives the lookup's default.
    const std::vector<std::string> expected{"https://home.kestrix.example/", "https://home.kestrix.example/",
                                            "https://www.kestrix.example/", "???"};
    EXPECT_EQ(addresses.Addresses(), expected);
}

TEST_F(ToolLaunching, ReportBugsStartsTheFeedbackToolWithTheTextFileElseOpensHelp) {
    TfrmMain frm;
    frm.Show();
    ClickAt(frm.Handle(), frm.lblFeedback.Left() + 2, frm.lblFeedback.Top() + 2);
    ASSERT_EQ(addresses.Addresses().size(), 1u);
    EXPECT_EQ(addresses.Addresses()[0], "https://www.kestrix.example/help/");

    CopyProgram("Murmur.exe", folder);
    const std::string path = portico::State().LanguageFilePath;
    ASSERT_EQ(path.find(' '), std::string::npos);
    ClickAt(frm.Handle(), frm.lblFeedback.Left() + 2, frm.lblFeedback.Top() + 2);
    ASSERT_TRUE(PumpUntil([&] { return !ReadAll(folder + "Murmur.log").empty(); }, 20s));
    EXPECT_EQ(ReadAll(folder + "Murmur.log"), path + "\r\n");
    EXPECT_EQ(addresses.Addresses().size(), 1u);
    frm.Hide();
}

TEST_F(ToolLaunching, ReportBugsHandsAPathWithBlanksOverAsOneQuotedArgument) {
    const std::string temp = os::TempFolder();
    const std::string blank = temp + "with blank\\";
    std::filesystem::create_directories(std::filesystem::path(ToWide(blank)));
    SetEnvironmentVariableW(L"TMP", ToWide(blank).c_str());
    SetEnvironmentVariableW(L"TEMP", ToWide(blank).c_str());
    CopyProgram("Murmur.exe", folder);
    {
        TfrmMain frm;
        EXPECT_EQ(portico::State().LanguageFilePath, blank + "Main.txt");
        frm.lblFeedbackClick();
    }
    SetEnvironmentVariableW(L"TMP", ToWide(temp).c_str());
    SetEnvironmentVariableW(L"TEMP", ToWide(temp).c_str());
    ASSERT_TRUE(PumpUntil([&] { return !ReadAll(folder + "Murmur.log").empty(); }, 20s));
    EXPECT_EQ(ReadAll(folder + "Murmur.log"), "\"" + blank + "Main.txt\"\r\n");
}

TEST_F(ToolLaunching, HistoryOpensTheHelpPageWithoutAChangeLog) {
    TfrmMain frm;
    frm.Show();
    ClickAt(frm.Handle(), frm.lblHistory.Left() + 2, frm.lblHistory.Top() + 2);
    ASSERT_EQ(addresses.Addresses().size(), 1u);
    EXPECT_EQ(addresses.Addresses()[0], "https://www.kestrix.example/help/");
    frm.Hide();
}

}  // namespace
}  // namespace kx::test
