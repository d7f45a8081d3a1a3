// The prompt window: thanks, the survey invitation and the button that goes on with the uninstall.
#pragma once

#include "Form.h"
#include "Label.h"
#include "SkinButton.h"

#include <string>
#include <vector>

namespace kx::valedict {

class TfrmMain : public ui::Form {
public:
    // The arguments after the program name, as the platform splits them.
    explicit TfrmMain(const std::vector<std::string>& arguments);

    ui::Label lblTip;
    ui::Label lblDiscount;
    SkinButton btnSurvey;
    ui::Label lblUninstall;
    SkinButton btnUninstall;
    SkinButton btnOK;  // drawn like the others, but never in sight

protected:
    void FormShow() override;
    bool FormCanResize() override { return false; }

private:
    void FormCreate(const std::vector<std::string>& arguments);
    void ApplyLanguage();
    void btnSurveyClick();
    void btnUninstallClick();
    void btnOKClick();
};

}  // namespace kx::valedict
