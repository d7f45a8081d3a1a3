#include "LanguageKeys.h"

#include "Global.h"
#include "Text.h"

namespace kx {
namespace {

using enum ReadKind;
using namespace keys;

constexpr std::string_view Launcher = MissingLauncherCaption;
constexpr std::string_view Feedback = MissingFeedbackCaption;
constexpr std::string_view Lookups = MissingLookup;
// An optional spoken name: without it a picture button without caption is announced nameless.
constexpr std::string_view Unspoken = "a nameless button";

constexpr LanguageKey Table[] = {
    {PorticoTitle, Direct, Launcher, "frmMain"},
    {PorticoLblHomepage, Direct, Launcher, "frmMain"},
    {PorticoLblFeedback, Direct, Launcher, "frmMain"},
    {PorticoLblHistory, Direct, Launcher, "frmMain"},
    {PorticoLblAbout, Lookup, Lookups, "frmMain"},
    {PorticoImagePath, Lookup, Lookups, "frmMain, frmAbout"},
    {PorticoShortName, Lookup, Lookups, "frmMain, frmAbout, frmGetNewVersion"},
    // Also looked up by the start-up timer, where only "BRAMBLEWICK" matters.
    {PorticoCompanyName, Direct, "", "frmMain", 0, false, "brand number 0"},
    {PorticoHomePage, Lookup, Lookups, "frmMain, frmAbout"},
    {PorticoHelpPage, Lookup, Lookups, "frmMain, frmAbout"},
    {PorticoSupportEmail, Lookup, Lookups, "frmAbout", 0, false, "the support link opens the maker's home page"},
    {PorticoUpdateUrl, Lookup, Lookups, "frmMain, frmGetNewVersion", 0, false,
     "no promotion viewer and no update check"},
    {PorticoEditionType, Direct, "0", "frmMain", 0, false, "the full edition"},
    {PorticoVersionNumber, Lookup, Lookups, "frmMain, frmAbout, frmGetNewVersion"},
    {AboutCopyright, Lookup, Lookups, "frmAbout"},
    {AboutHomePage, Lookup, Lookups, "frmAbout"},
    {AboutSupport, Lookup, Lookups, "frmAbout"},
    {AboutVersion, Lookup, Lookups, "frmAbout"},
    {AboutOk, Lookup, Lookups, "frmAbout"},
    {UpdateHasNewVersion, Lookup, Lookups, "frmGetNewVersion", 1, false},
    {UpdateVersionTip, Lookup, Lookups, "frmGetNewVersion", 1, false},
    {UpdateFreeVersionTip, Lookup, Lookups, "frmGetNewVersion", 1, false},
    {UpdateTitle, Lookup, Lookups, "frmGetNewVersion"},
    {UpdateBtnUpdate, Lookup, Lookups, "frmGetNewVersion"},
    {UpdateBtnCancel, Lookup, Lookups, "frmGetNewVersion"},
    {PorticoShellExtFailed, Lookup, Lookups, "msgMain (frmMain)"},
    {MainCutName, Direct, "", "screen readers (frmMain)", 0, false, Unspoken},
    {MainBatchCutName, Direct, "", "screen readers (frmMain)", 0, false, Unspoken},
    {MainAdvancedCutName, Direct, "", "screen readers (frmMain)", 0, false, Unspoken},
    {MainCloseName, Direct, "", "screen readers (frmMain)", 0, false, Unspoken},
    {AboutCloseName, Direct, "", "screen readers (frmAbout)", 0, false, Unspoken},
    {AboutOkName, Direct, "", "screen readers (frmAbout)", 0, false, "the button's caption"},
    {UpdateCloseName, Direct, "", "screen readers (frmGetNewVersion)", 0, false, Unspoken},
    {UpdateUpdateName, Direct, "", "screen readers (frmGetNewVersion)", 0, false, "the button's caption"},
    {UpdateCancelName, Direct, "", "screen readers (frmGetNewVersion)", 0, false, "the button's caption"},

    {PromptTitle, Direct, Feedback, "TfrmMain (Valedict)"},
    {PromptLblTip, Direct, Feedback, "TfrmMain (Valedict)"},
    {PromptLblDiscount, Direct, Feedback, "TfrmMain (Valedict)"},
    {PromptBtnSurvey, Direct, Feedback, "TfrmMain (Valedict)"},
    {PromptBtnOK, Direct, Feedback, "TfrmMain (Valedict)"},
    {PromptLblUninstall, Direct, Feedback, "TfrmMain (Valedict)"},
    {PromptBtnUninstall, Direct, Feedback, "TfrmMain (Valedict)"},
    {SurveyLblTip, Direct, Feedback, "frmSurvey"},
    {SurveyTitle, Direct, Feedback, "frmSurvey", 1, true},
    {SurveyLblEmail, Direct, Feedback, "frmSurvey"},
    {SurveyBtnSubmit, Direct, Feedback, "frmSurvey"},
    {WaitTitle, Lookup, Lookups, "frmWait"},
    {WaitLblWait, Lookup, Lookups, "frmWait"},
    {WaitBtnCancel, Lookup, Lookups, "frmWait"},
    {SurveyNoText, Lookup, Lookups, "msgMain (frmSurvey)"},
    {SurveyErrorMailBox, Lookup, Lookups, "msgMain (frmSurvey)"},
    {SurveyReadySubmit, Lookup, Lookups, "msgMain (frmSurvey)"},
    {SurveyDefaultMailTitle, Lookup, Lookups, "the survey's subject line (frmSurvey)"},
    {WaitCancelSubmit, Lookup, Lookups, "msgMain (frmWait)"},
    {WaitSuccessSubmit, Lookup, Lookups, "msgMain (frmWait)"},
    {WaitFailedSubmit, Lookup, Lookups, "msgMain (frmWait)"},

    {ProductShortName, Lookup, Lookups, "TfrmMain (Valedict), frmSurvey"},
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

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

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
