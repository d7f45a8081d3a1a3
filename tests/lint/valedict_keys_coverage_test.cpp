// Opens every window of the feedback program and shows every one of its messages, with the
// reads recorded: each must be a key of the checker's table.
#include "Application.h"
#include "Gui.h"
#include "KeyLog.h"
#include "LoopbackServer.h"
#include "MainFrm.h"
#include "SurveyFrm.h"
#include "TempDir.h"
#include "Text.h"
#include "Timer.h"
#include "ValedictState.h"
#include "WaitFrm.h"

#include <windows.h>

namespace kx::test {
namespace {

using namespace std::chrono_literals;
using ui::MessageAnswer;

const char* const Language =
    "[Main]\r\nTitle=Kestrix Uninstall\r\nlblTip=Thank you\r\nlblDiscount=A short survey?\r\n"
    "btnSurvey=Take Survey\r\nbtnOK=OK\r\nlblUninstall=Press Uninstall\r\nbtnUninstall=Uninstall\r\n"
    "[frmSurvey]\r\nTitle=Help us improve %s\r\nlblTip=Tell us\r\nlblEmail=Your e-mail address:\r\n"
    "btnSubmitSurvey=Submit\r\n"
    "[frmWait]\r\nTitle=Sending\r\nlblWait=Please wait\r\nbtnCancel=Cancel\r\n"
    "[msgMain]\r\nstrNoText=No text\r\nstrErrorMailBox=Bad address\r\nstrReadySubmit=Ready\r\n"
    "strDefaultMailTitle=Uninstall Survey\r\nstrCancelSubmit=Cancelled\r\nstrSuccessSubmit=Sent\r\n"
    "strFailedSubmit=Failed\r\n";

void SetServer(const std::string& value) {
    SetEnvironmentVariableW(L"KESTRIX_FEEDBACK_SERVER", value.empty() ? nullptr : ToWide(value).c_str());
}

// Presses the survey's submit button with the texts given; returns once its handler is done,
// the wait dialog's modal showing included.
void Submit(valedict::TfrmSurvey& survey, const std::string& text, const std::string& address) {
    survey.edText.SetText(text);
    survey.edEmail.SetText(address);
    SendMessageW(survey.btnSubmitSurvey.Handle(), BM_CLICK, 0, 0);
}

TEST(ValedictKeys, EveryTextTheFeedbackProgramReadsIsInTheTable) {
    TempDir folder;
    const std::string product = folder.Write("Product.txt", "[Product]\r\nProduct short Name=Kestrix\r\n");
    const std::string language = folder.Write("Valedict.dat", Language);
    MessageBoxRecorder boxes;
    KeyLog log;

    valedict::TfrmMain prompt({"0", product});
    valedict::LanguageFilePath = language;  // the prompt's creation pointed it at the test's folder
    prompt.Show();
    valedict::TfrmWait wait(prompt);
    valedict::frmWait = &wait;

    // Only a guard against a hang: ends a wait that never reports.
    int ticks = 0;
    bool cancelling = false;
    ui::Timer guard(prompt, 50, [&] {
        if (!wait.Visible()) return;
        if (cancelling) PostMessageW(wait.btnCancel.Handle(), BM_CLICK, 0, 0);
        if (++ticks > 600) wait.Close();
    });
    guard.SetEnabled(true);

    {
        valedict::TfrmSurvey survey(prompt);
        survey.Show();
        boxes.SetAnswers({MessageAnswer::Ok, MessageAnswer::Ok, MessageAnswer::Cancel});
        Submit(survey, "  \r\n ", "me@example.com");  // blank text
        Submit(survey, "a b", "me@example");          // bad address
        Submit(survey, "a b", "me@example.com");      // not confirmed
    }
    for (const int status : {200, 500}) {
        LoopbackServer server(reply::Status(status));
        SetServer("127.0.0.1:" + std::to_string(server.Port()));
        valedict::TfrmSurvey survey(prompt);
        survey.Show();
        Submit(survey, "a b", "me@example.com");
        PumpFor(50ms);  // the success report's close request for the survey
    }
    {
        LoopbackServer server(reply::Status(200));
        SetServer("127.0.0.1:" + std::to_string(server.Port()));
        cancelling = true;
        valedict::TfrmSurvey survey(prompt);
        survey.Show();
        Submit(survey, "a b", "me@example.com");
        PumpUntil([&] { return boxes.Boxes().size() >= 9; }, 20s);  // the late cancel report
    }
    SetServer("");
    valedict::frmWait = nullptr;

    std::vector<std::string> texts;
    for (const auto& box : boxes.Boxes()) texts.push_back(box.Text);
    EXPECT_EQ(texts, (std::vector<std::string>{"No text", "Bad address", "Ready", "Ready", "Sent", "Ready", "Failed",
                                               "Ready", "Cancelled"}));
    log.ExpectAllInTable({{product, IniFileKind::ValedictProduct}, {language, IniFileKind::ValedictLanguage}});
}

}  // namespace
}  // namespace kx::test
