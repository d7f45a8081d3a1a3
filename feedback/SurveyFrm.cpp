#include "SurveyFrm.h"

#include "Global.h"
#include "MessageBox.h"
#include "Text.h"
#include "WaitFrm.h"

namespace kx::valedict {
namespace {

constexpr int Gap = 15;

}  // namespace

TfrmSurvey::TfrmSurvey(ui::Form& owner)
    : Form(&owner, ui::FormBorder::Dialog, 586, 352),
      lblTip(*this, 27, 27, 521, 30),
      edText(*this, 27, 72, 521, 166),
      lblEmail(*this, 27, 257),
      edEmail(*this, 27, 253, 521, 21),
      btnSubmitSurvey(*this, 251, 296, 90, 25) {
    SetPosition(ui::FormPosition::OwnerCenter);
    lblTip.SetWordWrap(true);
    lblEmail.SetAutoSize(true);
    ui::FontSpec textFont = Font();
    textFont.Charset = GB2312_CHARSET;
    edText.SetFont(textFont);
    btnSubmitSurvey.OnClick = [this] { btnSubmitSurveyClick(); };
    SetTabOrder({&edText, &edEmail, &btnSubmitSurvey});
    // The fields' labels are painted by the form; screen readers hear them as the fields' names.
    edText.AccessibleName = [this] { return lblTip.Text(); };
    edEmail.AccessibleName = [this] { return lblEmail.Text(); };
}

void TfrmSurvey::FormShow() {
    ApplyLanguage();
    // Clears SubmitDone and SubmitCancelled; a cancelled worker still running from an earlier
    // form then stays cancelled and its report is passed over.
    BeginSubmission();
}

void TfrmSurvey::ApplyLanguage() {
    const IniReader reader(LanguageFilePath);
    const std::string shortName = ReadProductValue(keys::ProductShortName);
    lblTip.SetText(ReadKey(reader, keys::SurveyLblTip));
    SetCaption(FillTemplate(ReadKey(reader, keys::SurveyTitle), shortName, true));
    lblEmail.SetText(ReadKey(reader, keys::SurveyLblEmail));
    btnSubmitSurvey.SetText(ReadKey(reader, keys::SurveyBtnSubmit));

    const RECT text = edText.Bounds();
    const RECT email = edEmail.Bounds();
    const int emailWidth = text.right - lblEmail.Left() - lblEmail.Width() - Gap;
    const int emailLeft = lblEmail.Left() + lblEmail.Width() + Gap;
    edEmail.SetBounds(emailLeft, email.top, emailWidth, email.bottom - email.top);
    const int textTop = lblTip.Top() + lblTip.Height() + Gap;
    const int textHeight = email.top - textTop - Gap;
    edText.SetBounds(text.left, textTop, text.right - text.left, textHeight);
}

std::string TfrmSurvey::BuildContent() {
    const std::string text = edText.Text();
    if (TrimControlAndBlank(text).empty()) {
        ui::ShowMessageBox(this, ReadKey(LanguageFilePath, keys::SurveyNoText), ui::MessageIcon::Warning);
        return {};
    }
    return JoinLines(text);
}

std::string TfrmSurvey::BuildSubject() const {
    return SubjectLine(ReadKey(LanguageFilePath, keys::SurveyDefaultMailTitle),
                       ReadProductValue(keys::ProductShortName));
}

void TfrmSurvey::btnSubmitSurveyClick() {
    const std::string content = BuildContent();
    if (content.empty()) return;
    const std::string address = TrimControlAndBlank(edEmail.Text());
    if (!IsValidEmailAddress(address)) {
        ui::ShowMessageBox(this, ReadKey(LanguageFilePath, keys::SurveyErrorMailBox),
                           ui::MessageIcon::Warning);
        return;
    }
    if (ui::ShowMessageBox(this, ReadKey(LanguageFilePath, keys::SurveyReadySubmit),
                           ui::MessageIcon::Question, ui::MessageButtons::OkCancel) != ui::MessageAnswer::Ok)
        return;
    SendData.SurveyWindow = Handle();
    SendData.Address = edEmail.Text();  // as typed: blanks around a valid address go with it
    SendData.Subject = BuildSubject();
    SendData.Content = content;
    const SubmitJob job = ConfirmSubmission();
    if (frmWait) frmWait->Run(job);
}

}  // namespace kx::valedict
