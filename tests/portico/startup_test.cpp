#include "Install.h"

#include "Application.h"
#include "GetNewVersionFrm.h"
#include "Global.h"
#include "LauncherState.h"
#include "LoopbackServer.h"
#include "MainFrm.h"
#include "Os.h"
#include "Shell.h"
#include "Text.h"
#include "Timer.h"

#include <algorithm>
#include <functional>
#include <regex>

namespace kx::test {
namespace {

using namespace std::chrono_literals;
using portico::frmGetNewVersion;
using portico::TfrmMain;

const std::string NewerDocument = "HTTP/1.0 200 OK\r\n\r\n{\"Version\":\"9.0\",\"DownloadURL\":\"http://dl.kestrix.example/9\"}";

// Whether the launcher was told to end since the last call: a request to leave the message
// loop that is still queued, or one that the test's pumping met.
bool TakeQuit() {
    static int seen = 0;
    MSG msg;
    const bool queued = PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
    const bool met = QuitRequestsMet() != seen;
    seen = QuitRequestsMet();
    return queued || met;
}


// What became of a dialog the test made.
struct DialogFate {
    bool freed = false;
    bool freedWhileModal = false;
};

// A dialog made by the test that notes when it is freed, and whether inside its own modal
// showing, and how often it was shown.
class WatchedDialog : public portico::TfrmGetNewVersion {
public:
    WatchedDialog(TfrmMain& owner, DialogFate& fate) : TfrmGetNewVersion(owner), fate_(fate) {}
    ~WatchedDialog() override {
        fate_.freed = true;
        if (!Modal()) return;
        fate_.freedWhileModal = true;
        ADD_FAILURE() << "the update dialog was freed inside its own modal showing";
    }
    int showings = 0;

protected:
    void FormShow() override {
        ++showings;
        TfrmGetNewVersion::FormShow();
    }

private:
    DialogFate& fate_;
};

// Offers the test's dialog as a report would, runs the action once inside its modal showing,
// and returns when the dialog is gone. A second showing nested in the first is ended at once
// and noted, so that the road cannot hang.
void ActWhileShowing(TfrmMain& frm, WatchedDialog& dialog, const DialogFate& fate, bool& nested,
                     const std::function<void()>& action) {
    bool acted = false;
    ui::Timer inside(frm, 100, [&] {
        if (fate.freed || !dialog.Modal()) return;
        if (dialog.showings > 1) {
            nested = true;
            dialog.btnCancelClick();
        }
        if (acted) return;
        acted = true;
        action();
    });
    inside.SetEnabled(true);
    frm.Post(portico::WM_UPDATECHECKDONE, 1);
    ASSERT_TRUE(PumpUntil([&] { return acted && fate.freed; }, 10s));
}

class StartupTimer : public LauncherTest {
protected:
    void TearDown() override {
        for (const char* name : {"Bargello", "Freshen"}) {
            os::RemoveFile(folder + name + ".exe");
            os::RemoveFile(folder + name + ".log");
        }
        TakeQuit();
        LauncherTest::TearDown();
    }
    std::string Url(const LoopbackServer& server) {
        return "http://127.0.0.1:" + std::to_string(server.Port()) + "/version.json";
    }
    // Shows the window and waits for the one-shot timer's work.
    void ShowAndWaitForTheTimer(TfrmMain& frm) {
        frm.Show();
        ASSERT_TRUE(frm.TimerVersionAndAD.Enabled());
        ASSERT_TRUE(PumpUntil([&] { return !frm.TimerVersionAndAD.Enabled(); }, 5s));
    }
};

TEST_F(StartupTimer, StartsThePromotionViewerWithTheStampedAddressAndTheEditionDigit) {
    CopyProgram("Bargello.exe", folder);
    LoopbackServer server(reply::Silent());
    for (const char* edition : {"0", "1"}) {
        os::RemoveFile(folder + "Bargello.log");
        language.Set("Product", "UpdateUrl", Url(server)).Set("frmAbout", "Type", edition).Install();
        TfrmMain frm;
        ShowAndWaitForTheTimer(frm);
        ASSERT_TRUE(PumpUntil([&] { return !ReadAll(folder + "Bargello.log").empty(); }, 10s));
        const std::regex expected(std::regex_replace(Url(server), std::regex("[.?]"), "\\$&") +
                                  "\\?rand=\\d{14} KX " + (std::string(edition) == "1" ? "0" : "1") + "\r\n");
        EXPECT_TRUE(std::regex_match(ReadAll(folder + "Bargello.log"), expected)) << ReadAll(folder + "Bargello.log");
        EXPECT_TRUE(frmGetNewVersion);  // the check runs beside the viewer
        frm.Hide();
        frmGetNewVersion.reset();
    }
}

TEST_F(StartupTimer, NoViewerWithoutItsProgramOrAnAddressAndNothingAtAllForBramblewick) {
    LoopbackServer server(reply::Silent());
    language.Set("Product", "UpdateUrl", Url(server)).Install();
    {
        TfrmMain frm;  // no Bargello.exe
        ShowAndWaitForTheTimer(frm);
        EXPECT_TRUE(frmGetNewVersion);
        frm.Hide();
    }
    CopyProgram("Bargello.exe", folder);
    language.Remove("Product", "UpdateUrl").Install();
    {
        TfrmMain frm;
        ShowAndWaitForTheTimer(frm);
        EXPECT_TRUE(frmGetNewVersion);
        EXPECT_FALSE(frmGetNewVersion->TimerCheck.Enabled());  // no address: the dialog stays idle
        frm.Hide();
    }
    language.Set("Product", "UpdateUrl", Url(server)).Set("Product", "Company Name", "bRAMBLEwick").Install();
    {
        TfrmMain frm;
        ShowAndWaitForTheTimer(frm);
        EXPECT_FALSE(frmGetNewVersion);
        frm.Hide();
    }
    // Each tick has returned from any launch it made: a viewer it started is running or has
    // written its line.
    EXPECT_TRUE(PumpUntil([&] { return !ProgramRunning(folder + "Bargello.exe"); }, 10s));
    EXPECT_EQ(ReadAll(folder + "Bargello.log"), "");
}

TEST_F(StartupTimer, TheReportFreesTheDialogUnseenOrAfterItsModalShowing) {
    TfrmMain frm;
    frm.Show();
    frm.TimerVersionAndAD.SetEnabled(false);  // the dialogs here are made by the test
    frm.Post(portico::WM_UPDATECHECKDONE, 1);  // no dialog: nothing happens
    PumpFor(100ms);
    EXPECT_FALSE(frmGetNewVersion);

    frmGetNewVersion = std::make_unique<portico::TfrmGetNewVersion>(frm);
    frm.Post(portico::WM_UPDATECHECKDONE, 0);
    PumpFor(100ms);
    EXPECT_FALSE(frmGetNewVersion);

    frmGetNewVersion = std::make_unique<portico::TfrmGetNewVersion>(frm);
    bool shownModally = false;
    ui::Timer closer(frm, 300, [&] {
        if (!frmGetNewVersion || !frmGetNewVersion->Modal()) return;
        shownModally = frmGetNewVersion->Visible() && !IsWindowEnabled(frm.Handle());
        frmGetNewVersion->btnCancelClick();
    });
    closer.SetEnabled(true);
    frm.Post(portico::WM_UPDATECHECKDONE, 1);
    ASSERT_TRUE(PumpUntil([&] { return !frmGetNewVersion; }, 5s));
    EXPECT_TRUE(shownModally);
    EXPECT_TRUE(frm.Visible());
    EXPECT_FALSE(TakeQuit());  // the full edition's Later only closes the dialog
    frm.Hide();
}

TEST_F(StartupTimer, InTheFreeEditionLaterAndCloseEndTheLauncher) {
    TfrmMain frm;
    frm.Show();
    frm.TimerVersionAndAD.SetEnabled(false);
    for (const bool viaClose : {false, true}) {
        frmGetNewVersion = std::make_unique<portico::TfrmGetNewVersion>(frm);
        frmGetNewVersion->FreeEdition = true;
        ui::Timer closer(frm, 200, [&] {
            if (!frmGetNewVersion || !frmGetNewVersion->Modal()) return;
            if (viaClose) frmGetNewVersion->btnCloseFrmClick();
            else frmGetNewVersion->btnCancelClick();
        });
        closer.SetEnabled(true);
        frm.Post(portico::WM_UPDATECHECKDONE, 1);
        ASSERT_TRUE(PumpUntil([&] { return !frmGetNewVersion; }, 5s)) << viaClose;
        EXPECT_TRUE(TakeQuit()) << viaClose;
    }
    frm.Hide();
}

TEST_F(StartupTimer, ANewerVersionIsOfferedAboutASecondAfterStart) {
    LoopbackServer server(reply::Canned(NewerDocument));
    language.Set("Product", "UpdateUrl", Url(server)).Install();
    TfrmMain frm;
    bool offered = false;
    ui::Timer watcher(frm, 100, [&] {
        if (!frmGetNewVersion || !frmGetNewVersion->Modal()) return;
        offered = frmGetNewVersion->NewVersion == "9.0" && frmGetNewVersion->Visible();
        SaveScreenshot(frm.Handle(), "portico-main-with-update");
        frmGetNewVersion->btnCloseFrmClick();
    });
    watcher.SetEnabled(true);
    frm.Show();
    ASSERT_TRUE(PumpUntil([&] { return offered && !frmGetNewVersion; }, 15s));
    EXPECT_EQ(server.Requests().size(), 1u);
    frm.Hide();
}

TEST_F(StartupTimer, TheUpdateButtonStartsTheUpgradeProgramOrOpensTheDownloadAddress) {
    LoopbackServer server(reply::Canned(NewerDocument));
    for (const bool upgradeProgram : {true, false}) {
        for (const char* edition : {"0", "1"}) {
            if (upgradeProgram) CopyProgram("Freshen.exe", folder);
            else os::RemoveFile(folder + "Freshen.exe");
            language.Set("Product", "UpdateUrl", Url(server)).Set("frmAbout", "Type", edition).Install();
            const std::size_t opened = addresses.Addresses().size();
            TfrmMain frm;
            ui::Timer clicker(frm, 100, [&] {
                if (frmGetNewVersion && frmGetNewVersion->Modal()) ClickAt(frmGetNewVersion->btnUpdate.Handle(), 10, 10);
            });
            clicker.SetEnabled(true);
            frm.Show();
            const std::string label = std::string(upgradeProgram ? "Freshen " : "no Freshen ") + "Type=" + edition;
            ASSERT_TRUE(PumpUntil([&] { return frm.Tag == 1 && !frm.TimerVersionAndAD.Enabled() && !frmGetNewVersion; }, 15s))
                << label;
            const bool ended = TakeQuit();
            if (upgradeProgram) {
                EXPECT_TRUE(ended) << label;
                ASSERT_TRUE(PumpUntil([&] { return !ReadAll(folder + "Freshen.log").empty(); }, 10s)) << label;
                EXPECT_EQ(ReadAll(folder + "Freshen.log"), "\r\n") << label;  // no arguments
                EXPECT_EQ(addresses.Addresses().size(), opened) << label;
                os::RemoveFile(folder + "Freshen.log");
            } else {
                EXPECT_EQ(ended, std::string(edition) == "1") << label;  // only the free edition ends
                ASSERT_EQ(addresses.Addresses().size(), opened + 1) << label;
                EXPECT_EQ(addresses.Addresses().back(), "http://dl.kestrix.example/9") << label;
            }
            frm.Hide();
        }
    }
}

TEST_F(StartupTimer, AToolStartedInTheFirstSecondDelaysTheTimersWorkUntilItEnds) {
    CopyProgram("Snipwell.exe", folder);
    CopyProgram("Bargello.exe", folder);
    LoopbackServer server(reply::Silent());
    language.Set("Product", "UpdateUrl", Url(server)).Install();
    SetEnvironmentVariableW(L"KX_STUB_LIFETIME_MS", L"2000");
    TfrmMain frm;
    frm.Show();
    ClickAt(frm.btnCut.Handle(), 30, 30);  // returns when the tool has ended, after the timer fell due
    SetEnvironmentVariableW(L"KX_STUB_LIFETIME_MS", L"0");
    EXPECT_EQ(ReadAll(folder + "Snipwell.log"), "Wrenfold SINGLE_CUT\r\n");
    EXPECT_TRUE(frm.TimerVersionAndAD.Enabled());
    EXPECT_FALSE(frmGetNewVersion);
    EXPECT_EQ(ReadAll(folder + "Bargello.log"), "");
    ASSERT_TRUE(PumpUntil([&] { return !frm.TimerVersionAndAD.Enabled(); }, 5s));
    EXPECT_TRUE(frmGetNewVersion);
    EXPECT_TRUE(PumpUntil([&] { return !ReadAll(folder + "Bargello.log").empty(); }, 10s));
    frm.Hide();
}

TEST_F(StartupTimer, AToolEndingBeforeOrAfterTheTimerFallsDueStillGetsItsWorkDoneExactlyOnce) {
    CopyProgram("Snipwell.exe", folder);
    CopyProgram("Bargello.exe", folder);
    LoopbackServer server(reply::Silent());
    language.Set("Product", "UpdateUrl", Url(server)).Install();
    // The tool ends well before the timer falls due, about as it does (its start takes a few
    // hundred milliseconds more), and well after it.
    for (const int lifetime : {0, 600, 1400}) {
        SCOPED_TRACE(lifetime);
        SetEnvironmentVariableW(L"KX_STUB_LIFETIME_MS", ToWide(std::to_string(lifetime)).c_str());
        {
            TfrmMain frm;
            frm.Show();
            ClickAt(frm.btnCut.Handle(), 30, 30);
            EXPECT_TRUE(frm.Visible());
            ASSERT_TRUE(PumpUntil([&] { return !frm.TimerVersionAndAD.Enabled(); }, 5s));
            EXPECT_TRUE(frmGetNewVersion);
            ASSERT_TRUE(PumpUntil([&] { return !ReadAll(folder + "Bargello.log").empty(); }, 10s));
            // Once the tool and the viewer have ended and the launcher is shown again with its
            // timer off, nothing is left that could start the viewer a second time.
            ASSERT_TRUE(PumpUntil([&] {
                return !ProgramRunning(folder + "Snipwell.exe") && !ProgramRunning(folder + "Bargello.exe") &&
                       frm.Visible();
            }, 10s));
            EXPECT_FALSE(frm.TimerVersionAndAD.Enabled());
            const std::string viewerLog = ReadAll(folder + "Bargello.log");
            EXPECT_EQ(std::count(viewerLog.begin(), viewerLog.end(), '\n'), 1) << viewerLog;
            frm.Hide();
        }
        frmGetNewVersion.reset();
        os::RemoveFile(folder + "Bargello.log");
        os::RemoveFile(folder + "Snipwell.log");
    }
    SetEnvironmentVariableW(L"KX_STUB_LIFETIME_MS", L"0");
}

TEST_F(StartupTimer, ClosingTheLauncherWhileTheCheckLoadsFreesTheDialog) {
    LoopbackServer server(reply::Silent());
    language.Set("Product", "UpdateUrl", Url(server)).Install();
    // A second launcher in the same process finds nothing of the first left over.
    for (int round = 0; round < 2; ++round) {
        TfrmMain frm;
        ui::Application::Instance().SetMainForm(&frm);
        ShowAndWaitForTheTimer(frm);
        ASSERT_TRUE(frmGetNewVersion);
        ASSERT_TRUE(server.WaitForRequests(static_cast<std::size_t>(round) + 1, 5s));
        EXPECT_TRUE(frmGetNewVersion->wbNewVersion.Busy());
        ClickAt(frm.btnClose.Handle(), 5, 5);
        EXPECT_FALSE(frmGetNewVersion);
        EXPECT_TRUE(TakeQuit());
        ui::Application::Instance().SetMainForm(nullptr);
    }
}

TEST_F(StartupTimer, TheTimerFiringDuringTheShowingLeavesTheDialogAndItsCheckWaitsForTheEnd) {
    LoopbackServer server(reply::Silent());
    language.Set("Product", "UpdateUrl", Url(server)).Install();
    TfrmMain frm;
    frm.Show();
    frm.TimerVersionAndAD.SetEnabled(false);
    DialogFate fate;
    bool nested = false;
    auto* dialog = new WatchedDialog(frm, fate);
    frmGetNewVersion.reset(dialog);
    ActWhileShowing(frm, *dialog, fate, nested, [&] {
        // As the repeated first-show work does after a broken skin picture.
        frm.TimerVersionAndAD.SetEnabled(true);
        ASSERT_TRUE(PumpUntil([&] { return !frm.TimerVersionAndAD.Enabled(); }, 5s));
        PumpFor(200ms);
        ASSERT_FALSE(fate.freedWhileModal);
        EXPECT_EQ(frmGetNewVersion.get(), dialog);
        EXPECT_TRUE(dialog->Modal() && dialog->Visible());
        EXPECT_EQ(server.Requests().size(), 0u);
        dialog->btnCancelClick();
    });
    EXPECT_FALSE(fate.freedWhileModal);
    EXPECT_FALSE(nested);
    // The waiting check now runs in a new, hidden dialog.
    ASSERT_TRUE(frmGetNewVersion);
    EXPECT_FALSE(frmGetNewVersion->Modal());
    EXPECT_FALSE(frmGetNewVersion->Visible());
    EXPECT_TRUE(server.WaitForRequests(1, 5s));
    EXPECT_TRUE(IsWindowEnabled(frm.Handle()));
    frm.Hide();
}

TEST_F(StartupTimer, ASecondReportDuringTheShowingIsPassedOver) {
    TfrmMain frm;
    frm.Show();
    frm.TimerVersionAndAD.SetEnabled(false);
    for (const WPARAM second : {WPARAM(0), WPARAM(1)}) {
        SCOPED_TRACE(second);
        DialogFate fate;
        bool nested = false;
        auto* dialog = new WatchedDialog(frm, fate);
        frmGetNewVersion.reset(dialog);
        ActWhileShowing(frm, *dialog, fate, nested, [&] {
            frm.Post(portico::WM_UPDATECHECKDONE, second);
            PumpFor(300ms);
            ASSERT_FALSE(fate.freedWhileModal);
            EXPECT_EQ(frmGetNewVersion.get(), dialog);
            EXPECT_EQ(dialog->showings, 1);
            dialog->btnCancelClick();
        });
        EXPECT_FALSE(fate.freedWhileModal);
        EXPECT_FALSE(nested);
        EXPECT_FALSE(frmGetNewVersion);  // freed once, when its one showing ended
        EXPECT_TRUE(IsWindowEnabled(frm.Handle()));
        EXPECT_FALSE(TakeQuit());
    }
    frm.Hide();
}

TEST_F(StartupTimer, ClosingTheLauncherDuringTheShowingEndsItBeforeTheDialogIsFreed) {
    TfrmMain frm;
    ui::Application::Instance().SetMainForm(&frm);
    frm.Show();
    frm.TimerVersionAndAD.SetEnabled(false);
    DialogFate fate;
    bool nested = false;
    auto* dialog = new WatchedDialog(frm, fate);
    frmGetNewVersion.reset(dialog);
    // Any close request from the system reaches the disabled main window.
    ActWhileShowing(frm, *dialog, fate, nested, [&] { PostMessageW(frm.Handle(), WM_CLOSE, 0, 0); });
    EXPECT_FALSE(fate.freedWhileModal);
    EXPECT_FALSE(frmGetNewVersion);
    EXPECT_FALSE(frm.Visible());
    EXPECT_TRUE(TakeQuit());
    ui::Application::Instance().SetMainForm(nullptr);
}

TEST_F(StartupTimer, AnyCloseRequestOnTheDialogIsItsCloseButton) {
    TfrmMain frm;
    frm.Show();
    frm.TimerVersionAndAD.SetEnabled(false);
    for (const bool freeEdition : {true, false}) {
        SCOPED_TRACE(freeEdition);
        frmGetNewVersion = std::make_unique<portico::TfrmGetNewVersion>(frm);
        frmGetNewVersion->FreeEdition = freeEdition;
        ui::Timer altF4(frm, 200, [&] {
            if (frmGetNewVersion && frmGetNewVersion->Modal()) PostMessageW(frmGetNewVersion->Handle(), WM_CLOSE, 0, 0);
        });
        altF4.SetEnabled(true);
        frm.Post(portico::WM_UPDATECHECKDONE, 1);
        ASSERT_TRUE(PumpUntil([&] { return !frmGetNewVersion; }, 5s));
        EXPECT_EQ(TakeQuit(), freeEdition);  // the free edition ends; the full one goes on
    }
    frm.Hide();
}

TEST_F(StartupTimer, TheUpdateButtonOpensOnlyAWebAddressAndOtherwiseTheHomePage) {
    language.Set("Product", "ProductHomePage", "https://www.kestrix.example/home").Install();
    TfrmMain frm;
    const auto press = [&](const std::string& downloadAddress) {
        portico::TfrmGetNewVersion dialog(frm);
        dialog.LanguageFilePath = portico::State().LanguageFilePath;
        dialog.DownloadAddress = downloadAddress;
        dialog.btnUpdateClick();
        return addresses.Addresses().empty() ? std::string("(nothing)") : addresses.Addresses().back();
    };
    for (const char* good : {"https://dl.kestrix.example/9?edition=full#now", "HTTP://DL.Kestrix.Example/9",
                             "https://dl.kestrix.example/Kestrix%20Setup.exe?edition=full&lang=en-GB#now"})
        EXPECT_EQ(press(good), good);
    for (const char* rejected : {"C:\\Windows\\System32\\cmd.exe", "\\\\host\\share\\setup.exe", "file:///C:/setup.exe",
                                 "ms-settings:", "mailto:a@b.example", "x", "http:/dl.example/9", "https:///9",
                                 "http://dl.example/9\r\nx", " https://dl.example/9", "http://x\" --foo \"",
                                 "https://dl.example/<9>", "https://dl.example/a b", "https://dl.example\\9",
                                 "https://dl.example/%zz"})
        EXPECT_EQ(press(rejected), "https://www.kestrix.example/home") << rejected;
    // The home page as its link opens it: "1.1" and a missing value both give the maker's site.
    for (const bool stored : {true, false}) {
        if (stored) language.Set("Product", "ProductHomePage", "1.1").Install();
        else language.Remove("Product", "ProductHomePage").Install();
        TfrmMain again;
        EXPECT_EQ(press("file:///C:/setup.exe"), "https://www.kestrix.example/") << stored;
    }
}

TEST_F(StartupTimer, ThroughTheRealShellARejectedAddressStartsNothing) {
    // The stand-ins record their start beside themselves; the home page names one of them.
    CopyProgram("Murmur.exe", folder);
    CopyProgram("Trundle.exe", folder);
    language.Set("Product", "ProductHomePage", folder + "Trundle.exe").Install();
    TfrmMain frm;
    ui::SetAddressOpener(nullptr);
    {
        portico::TfrmGetNewVersion dialog(frm);
        dialog.LanguageFilePath = portico::State().LanguageFilePath;
        dialog.DownloadAddress = folder + "Murmur.exe";
        dialog.btnUpdateClick();
    }
    EXPECT_TRUE(PumpUntil([&] { return !ReadAll(folder + "Trundle.log").empty(); }, 10s));
    // The click has returned from its launches: a Murmur it started is running or has logged.
    EXPECT_TRUE(PumpUntil([&] { return !ProgramRunning(folder + "Murmur.exe"); }, 10s));
    EXPECT_EQ(ReadAll(folder + "Murmur.log"), "");
}

}  // namespace
}  // namespace kx::test
