// The update dialog: loads the version document in the background, compares versions, and
// tells the main window whether there is a newer version to offer.
#pragma once

#include "Form.h"
#include "ImageButton.h"
#include "Label.h"
#include "LanguageKeys.h"
#include "PageLoader.h"
#include "Picture.h"
#include "Timer.h"

#include <string>

namespace kx::portico {

// Posted to NotifyWindow once per started check: wParam 1 to show the dialog, 0 for nothing.
constexpr UINT WM_UPDATECHECKDONE = 0x08FE;

class TfrmGetNewVersion : public ui::Form {
public:
    explicit TfrmGetNewVersion(ui::Form& owner);

    // Set by the creator before BeginCheck.
    bool FreeEdition = false;
    // Filled by the dialog.
    std::string NewVersion;
    std::string DownloadAddress;
    std::string RequestedAddress;
    // Set by the creator before BeginCheck.
    HWND NotifyWindow = nullptr;
    std::string LanguageFilePath;

    ui::Picture Image1;
    ui::Label lblNewVersion;
    ui::Label lblTip;
    PageLoader wbNewVersion;
    ui::TkxImageButton btnCloseFrm;
    ui::TkxImageButton btnUpdate;
    ui::TkxImageButton btnCancel;
    ui::Timer TimerCheck;

    // Returns at once; the outcome arrives later as WM_UPDATECHECKDONE.
    void BeginCheck();
    void OfferNewVersion(const std::string& version);

    void TimerCheckTimer();
    void btnUpdateClick();
    void btnCancelClick();
    void btnCloseFrmClick();

protected:
    void FormShow() override;
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    std::string Lookup(const LanguageKey& key) const;
    void Report(bool offer) const;
    void CloseAndEndFreeEdition();
};

}  // namespace kx::portico
