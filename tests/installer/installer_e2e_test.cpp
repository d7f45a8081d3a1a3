// The real setup program and its uninstaller, each case in a fresh folder: what a silent
// install writes, how a setup run again meets the installation and its running programs, and
// how the uninstaller follows Valedict's answer, driven from outside through window messages
// as the user would drive it.
#include "FeedbackPost.h"
#include "FileEncryptUnit.h"
#include "Global.h"
#include "Gui.h"
#include "LoopbackServer.h"
#include "Os.h"
#include "Process.h"
#include "Scoped.h"
#include "TempDir.h"
#include "Text.h"

#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <thread>

namespace kx::installer {
namespace {

using namespace std::chrono_literals;
constexpr auto WindowWait = 20s;
constexpr auto ProgramWait = 60s;
constexpr int ExitCancelled = 1;
constexpr int ExitIncomplete = 2;  // the uninstaller's
constexpr int ExitSetupFailed = 2;
const wchar_t* const UninstallKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kestrix";
const char* const PromptCaption = "Kestrix Uninstall - Kestrix";

// The box of the running check, shown by "Setup" or "Uninstall": the launcher is closed on
// Retry, any other program is closed by the user.
std::string RunningText(const std::string& program, const std::string& shownBy) {
    return program + " is running, and Kestrix " + shownBy + " cannot go on until it is closed.\r\n\r\n" +
           (program == "Portico.exe" ? "Press Retry to close Portico.exe and go on, or press Cancel to quit."
                                     : "Close " + program + ", then press Retry, or press Cancel to quit.");
}

std::optional<std::string> RegistryText(const wchar_t* name) {
    wchar_t value[2048];
    DWORD size = sizeof value;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, UninstallKey, name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return FromWide(value);
}

std::optional<DWORD> RegistryNumber(const wchar_t* name) {
    DWORD value = 0, size = sizeof value;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, UninstallKey, name, RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return value;
}

bool UninstallKeyExists() {
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, UninstallKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

std::string ShortcutPath() {
    PWSTR folder = nullptr;
    SHGetKnownFolderPath(FOLDERID_CommonPrograms, 0, nullptr, &folder);
    const std::string path = FromWide(folder ? folder : L"") + "\\Kestrix.lnk";
    CoTaskMemFree(folder);
    return path;
}

struct Shortcut {
    std::string Target, WorkingFolder;
};

std::optional<Shortcut> ReadShortcut(const std::string& path) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    std::optional<Shortcut> result;
    IShellLinkW* link = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&link)))) {
        IPersistFile* file = nullptr;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            wchar_t target[MAX_PATH] = {}, folder[MAX_PATH] = {};
            if (SUCCEEDED(file->Load(ToWide(path).c_str(), STGM_READ)) &&
                SUCCEEDED(link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH)) &&
                SUCCEEDED(link->GetWorkingDirectory(folder, MAX_PATH)))
                result = Shortcut{FromWide(target), FromWide(folder)};
            file->Release();
        }
        link->Release();
    }
    CoUninitialize();
    return result;
}

// GCC 12 gives a false -Wrestrict warning for "\"" + text; appending avoids it.
std::string Quoted(const std::string& text) {
    std::string quoted(1, '"');
    quoted += text;
    quoted += '"';
    return quoted;
}

std::filesystem::path FsPath(const std::string& path) { return std::filesystem::path(ToWide(path)); }

// Every file under the folder, relative to it, sorted; empty when there is no folder.
std::vector<std::string> FilesUnder(const std::string& folder) {
    std::vector<std::string> files;
    std::error_code error;
    for (auto it = std::filesystem::recursive_directory_iterator(FsPath(folder), error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error))
        if (it->is_regular_file()) files.push_back(FromWide(it->path().lexically_relative(FsPath(folder)).wstring()));
    std::sort(files.begin(), files.end());
    return files;
}

void WriteText(const std::string& path, const std::string& text) {
    os::WriteFileBytes(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

bool SameBytes(const std::string& a, const std::string& b) {
    return os::FileExists(a) && os::FileExists(b) && os::ReadFileBytes(a) == os::ReadFileBytes(b);
}

// A version resource string of the first language the file lists.
std::string VersionString(const std::vector<std::uint8_t>& info, const std::string& name) {
    struct Translation {
        WORD Language, CodePage;
    }* translation = nullptr;
    UINT size = 0;
    if (!VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &size) ||
        size < sizeof *translation)
        return "(no translation)";
    wchar_t block[64];
    swprintf(block, 64, L"\\StringFileInfo\\%04x%04x\\", translation->Language, translation->CodePage);
    wchar_t* value = nullptr;
    if (!VerQueryValueW(info.data(), (block + ToWide(name)).c_str(), reinterpret_cast<void**>(&value), &size))
        return "(missing)";
    return FromWide(value);
}

// One installation, made by a silent run of the setup program into a fresh folder whose name
// has a blank and a letter beyond ASCII. Whatever the case leaves registered there is removed
// afterwards, so that the next case starts clean.
class Installation {
public:
    Installation() {
        Folder = root_.File("Program Files\\Kes trix \u00fc");
        test::MakeDirectories(Temp());
        Installed = StartSetup("/S /D=" + Folder)->WaitForExit(ProgramWait) == 0;
    }
    ~Installation() {
        if (RegistryText(L"InstallLocation") == Folder) {
            RegDeleteKeyW(HKEY_LOCAL_MACHINE, UninstallKey);
            os::RemoveFile(ShortcutPath());
        }
    }
    std::string File(const std::string& name) const { return Folder + "\\" + name; }
    std::string Temp() const { return root_.File("temp\\"); }

    // The setup program with the user's temporary folder. "/D=" takes the rest of the command
    // line as it stands, blanks and all, never quoted.
    std::unique_ptr<test::ChildProgram> StartSetup(const std::string& options) const {
        return std::make_unique<test::ChildProgram>(
            test::CommandLine{Quoted(test::BinaryFolder() + "KestrixSetup.exe") + " " + options}, "", Environment());
    }

    // The user's private temporary folder, so that what Valedict decodes there is seen.
    std::vector<std::string> Environment(std::vector<std::string> more = {}) const {
        more.push_back("TEMP=" + Temp());
        more.push_back("TMP=" + Temp());
        return more;
    }

    // The uninstaller as the engine runs its own copy: from outside the folder, told where the
    // installation is ("_?=", always last), so that the test can wait for it and read its exit code.
    std::unique_ptr<test::ChildProgram> StartUninstaller(std::vector<std::string> environment = {},
                                                         const std::string& options = "") const {
        const std::string copy = root_.File("Uninstall.exe");
        CopyFileW(ToWide(File("Uninstall.exe")).c_str(), ToWide(copy).c_str(), FALSE);
        return std::make_unique<test::ChildProgram>(test::CommandLine{Quoted(copy) + " " + options + "_?=" + Folder}, "",
                                                    Environment(std::move(environment)));
    }

    std::string Folder;  // as the installer knows it: no trailing backslash
    bool Installed = false;

private:
    test::TempDir root_;
};

const std::vector<std::string> ProgramFiles = {
    "Anvilry.exe", "Bargello.exe", "Freshen.exe", "Murmur.exe", "Portico.exe",
    "Snipwell.exe", "Trundle.exe", "Uninstall.exe", "Valedict.exe",
};
const std::vector<std::string> LanguageFiles = {"Lang\\Main.dat", "Lang\\Product.dat", "Lang\\Valedict.dat"};

// The scrambled file's text, decoded as the programs decode it, read as INI.
std::string ScrambledValue(const Installation& install, const std::string& file, const char* section,
                           const char* key) {
    const std::string plain = install.Temp() + "check.txt";
    if (!DecodeFile(install.File(file), plain, SuiteCipherKey)) return "(not decoded)";
    return IniReader(plain).ReadText(section, key, "(missing)");
}

void ExpectEverythingInstalled(const Installation& install) {
    const std::vector<std::string> files = FilesUnder(install.Folder);
    for (const auto& expected : {ProgramFiles, LanguageFiles})
        for (const std::string& name : expected)
            EXPECT_TRUE(std::binary_search(files.begin(), files.end(), name)) << name;
    EXPECT_TRUE(os::FileExists(install.File("Skin\\Main\\Main.bmp")));
    EXPECT_TRUE(os::FileExists(install.File("Skin\\About\\Main.bmp")));
    EXPECT_EQ(RegistryText(L"InstallLocation"), install.Folder);
    EXPECT_TRUE(os::FileExists(ShortcutPath()));
}

using Contents = std::map<std::string, std::vector<std::uint8_t>>;

// Every installed file's bytes, by its name relative to the installation.
Contents ContentsOf(const Installation& install) {
    Contents contents;
    for (const std::string& name : FilesUnder(install.Folder)) contents[name] = os::ReadFileBytes(install.File(name));
    return contents;
}

// The files whose bytes are not those noted, or that came or went since.
std::vector<std::string> ChangedFiles(const Installation& install, const Contents& noted) {
    const Contents now = ContentsOf(install);
    std::vector<std::string> changed;
    for (const auto& [name, bytes] : noted)
        if (auto it = now.find(name); it == now.end() || it->second != bytes) changed.push_back(name);
    for (const auto& [name, bytes] : now)
        if (!noted.count(name)) changed.push_back(name);
    return changed;
}

// Makes the installed files differ from what the setup packs, as an older version's would, and
// notes the version in the entry likewise.
void MakeInstallationOld(const Installation& install, const std::vector<std::string>& names) {
    for (const std::string& name : names) WriteText(install.File(name), "old " + name);
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, UninstallKey, L"DisplayVersion", REG_SZ, L"0.9", sizeof L"0.9");
}

// The programs but those that run; the launcher needs its texts and skin as they are.
std::vector<std::string> ProgramsBut(const std::vector<std::string>& running) {
    std::vector<std::string> programs;
    for (const std::string& name : ProgramFiles)
        if (std::find(running.begin(), running.end(), name) == running.end()) programs.push_back(name);
    return programs;
}

void ExpectNothingOfOursLeft(const Installation& install, const std::vector<std::string>& usersFiles) {
    EXPECT_EQ(FilesUnder(install.Folder), usersFiles);
    EXPECT_EQ(os::DirectoryExists(install.Folder), !usersFiles.empty());
    EXPECT_FALSE(UninstallKeyExists());
    EXPECT_FALSE(os::FileExists(ShortcutPath()));
}

// Valedict's prompt, shown by the uninstaller: its caption names the product, which proves that
// it decoded the product file the uninstaller handed it, in memory alone, as an elevated run.
HWND WaitForPrompt(const Installation& install) {
    HWND prompt = test::WaitForWindow(0, PromptCaption, WindowWait);
    EXPECT_NE(prompt, nullptr);
    EXPECT_FALSE(os::FileExists(install.Temp() + "Product.txt"));
    return prompt;
}

// The setup's or uninstaller's next message box, told from its own window (a dialog as well,
// holding its page, another); nullptr when none shows in time.
HWND WaitForBox(const test::ChildProgram& program) {
    const auto end = std::chrono::steady_clock::now() + WindowWait;
    do {
        for (HWND window : program.VisibleWindows())
            if (test::ClassName(window) == "#32770" && !test::FindChild(window, "#32770")) return window;
        std::this_thread::sleep_for(50ms);
    } while (std::chrono::steady_clock::now() < end);
    return nullptr;
}

// The text of that box, after which the button is pressed.
std::string AnswerBox(const test::ChildProgram& program, UINT button = IDOK) {
    HWND box = WaitForBox(program);
    if (!box) return "(no message box)";
    const std::string text = test::ControlText(GetDlgItem(box, 0xFFFF));
    PostMessageW(GetDlgItem(box, static_cast<int>(button)), BM_CLICK, 0, 0);
    for (int i = 0; i < 200 && IsWindow(box) && IsWindowVisible(box); ++i) std::this_thread::sleep_for(20ms);
    return text;
}

// A command of the uninstall entry, run as the system's settings run it: the uninstaller hands
// over to its own copy in the temporary folder and ends at once, so the copy is watched. It is
// watched from outside the installation: a look into the folder at the wrong moment would
// keep the copy from removing it.
class RegisteredRun {
public:
    RegisteredRun(const Installation& install, const wchar_t* command)
        : install_(install),
          program_(test::CommandLine{RegistryText(command).value_or("(not registered)")}, "", install.Environment()) {
        EXPECT_EQ(program_.WaitForExit(ProgramWait), 0);
    }
    // Whether the copy ended in time; notes whether any window showed meanwhile.
    bool WaitForTheCopy(bool* windowShown = nullptr) const {
        const auto end = std::chrono::steady_clock::now() + ProgramWait;
        while (CopyRuns()) {
            if (windowShown && !test::VisibleWindows(0).empty()) *windowShown = true;
            if (std::chrono::steady_clock::now() > end) return false;
            std::this_thread::sleep_for(20ms);
        }
        return true;
    }

private:
    // A running program's file cannot be opened for writing.
    bool CopyRuns() const {
        // The copy's folder may be going while it is walked: then it is looked at again.
        std::error_code error;
        for (auto it = std::filesystem::recursive_directory_iterator(FsPath(install_.Temp()), error);
             !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
            if (it->path().extension() != L".exe") continue;
            if (!KernelHandle(CreateFileW(it->path().c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, 0, nullptr)))
                return true;
        }
        return static_cast<bool>(error);
    }

    const Installation& install_;
    test::ChildProgram program_;
};

TEST(Setup, ASilentInstallWritesTheProgramsTextsSkinShortcutAndUninstallEntry) {
    const Installation install;
    ASSERT_TRUE(install.Installed);
    ExpectEverythingInstalled(install);
    EXPECT_TRUE(SameBytes(install.File("Portico.exe"), test::BinaryFolder() + "Portico.exe"));
    EXPECT_TRUE(SameBytes(install.File("Valedict.exe"), test::BinaryFolder() + "Valedict.exe"));

    // The launcher's texts and the product file are scrambled; Valedict's texts are plain.
    const std::string skin = ScrambledValue(install, "Lang\\Main.dat", "frmMain", "ImagePath");
    EXPECT_TRUE(os::FileExists(install.File(skin + "\\Main\\Main.bmp"))) << skin;
    EXPECT_EQ(ScrambledValue(install, "Lang\\Product.dat", "Product", "Product short Name"), "Kestrix");
    EXPECT_EQ(IniReader(install.File("Lang\\Valedict.dat")).ReadText("Main", "Title", "(missing)"), "Kestrix Uninstall");

    const std::optional<Shortcut> shortcut = ReadShortcut(ShortcutPath());
    ASSERT_TRUE(shortcut.has_value());
    EXPECT_TRUE(EqualsIgnoreAsciiCase(shortcut->Target, install.File("Portico.exe"))) << shortcut->Target;
    EXPECT_TRUE(EqualsIgnoreAsciiCase(shortcut->WorkingFolder, install.Folder)) << shortcut->WorkingFolder;

    EXPECT_EQ(RegistryText(L"DisplayName"), "Kestrix");
    EXPECT_EQ(RegistryText(L"DisplayVersion"), KX_PROJECT_VERSION);
    EXPECT_EQ(RegistryText(L"Publisher"), "Kestrix");
    EXPECT_EQ(RegistryText(L"DisplayIcon"), install.File("Portico.exe"));
    EXPECT_EQ(RegistryText(L"InstallLocation"), install.Folder);
    EXPECT_EQ(RegistryText(L"UninstallString"), Quoted(install.File("Uninstall.exe")));
    EXPECT_EQ(RegistryText(L"QuietUninstallString"), Quoted(install.File("Uninstall.exe")) + " /S");
    EXPECT_EQ(RegistryNumber(L"NoModify"), 1u);
    EXPECT_EQ(RegistryNumber(L"NoRepair"), 1u);
    // Kilobytes of what was packed: every installed file but the uninstaller, rounded up each.
    std::uintmax_t bytes = 0;
    std::size_t packed = 0;
    for (const std::string& name : FilesUnder(install.Folder))
        if (name != "Uninstall.exe") {
            bytes += std::filesystem::file_size(FsPath(install.File(name)));
            ++packed;
        }
    const std::optional<DWORD> estimated = RegistryNumber(L"EstimatedSize");
    ASSERT_TRUE(estimated.has_value());
    EXPECT_GE(*estimated, bytes / 1024);
    EXPECT_LE(*estimated, bytes / 1024 + packed);

    const std::wstring setup = ToWide(test::BinaryFolder() + "KestrixSetup.exe");
    DWORD ignored = 0;
    std::vector<std::uint8_t> info(GetFileVersionInfoSizeW(setup.c_str(), &ignored));
    ASSERT_FALSE(info.empty());
    ASSERT_TRUE(GetFileVersionInfoW(setup.c_str(), 0, static_cast<DWORD>(info.size()), info.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT size = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &size));
    EXPECT_EQ(fixed->dwProductVersionMS, static_cast<DWORD>(KX_PROJECT_VERSION_MAJOR << 16 | KX_PROJECT_VERSION_MINOR));
    EXPECT_EQ(fixed->dwProductVersionLS, static_cast<DWORD>(KX_PROJECT_VERSION_PATCH << 16));
    EXPECT_EQ(fixed->dwFileVersionMS, fixed->dwProductVersionMS);
    EXPECT_EQ(VersionString(info, "ProductVersion"), KX_PROJECT_VERSION);
    EXPECT_EQ(VersionString(info, "FileVersion"), KX_PROJECT_VERSION);
    EXPECT_EQ(VersionString(info, "ProductName"), "Kestrix");
}

// The same setup run again, as an upgrade runs it: without "/D=" it goes where the entry says
// the installation is, and replaces every file it packs.
TEST(Setup, AnUpgradeGoesWhereTheInstallationIsAndReplacesEveryProgram) {
    const Installation install;
    ASSERT_TRUE(install.Installed);
    const Contents fresh = ContentsOf(install);
    MakeInstallationOld(install, FilesUnder(install.Folder));
    EXPECT_EQ(install.StartSetup("/S")->WaitForExit(ProgramWait), 0);
    EXPECT_EQ(ChangedFiles(install, fresh), std::vector<std::string>{});
    EXPECT_EQ(RegistryText(L"DisplayVersion"), KX_PROJECT_VERSION);
    ExpectEverythingInstalled(install);
}

// A running program keeps its file: the setup gives up before it writes anything rather than
// leave the installation half old, half new, and tells it by its exit code.
TEST(Setup, ASilentRunOverARunningLauncherGivesUpAndLeavesTheOldInstallationWhole) {
    const Installation install;
    ASSERT_TRUE(install.Installed);
    MakeInstallationOld(install, ProgramsBut({"Portico.exe"}));
    const Contents old = ContentsOf(install);
    test::ChildProgram portico(install.File("Portico.exe"), {}, install.Folder, install.Environment());
    ASSERT_NE(portico.WaitForWindow("", WindowWait), nullptr);
    EXPECT_EQ(install.StartSetup("/S /D=" + install.Folder)->WaitForExit(ProgramWait), ExitCancelled);
    EXPECT_EQ(ChangedFiles(install, old), std::vector<std::string>{});
    EXPECT_EQ(RegistryText(L"DisplayVersion"), "0.9");
    EXPECT_TRUE(portico.Running());
}

// A file held open by some other program is no running program, yet cannot be written either:
// the setup fails, and the upgrade is not registered, rather than skip the file.
TEST(Setup, AFileThatCannotBeWrittenFailsASilentRunInsteadOfBeingSkipped) {
    const Installation install;
    ASSERT_TRUE(install.Installed);
    MakeInstallationOld(install, {});
    KernelHandle file(CreateFileW(ToWide(install.File("Skin\\Main\\Main.bmp")).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                  nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(file);
    EXPECT_EQ(install.StartSetup("/S")->WaitForExit(ProgramWait), ExitSetupFailed);
    file.reset();
    EXPECT_EQ(RegistryText(L"DisplayVersion"), "0.9");
}

// The setup's own window: its Install button pressed once it shows.
HWND StartInstalling(const test::ChildProgram& setup) {
    HWND window = setup.WaitForWindow("Kestrix Setup", WindowWait, L"#32770");
    if (window) test::PressButton(GetDlgItem(window, IDOK));
    return window;
}

// A launcher that waits for a tool has hidden itself and cannot close before the tool: the
// tool is named first. Once only the launcher runs, Retry closes it and the setup goes on.
TEST(Setup, RunInteractivelyItNamesTheRunningProgramAndClosesAnIdleLauncherOnRetry) {
    const Installation install;
    ASSERT_TRUE(install.Installed);
    const Contents fresh = ContentsOf(install);
    MakeInstallationOld(install, ProgramsBut({"Portico.exe", "Snipwell.exe"}));
    test::ChildProgram portico(install.File("Portico.exe"), {}, install.Folder, install.Environment());
    HWND launcher = portico.WaitForWindow("", WindowWait);
    ASSERT_NE(launcher, nullptr);
    // The fast cutter's button, pressed in its middle.
    test::PressButton(ChildWindowFromPointEx(launcher, POINT{543 + 232 / 2, 181 + 182 / 2}, CWP_SKIPINVISIBLE));
    HWND tool = test::WaitForWindow(0, "Snipwell", WindowWait, L"KestrixSiblingStub");
    ASSERT_NE(tool, nullptr);
    ASSERT_TRUE(test::PumpUntil([&] { return !IsWindowVisible(launcher); }, WindowWait));
    const Contents old = ContentsOf(install);  // with the tool's log
    {
        const auto setup = install.StartSetup("/D=" + install.Folder);
        ASSERT_NE(StartInstalling(*setup), nullptr);
        EXPECT_EQ(AnswerBox(*setup, IDRETRY), RunningText("Snipwell.exe", "Setup"));
        EXPECT_EQ(AnswerBox(*setup, IDCANCEL), RunningText("Snipwell.exe", "Setup"));
        EXPECT_EQ(setup->WaitForExit(ProgramWait), ExitCancelled);
        EXPECT_EQ(ChangedFiles(install, old), std::vector<std::string>{});
        EXPECT_TRUE(portico.Running());
    }
    PostMessageW(tool, WM_CLOSE, 0, 0);
    ASSERT_TRUE(test::PumpUntil([&] { return IsWindowVisible(launcher) != FALSE; }, WindowWait));
    const auto setup = install.StartSetup("/D=" + install.Folder);
    HWND window = StartInstalling(*setup);
    ASSERT_NE(window, nullptr);
    HWND box = WaitForBox(*setup);
    ASSERT_NE(box, nullptr);
    test::SaveScreenshot(box, "setup-running");
    EXPECT_EQ(ChangedFiles(install, old), std::vector<std::string>{});  // nothing written while the box waits
    EXPECT_EQ(AnswerBox(*setup, IDRETRY), RunningText("Portico.exe", "Setup"));
    EXPECT_EQ(portico.WaitForExit(WindowWait), 0);
    HWND finish = GetDlgItem(window, IDOK);
    ASSERT_TRUE(test::PumpUntil([&] { return IsWindowEnabled(finish) && test::ControlText(finish) == "&Close"; },
                                ProgramWait));
    test::PressButton(finish);
    EXPECT_EQ(setup->WaitForExit(ProgramWait), 0);
    EXPECT_EQ(ChangedFiles(install, fresh), std::vector<std::string>{"Snipwell.log"});  // the tool's, not ours
}

TEST(Uninstaller, TheRegisteredCommandWithTheUninstallButtonRemovesEverythingInstalledButTheUsersFiles) {
    const Installation install;
    ASSERT_TRUE(install.Installed);
    // The user's own files, one beside the programs and one inside an installed folder.
    WriteText(install.File("Notes.txt"), "mine");
    WriteText(install.File("Skin\\Main\\Mine.bmp"), "mine too");
    const RegisteredRun uninstall(install, L"UninstallString");
    HWND prompt = WaitForPrompt(install);
    ASSERT_NE(prompt, nullptr);
    test::SaveScreenshot(prompt, "uninstall-valedict-prompt");
    std::this_thread::sleep_for(500ms);
    EXPECT_TRUE(os::FileExists(install.File("Portico.exe")));  // nothing goes before the answer
    test::PressButton(test::FindChild(prompt, test::DrawnButtonClass, "Uninstall"));
    EXPECT_TRUE(uninstall.WaitForTheCopy());
    ExpectNothingOfOursLeft(install, {"Notes.txt", "Skin\\Main\\Mine.bmp"});
}

TEST(Uninstaller, ClosingThePromptCancelsAndLeavesEverythingInstalled) {
    const Installation install;
    ASSERT_TRUE(install.Installed);
    const std::vector<std::string> before = FilesUnder(install.Folder);
    const auto uninstaller = install.StartUninstaller();
    HWND prompt = WaitForPrompt(install);
    ASSERT_NE(prompt, nullptr);
    PostMessageW(prompt, WM_CLOSE, 0, 0);
    EXPECT_EQ(uninstaller->WaitForExit(ProgramWait), ExitCancelled);
    EXPECT_EQ(FilesUnder(install.Folder), before);
    ExpectEverythingInstalled(install);
    EXPECT_EQ(RegistryText(L"UninstallString"), Quoted(install.File("Uninstall.exe")));
}

TEST(Uninstaller, ASurveySentFromInsideTheUninstallReachesTheFeedbackServiceByteForByte) {
    const Installation install;
    ASSERT_TRUE(install.Installed);
    test::LoopbackServer server(test::reply::Status(200));
    const std::string host = "127.0.0.1:" + std::to_string(server.Port());
    const auto uninstaller = install.StartUninstaller({"KESTRIX_FEEDBACK_SERVER=" + host});
    HWND prompt = WaitForPrompt(install);
    ASSERT_NE(prompt, nullptr);
    const DWORD valedict = test::ProcessOf(prompt);
    test::PressButton(test::FindChild(prompt, test::DrawnButtonClass, "Take Survey"));
    HWND survey = test::WaitForWindow(valedict, "Help us improve Kestrix", WindowWait);
    ASSERT_NE(survey, nullptr);
    SendMessageW(test::FindChild(survey, "RICHEDIT50W"), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(L"Batch export, please\r\n50% faster"));
    SendMessageW(test::FindChild(survey, "Edit"), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"me@example.com"));
    test::PressButton(test::FindChild(survey, "Button", "Submit"));
    EXPECT_EQ(test::AnswerMessageBox(valedict), "Your survey is ready. Send it to the Kestrix team now?");
    EXPECT_EQ(test::AnswerMessageBox(valedict), "Thank you! Your survey has been sent.");
    for (int i = 0; i < 500 && IsWindow(survey); ++i) std::this_thread::sleep_for(20ms);
    EXPECT_FALSE(IsWindow(survey));
    EXPECT_TRUE(uninstaller->Running());  // the survey removes nothing
    EXPECT_TRUE(os::FileExists(install.File("Portico.exe")));

    test::PressButton(test::FindChild(prompt, test::DrawnButtonClass, "Uninstall"));
    EXPECT_EQ(uninstaller->WaitForExit(ProgramWait), 0);
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0],
              test::ExpectedFeedbackPost(host, "myaddress=me@example.com"
                                               "&subject=Uninstall%20Survey%20For%20Kestrix"
                                               "&content=Batch%20export,%20please%3Cbr%3E50%25%20faster"));
    ExpectNothingOfOursLeft(install, {});
}

TEST(Uninstaller, AMissingOrBrokenValedictNeverBlocksTheRemoval) {
    for (const bool broken : {false, true}) {
        const Installation install;
        ASSERT_TRUE(install.Installed);
        if (broken) WriteText(install.File("Valedict.exe"), "not a program");
        else os::RemoveFile(install.File("Valedict.exe"));
        const auto uninstaller = install.StartUninstaller();
        EXPECT_EQ(uninstaller->WaitForExit(ProgramWait), 0) << broken;
        ExpectNothingOfOursLeft(install, {});
    }
}

TEST(Uninstaller, TheRegisteredQuietCommandRemovesEverythingWithoutAWindowOrValedict) {
    const Installation install;
    ASSERT_TRUE(install.Installed);
    const RegisteredRun uninstall(install, L"QuietUninstallString");
    bool windowShown = false;
    EXPECT_TRUE(uninstall.WaitForTheCopy(&windowShown));
    EXPECT_FALSE(windowShown);
    ExpectNothingOfOursLeft(install, {});
    EXPECT_FALSE(os::FileExists(install.Temp() + "Product.txt"));  // Valedict never decoded it
}

TEST(Uninstaller, ARunningLauncherIsReportedWithRetryAndCancelClosedOnRetryAndNothingIsRemovedMeanwhile) {
    const Installation install;
    ASSERT_TRUE(install.Installed);
    const std::vector<std::string> before = FilesUnder(install.Folder);
    test::ChildProgram portico(install.File("Portico.exe"), {}, install.Folder, install.Environment());
    ASSERT_NE(portico.WaitForWindow("", WindowWait), nullptr);
    {
        const auto uninstaller = install.StartUninstaller();
        EXPECT_EQ(test::AnswerMessageBox(uninstaller->ProcessId(), IDCANCEL), RunningText("Portico.exe", "Uninstall"));
        EXPECT_EQ(uninstaller->WaitForExit(ProgramWait), ExitCancelled);
        EXPECT_EQ(FilesUnder(install.Folder), before);
        EXPECT_TRUE(UninstallKeyExists());
    }
    const auto uninstaller = install.StartUninstaller();
    HWND box = uninstaller->WaitForWindow("", WindowWait, L"#32770");
    ASSERT_NE(box, nullptr);
    test::SaveScreenshot(box, "uninstall-running");
    EXPECT_EQ(test::AnswerMessageBox(uninstaller->ProcessId(), IDRETRY), RunningText("Portico.exe", "Uninstall"));
    EXPECT_EQ(portico.WaitForExit(WindowWait), 0);
    HWND prompt = WaitForPrompt(install);
    ASSERT_NE(prompt, nullptr);
    test::PressButton(test::FindChild(prompt, test::DrawnButtonClass, "Uninstall"));
    EXPECT_EQ(uninstaller->WaitForExit(ProgramWait), 0);
    ExpectNothingOfOursLeft(install, {});
}

// The prompt may stay open for minutes, long enough to start the launcher from the Start menu
// again: the answer is followed by the same check, before anything is removed.
TEST(Uninstaller, ALauncherStartedWhileThePromptIsOpenIsReportedBeforeAnythingIsRemoved) {
    const Installation install;
    ASSERT_TRUE(install.Installed);
    const auto uninstaller = install.StartUninstaller();
    HWND prompt = WaitForPrompt(install);
    ASSERT_NE(prompt, nullptr);
    test::ChildProgram portico(install.File("Portico.exe"), {}, install.Folder, install.Environment());
    ASSERT_NE(portico.WaitForWindow("", WindowWait), nullptr);
    const std::vector<std::string> before = FilesUnder(install.Folder);
    test::PressButton(test::FindChild(prompt, test::DrawnButtonClass, "Uninstall"));
    HWND box = uninstaller->WaitForWindow("", WindowWait, L"#32770");
    ASSERT_NE(box, nullptr);
    // The box, not the progress window.
    EXPECT_EQ(test::ControlText(GetDlgItem(box, 0xFFFF)), RunningText("Portico.exe", "Uninstall"));
    EXPECT_EQ(FilesUnder(install.Folder), before);
    ExpectEverythingInstalled(install);
    EXPECT_EQ(test::AnswerMessageBox(uninstaller->ProcessId(), IDRETRY), RunningText("Portico.exe", "Uninstall"));
    EXPECT_EQ(portico.WaitForExit(WindowWait), 0);
    EXPECT_EQ(uninstaller->WaitForExit(ProgramWait), 0);
    ExpectNothingOfOursLeft(install, {});
}

// A file the user made read-only cannot be opened for writing either, yet no program runs from it.
TEST(Uninstaller, AReadOnlyProgramFileIsNoRunningProgram) {
    const Installation install;
    ASSERT_TRUE(install.Installed);
    ASSERT_TRUE(SetFileAttributesW(ToWide(install.File("Trundle.exe")).c_str(), FILE_ATTRIBUTE_READONLY));
    const auto uninstaller = install.StartUninstaller();
    HWND prompt = WaitForPrompt(install);
    ASSERT_NE(prompt, nullptr);
    test::PressButton(test::FindChild(prompt, test::DrawnButtonClass, "Uninstall"));
    EXPECT_EQ(uninstaller->WaitForExit(ProgramWait), 0);
    ExpectNothingOfOursLeft(install, {});
}

// An installed file held open by another program while the files go: the user is told which,
// and the uninstaller and its entry stay, so that the uninstall can be run again once the file
// is free. A silent run tells it by its exit code.
TEST(Uninstaller, AFileThatCannotBeRemovedIsNamedAndTheEntryStaysForAnotherRun) {
    for (const bool silent : {false, true}) {
        const Installation install;
        ASSERT_TRUE(install.Installed);
        const std::string held = install.File("Skin\\Main\\Main.bmp");
        KernelHandle file(CreateFileW(ToWide(held).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                      nullptr));
        ASSERT_TRUE(file);
        const auto uninstaller = install.StartUninstaller({}, silent ? "/S " : "");
        if (!silent) {
            HWND prompt = WaitForPrompt(install);
            ASSERT_NE(prompt, nullptr);
            test::PressButton(test::FindChild(prompt, test::DrawnButtonClass, "Uninstall"));
            EXPECT_EQ(AnswerBox(*uninstaller),
                      "These files could not be removed:\r\n" + held +
                          "\r\n\r\nClose the programs that use them, then uninstall Kestrix again.");
        }
        EXPECT_EQ(uninstaller->WaitForExit(ProgramWait), ExitIncomplete) << silent;
        EXPECT_EQ(FilesUnder(install.Folder), (std::vector<std::string>{"Skin\\Main\\Main.bmp", "Uninstall.exe"}));
        EXPECT_EQ(RegistryText(L"UninstallString"), Quoted(install.File("Uninstall.exe")));
        EXPECT_FALSE(os::FileExists(ShortcutPath()));  // it would start nothing
        file.reset();

        const RegisteredRun again(install, silent ? L"QuietUninstallString" : L"UninstallString");
        EXPECT_TRUE(again.WaitForTheCopy());
        ExpectNothingOfOursLeft(install, {});
    }
}

}  // namespace
}  // namespace kx::installer
