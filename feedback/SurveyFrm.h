// The survey form: the free text and the contact address, checked, confirmed and handed to
// the worker through SendData while the wait dialog runs.
#pragma once

#include "Form.h"
#include "Label.h"
#include "StdControls.h"
#include "Survey.h"
#include "ValedictState.h"

#include <string>

namespace kx::valedict {

class TfrmSurvey : public ui::Form {
public:
    explicit TfrmSurvey(ui::Form& owner);

    ui::Label lblTip;
    ui::RichEdit edText;
    ui::Label lblEmail;
    ui::Edit edEmail;
    ui::PushButton btnSubmitSurvey;

protected:
    void FormShow() override;

private:
    void ApplyLanguage();
    std::string BuildContent();
    std::string BuildSubject() const;
    void btnSubmitSurveyClick();
};

}  // namespace kx::valedict
