#include "Install.h"

#include <algorithm>
#include <string_view>

#include "BitmapBytes.h"
#include "FileEncryptUnit.h"
#include "LauncherState.h"
#include "MainFrm.h"
#include "Os.h"
#include "Process.h"
#include "Scoped.h"
#include "TempDir.h"
#include "Text.h"

#include <windows.h>

#include <filesystem>
#include <fstream>

namespace kx::test {
namespace {

constexpr const char* StagedMark = "KX_PORTICO_STAGED";
constexpr const char* BinVariable = "KX_PORTICO_BIN";

void SetVariable(const std::string& name, const std::string& value) {
    SetEnvironmentVariableW(ToWide(name).c_str(), ToWide(value).c_str());
}

// Copies the test program into a fresh folder and runs it there with the same arguments.
int RunStaged() {
    const std::string bin = os::ProgramFolder();
    const std::string stage = os::TempFolder() + "kxportico-" + std::to_string(GetCurrentProcessId()) + "\\";
    std::filesystem::remove_all(std::filesystem::path(ToWide(stage)));
    std::filesystem::create_directories(std::filesystem::path(ToWide(stage + "tmp")));
    std::wstring self(MAX_PATH, L'\0');
    self.resize(GetModuleFileNameW(nullptr, self.data(), MAX_PATH));
    const std::wstring copy = ToWide(stage) + L"portico_tests.exe";
    if (!CopyFileW(self.c_str(), copy.c_str(), FALSE)) return 3;

    SetVariable(StagedMark, "1");
    SetVariable(BinVariable, bin);
    SetVariable("TMP", stage + "tmp\\");
    SetVariable("TEMP", stage + "tmp\\");
    const wchar_t* rest = GetCommandLineW();
    if (*rest == L'"') {
        for (++rest; *rest && *rest != L'"'; ++rest) {
        }
        if (*rest) ++rest;
    } else {
        while (*rest && *rest != L' ') ++rest;
    }
    std::wstring commandLine = L"\"" + copy + L"\"" + rest;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    for (HANDLE h : {startup.hStdInput, startup.hStdOutput, startup.hStdError})
        if (h && h != INVALID_HANDLE_VALUE) SetHandleInformation(h, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, ToWide(stage).c_str(),
                        &startup, &process))
        return 4;
    const KernelHandle thread(process.hThread), owned(process.hProcess);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(ToWide(stage)), ignored);
    return static_cast<int>(code);
}

}  // namespace

std::string BuildBinFolder() { return os::EnvironmentVariable(BinVariable); }
std::string InstallFolder() { return os::ProgramFolder(); }

LanguageFile::LanguageFile() {
    entries_ = {
        {"frmMain", "Title", "Kestrix Launcher"},
        {"frmMain", "lblHomepage", "Home Page"},
        {"frmMain", "lblFeedback", "Report Bugs"},
        {"frmMain", "lblHistory", "(History)"},
        {"frmMain", "lblAbout", "About"},
        {"frmMain", "ImagePath", "Skin"},
        {"frmAbout", "Type", "0"},
        {"frmAbout", "VersionNumber", "3.0.2"},
        {"frmAbout", "copyright", "Copyright 2026 Wrenfold"},
        {"frmAbout", "homePage", "Visit the Kestrix home page"},
        {"frmAbout", "support", "Contact support"},
        {"frmAbout", "version", "Version:"},
        {"frmAbout", "btnok", "Close"},
        {"msgMain", "strShellExtFailed", "The tool could not be started."},
        {"Product", "Product short Name", "Kestrix"},
        {"Product", "Company Name", "Wrenfold"},
        {"Product", "ProductHomePage", "https://home.kestrix.example/"},
        {"Product", "ProductHelpPage", "https://www.kestrix.example/help/"},
        {"Product", "Support Email", "support@kestrix.example"},
    };
}

LanguageFile& LanguageFile::Set(const std::string& section, const std::string& key, const std::string& value) {
    for (Entry& e : entries_)
        if (e.Section == section && e.Key == key) {
            e.Value = value;
            return *this;
        }
    entries_.push_back({section, key, value});
    return *this;
}

LanguageFile& LanguageFile::Remove(const std::string& section, const std::string& key) {
    std::erase_if(entries_, [&](const Entry& e) { return e.Section == section && e.Key == key; });
    return *this;
}

std::string LanguageFile::Text() const {
    std::string text;
    for (const char* section : {"frmMain", "frmAbout", "msgMain", "Product", "frmGetNewVersion"}) {
        const bool used = std::any_of(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.Section == section; });
        if (!used && std::string_view(section) == "frmGetNewVersion") continue;  // the one section tests add
        text += std::string("[") + section + "]\r\n";
        for (const Entry& e : entries_)
            if (e.Section == section) text += e.Key + "=" + e.Value + "\r\n";
    }
    return text;
}

void LanguageFile::Install() const { InstallIn(InstallFolder()); }

void LanguageFile::InstallIn(const std::string& programFolder) const { InstallLanguageBytes(Text(), programFolder); }

void InstallLanguageBytes(const std::string& bytes, const std::string& programFolder) {
    const std::string plain = os::TempFolder() + "Main.plain";
    os::WriteFileBytes(plain, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    std::filesystem::create_directories(std::filesystem::path(ToWide(programFolder + "Lang")));
    CipherFile(plain, programFolder + "Lang\\Main.dat", SuiteCipherKey, true);
    os::RemoveFile(plain);
}

void MakeSkin(const std::string& folder) {
    // Generated once per test program and copied: each run of the generator is a process start.
    static const std::string generated = InstallFolder() + "GeneratedSkin";
    static bool made = false;
    if (!made) {
        ASSERT_EQ(RunProgram(BuildBinFolder() + "kxskingen.exe", {generated}), 0);
        made = true;
    }
    namespace fs = std::filesystem;
    const fs::path from(ToWide(generated)), to(ToWide(folder));
    fs::create_directories(to);
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(from)) {
        const fs::path target = to / fs::relative(entry.path(), from);
        if (entry.is_directory()) fs::create_directories(target);
        else ASSERT_TRUE(CopyFileW(entry.path().c_str(), target.c_str(), FALSE)) << target.string();
    }
}

void CopyProgram(const std::string& name, const std::string& toFolder) {
    ASSERT_TRUE(CopyFileW(ToWide(BuildBinFolder() + name).c_str(), ToWide(toFolder + name).c_str(), FALSE))
        << name;
}

void WriteSolidBitmap(const std::string& path, int width, int height, COLORREF color) {
    const int stride = (width * 3 + 3) & ~3;
    const BitmapHeader header{.Width = width, .Height = height};
    std::vector<std::uint8_t> bytes = BitmapFileBytes(header, static_cast<std::size_t>(stride * height));
    const std::size_t pixels = PixelOffset(header);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = &bytes[pixels + static_cast<std::size_t>(y * stride + x * 3)];
            p[0] = GetBValue(color);
            p[1] = GetGValue(color);
            p[2] = GetRValue(color);
        }
    os::WriteFileBytes(path, bytes);
}

std::string ReadAll(const std::string& path) {
    if (!os::FileExists(path)) return {};
    const std::vector<std::uint8_t> bytes = os::ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

void LauncherTest::SetUp() {
    folder = InstallFolder();
    portico::State() = {};
    language.Install();
    MakeSkin(folder + "Skin");
    SetVariable("KX_STUB_LIFETIME_MS", "0");
}

void LauncherTest::TearDown() {
    portico::frmGetNewVersion.reset();
    for (const char* name : {"Snipwell", "Trundle", "Anvilry", "Murmur"}) {
        os::RemoveFile(folder + name + ".exe");
        os::RemoveFile(folder + name + ".log");
    }
    os::RemoveFile(folder + "Update.log");
    SetCurrentDirectoryW(ToWide(folder).c_str());
}

}  // namespace kx::test

int main(int argc, char** argv) {
    if (kx::os::EnvironmentVariable(kx::test::StagedMark).empty()) return kx::test::RunStaged();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
