#include "Install.h"

#include "Accessibility.h"
#include "DllLoading.h"
#include "LoopbackServer.h"
#include "Os.h"
#include "Scoped.h"
#include "TempDir.h"
#include "Text.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <memory>
#include <thread>

namespace kx::test {
namespace {

using namespace std::chrono_literals;

// The real Portico.exe in an installation folder of its own, with a stub fast cutter.
class Installation {
public:
    Installation() {
        CopyProgram("Portico.exe", dir.Path());
        CopyProgram("Snipwell.exe", dir.Path());
        LanguageFile().InstallIn(dir.Path());
        MakeSkin(dir.Path() + "Skin");
        std::filesystem::create_directories(std::filesystem::path(ToWide(dir.Path() + "tmp")));
    }
    std::vector<std::string> Environment() const {
        // The stub stays until it is closed; the decoded copy goes to a private temporary folder.
        return {"TMP=" + dir.Path() + "tmp\\", "TEMP=" + dir.Path() + "tmp\\", "KX_STUB_LIFETIME_MS="};
    }
    TempDir dir;
};

HWND ChildAt(HWND parent, int x, int y) {
    const HWND child = ChildWindowFromPointEx(parent, POINT{x, y}, CWP_SKIPINVISIBLE);
    return child == parent ? nullptr : child;
}

HWND WaitForTopWindow(const wchar_t* className, const wchar_t* caption, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    do {
        const HWND found = FindWindowW(className, caption);
        if (found && IsWindowVisible(found)) return found;
        std::this_thread::sleep_for(50ms);
    } while (std::chrono::steady_clock::now() < end);
    return nullptr;
}

// A file of the Linux side, read through the drive Wine maps to its root; /proc files tell no size.
std::string ReadUnixFile(const std::string& path) {
    const KernelHandle file(CreateFileW(ToWide("Z:" + path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return {};
    std::string text;
    char chunk[65536];
    DWORD got = 0;
    while (ReadFile(file.get(), chunk, sizeof chunk, &got, nullptr) && got > 0) text.append(chunk, got);
    return text;
}

// The Linux process that runs a Windows program, found by the program's path in its command
// line: a Wine process is a Linux process, whose memory map names every file it maps.
std::string UnixProcessFolderOf(const std::string& program) {
    std::string name = program.substr(program.find_last_of('\\') + 1);
    WIN32_FIND_DATAW entry;
    const HANDLE first = FindFirstFileW(L"Z:\\proc\\*", &entry);
    if (first == INVALID_HANDLE_VALUE) return {};
    const Scoped<HANDLE, FindClose> search(first);
    std::string found;
    do {
        const std::string pid = FromWide(entry.cFileName);
        if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
        const std::string commandLine = ReadUnixFile("\\proc\\" + pid + "\\cmdline");
        if (LowerAscii(commandLine).find(LowerAscii(program)) != std::string::npos) found = "\\proc\\" + pid + "\\";
    } while (found.empty() && FindNextFileW(search.get(), &entry));
    return found;
}

// The lines of a process's memory map that name a file under the folder, given as Linux sees it.
std::vector<std::string> MappedFilesUnder(const std::string& processFolder, const std::string& unixFolder) {
    std::vector<std::string> mapped;
    const std::string maps = ReadUnixFile(processFolder + "maps");
    for (std::size_t start = 0, end; start < maps.size(); start = end + 1) {
        end = maps.find('\n', start);
        if (end == std::string::npos) end = maps.size();
        const std::string line = maps.substr(start, end - start);
        if (line.find(unixFolder) != std::string::npos) mapped.push_back(line);
    }
    return mapped;
}

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= end) return false;
        std::this_thread::sleep_for(50ms);
    }
    return true;
}

TEST(PorticoProgram, StartsAToolHidesUntilItEndsAndClosesWithItsButton) {
    Installation install;
    ChildProgram portico(install.dir.File("Portico.exe"), {}, install.dir.Path(), install.Environment());
    const HWND window = portico.WaitForWindow("Kestrix Launcher", 30s);
    ASSERT_TRUE(window);
    // Nothing before the click needs the shell. Only the update check needs WinINet, and with
    // no update address the timer's tick starts none, however long the start-up took.
    EXPECT_FALSE(portico.HasLoaded("shell32.dll"));
    EXPECT_FALSE(portico.HasLoaded("wininet.dll"));
    RECT client;
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 800);
    EXPECT_EQ(client.bottom, 480);

    const HWND fastCutter = ChildAt(window, 543 + 100, 181 + 100);
    ASSERT_TRUE(fastCutter);
    EXPECT_EQ(ClassName(fastCutter), test::DrawnButtonClass);
    PostMessageW(fastCutter, WM_MOUSEMOVE, 0, MAKELPARAM(20, 20));
    PostMessageW(fastCutter, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
    PostMessageW(fastCutter, WM_LBUTTONUP, 0, MAKELPARAM(20, 20));

    const HWND tool = WaitForTopWindow(L"KestrixSiblingStub", L"Snipwell", 30s);
    ASSERT_TRUE(tool);
    EXPECT_TRUE(portico.HasLoaded("shell32.dll"));
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(window); }, 10s));
    EXPECT_EQ(ReadAll(install.dir.File("Snipwell.log")), "Wrenfold SINGLE_CUT\r\n");
    std::this_thread::sleep_for(300ms);
    EXPECT_FALSE(IsWindowVisible(window));  // still waiting for the tool

    PostMessageW(tool, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(window) != FALSE; }, 30s));

    const HWND close = ChildAt(window, 766 + 10, 11 + 10);
    ASSERT_TRUE(close);
    PostMessageW(close, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    PostMessageW(close, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    PostMessageW(close, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(portico.WaitForExit(30s), 0);
}

// As a double click that arrives twice starts them: each launcher decodes the language file to
// the one temporary copy while the others read it. A long file makes the decode take a while,
// and the copy is stale before each round, so that every launcher has to write it.
TEST(PorticoProgram, LaunchersStartedTogetherEachOpenAnIndependentWindowWithTheirTexts) {
    Installation install;
    const std::string text = ";" + std::string(3 << 20, 'p') + "\r\n" + LanguageFile().Text();
    InstallLanguageBytes(text, install.dir.Path());
    const std::string copy = install.dir.File("tmp\\Main.txt");
    constexpr int Rounds = 6, Together = 3;
    for (int round = 0; round < Rounds; ++round) {
        os::WriteFileBytes(copy, {'o', 'l', 'd'});
        std::vector<std::unique_ptr<ChildProgram>> launchers;
        for (int i = 0; i < Together; ++i)
            launchers.push_back(std::make_unique<ChildProgram>(install.dir.File("Portico.exe"), std::vector<std::string>{},
                                                               install.dir.Path(), install.Environment()));
        std::vector<HWND> windows;
        for (const auto& launcher : launchers) {
            // The first window shown: the launcher's, or the box of a failed start.
            const HWND window = launcher->WaitForWindow("", 60s);
            ASSERT_TRUE(window) << "round " << round;
            const HWND message = FindWindowExW(window, nullptr, L"Static", nullptr);
            EXPECT_EQ(WindowText(window), "Kestrix Launcher") << "round " << round << ": " << WindowText(message);
            windows.push_back(window);
        }
        EXPECT_TRUE(ReadAll(copy) == text) << "round " << round;  // whole, and no larger
        for (std::size_t i = 0; i < launchers.size(); ++i) {
            PostMessageW(windows[i], WM_CLOSE, 0, 0);
            EXPECT_EQ(launchers[i]->WaitForExit(30s), 0) << "round " << round;
            for (std::size_t j = i + 1; j < launchers.size(); ++j) EXPECT_TRUE(launchers[j]->Running());
        }
    }
}

TEST(PorticoProgram, ImportsOnlyDllsThatTheLoaderNeverTakesFromTheProgramFolder) {
    EXPECT_EQ(ImportsOffTheKnownDllList(BuildBinFolder() + "Portico.exe"), std::vector<std::string>{});
}

// Windows 7 is among the systems the manifest claims, with or without its updates.
TEST(PorticoProgram, ImportsNothingThatWindows7LacksWithoutItsUpdates) {
    EXPECT_EQ(ImportsMissingFromWindows7(BuildBinFolder() + "Portico.exe"), std::vector<std::string>{});
}

// The launcher may be started from a download folder full of other files.
TEST(PorticoProgram, DllsPlantedBesideTheProgramAreNeverLoaded) {
    Installation install;
    const PlantedLibraries planted(BuildBinFolder(), install.dir.File("Portico.exe"), {"msimg32.dll", "uxtheme.dll"});
    ChildProgram portico(install.dir.File("Portico.exe"), {}, install.dir.Path(), install.Environment());
    const HWND window = portico.WaitForWindow("Kestrix Launcher", 30s);
    EXPECT_EQ(planted.Loaded(), std::vector<std::string>{});
    ASSERT_TRUE(window);
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(portico.WaitForExit(30s), 0);
    EXPECT_EQ(planted.Loaded(), std::vector<std::string>{});
}

// The next message box of the program, which is then answered with OK; false when none came.
bool AnswerBox(const ChildProgram& program) {
    const HWND box = program.WaitForWindow("", 30s, L"#32770");
    if (!box) return false;
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    return WaitFor([&] { return !IsWindow(box) || !IsWindowVisible(box); }, 10s);
}

void Click(HWND button) {
    PostMessageW(button, WM_MOUSEMOVE, 0, MAKELPARAM(20, 20));
    PostMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
    PostMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(20, 20));
}

TEST(PorticoProgram, ABrokenSkinPictureAToolDuringTheCheckAndANewerVersionRunToTheEnd) {
    Installation install;
    // Slow enough that the fast cutter is started while the document still loads.
    const Handler trickle = reply::Trickle(
        "HTTP/1.0 200 OK\r\n\r\n{\"Version\":\"9.0\",\"DownloadURL\":\"https://dl.kestrix.example/9\"}", 40ms);
    std::atomic<int> delivered{0};  // documents sent whole, the launcher given time to close its end
    LoopbackServer server([&](const std::string& request, Connection& connection) {
        trickle(request, connection);
        ++delivered;
    });
    LanguageFile()
        .Set("Product", "UpdateUrl", "http://127.0.0.1:" + std::to_string(server.Port()) + "/version.json")
        .InstallIn(install.dir.Path());
    os::RemoveFile(install.dir.Path() + "Skin\\Main\\btnReg_Normal.bmp");
    // The promotion viewer logs each tick of the start-up timer.
    CopyProgram("Bargello.exe", install.dir.Path());
    const auto viewerStarts = [&] {
        const std::string log = ReadAll(install.dir.File("Bargello.log"));
        return std::count(log.begin(), log.end(), '\n');
    };
    ChildProgram portico(install.dir.File("Portico.exe"), {}, install.dir.Path(), install.Environment());

    // The first showing reports the picture; the check starts meanwhile.
    ASSERT_TRUE(AnswerBox(portico));
    const HWND window = portico.WaitForWindow("Kestrix Launcher", 30s);
    ASSERT_TRUE(window);
    ASSERT_TRUE(server.WaitForRequests(1, 30s));
    Click(ChildAt(window, 543 + 100, 181 + 100));
    const HWND tool = WaitForTopWindow(L"KestrixSiblingStub", L"Snipwell", 30s);
    ASSERT_TRUE(tool);
    ASSERT_TRUE(WaitFor([&] { return delivered == 1; }, 30s));  // arrived while the launcher waits
    PostMessageW(tool, WM_CLOSE, 0, 0);

    // Shown again: the first-show work repeats, its box comes up, the offer comes over it, and
    // the re-armed start-up timer fires while the offer is showing.
    const HWND offer = portico.WaitForWindow("???", 30s, L"KestrixForm");
    ASSERT_TRUE(offer);
    ASSERT_TRUE(WaitFor([&] { return viewerStarts() == 2; }, 30s));
    ASSERT_TRUE(portico.Running());
    // The new check waits for the showing's end: no request, even given a moment to arrive.
    EXPECT_FALSE(server.WaitForRequests(2, 1s));
    EXPECT_EQ(server.Requests().size(), 1u);
    PostMessageW(offer, WM_CLOSE, 0, 0);  // the full edition's Later
    ASSERT_TRUE(AnswerBox(portico));

    // The check that waited runs now and offers again.
    ASSERT_TRUE(server.WaitForRequests(2, 30s));
    const HWND second = portico.WaitForWindow("???", 30s, L"KestrixForm");
    ASSERT_TRUE(second);
    PostMessageW(second, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return IsWindowEnabled(window) != FALSE; }, 10s));
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(portico.WaitForExit(30s), 0);
    for (int i = 0; i < 4; ++i)  // the viewers stay until closed
        if (const HWND viewer = FindWindowW(L"KestrixSiblingStub", L"Bargello")) SendMessageW(viewer, WM_CLOSE, 0, 0);
}

TEST(PorticoProgram, AScreenReaderInAnotherProcessReadsTheButtonsAndTheLinks) {
    Installation install;
    ChildProgram portico(install.dir.File("Portico.exe"), {}, install.dir.Path(), install.Environment());
    const HWND window = portico.WaitForWindow("Kestrix Launcher", 30s);
    ASSERT_TRUE(window);
    AccessibleWindow fastCutter(ChildAt(window, 543 + 100, 181 + 100));
    ASSERT_TRUE(fastCutter.Valid());
    EXPECT_EQ(fastCutter.Self().Role, ROLE_SYSTEM_PUSHBUTTON);
    AccessibleWindow client(window);
    std::vector<std::string> names;
    for (const AccessibleItem& link : client.Elements()) names.push_back(link.Name);
    EXPECT_EQ(names, (std::vector<std::string>{"(History)", "Report Bugs", "About", "About", "Home Page", "Home Page"}));
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(portico.WaitForExit(30s), 0);
}

// The window with the keyboard focus in the thread that owns the given window.
HWND FocusOf(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) ? info.hwndFocus : nullptr;
}

void PostKey(HWND target, WPARAM key) {
    PostMessageW(target, WM_KEYDOWN, key, 1);
    PostMessageW(target, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
}

TEST(PorticoProgram, KeyboardAloneOpensAndClosesTheAboutBoxThenStartsTheFastCutterWithNoSkinFileHeld) {
    Installation install;
    ChildProgram portico(install.dir.File("Portico.exe"), {}, install.dir.Path(), install.Environment());
    const HWND window = portico.WaitForWindow("Kestrix Launcher", 30s);
    ASSERT_TRUE(window);
    const HWND fastCutter = ChildAt(window, 543 + 100, 181 + 100);
    ASSERT_TRUE(WaitFor([&] { return FocusOf(window) == fastCutter; }, 10s));

    // Three Tabs through the other buttons, then (History), Report Bugs and About.
    for (int i = 0; i < 3; ++i) {
        const HWND before = FocusOf(window);
        PostKey(before, VK_TAB);
        ASSERT_TRUE(WaitFor([&] { return FocusOf(window) != before; }, 10s));
    }
    for (int i = 0; i < 3; ++i) {
        PostKey(FocusOf(window), VK_TAB);
        ASSERT_TRUE(WaitFor([&] { return FocusOf(window) == window; }, 10s));
        std::this_thread::sleep_for(200ms);
    }
    // Every picture drawn so far was read whole and closed: a setup may replace it meanwhile.
    std::string folderName = install.dir.Path();
    folderName.pop_back();
    folderName = folderName.substr(folderName.find_last_of('\\') + 1);
    const std::string skinAsLinuxSeesIt = "/" + folderName + "/Skin/";
    const std::string process = UnixProcessFolderOf(install.dir.File("Portico.exe"));
    ASSERT_FALSE(process.empty());
    ASSERT_FALSE(MappedFilesUnder(process, "/" + folderName + "/").empty());  // the program itself
    EXPECT_EQ(MappedFilesUnder(process, skinAsLinuxSeesIt), std::vector<std::string>{});

    PostKey(window, VK_RETURN);
    const HWND about = WaitForTopWindow(L"KestrixForm", L"About", 30s);
    ASSERT_TRUE(about);
    ASSERT_TRUE(WaitFor([&] { return FocusOf(window) && GetAncestor(FocusOf(window), GA_ROOT) == about; }, 10s));
    std::this_thread::sleep_for(500ms);  // let it paint
    EXPECT_EQ(MappedFilesUnder(process, skinAsLinuxSeesIt), std::vector<std::string>{});
    PostKey(FocusOf(window), VK_ESCAPE);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(about) || !IsWindowVisible(about); }, 10s));

    // Back on About: Home Page, then round to the fast cutter.
    ASSERT_TRUE(WaitFor([&] { return FocusOf(window) == window; }, 10s));
    PostKey(window, VK_TAB);
    std::this_thread::sleep_for(200ms);
    PostKey(window, VK_TAB);
    ASSERT_TRUE(WaitFor([&] { return FocusOf(window) == fastCutter; }, 10s));
    PostKey(fastCutter, VK_RETURN);
    const HWND tool = WaitForTopWindow(L"KestrixSiblingStub", L"Snipwell", 30s);
    ASSERT_TRUE(tool);
    EXPECT_EQ(ReadAll(install.dir.File("Snipwell.log")), "Wrenfold SINGLE_CUT\r\n");
    PostMessageW(tool, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(window) != FALSE; }, 30s));

    // Alt+F4 still closes the launcher.
    PostMessageW(FocusOf(window) ? FocusOf(window) : window, WM_SYSKEYDOWN, VK_F4, static_cast<LPARAM>(1u | (1u << 29)));
    EXPECT_EQ(portico.WaitForExit(30s), 0);
}

}  // namespace
}  // namespace kx::test
