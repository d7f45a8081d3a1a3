// Every key the two programs read from their language and product files, and the skin bitmaps
// the launcher loads. The windows read through these entries and the checker lists them, so
// that the two cannot drift apart.
#pragma once

#include <span>
#include <string_view>

namespace kx {

// What a caller gets back for an absent value, and compares against to tell absence.
inline constexpr const char* MissingLookup = "???";
inline constexpr const char* MissingLauncherCaption = "1.1";
inline constexpr const char* MissingFeedbackCaption = "Error";
// An optional spoken name: without it a picture button without caption is announced nameless.
inline constexpr std::string_view UnspokenButton = "a nameless button";

enum class IniFileKind { PorticoLanguage, ValedictLanguage, ValedictProduct };

// A lookup gives its default for an absent key and for an empty value alike, reading the file
// as it is at the time; a direct read gives the default only for an absent key.
enum class ReadKind { Lookup, Direct };

struct IniKey {
    IniFileKind File;
    std::string_view Section;
    std::string_view Name;
};

// How the windows read a key, and what the checker knows of it.
struct LanguageKey {
    IniKey Key;
    ReadKind Kind;
    std::string_view Default;  // what an absent value shows
    std::string_view Readers;  // the windows and messages that read it
    int Fills = 0;             // "%s" the code fills in; 0 for a plain text
    bool CollapsesPercent = false;
    // Not empty when an absent value has a designed fallback that shows no marker.
    std::string_view Fallback = {};
};

namespace keys {
using enum IniFileKind;
using enum ReadKind;

// The launcher's language file, which also carries its Product section.
inline constexpr LanguageKey PorticoTitle{{PorticoLanguage, "frmMain", "Title"},
    Direct, MissingLauncherCaption, "frmMain"};
inline constexpr LanguageKey PorticoLblHomepage{{PorticoLanguage, "frmMain", "lblHomepage"},
    Direct, MissingLauncherCaption, "frmMain"};
inline constexpr LanguageKey PorticoLblFeedback{{PorticoLanguage, "frmMain", "lblFeedback"},
    Direct, MissingLauncherCaption, "frmMain"};
inline constexpr LanguageKey PorticoLblHistory{{PorticoLanguage, "frmMain", "lblHistory"},
    Direct, MissingLauncherCaption, "frmMain"};
inline constexpr LanguageKey PorticoLblAbout{{PorticoLanguage, "frmMain", "lblAbout"},
    Lookup, MissingLookup, "frmMain"};
inline constexpr LanguageKey PorticoImagePath{{PorticoLanguage, "frmMain", "ImagePath"},
    Lookup, MissingLookup, "frmMain, frmAbout"};
inline constexpr LanguageKey PorticoShortName{{PorticoLanguage, "Product", "Product short Name"},
    Lookup, MissingLookup, "frmMain, frmAbout, frmGetNewVersion"};
// Also looked up by the start-up timer, where only "BRAMBLEWICK" matters.
inline constexpr LanguageKey PorticoCompanyName{{PorticoLanguage, "Product", "Company Name"},
    Direct, "", "frmMain", 0, false, "brand number 0"};
inline constexpr LanguageKey PorticoHomePage{{PorticoLanguage, "Product", "ProductHomePage"},
    Lookup, MissingLookup, "frmMain, frmAbout"};
inline constexpr LanguageKey PorticoHelpPage{{PorticoLanguage, "Product", "ProductHelpPage"},
    Lookup, MissingLookup, "frmMain, frmAbout"};
// The About box asks with a trailing blank; the reader ignores blanks around names.
inline constexpr LanguageKey PorticoHelpPageAsAsked{{PorticoLanguage, "Product", "ProductHelpPage "},
    Lookup, MissingLookup, "frmAbout"};
inline constexpr LanguageKey PorticoSupportEmail{{PorticoLanguage, "Product", "Support Email"},
    Lookup, MissingLookup, "frmAbout", 0, false, "the support link opens the maker's home page"};
inline constexpr LanguageKey PorticoUpdateUrl{{PorticoLanguage, "Product", "UpdateUrl"},
    Lookup, MissingLookup, "frmMain, frmGetNewVersion", 0, false, "no promotion viewer and no update check"};
inline constexpr LanguageKey PorticoEditionType{{PorticoLanguage, "frmAbout", "Type"},
    Direct, "0", "frmMain", 0, false, "the full edition"};
inline constexpr LanguageKey PorticoVersionNumber{{PorticoLanguage, "frmAbout", "VersionNumber"},
    Lookup, MissingLookup, "frmMain, frmAbout, frmGetNewVersion"};
inline constexpr LanguageKey AboutCopyright{{PorticoLanguage, "frmAbout", "copyright"},
    Lookup, MissingLookup, "frmAbout"};
inline constexpr LanguageKey AboutHomePage{{PorticoLanguage, "frmAbout", "homePage"},
    Lookup, MissingLookup, "frmAbout"};
inline constexpr LanguageKey AboutSupport{{PorticoLanguage, "frmAbout", "support"}, Lookup, MissingLookup, "frmAbout"};
inline constexpr LanguageKey AboutVersion{{PorticoLanguage, "frmAbout", "version"}, Lookup, MissingLookup, "frmAbout"};
inline constexpr LanguageKey AboutOk{{PorticoLanguage, "frmAbout", "btnok"}, Lookup, MissingLookup, "frmAbout"};
inline constexpr LanguageKey UpdateHasNewVersion{{PorticoLanguage, "frmGetNewVersion", "HasNewVerson"},
    Lookup, MissingLookup, "frmGetNewVersion", 1, false};
inline constexpr LanguageKey UpdateVersionTip{{PorticoLanguage, "frmGetNewVersion", "VersionTip"},
    Lookup, MissingLookup, "frmGetNewVersion", 1, false};
inline constexpr LanguageKey UpdateFreeVersionTip{{PorticoLanguage, "frmGetNewVersion", "FreeVersionTip"},
    Lookup, MissingLookup, "frmGetNewVersion", 1, false};
inline constexpr LanguageKey UpdateTitle{{PorticoLanguage, "frmGetNewVersion", "Title"},
    Lookup, MissingLookup, "frmGetNewVersion"};
inline constexpr LanguageKey UpdateBtnUpdate{{PorticoLanguage, "frmGetNewVersion", "btnUpdate"},
    Lookup, MissingLookup, "frmGetNewVersion"};
inline constexpr LanguageKey UpdateBtnCancel{{PorticoLanguage, "frmGetNewVersion", "btnCancel"},
    Lookup, MissingLookup, "frmGetNewVersion"};
// Spoken names of the picture buttons, for screen readers; optional.
inline constexpr LanguageKey MainCutName{{PorticoLanguage, "frmMain", "btnCut.AccessibleName"},
    Direct, "", "screen readers (frmMain)", 0, false, UnspokenButton};
inline constexpr LanguageKey MainBatchCutName{{PorticoLanguage, "frmMain", "btnBatchCut.AccessibleName"},
    Direct, "", "screen readers (frmMain)", 0, false, UnspokenButton};
inline constexpr LanguageKey MainAdvancedCutName{{PorticoLanguage, "frmMain", "btnAdvancedCut.AccessibleName"},
    Direct, "", "screen readers (frmMain)", 0, false, UnspokenButton};
inline constexpr LanguageKey MainCloseName{{PorticoLanguage, "frmMain", "btnClose.AccessibleName"},
    Direct, "", "screen readers (frmMain)", 0, false, UnspokenButton};
inline constexpr LanguageKey AboutCloseName{{PorticoLanguage, "frmAbout", "btnFrmClose.AccessibleName"},
    Direct, "", "screen readers (frmAbout)", 0, false, UnspokenButton};
inline constexpr LanguageKey AboutOkName{{PorticoLanguage, "frmAbout", "btnExit.AccessibleName"},
    Direct, "", "screen readers (frmAbout)", 0, false, "the button's caption"};
inline constexpr LanguageKey UpdateCloseName{{PorticoLanguage, "frmGetNewVersion", "btnCloseFrm.AccessibleName"},
    Direct, "", "screen readers (frmGetNewVersion)", 0, false, UnspokenButton};
inline constexpr LanguageKey UpdateUpdateName{{PorticoLanguage, "frmGetNewVersion", "btnUpdate.AccessibleName"},
    Direct, "", "screen readers (frmGetNewVersion)", 0, false, "the button's caption"};
inline constexpr LanguageKey UpdateCancelName{{PorticoLanguage, "frmGetNewVersion", "btnCancel.AccessibleName"},
    Direct, "", "screen readers (frmGetNewVersion)", 0, false, "the button's caption"};
inline constexpr LanguageKey PorticoShellExtFailed{{PorticoLanguage, "msgMain", "strShellExtFailed"},
    Lookup, MissingLookup, "msgMain (frmMain)"};

// The feedback program's language file.
inline constexpr LanguageKey PromptTitle{{ValedictLanguage, "Main", "Title"},
    Direct, MissingFeedbackCaption, "TfrmMain (Valedict)"};
inline constexpr LanguageKey PromptLblTip{{ValedictLanguage, "Main", "lblTip"},
    Direct, MissingFeedbackCaption, "TfrmMain (Valedict)"};
inline constexpr LanguageKey PromptLblDiscount{{ValedictLanguage, "Main", "lblDiscount"},
    Direct, MissingFeedbackCaption, "TfrmMain (Valedict)"};
inline constexpr LanguageKey PromptBtnSurvey{{ValedictLanguage, "Main", "btnSurvey"},
    Direct, MissingFeedbackCaption, "TfrmMain (Valedict)"};
inline constexpr LanguageKey PromptBtnOK{{ValedictLanguage, "Main", "btnOK"},
    Direct, MissingFeedbackCaption, "TfrmMain (Valedict)"};
inline constexpr LanguageKey PromptLblUninstall{{ValedictLanguage, "Main", "lblUninstall"},
    Direct, MissingFeedbackCaption, "TfrmMain (Valedict)"};
inline constexpr LanguageKey PromptBtnUninstall{{ValedictLanguage, "Main", "btnUninstall"},
    Direct, MissingFeedbackCaption, "TfrmMain (Valedict)"};
inline constexpr LanguageKey SurveyLblTip{{ValedictLanguage, "frmSurvey", "lblTip"},
    Direct, MissingFeedbackCaption, "frmSurvey"};
inline constexpr LanguageKey SurveyTitle{{ValedictLanguage, "frmSurvey", "Title"},
    Direct, MissingFeedbackCaption, "frmSurvey", 1, true};
inline constexpr LanguageKey SurveyLblEmail{{ValedictLanguage, "frmSurvey", "lblEmail"},
    Direct, MissingFeedbackCaption, "frmSurvey"};
inline constexpr LanguageKey SurveyBtnSubmit{{ValedictLanguage, "frmSurvey", "btnSubmitSurvey"},
    Direct, MissingFeedbackCaption, "frmSurvey"};
inline constexpr LanguageKey WaitTitle{{ValedictLanguage, "frmWait", "Title"}, Lookup, MissingLookup, "frmWait"};
inline constexpr LanguageKey WaitLblWait{{ValedictLanguage, "frmWait", "lblWait"}, Lookup, MissingLookup, "frmWait"};
inline constexpr LanguageKey WaitBtnCancel{{ValedictLanguage, "frmWait", "btnCancel"},
    Lookup, MissingLookup, "frmWait"};
inline constexpr LanguageKey SurveyNoText{{ValedictLanguage, "msgMain", "strNoText"},
    Lookup, MissingLookup, "msgMain (frmSurvey)"};
inline constexpr LanguageKey SurveyErrorMailBox{{ValedictLanguage, "msgMain", "strErrorMailBox"},
    Lookup, MissingLookup, "msgMain (frmSurvey)"};
inline constexpr LanguageKey SurveyReadySubmit{{ValedictLanguage, "msgMain", "strReadySubmit"},
    Lookup, MissingLookup, "msgMain (frmSurvey)"};
inline constexpr LanguageKey SurveyDefaultMailTitle{{ValedictLanguage, "msgMain", "strDefaultMailTitle"},
    Lookup, MissingLookup, "the survey's subject line (frmSurvey)"};
inline constexpr LanguageKey WaitCancelSubmit{{ValedictLanguage, "msgMain", "strCancelSubmit"},
    Lookup, MissingLookup, "msgMain (frmWait)"};
inline constexpr LanguageKey WaitSuccessSubmit{{ValedictLanguage, "msgMain", "strSuccessSubmit"},
    Lookup, MissingLookup, "msgMain (frmWait)"};
inline constexpr LanguageKey WaitFailedSubmit{{ValedictLanguage, "msgMain", "strFailedSubmit"},
    Lookup, MissingLookup, "msgMain (frmWait)"};

// The product file the uninstaller names.
inline constexpr LanguageKey ProductShortName{{ValedictProduct, "Product", "Product short Name"},
    Lookup, MissingLookup, "TfrmMain (Valedict), frmSurvey"};
}  // namespace keys

// One entry per (file, section, key), in the order the files list them.
std::span<const LanguageKey> LanguageKeys();

// The entry the reader would answer for this section and key: names match without regard to
// ASCII letter case or blanks around them. Null when the programs never read it.
const LanguageKey* FindLanguageKey(IniFileKind file, std::string_view section, std::string_view key);

struct SkinBitmap {
    std::string_view Folder;  // "Main" or "About", under program folder + ImagePath
    std::string_view File;
    std::string_view Reader;
};

// In the order the windows load them.
std::span<const SkinBitmap> SkinBitmaps();

}  // namespace kx
