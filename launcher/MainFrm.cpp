#include "MainFrm.h"

#include "AboutFrm.h"
#include "GetNewVersionFrm.h"
#include "Application.h"
#include "Global.h"
#include "LauncherState.h"
#include "MessageBox.h"
#include "Os.h"
#include "Scoped.h"
#include "Shell.h"
#include "StartupMarks.h"
#include "Text.h"

#include <shellapi.h>

#include <utility>

namespace kx::portico {

std::unique_ptr<TfrmGetNewVersion> frmGetNewVersion;

namespace {

constexpr COLORREF White = RGB(255, 255, 255);

// The tools the three buttons start.
constexpr char FastCutter[] = "Snipwell.exe";
constexpr char BatchCutter[] = "Trundle.exe";
constexpr char AdvancedCutter[] = "Anvilry.exe";

// Without a name in the language file a tool button is called by the program it starts.
std::function<std::string()> ToolButtonName(const LanguageKey& key, const char* program) {
    return SpokenName(key, [program] { return ProgramName(os::ProgramFolder() + program); });
}

ui::FontSpec Tahoma(int height, bool bold, COLORREF color) {
    ui::FontSpec font;
    font.Height = height;
    font.Bold = bold;
    font.Color = color;
    return font;
}

void SetUpLinkText(ui::Label& label) {
    label.SetFont(Tahoma(11, false, White));
    label.SetTransparent(true);
    label.SetAutoSize(true);
    label.SetCursor(IDC_HAND);
}

void SetUpToolButton(ui::TkxImageButton& button) {
    button.SetTransparent(true);
    button.SetDrawFocused(false);
    button.SetAutoSize(true);
}

}  // namespace

TfrmMain::TfrmMain()
    : Form(nullptr, ui::FormBorder::None, 800, 480),
      Image1(*this, 0, 0, 800, 480),
      imgReg(*this, 626, 58, 24, 26),
      lblReg(*this, 654, 65),
      imgHomepage(*this, 691, 58, 24, 26),
      lblHomePage(*this, 719, 65),
      lblTitle(*this, 39, 13),
      lblFeedback(*this, 690, 14),
      lblHistory(*this, 120, 13),
      btnCut(*this, 543, 181, 232, 182),
      btnClose(*this, 766, 11, 29, 20),
      btnBatchCut(*this, 284, 181, 232, 182),
      btnAdvancedCut(*this, 25, 181, 232, 182),
      TimerVersionAndAD(*this, 1000, [this] { TimerVersionAndADTimer(); }) {
    SetPosition(ui::FormPosition::DesktopCenter);
    SetColor(RGB(24, 30, 44));
    SetCaption("Kestrix");

    Image1.SetAutoSize(true);
    Image1.OnMouseDown = [this](ui::MouseButton, int, int) { BeginDrag(); };

    for (ui::Picture* picture : {&imgReg, &imgHomepage}) {
        picture->SetAutoSize(true);
        picture->SetTransparent(true);
        picture->SetCursor(IDC_HAND);
    }
    SetUpLinkText(lblReg);
    SetUpLinkText(lblHomePage);
    lblReg.SetText("About");
    lblHomePage.SetText("Home Page");

    lblTitle.SetFont(Tahoma(13, true, White));
    lblTitle.SetTransparent(true);
    lblTitle.SetAutoSize(true);
    lblTitle.SetText("Kestrix");

    ui::FontSpec feedbackFont = Tahoma(12, true, White);
    lblFeedback.SetFont(feedbackFont);
    lblFeedback.SetTransparent(true);
    lblFeedback.SetFontHoverColor(White);
    lblFeedback.SetFontLinkColor(White);
    lblFeedback.SetFontColor(RGB(128, 128, 128));  // grey until the pointer first passes over it
    lblFeedback.SetText("Report Bugs");

    lblHistory.SetFont(Tahoma(13, false, White));
    lblHistory.SetTransparent(true);
    lblHistory.SetFontLinkColor(White);
    lblHistory.SetFontHoverColor(RGB(0, 0, 255));
    lblHistory.SetText("(History)");

    for (ui::TkxImageButton* button : {&btnCut, &btnClose, &btnBatchCut, &btnAdvancedCut}) SetUpToolButton(*button);
    SetTabOrder({&btnCut, &btnClose, &btnBatchCut, &btnAdvancedCut});
    btnCut.AccessibleName = ToolButtonName(keys::MainCutName, FastCutter);
    btnBatchCut.AccessibleName = ToolButtonName(keys::MainBatchCutName, BatchCutter);
    btnAdvancedCut.AccessibleName = ToolButtonName(keys::MainAdvancedCutName, AdvancedCutter);
    btnClose.AccessibleName = SpokenName(keys::MainCloseName, [this] { return CloseCommandText(); });

    // Picture and label of a link act as one: the keyboard stops at the label, and a screen
    // reader calls the picture by the label's text.
    imgHomepage.AccessibleName = [this] { return lblHomePage.Text(); };
    imgReg.AccessibleName = [this] { return lblReg.Text(); };
    imgHomepage.SetLinkTabStop(false);
    imgReg.SetLinkTabStop(false);
    for (ui::GraphicControl* part : {static_cast<ui::GraphicControl*>(&imgHomepage),
                                     static_cast<ui::GraphicControl*>(&lblHomePage)}) {
        part->OnMouseEnter = [this] { ShowLinkPicture(imgHomepage, "btnHomepage_On.bmp"); };
        part->OnMouseLeave = [this] { ShowLinkPicture(imgHomepage, "btnHomepage_Normal.bmp"); };
        part->OnMouseDown = [this](ui::MouseButton, int, int) { ShowLinkPicture(imgHomepage, "btnHomepage_Down.bmp"); };
        part->OnClick = [this] { lblHomePageClick(); };
    }
    for (ui::GraphicControl* part :
         {static_cast<ui::GraphicControl*>(&imgReg), static_cast<ui::GraphicControl*>(&lblReg)}) {
        part->OnMouseEnter = [this] { ShowLinkPicture(imgReg, "btnReg_On.bmp"); };
        part->OnMouseLeave = [this] { ShowLinkPicture(imgReg, "btnReg_Normal.bmp"); };
        part->OnMouseDown = [this](ui::MouseButton, int, int) { ShowLinkPicture(imgReg, "btnReg_Down.bmp"); };
        part->OnClick = [this] { lblRegClick(); };
    }
    lblFeedback.OnClick = [this] { lblFeedbackClick(); };
    lblHistory.OnClick = [this] { lblHistoryClick(); };
    btnCut.OnClick = [this] { btnCutClick(); };
    btnBatchCut.OnClick = [this] { btnBatchCutClick(); };
    btnAdvancedCut.OnClick = [this] { btnAdvancedCutClick(); };
    btnClose.OnClick = [this] { btnCloseClick(); };

    ui::MarkStartup("windows created");
    // A failure stops only the reading; the window opens with what it has.
    ui::Application::Instance().Guarded([this] { LoadLanguage(); });
}

TfrmMain::~TfrmMain() { frmGetNewVersion.reset(); }

void TfrmMain::LoadLanguage() {
    LauncherState& state = State();
    state.LanguageFilePath = DecodeLanguageFile("Main");
    ui::MarkStartup("language decoded");
    const std::unique_ptr<IniReader> reader = OpenIniFile(state.LanguageFilePath);
    state.SkinPath = os::ProgramFolder() + Lookup(keys::PorticoImagePath) + "\\Main\\";
    state.CompanyName = LowerAscii(ReadKey(reader.get(), keys::PorticoCompanyName));
    state.BrandNumber = BrandNumberOf(state.CompanyName);
    state.FreeEdition = TextToBool(ReadKey(reader.get(), keys::PorticoEditionType));
    ShowTitle();
    if (!reader) return;

    SetCaption(ReadKey(reader.get(), keys::PorticoTitle));
    lblHomePage.SetText(ReadKey(reader.get(), keys::PorticoLblHomepage));
    lblFeedback.URL.clear();
    lblFeedback.SetText(ReadKey(reader.get(), keys::PorticoLblFeedback));
    lblHistory.URL.clear();
    lblHistory.SetTop(lblTitle.Top());
    lblHistory.SetText(ReadKey(reader.get(), keys::PorticoLblHistory));

    lblFeedback.SetLeft(btnClose.Left() - 5 - lblFeedback.Width());
    lblHomePage.SetLeft(ClientWidth() - lblHomePage.Width() - 30);
    imgHomepage.SetLeft(lblHomePage.Left() - imgHomepage.Width() - 4);
    lblReg.SetLeft(imgHomepage.Left() - lblReg.Width() - 15);
    imgReg.SetLeft(lblReg.Left() - imgReg.Width() - 4);

    if (state.BrandNumber == BramblewickBrand) {
        lblFeedback.SetVisible(false);
        lblHistory.SetVisible(false);
    }
}

void TfrmMain::ShowTitle() {
    lblReg.SetText(Lookup(keys::PorticoLblAbout));
    std::string name = Lookup(keys::PorticoShortName);
    if (name == MissingLauncherCaption) name = "Wrenfold Panvert";
    const std::string version = Lookup(keys::PorticoVersionNumber);
    lblTitle.SetText(name + " " + version);
    ui::Application::Instance().SetTitle(lblTitle.Text());
    lblHistory.SetLeft(lblTitle.Left() + lblTitle.Width() + 5);
    SetCaption(lblTitle.Text());
}

void TfrmMain::FormShow() {
    if (Tag != 0) return;
    TimerVersionAndAD.SetEnabled(true);
    LoadSkin();
    ui::MarkStartup("skin loaded");
    Tag = 1;
}

void TfrmMain::LoadSkin() {
    const std::string& skin = State().SkinPath;
    auto load = [&](const char* file) { return ui::Bitmap::LoadFromFile(skin + file); };
    Image1.SetBitmap(load("Main.bmp"));
    btnClose.SetPicNormal(load("btnClose_Normal.bmp"));
    btnClose.SetPicMouseOn(load("btnClose_On.bmp"));
    btnClose.SetPicMouseDown(load("btnClose_Down.bmp"));
    btnClose.SetPicDisabled(load("btnClose_Disable.bmp"));
    const std::pair<ui::TkxImageButton*, const char*> tools[] = {
        {&btnCut, "btnEasyCut"}, {&btnBatchCut, "btnBatchCut"}, {&btnAdvancedCut, "btnAdvancedCut"}};
    for (const auto& [button, name] : tools) {
        const std::string base = name;
        button->SetPicNormal(load((base + "_Normal.bmp").c_str()));
        button->SetPicMouseOn(load((base + "_On.bmp").c_str()));
        button->SetPicMouseDown(load((base + "_Down.bmp").c_str()));
    }
    imgHomepage.SetBitmap(load("btnHomepage_Normal.bmp"));
    imgReg.SetBitmap(load("btnReg_Normal.bmp"));
}

void TfrmMain::ShowLinkPicture(ui::Picture& picture, const char* file) {
    picture.LoadFromFile(State().SkinPath + file);
    picture.Repaint();
}

void TfrmMain::FormClose() {
    updateCheckWaiting_ = false;  // the launcher is ending: no check is started on the way out
    // A dialog in its modal showing is ended, not destroyed: its showing frees it on return.
    if (frmGetNewVersion && frmGetNewVersion->Modal()) {
        frmGetNewVersion->Close();
        return;
    }
    frmGetNewVersion.reset();
}

void TfrmMain::TimerVersionAndADTimer() {
    TimerVersionAndAD.SetEnabled(false);
    if (BrandNumberOf(Lookup(keys::PorticoCompanyName)) == BramblewickBrand) return;
    StartPromotionViewer();
    StartUpdateCheck();
}

void TfrmMain::StartPromotionViewer() {
    const std::string path = os::ProgramFolder() + "Bargello.exe";
    const std::string url = Lookup(keys::PorticoUpdateUrl);
    if (!os::FileExists(path) || url == MissingLookup) return;
    const std::string parameters = url + TimeStampQuery() + " KX" + (State().FreeEdition ? " 0" : " 1");
    ui::ShellOpen(path, parameters, SW_SHOWNORMAL);
}

void TfrmMain::StartUpdateCheck() {
    // A dialog is never freed or replaced inside its own modal showing: the new check waits.
    if (frmGetNewVersion && frmGetNewVersion->Modal()) {
        updateCheckWaiting_ = true;
        return;
    }
    frmGetNewVersion.reset();
    frmGetNewVersion = std::make_unique<TfrmGetNewVersion>(*this);
    frmGetNewVersion->NotifyWindow = Handle();
    frmGetNewVersion->FreeEdition = State().FreeEdition;
    frmGetNewVersion->LanguageFilePath = State().LanguageFilePath;
    frmGetNewVersion->BeginCheck();
}

void TfrmMain::WMUpdateCheckDone(WPARAM wParam) {
    // During the showing the dialog's one report has been taken: any other is not its own.
    if (!frmGetNewVersion || frmGetNewVersion->Modal()) return;
    if (wParam == 1) frmGetNewVersion->ShowModal();
    frmGetNewVersion.reset();
    if (std::exchange(updateCheckWaiting_, false)) StartUpdateCheck();
}

bool TfrmMain::HandleMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
    if (message != WM_UPDATECHECKDONE) return false;
    WMUpdateCheckDone(wParam);
    result = 0;
    return true;
}

bool TfrmMain::RunTool(const std::string& program, const std::string& arguments) {
    // The installed copy wins; a same-named program in the current folder is only a fallback.
    const std::string installed = os::ProgramFolder() + program;
    const std::string file =
        !os::FileExists(installed) && os::FileExists(program) ? program : "\"" + installed + "\"";
    const std::wstring wideFile = ToWide(file), wideArguments = ToWide(arguments);
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    // Our own message reports a failed start; the shell's box would only repeat it.
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    info.lpFile = wideFile.c_str();
    info.lpParameters = arguments.empty() ? nullptr : wideArguments.c_str();
    info.nShow = SW_SHOW;
    ui::EnsureComApartment();
    const bool ok = ShellExecuteExW(&info) != FALSE;
    const KernelHandle process(info.hProcess);  // none when no process started
    if (ok) {
        Hide();
        if (process) WaitForSingleObject(process.get(), INFINITE);
        Show();
    }
    return ok;
}

void TfrmMain::StartTool(const std::string& program, const std::string& arguments) {
    ui::Application& app = ui::Application::Instance();
    app.SetScreenCursor(IDC_WAIT);
    const bool ok = RunTool(program, arguments);
    app.SetScreenCursor(nullptr);
    if (ok) return;
    ui::ShowMessageBox(this, Lookup(keys::PorticoShellExtFailed), ui::MessageIcon::Error);
    lblHomePageClick();
}

void TfrmMain::btnCutClick() { StartTool(FastCutter, "Wrenfold SINGLE_CUT"); }
void TfrmMain::btnBatchCutClick() { StartTool(BatchCutter, "SINGLE_CUT"); }
void TfrmMain::btnAdvancedCutClick() { StartTool(AdvancedCutter, "-Cutter_Cut"); }
void TfrmMain::btnCloseClick() { Close(); }

void TfrmMain::lblHomePageClick() {
    ui::OpenAddress(HomePageAddress(State().LanguageFilePath), SW_SHOWNORMAL);
}

void TfrmMain::lblRegClick() {
    {
        TfrmAbout about(*this);
        about.ShowModal();
    }
    ui::Application::Instance().ProcessMessages();
}

void TfrmMain::lblFeedbackClick() {
    const std::string program = os::ProgramFolder() + "Murmur.exe";
    if (os::FileExists(program)) {
        // One argument however many blanks the path holds.
        const std::string& path = State().LanguageFilePath;
        ui::ShellOpen(program, path.find(' ') == std::string::npos ? path : "\"" + path + "\"", SW_SHOWNORMAL);
    } else {
        ui::OpenAddress(Lookup(keys::PorticoHelpPage), SW_SHOWNORMAL);
    }
}

void TfrmMain::lblHistoryClick() {
    const std::string log = os::ProgramFolder() + "Update.log";
    if (os::FileExists(log))
        ui::ShellOpen(log, "", SW_SHOWNORMAL);
    else
        ui::OpenAddress(Lookup(keys::PorticoHelpPage), SW_SHOWNORMAL);
}

}  // namespace kx::portico
