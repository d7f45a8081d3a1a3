// The language file the Valedict tests install: every key the program reads.
#pragma once

namespace kx::valedict::testing {

inline const char* LanguageText() {
    return "[Main]\r\n"
           "Title=Kestrix Uninstall\r\n"
           "lblTip=Thank you for using Kestrix!\r\n"
           "lblDiscount=We are sorry to see you go. Would you tell us in a short survey which features you "
           "missed or which problems you met?\r\n"
           "btnSurvey=Take Survey\r\n"
           "btnOK=OK\r\n"
           "lblUninstall=Press Uninstall to go on with removing Kestrix.\r\n"
           "btnUninstall=Uninstall\r\n"
           "[frmSurvey]\r\n"
           "Title=Help us improve %s\r\n"
           "lblTip=Which features do you need, or which problems did you meet?\r\n"
           "lblEmail=Your e-mail address:\r\n"
           "btnSubmitSurvey=Submit\r\n"
           "[frmWait]\r\n"
           "Title=Sending your survey\r\n"
           "lblWait=Sending your answers, please wait...\r\n"
           "btnCancel=Cancel\r\n"
           "[msgMain]\r\n"
           "strNoText=Please write a few words first.\r\n"
           "strErrorMailBox=Please enter a valid e-mail address.\r\n"
           "strReadySubmit=Send the survey now?\r\n"
           "strDefaultMailTitle=Uninstall Survey\r\n"
           "strCancelSubmit=Sending was cancelled.\r\n"
           "strSuccessSubmit=Thank you! Your survey has been sent.\r\n"
           "strFailedSubmit=Sorry, the survey could not be sent.\r\n";
}

}  // namespace kx::valedict::testing
