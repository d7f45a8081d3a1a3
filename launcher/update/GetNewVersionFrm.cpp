#include "GetNewVersionFrm.h"

#include "Application.h"
#include "Global.h"
#include "Os.h"
#include "Shell.h"
#include "Text.h"
#include "UpdateArtwork.h"
#include "VersionDocument.h"

#include <utility>

namespace kx::portico {
namespace {

constexpr COLORREF TextColor = 10711333;  // RGB 37, 113, 163

ui::FontSpec Tahoma(int height, COLORREF color) {
    ui::FontSpec font;
    font.Height = height;
    font.Color = color;
    return font;
}

void ApplyPictures(ui::TkxImageButton& button, bool primary) {
    button.SetPicNormal(UpdateButtonPicture(ButtonState::Normal, primary));
    button.SetPicMouseOn(UpdateButtonPicture(ButtonState::MouseOn, primary));
    button.SetPicMouseDown(UpdateButtonPicture(ButtonState::MouseDown, primary));
    button.SetPicDisabled(UpdateButtonPicture(ButtonState::Disabled, primary));
}

}  // namespace

TfrmGetNewVersion::TfrmGetNewVersion(ui::Form& owner)
    : Form(&owner, ui::FormBorder::None, 384, 244),
      Image1(*this, -1, -1, 386, 246),
      lblNewVersion(*this, 20, 52, 346, 36),
      lblTip(*this, 20, 90, 343, 62),
      btnCloseFrm(*this, 332, 0, 44, 18),
      btnUpdate(*this, 214, 196, 130, 32),
      btnCancel(*this, 42, 196, 130, 32),
      TimerCheck(*this, 1000, [this] { TimerCheckTimer(); }) {
    SetPosition(ui::FormPosition::ScreenCenter);
    Image1.SetAutoSize(true);
    Image1.SetBitmap(UpdateBackground());
    Image1.OnMouseDown = [this](ui::MouseButton, int, int) { BeginDrag(); };

    for (ui::Label* label : {&lblNewVersion, &lblTip}) {
        label->SetTransparent(true);
        label->SetWordWrap(true);
    }
    lblNewVersion.SetFont(Tahoma(14, TextColor));
    lblTip.SetFont(Tahoma(11, TextColor));

    // The artwork's corners are keyed out over the background.
    for (ui::TkxImageButton* button : {&btnCloseFrm, &btnUpdate, &btnCancel}) {
        button->SetTransparent(true);
        button->SetAutoSize(true);
    }
    btnCloseFrm.SetPicNormal(UpdateCloseButtonPicture(ButtonState::Normal));
    btnCloseFrm.SetPicMouseOn(UpdateCloseButtonPicture(ButtonState::MouseOn));
    btnCloseFrm.SetPicMouseDown(UpdateCloseButtonPicture(ButtonState::MouseDown));
    btnCloseFrm.OnClick = [this] { btnCloseFrmClick(); };

    ui::FontSpec captionFont = Tahoma(17, RGB(255, 255, 255));
    btnUpdate.SetFont(captionFont);
    btnUpdate.SetStretch(true);
    ApplyPictures(btnUpdate, true);
    btnUpdate.OnClick = [this] { btnUpdateClick(); };
    captionFont.Color = RGB(0, 0, 0);
    btnCancel.SetFont(captionFont);
    btnCancel.SetStretch(true);
    ApplyPictures(btnCancel, false);
    btnCancel.OnClick = [this] { btnCancelClick(); };

    for (auto [button, key] : {std::pair{&btnCloseFrm, &keys::UpdateCloseName},
                               std::pair{&btnUpdate, &keys::UpdateUpdateName},
                               std::pair{&btnCancel, &keys::UpdateCancelName}})
        button->AccessibleName = [this, button, key] {
            const std::string name = Lookup(*key);
            // Files written before these keys: the close button still has the system's word.
            return TrimControlAndBlank(name).empty() && button == &btnCloseFrm ? CloseCommandText() : name;
        };

    SetRoundedShape(5);
    FreeEdition = false;
}

std::string TfrmGetNewVersion::Lookup(const LanguageKey& key) const { return ReadKey(LanguageFilePath, key); }

void TfrmGetNewVersion::Report(bool offer) const {
    PostMessageW(NotifyWindow, WM_UPDATECHECKDONE, offer ? 1 : 0, 0);
}

void TfrmGetNewVersion::BeginCheck() {
    const std::string address = Lookup(keys::PorticoUpdateUrl);
    if (address == MissingLookup) return;
    RequestedAddress = address + TimeStampQuery();
    if (!wbNewVersion.Navigate(RequestedAddress)) {
        Report(false);
        return;
    }
    TimerCheck.SetEnabled(true);
}

void TfrmGetNewVersion::TimerCheckTimer() {
    if (wbNewVersion.Busy()) return;
    TimerCheck.SetEnabled(false);
    const std::optional<VersionOffer> offer =
        ReadVersionDocument(RequestedAddress, wbNewVersion.LocationUrl(), wbNewVersion.Body());
    if (!offer) {
        Report(false);
        return;
    }
    NewVersion = offer->Version;
    DownloadAddress = offer->DownloadAddress;
    OfferNewVersion(NewVersion);
}

void TfrmGetNewVersion::OfferNewVersion(const std::string& version) {
    std::string current = Lookup(keys::PorticoVersionNumber);
    if (current == MissingLookup) current = "0";
    if (!IsNewerVersion(version, current)) {
        Report(false);
        return;
    }
    lblNewVersion.SetText(FillTemplate(Lookup(keys::UpdateHasNewVersion), version, false));
    const std::string name = Lookup(keys::PorticoShortName);
    if (FreeEdition) {
        btnCancel.SetVisible(false);
        btnUpdate.SetBounds((ClientWidth() - btnUpdate.Width()) / 2, btnUpdate.Top(), btnUpdate.Width(),
                            btnUpdate.Height());
        lblTip.SetText(FillTemplate(Lookup(keys::UpdateFreeVersionTip), name, false));
    } else {
        lblTip.SetText(FillTemplate(Lookup(keys::UpdateVersionTip), name, false));
    }
    Report(true);
}

void TfrmGetNewVersion::FormShow() {
    SetCaption(Lookup(keys::UpdateTitle));
    btnUpdate.SetCaption(Lookup(keys::UpdateBtnUpdate));
    btnCancel.SetCaption(Lookup(keys::UpdateBtnCancel));
}

void TfrmGetNewVersion::btnUpdateClick() {
    const std::string path = os::ProgramFolder() + "Freshen.exe";
    if (os::FileExists(path)) {
        ui::ShellOpen(path, "", SW_SHOWNORMAL);
        ui::Application::Instance().Terminate();
        return;
    }
    // The address comes from the network: only a web page may be opened from it, or a program,
    // a share or any protocol handler would start with one click.
    std::string address = DownloadAddress;
    if (!IsWebAddress(address)) {
        address = HomePageAddress(LanguageFilePath);
        if (address == MissingLookup) address = MakerHomePageUrl();
    }
    ui::OpenAddress(address, SW_SHOWNORMAL);
    CloseAndEndFreeEdition();
}

void TfrmGetNewVersion::btnCancelClick() { CloseAndEndFreeEdition(); }

void TfrmGetNewVersion::btnCloseFrmClick() { CloseAndEndFreeEdition(); }

bool TfrmGetNewVersion::HandleMessage(UINT message, WPARAM, LPARAM, LRESULT& result) {
    if (message != WM_CLOSE) return false;
    // Alt+F4 or any other close request is the close button, also in the free edition.
    CloseAndEndFreeEdition();
    result = 0;
    return true;
}

void TfrmGetNewVersion::CloseAndEndFreeEdition() {
    Close();
    if (FreeEdition) ui::Application::Instance().Terminate();
}

}  // namespace kx::portico
