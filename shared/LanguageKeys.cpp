#include "LanguageKeys.h"

#include "Global.h"
#include "Text.h"

namespace kx {
namespace {

using namespace keys;

constexpr LanguageKey Table[] = {
    PorticoTitle, PorticoLblHomepage, PorticoLblFeedback, PorticoLblHistory, PorticoLblAbout, PorticoImagePath,
    PorticoShortName, PorticoCompanyName, PorticoHomePage, PorticoHelpPage, PorticoSupportEmail, PorticoUpdateUrl,
    PorticoEditionType, PorticoVersionNumber, AboutCopyright, AboutHomePage, AboutSupport, AboutVersion, AboutOk,
    UpdateHasNewVersion, UpdateVersionTip, UpdateFreeVersionTip, UpdateTitle, UpdateBtnUpdate, UpdateBtnCancel,
    PorticoShellExtFailed, MainCutName, MainBatchCutName, MainAdvancedCutName, MainCloseName, AboutCloseName,
    AboutOkName, UpdateCloseName, UpdateUpdateName, UpdateCancelName,

    PromptTitle, PromptLblTip, PromptLblDiscount, PromptBtnSurvey, PromptBtnOK, PromptLblUninstall,
    PromptBtnUninstall, SurveyLblTip, SurveyTitle, SurveyLblEmail, SurveyBtnSubmit, WaitTitle, WaitLblWait,
    WaitBtnCancel, SurveyNoText, SurveyErrorMailBox, SurveyReadySubmit, SurveyDefaultMailTitle, WaitCancelSubmit,
    WaitSuccessSubmit, WaitFailedSubmit,

    ProductShortName,
};

constexpr SkinBitmap Bitmaps[] = {
    {"Main", "Main.bmp", "frmMain"},
    {"Main", "btnClose_Normal.bmp", "frmMain"},
    {"Main", "btnClose_On.bmp", "frmMain"},
    {"Main", "btnClose_Down.bmp", "frmMain"},
    {"Main", "btnClose_Disable.bmp", "frmMain"},
    {"Main", "btnEasyCut_Normal.bmp", "frmMain"},
    {"Main", "btnEasyCut_On.bmp", "frmMain"},
    {"Main", "btnEasyCut_Down.bmp", "frmMain"},
    {"Main", "btnBatchCut_Normal.bmp", "frmMain"},
    {"Main", "btnBatchCut_On.bmp", "frmMain"},
    {"Main", "btnBatchCut_Down.bmp", "frmMain"},
    {"Main", "btnAdvancedCut_Normal.bmp", "frmMain"},
    {"Main", "btnAdvancedCut_On.bmp", "frmMain"},
    {"Main", "btnAdvancedCut_Down.bmp", "frmMain"},
    {"Main", "btnHomepage_Normal.bmp", "frmMain"},
    {"Main", "btnReg_Normal.bmp", "frmMain"},
    // Loaded only while the pointer is over a link.
    {"Main", "btnHomepage_On.bmp", "frmMain (home page link)"},
    {"Main", "btnHomepage_Down.bmp", "frmMain (home page link)"},
    {"Main", "btnReg_On.bmp", "frmMain (About link)"},
    {"Main", "btnReg_Down.bmp", "frmMain (About link)"},
    {"About", "Main.bmp", "frmAbout"},
    {"About", "btnClose_Normal.bmp", "frmAbout"},
    {"About", "btnClose_On.bmp", "frmAbout"},
    {"About", "btnClose_Down.bmp", "frmAbout"},
    {"About", "btnClose_Disable.bmp", "frmAbout"},
    {"About", "btnOK_Normal.bmp", "frmAbout"},
    {"About", "btnOK_On.bmp", "frmAbout"},
    {"About", "btnOK_Down.bmp", "frmAbout"},
    {"About", "btnOK_Disable.bmp", "frmAbout"},
};

}  // namespace

std::span<const LanguageKey> LanguageKeys() { return Table; }

std::span<const SkinBitmap> SkinBitmaps() { return Bitmaps; }

const LanguageKey* FindLanguageKey(IniFileKind file, std::string_view section, std::string_view key) {
    section = TrimBlanks(section);
    key = TrimBlanks(key);
    for (const LanguageKey& entry : Table)
        if (entry.Key.File == file && EqualsIgnoreAsciiCase(entry.Key.Section, section) &&
            EqualsIgnoreAsciiCase(entry.Key.Name, key))
            return &entry;
    return nullptr;
}

}  // namespace kx
