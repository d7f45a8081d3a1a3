// Opens every launcher window and runs every action that reads a text, with the reads
// recorded: each must be a key of the checker's table.
#include "AboutFrm.h"
#include "Accessibility.h"
#include "Application.h"
#include "GetNewVersionFrm.h"
#include "Install.h"
#include "KeyLog.h"
#include "LauncherState.h"
#include "LoopbackServer.h"
#include "MainFrm.h"

namespace kx::test {
namespace {

using namespace std::chrono_literals;
using portico::State;

using LauncherKeys = LauncherTest;

// What a screen reader asks of every picture button; the caption-less ones read their names.
void SpeakNames(const ui::Form& form) {
    for (HWND child = GetWindow(form.Handle(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        AccessibleWindow button(child);
        EXPECT_TRUE(button.Valid());
        button.Self();
    }
}

TEST_F(LauncherKeys, EveryTextTheLauncherReadsIsInTheTable) {
    LoopbackServer versions(reply::Status(404));
    language.Set("Product", "UpdateUrl", "http://127.0.0.1:" + std::to_string(versions.Port()) + "/version.json")
        .Set("frmGetNewVersion", "Title", "Kestrix Update")
        .Set("frmGetNewVersion", "HasNewVerson", "Kestrix %s is available.")
        .Set("frmGetNewVersion", "VersionTip", "Get the new %s.")
        .Set("frmGetNewVersion", "FreeVersionTip", "Get the free %s.")
        .Set("frmGetNewVersion", "btnUpdate", "Update")
        .Set("frmGetNewVersion", "btnCancel", "Later")
        .Install();
    ui::Form receiver(nullptr, ui::FormBorder::None, 10, 10);  // takes the dialog's reports
    KeyLog log;
    {
        portico::TfrmMain frm;
        frm.Show();
        SpeakNames(frm);
        frm.TimerVersionAndADTimer();
        frm.btnCutClick();  // no tool beside the launcher: the failure message and the home page
        frm.lblHomePageClick();
        frm.lblFeedbackClick();
        frm.lblHistoryClick();
        {
            portico::TfrmAbout about(frm);
            about.Show();
            SpeakNames(about);
            about.btnExit.AccessibleName();  // spoken only were its caption blank
            about.lblSupportClick();
            about.Hide();
        }
        for (const bool freeEdition : {false, true}) {
            portico::TfrmGetNewVersion dialog(frm);
            dialog.NotifyWindow = receiver.Handle();
            dialog.FreeEdition = freeEdition;
            dialog.LanguageFilePath = State().LanguageFilePath;
            dialog.BeginCheck();
            dialog.OfferNewVersion("99.0");
            SpeakNames(dialog);  // before the showing gives the buttons their captions
            dialog.Show();
            SpeakNames(dialog);
            dialog.Hide();
        }
        frm.Hide();
    }
    // The one company whose support link opens the help page.
    language.Set("Product", "Company Name", "Corvith Laboratory").Install();
    {
        portico::TfrmMain frm;
        portico::TfrmAbout about(frm);
        about.Show();
        about.lblSupportClick();
        about.Hide();
    }

    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].Text, "The tool could not be started.");
    EXPECT_GE(addresses.Addresses().size(), 6u);
    EXPECT_FALSE(log.Reads().empty());
    log.ExpectAllInTable({{State().LanguageFilePath, IniFileKind::PorticoLanguage}});
}

}  // namespace
}  // namespace kx::test
