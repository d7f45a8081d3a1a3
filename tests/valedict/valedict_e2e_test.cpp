// The real Valedict.exe in a temporary installation, driven from outside through window
// messages as the uninstaller's user would drive it.
#include "DllLoading.h"
#include "FeedbackPost.h"
#include "FileEncryptUnit.h"
#include "Gui.h"
#include "LoopbackServer.h"
#include "Os.h"
#include "Process.h"
#include "TempDir.h"
#include "Text.h"
#include "ValedictTexts.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <random>
#include <thread>

namespace kx::valedict {
namespace {

using namespace std::chrono_literals;
constexpr auto WindowWait = 20s;

const char* ProductText = "[Product]\r\nProduct short Name=Kestrix\r\nCompany Name=Kestrix Software\r\n";

struct InstalledProgram {
    test::TempDir folder;
    std::string Program;
    std::string ProductFile;
    InstalledProgram() {
        Program = folder.File("Valedict.exe");
        EXPECT_TRUE(CopyFileW(ToWide(test::BinaryFolder() + "Valedict.exe").c_str(), ToWide(Program).c_str(), FALSE));
        test::MakeDirectories(folder.File("Lang"));
        folder.Write("Lang\\Valedict.dat", testing::LanguageText());
        ProductFile = folder.Write("Product.txt", ProductText);
    }
};

// With KX_VALEDICT_SCREENSHOTS naming a folder, the windows are saved there as the test meets them.
void Keep(HWND window, const std::string& name) {
    const std::string folder = os::EnvironmentVariable("KX_VALEDICT_SCREENSHOTS");
    if (folder.empty() || !window) return;
    std::this_thread::sleep_for(300ms);  // let it paint
    test::CaptureWindow(window, folder + "\\" + name + ".bmp");
}

// The next message box of the program: its text, after which its OK button is pressed.
std::string AnswerBox(const test::ChildProgram& child) { return test::AnswerMessageBox(child.ProcessId()); }

// Opens the survey from the prompt, types both fields, submits and confirms; the survey window.
HWND SubmitSurvey(const test::ChildProgram& child, HWND prompt, const wchar_t* text, const wchar_t* email) {
    test::PressButton(test::FindChild(prompt, test::DrawnButtonClass, "Take Survey"));
    HWND survey = child.WaitForWindow("Help us improve Kestrix", WindowWait);
    if (!survey) return nullptr;
    SendMessageW(test::FindChild(survey, "RICHEDIT50W"), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
    SendMessageW(test::FindChild(survey, "Edit"), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(email));
    test::PressButton(test::FindChild(survey, "Button", "Submit"));
    EXPECT_EQ(AnswerBox(child), "Send the survey now?");
    return survey;
}

// Exit code of a program that must end without ever showing a window.
int ExitCodeWithoutWindow(test::ChildProgram& child, bool& showedWindow) {
    showedWindow = false;
    for (int i = 0; i < 1000; ++i) {
        if (!child.VisibleWindows().empty()) showedWindow = true;
        const int code = child.WaitForExit(20ms);
        if (code != -1) return code;
    }
    return -1;
}

TEST(ValedictProgram, UninstallButtonGivesZeroAndTheCloseButtonOne) {
    const InstalledProgram install;
    {
        test::ChildProgram child(install.Program, {"0", install.ProductFile});
        HWND prompt = child.WaitForWindow("Kestrix Uninstall - Kestrix", WindowWait);
        ASSERT_NE(prompt, nullptr);
        test::PressButton(test::FindChild(prompt, test::DrawnButtonClass, "Uninstall"));
        EXPECT_EQ(child.WaitForExit(WindowWait), 0);
    }
    {
        test::ChildProgram child(install.Program, {"0", install.ProductFile});
        HWND prompt = child.WaitForWindow("Kestrix Uninstall - Kestrix", WindowWait);
        ASSERT_NE(prompt, nullptr);
        PostMessageW(prompt, WM_CLOSE, 0, 0);
        EXPECT_EQ(child.WaitForExit(WindowWait), 1);
    }
}

TEST(ValedictProgram, EnterRightAfterStartPressesTheHiddenOkButton) {
    const InstalledProgram install;
    test::ChildProgram child(install.Program, {"0", install.ProductFile});
    HWND prompt = child.WaitForWindow("Kestrix Uninstall - Kestrix", WindowWait);
    ASSERT_NE(prompt, nullptr);
    HWND ok = test::FindChild(prompt, test::DrawnButtonClass, "OK");
    ASSERT_NE(ok, nullptr);
    RECT r;
    GetWindowRect(ok, &r);
    POINT p{r.left, r.top};
    ScreenToClient(prompt, &p);
    EXPECT_EQ(p.x, 2480);  // far outside the visible client area
    PostMessageW(ok, WM_KEYDOWN, VK_RETURN, 1);
    PostMessageW(ok, WM_KEYUP, VK_RETURN, static_cast<LPARAM>(0xC0000001u));
    EXPECT_EQ(child.WaitForExit(WindowWait), 1);
}

// The text as the installer ships a scrambled product file.
std::vector<std::uint8_t> Scrambled(const std::string& text) {
    std::vector<std::uint8_t> scrambled(text.size());
    EXPECT_TRUE(EncodeBuffer(reinterpret_cast<const std::uint8_t*>(text.data()), static_cast<std::uint32_t>(text.size()),
                             scrambled.data(), static_cast<std::uint32_t>(scrambled.size()), SuiteCipherKey));
    return scrambled;
}

TEST(ValedictProgram, NoArgumentsOrNoProductFileEndsWithZeroAndShowsNothing) {
    const InstalledProgram install;
    const test::TempDir elsewhere;
    const std::vector<std::vector<std::string>> commandLines = {
        {},
        {"0", install.folder.File("Missing.txt")},
        {"1", install.folder.File("Missing.dat")},  // a scrambled file that is not there
        {"0", "Product.txt"},  // exists only relative to the program folder, not to the current one
    };
    for (const auto& arguments : commandLines) {
        test::ChildProgram child(install.Program, arguments, elsewhere.Path());
        bool showedWindow = true;
        EXPECT_EQ(ExitCodeWithoutWindow(child, showedWindow), 0) << arguments.size();
        EXPECT_FALSE(showedWindow) << arguments.size();
    }
}

// Unelevated, the scrambled product file is read from its decoded copy in the temporary folder.
// Elevated, as the uninstaller runs it, nothing is written or removed there: a file planted at
// the copy's name (a link to anywhere, say) stays as it was, and the texts come from memory.
TEST(ValedictProgram, AScrambledProductFileIsDecodedToTheTemporaryFolderOnlyWhenNotElevated) {
    const InstalledProgram install;
    const test::TempDir temporary;
    const std::string plain(ProductText);
    const std::vector<std::uint8_t> scrambled = Scrambled(plain);
    const std::string scrambledFile = install.folder.WriteBytes("Shipped.dat", scrambled);
    const std::vector<std::string> environment = {"TEMP=" + temporary.Path(), "TMP=" + temporary.Path()};
    const std::string planted = "[Product]\r\nProduct short Name=Planted\r\n";
    temporary.Write("Shipped.txt", planted);
    {
        test::ChildProgram child(install.Program, {"1", scrambledFile}, "", environment);
        HWND prompt = child.WaitForWindow("Kestrix Uninstall", WindowWait);
        ASSERT_NE(prompt, nullptr);
        EXPECT_EQ(test::WindowText(prompt), "Kestrix Uninstall - Kestrix");
        PostMessageW(prompt, WM_CLOSE, 0, 0);
        EXPECT_EQ(child.WaitForExit(WindowWait), 1);
        EXPECT_EQ(test::ReadText(temporary.File("Shipped.txt")), planted);
    }
    {
        test::ChildProgram child(install.Program, {"1", scrambledFile}, "", environment, test::Rights::Limited);
        HWND prompt = child.WaitForWindow("Kestrix Uninstall", WindowWait);
        ASSERT_NE(prompt, nullptr);
        EXPECT_EQ(test::WindowText(prompt), "Kestrix Uninstall - Kestrix");
        EXPECT_EQ(test::ReadText(temporary.File("Shipped.txt")), plain);
        PostMessageW(prompt, WM_CLOSE, 0, 0);
        EXPECT_EQ(child.WaitForExit(WindowWait), 1);
    }
    // Any other marker, even " 1" or "01", reads the scrambled bytes as they are: no short name.
    for (const std::string marker : {" 1", "01"}) {
        test::ChildProgram child(install.Program, {marker, scrambledFile}, "", environment);
        HWND prompt = child.WaitForWindow("Kestrix Uninstall", WindowWait);
        ASSERT_NE(prompt, nullptr);
        EXPECT_EQ(test::WindowText(prompt), "Kestrix Uninstall") << marker;
        PostMessageW(prompt, WM_CLOSE, 0, 0);
        EXPECT_EQ(child.WaitForExit(WindowWait), 1);
    }
}

// The prompt's caption once it shows, after which it is closed; the exit code must be 1.
std::string PromptCaption(const InstalledProgram& install, const std::vector<std::string>& arguments,
                          const std::vector<std::string>& environment) {
    test::ChildProgram child(install.Program, arguments, "", environment);
    HWND prompt = child.WaitForWindow("", WindowWait);
    if (!prompt) return "(no prompt)";
    const std::string caption = test::WindowText(prompt);
    PostMessageW(prompt, WM_CLOSE, 0, 0);
    EXPECT_EQ(child.WaitForExit(WindowWait), 1) << caption;
    return caption;
}

TEST(ValedictProgram, OddlyNamedAndDamagedFilesStillGiveThePromptWithItsMarkers) {
    InstalledProgram install;
    const test::TempDir temporary;
    const std::vector<std::string> environment = {"TEMP=" + temporary.Path(), "TMP=" + temporary.Path()};
    const std::string plain(ProductText);
    const std::vector<std::uint8_t> scrambled = Scrambled(plain);
    // Blanks, letters beyond ASCII and no extension, in the folder and in the name.
    test::MakeDirectories(install.folder.File("Dossier \u00fc \u6f22"));
    const std::string oddScrambled = install.folder.WriteBytes("Dossier \u00fc \u6f22\\Kestrix Produkt", scrambled);
    EXPECT_EQ(PromptCaption(install, {"1", oddScrambled}, environment), "Kestrix Uninstall - Kestrix");
    const std::string oddPlain = install.folder.Write("Dossier \u00fc \u6f22\\Produkt \u00e9", plain);
    EXPECT_EQ(PromptCaption(install, {"0", oddPlain}, environment), "Kestrix Uninstall - Kestrix");

    std::mt19937 random(4);
    std::vector<std::uint8_t> noise(64 << 10);
    for (auto& b : noise) b = static_cast<std::uint8_t>(random());
    const std::string noiseFile = install.folder.WriteBytes("Noise.dat", noise);
    EXPECT_EQ(PromptCaption(install, {"0", noiseFile}, environment), "Kestrix Uninstall");
    EXPECT_EQ(PromptCaption(install, {"1", noiseFile}, environment), "Kestrix Uninstall");

    // A language file of noise reads no text at all; one with a NUL and a 10 MiB line before
    // its sections reads every text.
    install.folder.WriteBytes("Lang\\Valedict.dat", noise);
    EXPECT_EQ(PromptCaption(install, {"0", install.ProductFile}, environment), "Error - Kestrix");
    install.folder.Write("Lang\\Valedict.dat",
                         std::string(10 << 20, '=') + std::string("\0\r\n", 3) + testing::LanguageText());
    EXPECT_EQ(PromptCaption(install, {"0", install.ProductFile}, environment), "Kestrix Uninstall - Kestrix");
}

TEST(ValedictProgram, AWholeSurveyReachesTheFeedbackServerByteForByteAndTheCloseButtonStillGivesOne) {
    const InstalledProgram install;
    test::LoopbackServer server(test::reply::Status(200));
    test::ChildProgram child(install.Program, {"0", install.ProductFile}, "",
                             {"KESTRIX_FEEDBACK_SERVER=127.0.0.1:" + std::to_string(server.Port())});
    HWND prompt = child.WaitForWindow("Kestrix Uninstall - Kestrix", WindowWait);
    ASSERT_NE(prompt, nullptr);
    Keep(prompt, "valedict-prompt");
    test::PressButton(test::FindChild(prompt, test::DrawnButtonClass, "Take Survey"));
    HWND survey = child.WaitForWindow("Help us improve Kestrix", WindowWait);
    ASSERT_NE(survey, nullptr);
    HWND text = test::FindChild(survey, "RICHEDIT50W");
    HWND email = test::FindChild(survey, "Edit");
    ASSERT_NE(text, nullptr);
    ASSERT_NE(email, nullptr);
    const std::wstring typed = L"\x4E2D a&b+c*#%[]\r\n\xD83D\xDE00 <br>";
    SendMessageW(text, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(typed.c_str()));
    SendMessageW(email, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L" me@example.com"));
    Keep(survey, "valedict-survey");
    test::PressButton(test::FindChild(survey, "Button", "Submit"));

    EXPECT_EQ(AnswerBox(child), "Send the survey now?");
    Keep(child.WaitForWindow("Sending your survey", 5s), "valedict-wait");
    EXPECT_EQ(AnswerBox(child), "Thank you! Your survey has been sent.");
    for (int i = 0; i < 500 && IsWindow(survey); ++i) std::this_thread::sleep_for(20ms);
    EXPECT_FALSE(IsWindow(survey));  // closed after the success, back to the prompt
    EXPECT_TRUE(IsWindowVisible(prompt));

    ASSERT_EQ(server.Requests().size(), 1u);
    const std::string body =
        "myaddress=%20me@example.com"
        "&subject=Uninstall%20Survey%20For%20Kestrix"
        "&content=%E4%B8%AD%20a%26b%2Bc%2A%23%25%5B%5D%3Cbr%3E%F0%9F%98%80%20%3Cbr%3E";
    EXPECT_EQ(server.Requests()[0],
              test::ExpectedFeedbackPost("127.0.0.1:" + std::to_string(server.Port()), body));

    PostMessageW(prompt, WM_CLOSE, 0, 0);
    EXPECT_EQ(child.WaitForExit(WindowWait), 1);
}

TEST(ValedictProgram, ACancelledSurveyIsNeverSentThoughANewSurveyOpensAtOnce) {
    const InstalledProgram install;
    test::LoopbackServer server(test::reply::Status(200));
    test::ChildProgram child(install.Program, {"0", install.ProductFile}, "",
                             {"KESTRIX_FEEDBACK_SERVER=127.0.0.1:" + std::to_string(server.Port())});
    HWND prompt = child.WaitForWindow("Kestrix Uninstall - Kestrix", WindowWait);
    ASSERT_NE(prompt, nullptr);
    HWND survey = SubmitSurvey(child, prompt, L"Cancelled words", L"me@example.com");
    ASSERT_NE(survey, nullptr);
    HWND wait = child.WaitForWindow("Sending your survey", 5s);
    ASSERT_NE(wait, nullptr);
    // A quick user: cancel, close the survey and open a new one, all within a moment.
    test::PressButton(test::FindChild(wait, "Button", "Cancel"));
    PostMessageW(survey, WM_CLOSE, 0, 0);
    test::PressButton(test::FindChild(prompt, test::DrawnButtonClass, "Take Survey"));
    for (int i = 0; i < 1000 && IsWindow(survey); ++i) std::this_thread::sleep_for(20ms);
    ASSERT_FALSE(IsWindow(survey));
    HWND again = child.WaitForWindow("Help us improve Kestrix", WindowWait);
    ASSERT_NE(again, nullptr);

    // Well past the cancelled submission's start timer: nothing sent, nothing reported over
    // the new survey, which stays open and empty.
    EXPECT_FALSE(server.WaitForRequests(1, 3s));
    EXPECT_EQ(child.WaitForWindow("", 100ms, L"#32770"), nullptr);
    EXPECT_TRUE(IsWindowVisible(again));
    EXPECT_EQ(test::ControlText(test::FindChild(again, "RICHEDIT50W")), "");
    PostMessageW(again, WM_CLOSE, 0, 0);
    for (int i = 0; i < 500 && IsWindow(again); ++i) std::this_thread::sleep_for(20ms);
    PostMessageW(prompt, WM_CLOSE, 0, 0);
    EXPECT_EQ(child.WaitForExit(WindowWait), 1);
    EXPECT_EQ(server.Requests().size(), 0u);
}

TEST(ValedictProgram, AFailedPostIsReportedAndTheSurveyStaysOpen) {
    const InstalledProgram install;
    const int port = test::UnusedPort();
    test::ChildProgram child(install.Program, {"0", install.ProductFile}, "",
                             {"KESTRIX_FEEDBACK_SERVER=127.0.0.1:" + std::to_string(port)});
    HWND prompt = child.WaitForWindow("Kestrix Uninstall - Kestrix", WindowWait);
    ASSERT_NE(prompt, nullptr);
    HWND survey = SubmitSurvey(child, prompt, L"Slow start", L"me@example.com");
    ASSERT_NE(survey, nullptr);
    EXPECT_EQ(AnswerBox(child), "Sorry, the survey could not be sent.");
    std::this_thread::sleep_for(200ms);
    EXPECT_TRUE(IsWindowVisible(survey));
    EXPECT_EQ(test::ControlText(test::FindChild(survey, "RICHEDIT50W")), "Slow start");
    EXPECT_EQ(test::ControlText(test::FindChild(survey, "Edit")), "me@example.com");
    PostMessageW(survey, WM_CLOSE, 0, 0);
    for (int i = 0; i < 500 && IsWindow(survey); ++i) std::this_thread::sleep_for(20ms);
    test::PressButton(test::FindChild(prompt, test::DrawnButtonClass, "Uninstall"));
    EXPECT_EQ(child.WaitForExit(WindowWait), 0);
}

TEST(ValedictProgram, TheShellTheRichEditAndWinsockLoadOnlyWhenTheyAreFirstNeeded) {
    const InstalledProgram install;
    test::ChildProgram child(install.Program, {"0", install.ProductFile});
    HWND prompt = child.WaitForWindow("Kestrix Uninstall - Kestrix", WindowWait);
    ASSERT_NE(prompt, nullptr);
    for (const char* late : {"shell32.dll", "msftedit.dll", "ws2_32.dll", "wininet.dll"})
        EXPECT_FALSE(child.HasLoaded(late)) << late << " loaded before the prompt was used";
    test::PressButton(test::FindChild(prompt, test::DrawnButtonClass, "Take Survey"));
    ASSERT_NE(child.WaitForWindow("Help us improve Kestrix", WindowWait), nullptr);
    EXPECT_TRUE(child.HasLoaded("msftedit.dll"));
    EXPECT_FALSE(child.HasLoaded("ws2_32.dll"));  // not before a survey is sent
}

TEST(ValedictProgram, ImportsOnlyDllsThatTheLoaderNeverTakesFromTheProgramFolder) {
    EXPECT_EQ(test::ImportsOffTheKnownDllList(test::BinaryFolder() + "Valedict.exe"), std::vector<std::string>{});
}

// Windows 7 is among the systems the manifest claims, with or without its updates.
TEST(ValedictProgram, ImportsNothingThatWindows7LacksWithoutItsUpdates) {
    EXPECT_EQ(test::ImportsMissingFromWindows7(test::BinaryFolder() + "Valedict.exe"), std::vector<std::string>{});
}

// The uninstaller runs Valedict with administrator rights from the installation folder.
TEST(ValedictProgram, DllsPlantedBesideTheProgramAreNeverLoaded) {
    const InstalledProgram install;
    const test::PlantedLibraries planted(test::BinaryFolder(), install.Program,
                                         {"msftedit.dll", "msimg32.dll", "uxtheme.dll"});
    // The planted files also lie in the current folder.
    test::ChildProgram child(install.Program, {"0", install.ProductFile}, install.folder.Path());
    HWND prompt = child.WaitForWindow("Kestrix Uninstall - Kestrix", WindowWait);
    EXPECT_EQ(planted.Loaded(), std::vector<std::string>{});
    ASSERT_NE(prompt, nullptr);
    test::PressButton(test::FindChild(prompt, test::DrawnButtonClass, "Take Survey"));
    HWND survey = child.WaitForWindow("Help us improve Kestrix", WindowWait);
    ASSERT_NE(survey, nullptr);
    EXPECT_NE(test::FindChild(survey, "RICHEDIT50W"), nullptr);  // the system's rich edit
    EXPECT_EQ(planted.Loaded(), std::vector<std::string>{});
}

}  // namespace
}  // namespace kx::valedict
