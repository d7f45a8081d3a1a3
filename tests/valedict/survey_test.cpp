#include "Accessibility.h"
#include "Application.h"
#include "MainFrm.h"
#include "SurveyFrm.h"
#include "ValedictTesting.h"
#include "WaitFrm.h"

#include <richedit.h>

#include <gtest/gtest.h>

namespace kx::valedict {
namespace {

using namespace std::chrono_literals;
using testing::Installation;
using testing::Script;

class SurveyTest : public ::testing::Test {
protected:
    void SetUp() override {
        install.Use();
        prompt.Show();
        frmWait = &wait;
    }
    void TearDown() override { frmWait = nullptr; }
    Installation install;
    TfrmMain prompt{{"0", install.ProductFile}};
    bool installed_ = (install.Use(), true);
    TfrmWait wait{prompt};
};

void ExpectReadAs(HWND control, long role, const std::string& name) {
    test::AccessibleWindow object(control);
    ASSERT_TRUE(object.Valid());
    EXPECT_EQ(object.Self().Role, role) << name;
    EXPECT_EQ(object.Self().Name, name);
}

TEST_F(SurveyTest, EveryControlOfThePromptTheSurveyAndTheWaitDialogHasARoleAndAName) {
    ExpectReadAs(prompt.btnSurvey.Handle(), ROLE_SYSTEM_PUSHBUTTON, "Take Survey");
    ExpectReadAs(prompt.btnUninstall.Handle(), ROLE_SYSTEM_PUSHBUTTON, "Uninstall");
    ExpectReadAs(prompt.btnOK.Handle(), ROLE_SYSTEM_PUSHBUTTON, "OK");

    TfrmSurvey survey(prompt);
    survey.Show();
    ExpectReadAs(survey.btnSubmitSurvey.Handle(), ROLE_SYSTEM_PUSHBUTTON, "Submit");
    ExpectReadAs(survey.edEmail.Handle(), ROLE_SYSTEM_TEXT, "Your e-mail address:");
    ExpectReadAs(survey.edText.Handle(), ROLE_SYSTEM_TEXT, "Which features do you need, or which problems did you meet?");
    survey.Hide();

    wait.Show();
    ExpectReadAs(wait.btnCancel.Handle(), ROLE_SYSTEM_PUSHBUTTON, "Cancel");
    wait.Hide();
}

TEST_F(SurveyTest, LaysTheFormOutFromItsTextsAndFillsTheShortNameIntoTheCaption) {
    TfrmSurvey survey(prompt);
    survey.Show();
    EXPECT_EQ(survey.Caption(), "Help us improve Kestrix");
    EXPECT_EQ(survey.lblTip.Text(), "Which features do you need, or which problems did you meet?");
    EXPECT_EQ(survey.lblEmail.Text(), "Your e-mail address:");
    EXPECT_EQ(survey.btnSubmitSurvey.Text(), "Submit");
    EXPECT_EQ(survey.ClientWidth(), 586);
    EXPECT_EQ(survey.ClientHeight(), 352);

    const RECT text = survey.edText.Bounds();
    EXPECT_EQ(text.left, 27);
    EXPECT_EQ(text.top, 72);
    EXPECT_EQ(text.right - text.left, 521);
    EXPECT_EQ(text.bottom - text.top, 166);
    const RECT email = survey.edEmail.Bounds();
    const int labelWidth = survey.lblEmail.Width();
    EXPECT_GT(labelWidth, 50);
    EXPECT_EQ(survey.lblEmail.Left(), 27);
    EXPECT_EQ(survey.lblEmail.Top(), 257);
    EXPECT_EQ(email.left, 27 + labelWidth + 15);
    EXPECT_EQ(email.right, text.right);  // flush with the text box
    EXPECT_EQ(email.top, 253);
    EXPECT_EQ(email.bottom - email.top, 21);
    EXPECT_EQ(survey.btnSubmitSurvey.Bounds().left, 251);
    EXPECT_EQ(survey.btnSubmitSurvey.Bounds().top, 296);

    // The text box: the simplified-Chinese character set, both scroll bars, first in tab order.
    CHARFORMAT2W format{};
    format.cbSize = sizeof format;
    format.dwMask = CFM_CHARSET | CFM_FACE | CFM_SIZE | CFM_COLOR;
    SendMessageW(survey.edText.Handle(), EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
    EXPECT_EQ(format.bCharSet, GB2312_CHARSET);
    EXPECT_EQ(std::wstring(format.szFaceName), L"Tahoma");
    EXPECT_EQ(format.crTextColor & 0xFFFFFF, RGB(0, 0, 0));
    const LONG_PTR style = GetWindowLongPtrW(survey.edText.Handle(), GWL_STYLE);
    EXPECT_TRUE((style & WS_VSCROLL) && (style & WS_HSCROLL));
    EXPECT_TRUE(survey.edText.Focused());
    EXPECT_EQ(GetNextDlgTabItem(survey.Handle(), survey.edText.Handle(), FALSE), survey.edEmail.Handle());

    // Centred over the prompt.
    const RECT p = prompt.WindowRect(), s = survey.WindowRect();
    EXPECT_EQ(s.left - p.left, ((p.right - p.left) - (s.right - s.left)) / 2);
    EXPECT_EQ(s.top - p.top, ((p.bottom - p.top) - (s.bottom - s.top)) / 2);
}

TEST_F(SurveyTest, TitlePatternFillsOnlyPercentSAndCollapsesDoublePercent) {
    std::string language = testing::LanguageText();
    const std::string title = "Title=Help us improve %s";
    language.replace(language.find(title), title.size(), "Title=100%% for %s, not %d or %x");
    const Installation noName("", language);
    noName.Use();
    TfrmSurvey survey(prompt);
    survey.Show();
    EXPECT_EQ(survey.Caption(), "100% for ???, not %d or %x");
}

TEST_F(SurveyTest, WithoutALanguageFileTheFormReadsErrorAndTheMessagesQuestionMarks) {
    const Installation bare("Kestrix", "");
    bare.Use();
    test::MessageBoxRecorder boxes;
    TfrmSurvey survey(prompt);
    survey.Show();
    EXPECT_EQ(survey.Caption(), "Error");
    EXPECT_EQ(survey.lblTip.Text(), "Error");
    EXPECT_EQ(survey.lblEmail.Text(), "Error");
    SendMessageW(survey.btnSubmitSurvey.Handle(), BM_CLICK, 0, 0);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].Text, "???");
}

TEST_F(SurveyTest, WarnsAboutABlankTextBeforeABadAddressAndCancelAtTheConfirmationSendsNothing) {
    test::MessageBoxRecorder boxes;
    boxes.SetAnswers({ui::MessageAnswer::Ok, ui::MessageAnswer::Ok, ui::MessageAnswer::Ok, ui::MessageAnswer::Cancel});
    TfrmSurvey survey(prompt);
    survey.Show();
    SendData = {};
    const auto submit = [&] { SendMessageW(survey.btnSubmitSurvey.Handle(), BM_CLICK, 0, 0); };

    survey.edText.SetText("  \r\n\t \r\n");
    survey.edEmail.SetText("not an address");
    submit();
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].Text, "Please write a few words first.");
    EXPECT_EQ(boxes.Boxes()[0].Icon, ui::MessageIcon::Warning);
    EXPECT_EQ(boxes.Boxes()[0].Owner, &survey);
    EXPECT_EQ(boxes.Boxes()[0].Caption, "Kestrix Uninstall - Kestrix");

    survey.edText.SetText("Needs a faster export");
    submit();
    ASSERT_EQ(boxes.Boxes().size(), 2u);
    EXPECT_EQ(boxes.Boxes()[1].Text, "Please enter a valid e-mail address.");
    EXPECT_EQ(boxes.Boxes()[1].Icon, ui::MessageIcon::Warning);

    survey.edEmail.SetText("me+tag@example.com");
    submit();
    ASSERT_EQ(boxes.Boxes().size(), 3u);
    EXPECT_EQ(boxes.Boxes()[2].Text, "Please enter a valid e-mail address.");

    survey.edEmail.SetText("me@example.com");
    submit();  // answered Cancel
    ASSERT_EQ(boxes.Boxes().size(), 4u);
    EXPECT_EQ(boxes.Boxes()[3].Text, "Send the survey now?");
    EXPECT_EQ(boxes.Boxes()[3].Icon, ui::MessageIcon::Question);
    EXPECT_EQ(boxes.Boxes()[3].Buttons, ui::MessageButtons::OkCancel);
    test::PumpFor(100ms);
    EXPECT_EQ(wait.WorkersStarted(), 0);
    EXPECT_FALSE(wait.Visible());
    EXPECT_EQ(SendData.SurveyWindow, nullptr);
    EXPECT_TRUE(survey.Visible());
    EXPECT_EQ(survey.edText.Text(), "Needs a faster export");
}

TEST_F(SurveyTest, RichTextLinesComeBackAsTheyWereTyped) {
    TfrmSurvey survey(prompt);
    survey.Show();
    survey.edText.SetText("a b\r\n\r\nc\r\n");
    EXPECT_EQ(JoinLines(survey.edText.Text()), "a b<br><br>c");
    survey.edText.SetText("\xE4\xB8\xAD\xE6\x96\x87 & <b>");
    EXPECT_EQ(survey.edText.Text(), "\xE4\xB8\xAD\xE6\x96\x87 & <b>");
}

}  // namespace
}  // namespace kx::valedict
