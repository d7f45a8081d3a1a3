// Every key the two programs read from their language and product files, and the skin bitmaps
// the launcher loads: one table, so that the windows and the checker cannot drift apart.
#pragma once

#include <span>
#include <string_view>

namespace kx {

enum class IniFileKind { PorticoLanguage, ValedictLanguage, ValedictProduct };

// A lookup (ReadIniValue) gives its default for an absent key and for an empty value alike;
// a direct read (IniReader::ReadText) gives the default only for an absent key.
enum class ReadKind { Lookup, Direct };

struct IniKey {
    IniFileKind File;
    std::string_view Section;
    std::string_view Name;
};

namespace keys {
using enum IniFileKind;

// The launcher's language file, which also carries its Product section.
inline constexpr IniKey PorticoTitle{PorticoLanguage, "frmMain", "Title"};
inline constexpr IniKey PorticoLblHomepage{PorticoLanguage, "frmMain", "lblHomepage"};
inline constexpr IniKey PorticoLblFeedback{PorticoLanguage, "frmMain", "lblFeedback"};
inline constexpr IniKey PorticoLblHistory{PorticoLanguage, "frmMain", "lblHistory"};
inline constexpr IniKey PorticoLblAbout{PorticoLanguage, "frmMain", "lblAbout"};
inline constexpr IniKey PorticoImagePath{PorticoLanguage, "frmMain", "ImagePath"};
inline constexpr IniKey PorticoShortName{PorticoLanguage, "Product", "Product short Name"};
inline constexpr IniKey PorticoCompanyName{PorticoLanguage, "Product", "Company Name"};
inline constexpr IniKey PorticoHomePage{PorticoLanguage, "Product", "ProductHomePage"};
inline constexpr IniKey PorticoHelpPage{PorticoLanguage, "Product", "ProductHelpPage"};
// The About box asks with a trailing blank; the reader ignores blanks around names.
inline constexpr IniKey PorticoHelpPageAsAsked{PorticoLanguage, "Product", "ProductHelpPage "};
inline constexpr IniKey PorticoSupportEmail{PorticoLanguage, "Product", "Support Email"};
inline constexpr IniKey PorticoUpdateUrl{PorticoLanguage, "Product", "UpdateUrl"};
inline constexpr IniKey PorticoEditionType{PorticoLanguage, "frmAbout", "Type"};
inline constexpr IniKey PorticoVersionNumber{PorticoLanguage, "frmAbout", "VersionNumber"};
inline constexpr IniKey AboutCopyright{PorticoLanguage, "frmAbout", "copyright"};
inline constexpr IniKey AboutHomePage{PorticoLanguage, "frmAbout", "homePage"};
inline constexpr IniKey AboutSupport{PorticoLanguage, "frmAbout", "support"};
inline constexpr IniKey AboutVersion{PorticoLanguage, "frmAbout", "version"};
inline constexpr IniKey AboutOk{PorticoLanguage, "frmAbout", "btnok"};
inline constexpr IniKey UpdateHasNewVersion{PorticoLanguage, "frmGetNewVersion", "HasNewVerson"};
inline constexpr IniKey UpdateVersionTip{PorticoLanguage, "frmGetNewVersion", "VersionTip"};
inline constexpr IniKey UpdateFreeVersionTip{PorticoLanguage, "frmGetNewVersion", "FreeVersionTip"};
inline constexpr IniKey UpdateTitle{PorticoLanguage, "frmGetNewVersion", "Title"};
inline constexpr IniKey UpdateBtnUpdate{PorticoLanguage, "frmGetNewVersion", "btnUpdate"};
inline constexpr IniKey UpdateBtnCancel{PorticoLanguage, "frmGetNewVersion", "btnCancel"};
// Spoken names of the picture buttons, for screen readers; optional.
inline constexpr IniKey MainCutName{PorticoLanguage, "frmMain", "btnCut.AccessibleName"};
inline constexpr IniKey MainBatchCutName{PorticoLanguage, "frmMain", "btnBatchCut.AccessibleName"};
inline constexpr IniKey MainAdvancedCutName{PorticoLanguage, "frmMain", "btnAdvancedCut.AccessibleName"};
inline constexpr IniKey MainCloseName{PorticoLanguage, "frmMain", "btnClose.AccessibleName"};
inline constexpr IniKey AboutCloseName{PorticoLanguage, "frmAbout", "btnFrmClose.AccessibleName"};
inline constexpr IniKey AboutOkName{PorticoLanguage, "frmAbout", "btnExit.AccessibleName"};
inline constexpr IniKey UpdateCloseName{PorticoLanguage, "frmGetNewVersion", "btnCloseFrm.AccessibleName"};
inline constexpr IniKey UpdateUpdateName{PorticoLanguage, "frmGetNewVersion", "btnUpdate.AccessibleName"};
inline constexpr IniKey UpdateCancelName{PorticoLanguage, "frmGetNewVersion", "btnCancel.AccessibleName"};
inline constexpr IniKey PorticoShellExtFailed{PorticoLanguage, "msgMain", "strShellExtFailed"};

// The feedback program's language file.
inline constexpr IniKey PromptTitle{ValedictLanguage, "Main", "Title"};
inline constexpr IniKey PromptLblTip{ValedictLanguage, "Main", "lblTip"};
inline constexpr IniKey PromptLblDiscount{ValedictLanguage, "Main", "lblDiscount"};
inline constexpr IniKey PromptBtnSurvey{ValedictLanguage, "Main", "btnSurvey"};
inline constexpr IniKey PromptBtnOK{ValedictLanguage, "Main", "btnOK"};
inline constexpr IniKey PromptLblUninstall{ValedictLanguage, "Main", "lblUninstall"};
inline constexpr IniKey PromptBtnUninstall{ValedictLanguage, "Main", "btnUninstall"};
inline constexpr IniKey SurveyLblTip{ValedictLanguage, "frmSurvey", "lblTip"};
inline constexpr IniKey SurveyTitle{ValedictLanguage, "frmSurvey", "Title"};
inline constexpr IniKey SurveyLblEmail{ValedictLanguage, "frmSurvey", "lblEmail"};
inline constexpr IniKey SurveyBtnSubmit{ValedictLanguage, "frmSurvey", "btnSubmitSurvey"};
inline constexpr IniKey WaitTitle{ValedictLanguage, "frmWait", "Title"};
inline constexpr IniKey WaitLblWait{ValedictLanguage, "frmWait", "lblWait"};
inline constexpr IniKey WaitBtnCancel{ValedictLanguage, "frmWait", "btnCancel"};
inline constexpr IniKey SurveyNoText{ValedictLanguage, "msgMain", "strNoText"};
inline constexpr IniKey SurveyErrorMailBox{ValedictLanguage, "msgMain", "strErrorMailBox"};
inline constexpr IniKey SurveyReadySubmit{ValedictLanguage, "msgMain", "strReadySubmit"};
inline constexpr IniKey SurveyDefaultMailTitle{ValedictLanguage, "msgMain", "strDefaultMailTitle"};
inline constexpr IniKey WaitCancelSubmit{ValedictLanguage, "msgMain", "strCancelSubmit"};
inline constexpr IniKey WaitSuccessSubmit{ValedictLanguage, "msgMain", "strSuccessSubmit"};
inline constexpr IniKey WaitFailedSubmit{ValedictLanguage, "msgMain", "strFailedSubmit"};

// The product file the uninstaller names.
inline constexpr IniKey ProductShortName{ValedictProduct, "Product", "Product short Name"};
}  // namespace keys

struct LanguageKey {
    IniKey Key;
    ReadKind Kind;
    std::string_view Default;  // what the code passes, and so what an absent value shows
    std::string_view Readers;  // the windows and messages that read it
    int Fills = 0;             // "%s" the code fills in; 0 for a plain text
    bool CollapsesPercent = false;
    // Not empty when an absent value has a designed fallback that shows no marker.
    std::string_view Fallback = {};
};

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
