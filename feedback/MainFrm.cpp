#include "MainFrm.h"

#include "Application.h"
#include "Global.h"
#include "StartupMarks.h"
#include "SurveyFrm.h"
#include "ValedictState.h"

#include <memory>

namespace kx::valedict {
namespace {

ui::FontSpec Tahoma(int height, bool bold, COLORREF color = RGB(0, 0, 0)) {
    ui::FontSpec font;
    font.Height = height;
    font.Bold = bold;
    font.Color = color;
    return font;
}

// A scrambled product file's texts. An elevated run (the uninstaller's) writes nothing in the
// temporary folder, where the user's unelevated programs could have planted a link at the
// copy's name: its texts stay in memory. False when the file cannot be read.
bool DecodeProduct(const std::string& productFile) {
    try {
        if (os::RunsElevated())
            ProductInMemory = DecodeProductInMemory(productFile);
        else
            ProductFilePath = DecodeProductFile(productFile);
        return true;
    } catch (const FileError&) {
        return false;  // an unreadable scrambled file is as good as none
    }
}

}  // namespace

TfrmMain::TfrmMain(const std::vector<std::string>& arguments)
    : Form(nullptr, ui::FormBorder::Sizeable, 576, 372),
      lblTip(*this, 30, 27),
      lblDiscount(*this, 48, 77, 375, 0),
      btnSurvey(*this, 456, 72, 90, 25),
      lblUninstall(*this, 48, 315, 375, 37),
      btnUninstall(*this, 456, 310, 90, 25),
      btnOK(*this, 2480, 214, 100, 36) {
    ExitCode = 1;
    FormCreate(arguments);
}

void TfrmMain::FormCreate(const std::vector<std::string>& arguments) {
    // The window stays hidden until FormShow, so it has no taskbar button before then.
    SetPosition(ui::FormPosition::DesktopCenter);

    lblTip.SetFont(Tahoma(13, true));
    lblTip.SetAutoSize(true);
    lblDiscount.SetFont(Tahoma(13, false));
    lblDiscount.SetWordWrap(true);
    lblDiscount.SetAutoSize(true);
    lblUninstall.SetFont(Tahoma(13, false));
    lblUninstall.SetWordWrap(true);
    const ui::FontSpec buttonFont = Tahoma(11, true, RGB(0, 0, 255));
    btnSurvey.SetFont(buttonFont);
    btnUninstall.SetFont(buttonFont);
    btnOK.SetFont(Tahoma(13, true));
    btnSurvey.OnClick = [this] { btnSurveyClick(); };
    btnUninstall.OnClick = [this] { btnUninstallClick(); };
    btnOK.OnClick = [this] { btnOKClick(); };
    // btnOK comes first and so holds the focus, out of sight: Enter or Space closes the prompt.
    SetTabOrder({&btnOK, &btnSurvey, &btnUninstall});

    const std::string scrambleMarker = arguments.size() > 0 ? arguments[0] : std::string();
    const std::string productFile = arguments.size() > 1 ? arguments[1] : std::string();
    ProductFilePath = productFile;
    if (scrambleMarker == "1" ? DecodeProduct(productFile) : os::FileExists(ProductFilePath)) {
        LanguageFilePath = os::ProgramFolder() + "Lang\\Valedict.dat";
    } else {
        ExitCode = 0;
        ui::Application::Instance().Terminate();
    }
}

void TfrmMain::FormShow() {
    ApplyLanguage();
    ui::MarkStartup("language read");
    SetClientSize(576, 372);
}

void TfrmMain::ApplyLanguage() {
    const IniReader reader(LanguageFilePath);
    const std::string shortName = ReadProductValue(keys::ProductShortName);
    std::string caption = ReadKey(reader, keys::PromptTitle);
    if (shortName != MissingLookup) caption += " - " + shortName;
    SetCaption(caption);
    ui::Application::Instance().SetTitle(caption);

    lblTip.SetText(ReadKey(reader, keys::PromptLblTip));
    lblDiscount.SetText(ReadKey(reader, keys::PromptLblDiscount));
    btnSurvey.SetCaption(ReadKey(reader, keys::PromptBtnSurvey));
    btnOK.SetCaption(ReadKey(reader, keys::PromptBtnOK));
    lblUninstall.SetText(ReadKey(reader, keys::PromptLblUninstall));
    btnUninstall.SetCaption(ReadKey(reader, keys::PromptBtnUninstall));
}

void TfrmMain::btnSurveyClick() {
    auto survey = std::make_unique<TfrmSurvey>(*this);
    survey->ShowModal();
}

void TfrmMain::btnUninstallClick() {
    ExitCode = 0;
    Close();
}

void TfrmMain::btnOKClick() { Close(); }

}  // namespace kx::valedict
