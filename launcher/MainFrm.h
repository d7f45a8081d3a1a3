// The launcher's main window: the skinned background, the three tool buttons and the links.
#pragma once

#include "Form.h"
#include "GetNewVersionFrm.h"
#include "ImageButton.h"
#include "Label.h"
#include "Picture.h"
#include "Timer.h"
#include "URLLabel.h"

#include <memory>
#include <string>

namespace kx::portico {

// The update dialog while one exists; freed and cleared by whoever ends it.
extern std::unique_ptr<TfrmGetNewVersion> frmGetNewVersion;

class TfrmMain : public ui::Form {
public:
    TfrmMain();
    ~TfrmMain() override;

    // Painted back to front in this order.
    ui::Picture Image1;
    ui::Picture imgReg;
    ui::Label lblReg;
    ui::Picture imgHomepage;
    ui::Label lblHomePage;
    ui::Label lblTitle;
    ui::TkxURLLabel lblFeedback;
    ui::TkxURLLabel lblHistory;

    ui::TkxImageButton btnCut;
    ui::TkxImageButton btnClose;
    ui::TkxImageButton btnBatchCut;
    ui::TkxImageButton btnAdvancedCut;

    ui::Timer TimerVersionAndAD;

    int Tag = 0;  // 1 once the first showing's work is done

    void LoadLanguage();
    void ShowTitle();
    void LoadSkin();
    // Starts the program, hides the window until it ends; false when it could not start.
    bool RunTool(const std::string& program, const std::string& arguments);

    void btnCutClick();
    void btnBatchCutClick();
    void btnAdvancedCutClick();
    void btnCloseClick();
    void lblHomePageClick();
    void lblRegClick();
    void lblFeedbackClick();
    void lblHistoryClick();
    void TimerVersionAndADTimer();
    void StartPromotionViewer();
    void StartUpdateCheck();
    void WMUpdateCheckDone(WPARAM wParam);

protected:
    void FormShow() override;
    void FormClose() override;
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void StartTool(const std::string& program, const std::string& arguments);
    void ShowLinkPicture(ui::Picture& picture, const char* file);

    bool updateCheckWaiting_ = false;  // a check asked for while the dialog was showing
};

}  // namespace kx::portico
