#include "BitmapBytes.h"
#include "LanguageKeys.h"
#include "Os.h"
#include "Process.h"
#include "ReferenceCipher.h"
#include "TempDir.h"
#include "Text.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <tuple>

namespace kx {
namespace {

#ifdef _WIN32
const std::string Tool = test::BinaryFolder() + "kxlint.exe";
#else
const std::string Tool = test::BinaryFolder() + "kxlint";
#endif

// Complete files: every key each program reads, numbered so that the findings' lines can be
// read off. Faults are made by rewriting single lines, which keeps the numbering.
const std::vector<std::string> LauncherLines = {
    "[frmMain]",                                       // 1
    "Title=Kestrix Launcher",                          // 2
    "lblHomepage=Home Page",                           // 3
    "lblFeedback=Report Bugs",                         // 4
    "lblHistory=(History)",                            // 5
    "lblAbout=About",                                  // 6
    "ImagePath=Skin",                                  // 7
    "[frmAbout]",                                      // 8
    "Type=0",                                          // 9
    "VersionNumber=3.0.2",                             // 10
    "copyright=Copyright (C) 2026 Wrenfold",           // 11
    "homePage=Visit the home page",                    // 12
    "support=Contact support",                         // 13
    "version=Version:",                                // 14
    "btnok=OK",                                        // 15
    "[frmGetNewVersion]",                              // 16
    "Title=Kestrix Update",                            // 17
    "HasNewVerson=Kestrix %s is available.",           // 18
    "VersionTip=A newer version of %s is ready.",      // 19
    "FreeVersionTip=A newer %s, free of charge.",      // 20
    "btnUpdate=Update",                                // 21
    "btnCancel=Later",                                 // 22
    "[msgMain]",                                       // 23
    "strShellExtFailed=The tool could not be started.",  // 24
    "[Product]",                                       // 25
    "Product short Name=Kestrix",                      // 26
    "Company Name=Wrenfold",                           // 27
    "ProductHomePage=https://www.kestrix.example/",    // 28
    "ProductHelpPage=https://www.kestrix.example/help/",  // 29
    "Support Email=support@kestrix.example",           // 30
    "UpdateUrl=http://127.0.0.1/version.json",         // 31
};

const std::vector<std::string> FeedbackLines = {
    "[Main]",                              // 1
    "Title=Kestrix Uninstall",             // 2
    "lblTip=Thank you for using Kestrix",  // 3
    "lblDiscount=Take a short survey",     // 4
    "btnSurvey=Take Survey",               // 5
    "btnOK=OK",                            // 6
    "lblUninstall=Press Uninstall",        // 7
    "btnUninstall=Uninstall",              // 8
    "[frmSurvey]",                         // 9
    "Title=Help us improve %s",            // 10
    "lblTip=Tell us what you missed",      // 11
    "lblEmail=Your e-mail address:",       // 12
    "btnSubmitSurvey=Submit",              // 13
    "[frmWait]",                           // 14
    "Title=Sending your survey",           // 15
    "lblWait=Please wait...",              // 16
    "btnCancel=Cancel",                    // 17
    "[msgMain]",                           // 18
    "strNoText=Please write a few words",  // 19
    "strErrorMailBox=Check the address",   // 20
    "strReadySubmit=Send it now?",         // 21
    "strDefaultMailTitle=Uninstall Survey",  // 22
    "strCancelSubmit=Cancelled",           // 23
    "strSuccessSubmit=Sent, thank you",    // 24
    "strFailedSubmit=Could not send",      // 25
};

using Edits = std::vector<std::pair<int, std::string>>;  // line number, new text

std::string Join(std::vector<std::string> lines, const Edits& edits = {}) {
    for (const auto& [line, text] : edits) lines[static_cast<std::size_t>(line - 1)] = text;
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return text;
}

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

std::string WithoutCarriageReturns(std::string text) {
    std::erase(text, '\r');
    return text;
}

struct Lint {
    int ExitCode;
    std::vector<std::string> Findings;  // each without the leading "file:"
    std::string Err;
};

Lint RunLint(const std::string& file, std::vector<std::string> options = {}) {
    options.push_back(file);
    const test::ProgramOutput output = test::RunProgramCapture(Tool, options);
    Lint lint{output.ExitCode, {}, WithoutCarriageReturns(output.Err)};
    const std::string out = WithoutCarriageReturns(output.Out);
    for (std::size_t start = 0; start < out.size();) {
        const std::size_t end = out.find('\n', start);
        std::string line = out.substr(start, end - start);
        start = end == std::string::npos ? out.size() : end + 1;
        EXPECT_EQ(line.rfind(file + ":", 0), 0u) << line;
        lint.Findings.push_back(line.substr(std::min(line.size(), file.size() + 1)));
    }
    return lint;
}

void ExpectClean(const std::string& file, std::vector<std::string> options = {}) {
    const Lint lint = RunLint(file, std::move(options));
    EXPECT_EQ(lint.ExitCode, 0) << file;
    EXPECT_EQ(lint.Findings, std::vector<std::string>{}) << file;
    EXPECT_EQ(lint.Err, "") << file;
}

void ExpectFindings(const std::string& file, const std::vector<std::string>& expected,
                    std::vector<std::string> options = {}) {
    const Lint lint = RunLint(file, std::move(options));
    EXPECT_EQ(lint.ExitCode, 1) << file;
    EXPECT_EQ(lint.Findings, expected) << file;
}

TEST(KxLint, CompleteFilesPlainOrScrambledAreClean) {
    test::TempDir dir;
    const std::string launcher = Join(LauncherLines);
    ExpectClean(dir.Write("Main.txt", launcher));
    ExpectClean(dir.WriteBytes("Main.dat", test::ReferenceEncode(Bytes(launcher))));
    ExpectClean(dir.WriteBytes("Scrambled.bin", test::ReferenceEncode(Bytes(launcher))), {"--scrambled"});
    ExpectClean(dir.Write("Valedict.dat", Join(FeedbackLines)));
    ExpectClean(dir.Write("Texts.ini", Join(FeedbackLines)), {"--program", "valedict"});
    ExpectClean(dir.Write("Product.txt", "[Product]\r\nProduct short Name=Kestrix\r\n"), {"--program", "product"});
    ExpectClean(dir.WriteBytes("Product.dat", test::ReferenceEncode(Bytes("[Product]\nProduct short Name=K\n"))),
                {"--program", "product", "--scrambled"});
}

TEST(KxLint, DemoFilesAreClean) {
    // The build copies the demo files beside the tests; a missing one fails like a finding.
    const std::string demo = test::BinaryFolder() + "kxlint-demo\\";
    for (const std::string language : {"", "zh\\"}) {
        const std::string folder = demo + language;
        for (const char* name : {"Main.txt", "Valedict.dat", "Product.txt"})
            ASSERT_TRUE(os::FileExists(folder + name)) << folder << name;
        ExpectClean(folder + "Main.txt");
        test::TempDir dir;
        const std::vector<std::uint8_t> plain = os::ReadFileBytes(folder + "Main.txt");
        ExpectClean(dir.WriteBytes("Main.dat", test::ReferenceEncode(plain)));
        ExpectClean(folder + "Valedict.dat");
        ExpectClean(folder + "Product.txt", {"--program", "product"});
    }
}

TEST(KxLint, SpokenNamesOfPictureButtonsAreOptionalAbsentOrEmpty) {
    // The complete file above has none of them and is clean; empty ones are clean too.
    test::TempDir dir;
    ExpectClean(dir.Write("Main.txt", Join(LauncherLines, {
        {7, "ImagePath=Skin\r\nbtnCut.AccessibleName=\r\nbtnClose.AccessibleName=Close"},
        {15, "btnok=OK\r\nbtnFrmClose.AccessibleName="},
    })));
}

TEST(KxLint, NamesTheMarkerOfEveryMissingOrEmptyKey) {
    test::TempDir dir;
    const std::string launcher = dir.Write("Main.txt", Join(LauncherLines, {
        {2, "; no title"},
        {3, "lblHomepage="},  // a direct read shows the empty text as it is
        {6, "lblAbout="},
        {9, "; no edition type"},
        {11, "; no copyright"},
        {14, "version=\"\""},
        {23, "; no messages"},
        {24, "; still none"},
        {27, "; no company"},
        {29, "  producthelppage  =  https://www.kestrix.example/help/"},
        {30, "; no support address"},
        {31, "UpdateUrl="},
    }));
    ExpectFindings(launcher, {
        "0: msgMain/strShellExtFailed: missing, and so is its section; msgMain (frmMain) shows \"???\"",
        "1: frmMain/Title: missing; frmMain shows \"1.1\"",
        "6: frmMain/lblAbout: empty; frmMain shows \"???\"",
        "8: frmAbout/copyright: missing; frmAbout shows \"???\"",
        "14: frmAbout/version: empty; frmAbout shows \"???\"",
    });

    const std::string feedback = dir.Write("Valedict.dat", Join(FeedbackLines, {
        {3, "lblTip="},
        {6, "; no OK"},
        {15, "; no title"},
        {19, "strNoText="},
        {22, "; no subject"},
    }));
    ExpectFindings(feedback, {
        "1: Main/btnOK: missing; TfrmMain (Valedict) shows \"Error\"",
        "14: frmWait/Title: missing; frmWait shows \"???\"",
        "18: msgMain/strDefaultMailTitle: missing; the survey's subject line (frmSurvey) shows \"???\"",
        "19: msgMain/strNoText: empty; msgMain (frmSurvey) shows \"???\"",
    });

    const std::string product = dir.Write("Product.txt", "[Product]\r\nCompany Name=Kestrix Software\r\n");
    ExpectFindings(product, {"1: Product/Product short Name: missing; TfrmMain (Valedict), frmSurvey show \"???\""},
                   {"--program", "product"});
}

TEST(KxLint, ChecksTemplatesAsTheirWindowsFillThem) {
    test::TempDir dir;
    const std::string launcher = dir.Write("Main.txt", Join(LauncherLines, {
        {18, "HasNewVerson=A new version is out"},
        {19, "VersionTip=%s, really %s"},
        {20, "FreeVersionTip=Get %s 100%% free for %d days, 50% off"},
    }));
    ExpectFindings(launcher, {
        "18: frmGetNewVersion/HasNewVerson: holds 0 \"%s\" where frmGetNewVersion fills in one value",
        "19: frmGetNewVersion/VersionTip: holds 2 \"%s\" where frmGetNewVersion fills in one value",
        "20: frmGetNewVersion/FreeVersionTip: \"%%\" is not filled in: it shows as it stands in frmGetNewVersion",
        "20: frmGetNewVersion/FreeVersionTip: \"%d\" is not filled in: it shows as it stands in frmGetNewVersion",
    });

    // The survey's title turns "%%" into "%"; nothing else.
    ExpectClean(dir.Write("Valedict.dat", Join(FeedbackLines, {{10, "Title=%s: 100%% better"}})));
    ExpectFindings(dir.Write("Valedict.txt", Join(FeedbackLines, {{10, "Title=Help %s by %5.2f%% or %-3s"}})),
                   {"10: frmSurvey/Title: \"%5.2f\" is not filled in: it shows as it stands in frmSurvey",
                    "10: frmSurvey/Title: \"%-3s\" is not filled in: it shows as it stands in frmSurvey"});
    ExpectFindings(dir.Write("Valedict.ini", Join(FeedbackLines, {{10, "Title=Help us improve"}})),
                   {"10: frmSurvey/Title: holds 0 \"%s\" where frmSurvey fills in one value"});
}

TEST(KxLint, ReportsCutValuesAndWhatRepeats) {
    test::TempDir dir;
    std::string wide;
    for (int i = 0; i < 2047; ++i) wide += "\xE4\xB8\xAD";  // one UTF-16 unit each, three bytes
    std::vector<std::string> lines = LauncherLines;
    lines.push_back("[FRMMAIN]");             // 32
    lines.push_back("lblHistory=(History)");  // 33
    const std::string file = dir.Write("Main.txt", "\xEF\xBB\xBF" + Join(lines, {
        {5, "LBLHOMEPAGE = Again"},
        {11, "copyright=" + std::string(2048, 'x')},
        {13, "support=" + wide},
    }));
    ExpectFindings(file, {
        "1: frmMain/lblHistory: missing; frmMain shows \"1.1\"",
        "5: frmMain/LBLHOMEPAGE: repeats the key of line 3; only the first is read",
        "11: frmAbout/copyright: value is 2048 characters long; the reader keeps only the first 2047",
        "32: [FRMMAIN]: repeats the section of line 1; only the first is read",
    });
}

TEST(KxLint, FindsEverySkinBitmapTheLauncherWouldMiss) {
    test::TempDir dir;
    const std::vector<std::string> main = {
        "Main.bmp", "btnClose_Normal.bmp", "btnClose_On.bmp", "btnClose_Down.bmp", "btnClose_Disable.bmp",
        "btnEasyCut_Normal.bmp", "btnEasyCut_On.bmp", "btnEasyCut_Down.bmp", "btnBatchCut_Normal.bmp",
        "btnBatchCut_On.bmp", "btnBatchCut_Down.bmp", "btnAdvancedCut_Normal.bmp", "btnAdvancedCut_On.bmp",
        "btnAdvancedCut_Down.bmp", "btnHomepage_Normal.bmp", "btnHomepage_On.bmp", "btnHomepage_Down.bmp",
        "btnReg_Normal.bmp", "btnReg_On.bmp", "btnReg_Down.bmp"};
    const std::vector<std::string> about = {
        "Main.bmp", "btnClose_Normal.bmp", "btnClose_On.bmp", "btnClose_Down.bmp", "btnClose_Disable.bmp",
        "btnOK_Normal.bmp", "btnOK_On.bmp", "btnOK_Down.bmp", "btnOK_Disable.bmp"};
    const std::vector<std::uint8_t> bitmap = test::BitmapFileBytes({}, 2 * 12);
    for (const std::string& name : main) dir.WriteBytes("Skin\\Main\\" + name, bitmap);
    for (const std::string& name : about) dir.WriteBytes("Skin\\About\\" + name, bitmap);

    const std::string language = dir.Write("Lang\\Main.txt", Join(LauncherLines));
    ExpectClean(language, {"--program-folder", dir.Path()});

    os::RemoveFile(dir.File("Skin\\Main\\btnReg_Down.bmp"));
    os::RemoveFile(dir.File("Skin\\About\\btnOK_Disable.bmp"));
    dir.Write("Skin\\About\\Main.bmp", "not a picture");
    // Judged as the programs judge them when they load: cut short, or claiming more than it holds.
    dir.WriteBytes("Skin\\Main\\Main.bmp", test::BitmapFileBytes({}, 2 * 12 - 1));
    dir.WriteBytes("Skin\\Main\\btnClose_On.bmp", test::BitmapFileBytes({.Width = 4000, .Height = 3000}, 2 * 12));
    // Pixels where the colour table or the masks should be.
    dir.WriteBytes("Skin\\Main\\btnClose_Down.bmp",
                   test::BitmapFileBytesWithoutTable({.Width = 64, .Height = 64, .BitCount = 8}, 64 * 64));
    dir.WriteBytes("Skin\\About\\btnOK_On.bmp",
                   test::BitmapFileBytes({.Width = 64, .Height = 64, .BitCount = 32, .Compression = 3}, 64 * 64 * 4));
    ExpectFindings(language, {
        "7: frmMain/ImagePath: skin bitmap \"Skin\\Main\\Main.bmp\" that frmMain loads is not a bitmap",
        "7: frmMain/ImagePath: skin bitmap \"Skin\\Main\\btnClose_On.bmp\" that frmMain loads is not a bitmap",
        "7: frmMain/ImagePath: skin bitmap \"Skin\\Main\\btnClose_Down.bmp\" that frmMain loads is not a bitmap",
        "7: frmMain/ImagePath: skin bitmap \"Skin\\Main\\btnReg_Down.bmp\" that frmMain (About link) loads is missing",
        "7: frmMain/ImagePath: skin bitmap \"Skin\\About\\Main.bmp\" that frmAbout loads is not a bitmap",
        "7: frmMain/ImagePath: skin bitmap \"Skin\\About\\btnOK_On.bmp\" that frmAbout loads is not a bitmap",
        "7: frmMain/ImagePath: skin bitmap \"Skin\\About\\btnOK_Disable.bmp\" that frmAbout loads is missing",
    }, {"--program-folder", dir.Path()});

    // A wrong skin folder name: every picture is missing; no name at all is reported once.
    const std::string other = dir.Write("Other\\Main.txt", Join(LauncherLines, {{7, "ImagePath=Skins"}}));
    EXPECT_EQ(RunLint(other, {"--program-folder", dir.Path()}).Findings.size(), main.size() + about.size());
    ExpectFindings(dir.Write("None\\Main.txt", Join(LauncherLines, {{7, "ImagePath="}})),
                   {"7: frmMain/ImagePath: empty; frmMain, frmAbout show \"???\""}, {"--program-folder", dir.Path()});
    ExpectClean(dir.Write("Valedict.dat", Join(FeedbackLines)), {"--program-folder", dir.Path()});
}

TEST(KxLint, GoesByTheFileNameWithoutAProgram) {
    test::TempDir dir;
    ExpectClean(dir.Write("VALEDICT.TXT", Join(FeedbackLines)));
    const Lint asLauncher = RunLint(dir.Write("Texts.txt", Join(FeedbackLines)));
    EXPECT_EQ(asLauncher.ExitCode, 1);
    ASSERT_FALSE(asLauncher.Findings.empty());
    EXPECT_EQ(asLauncher.Findings[0], "0: frmMain/Title: missing, and so is its section; frmMain shows \"1.1\"");
}

TEST(KxLint, RefusesWhatItCannotReadWithExitCodeTwo) {
    test::TempDir dir;
    std::vector<std::uint8_t> noise(4096);
    std::mt19937 random(7);
    for (auto& b : noise) b = static_cast<std::uint8_t>(random());
    const std::string plain = dir.Write("Main.txt", Join(LauncherLines));
    const struct {
        std::string file;
        std::vector<std::string> options;
        std::string message;
    } cases[] = {
        {dir.WriteBytes("Noise.dat", noise), {}, ": neither INI text nor a scrambled INI text"},
        {dir.Write("Empty.txt", ""), {}, ": the file is empty"},
        {dir.Write("NoSection.txt", "; only a comment\r\nTitle=x\r\n"), {}, ": neither INI text nor a scrambled INI text"},
        {dir.Path(), {}, ": is a folder, not a file"},
        {dir.File("Missing.txt"), {}, ": no such file"},
        {plain, {"--scrambled"}, ": does not unscramble into INI text"},
    };
    for (const auto& c : cases) {
        const Lint lint = RunLint(c.file, c.options);
        EXPECT_EQ(lint.ExitCode, 2) << c.file;
        EXPECT_EQ(lint.Findings, std::vector<std::string>{}) << c.file;
        EXPECT_EQ(lint.Err, "kxlint: " + c.file + c.message + "\n");
    }
    EXPECT_EQ(RunLint(plain, {"--program", "setup"}).ExitCode, 2);
    EXPECT_EQ(RunLint(plain, {"--program-folder", dir.File("nowhere")}).ExitCode, 2);
    EXPECT_EQ(test::RunProgramCapture(Tool, {}).ExitCode, 2);
}

TEST(LanguageKeyTable, AnswersAsTheReaderDoesAndHoldsEachKeyOnce) {
    const LanguageKey* help = FindLanguageKey(IniFileKind::PorticoLanguage, "Product", "ProductHelpPage ");
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(help->Key.Name, "ProductHelpPage");
    EXPECT_EQ(FindLanguageKey(IniFileKind::PorticoLanguage, " product ", "product short name")->Key.Name,
              "Product short Name");
    EXPECT_EQ(FindLanguageKey(IniFileKind::ValedictLanguage, "Product", "Product short Name"), nullptr);

    std::set<std::tuple<IniFileKind, std::string, std::string>> seen;
    std::set<std::string> templates;
    for (const LanguageKey& key : LanguageKeys()) {
        EXPECT_TRUE(seen.emplace(key.Key.File, LowerAscii(key.Key.Section), LowerAscii(key.Key.Name)).second)
            << key.Key.Section << "/" << key.Key.Name;
        if (key.Fills > 0)
            templates.insert(std::string(key.Key.Name) + (key.CollapsesPercent ? " collapses" : ""));
    }
    EXPECT_EQ(templates, (std::set<std::string>{"HasNewVerson", "VersionTip", "FreeVersionTip", "Title collapses"}));
}

}  // namespace
}  // namespace kx
