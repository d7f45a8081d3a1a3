#include "Install.h"

#include "Accessibility.h"

#include "Os.h"
#include "TempDir.h"
#include "Text.h"

#include <filesystem>
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
    RECT client;
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 800);
    EXPECT_EQ(client.bottom, 480);

    const HWND fastCutter = ChildAt(window, 543 + 100, 181 + 100);
    ASSERT_TRUE(fastCutter);
    EXPECT_EQ(ClassName(fastCutter), "KestrixImageButton");
    PostMessageW(fastCutter, WM_MOUSEMOVE, 0, MAKELPARAM(20, 20));
    PostMessageW(fastCutter, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
    PostMessageW(fastCutter, WM_LBUTTONUP, 0, MAKELPARAM(20, 20));

    const HWND tool = WaitForTopWindow(L"KestrixSiblingStub", L"Snipwell", 30s);
    ASSERT_TRUE(tool);
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

TEST(PorticoProgram, ASecondStartOpensASecondIndependentWindow) {
    Installation install;
    ChildProgram first(install.dir.File("Portico.exe"), {}, install.dir.Path(), install.Environment());
    ASSERT_TRUE(first.WaitForWindow("Kestrix Launcher", 30s));
    ChildProgram second(install.dir.File("Portico.exe"), {}, install.dir.Path(), install.Environment());
    const HWND secondWindow = second.WaitForWindow("Kestrix Launcher", 30s);
    ASSERT_TRUE(secondWindow);
    EXPECT_TRUE(first.Running());
    PostMessageW(secondWindow, WM_CLOSE, 0, 0);
    EXPECT_EQ(second.WaitForExit(30s), 0);
    EXPECT_TRUE(first.Running());
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

TEST(PorticoProgram, KeyboardAloneOpensAndClosesTheAboutBoxThenStartsTheFastCutter) {
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
    PostKey(window, VK_RETURN);
    const HWND about = WaitForTopWindow(L"KestrixForm", L"About", 30s);
    ASSERT_TRUE(about);
    ASSERT_TRUE(WaitFor([&] { return FocusOf(window) && GetAncestor(FocusOf(window), GA_ROOT) == about; }, 10s));
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
