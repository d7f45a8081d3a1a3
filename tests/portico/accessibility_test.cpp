// The launcher's windows as a screen reader reads them and a keyboard-only user drives them.
#include "Install.h"

#include "AboutFrm.h"
#include "Accessibility.h"
#include "GetNewVersionFrm.h"
#include "LauncherState.h"
#include "MainFrm.h"
#include "Os.h"
#include "Timer.h"

namespace kx::test {
namespace {

using namespace std::chrono_literals;
using portico::State;
using portico::TfrmAbout;
using portico::TfrmMain;

class ScreenReader : public LauncherTest {
protected:
    void SetUp() override {
        LauncherTest::SetUp();
        language.Set("frmMain", "btnCut.AccessibleName", "Fast cutter")
            .Set("frmMain", "btnBatchCut.AccessibleName", "Batch cutter")
            .Set("frmMain", "btnAdvancedCut.AccessibleName", "Advanced cutter")
            .Set("frmMain", "btnClose.AccessibleName", "Close")
            .Set("frmAbout", "btnFrmClose.AccessibleName", "Close the box")
            .Set("frmAbout", "btnok", "OK")
            .Set("frmAbout", "btnExit.AccessibleName", "Never spoken: the caption wins")
            .Set("frmGetNewVersion", "btnCloseFrm.AccessibleName", "Close the offer")
            .Set("frmGetNewVersion", "btnUpdate", "Update")
            .Set("frmGetNewVersion", "btnCancel", "Later")
            .Install();
    }
};

std::string NameOf(HWND hwnd) { return AccessibleWindow(hwnd).Self().Name; }

void ExpectPushButton(HWND hwnd, const std::string& name) {
    AccessibleWindow button(hwnd);
    ASSERT_TRUE(button.Valid());
    EXPECT_EQ(button.Self().Name, name);
    EXPECT_EQ(button.Self().Role, ROLE_SYSTEM_PUSHBUTTON);
}

std::vector<std::string> LinkNames(HWND hwnd) {
    std::vector<std::string> names;
    for (const AccessibleItem& link : AccessibleWindow(hwnd).Elements()) {
        EXPECT_EQ(link.Role, ROLE_SYSTEM_LINK) << link.Name;
        EXPECT_EQ(link.DefaultAction, "click") << link.Name;
        names.push_back(link.Name);
    }
    return names;
}

// Runs inside whatever modal loop is running: the About box is noted and closed with Esc.
HWND aboutSeen = nullptr;
void CALLBACK CloseAboutWithEscape(HWND, UINT, UINT_PTR timer, DWORD) {
    const HWND about = FindWindowW(L"KestrixForm", L"About");
    if (!about || !IsWindowVisible(about)) return;
    KillTimer(nullptr, timer);
    aboutSeen = about;
    const HWND focus = GetFocus();
    PostMessageW(focus ? focus : about, WM_KEYDOWN, VK_ESCAPE, 1);
    PostMessageW(focus ? focus : about, WM_KEYUP, VK_ESCAPE, static_cast<LPARAM>(0xC0000001u));
}

TEST_F(ScreenReader, MainWindowNamesItsButtonsFromTheLanguageFileAndItsLinksByTheirTexts) {
    TfrmMain frm;
    frm.Show();
    PumpFor(50ms);
    ExpectPushButton(frm.btnCut.Handle(), "Fast cutter");
    ExpectPushButton(frm.btnBatchCut.Handle(), "Batch cutter");
    ExpectPushButton(frm.btnAdvancedCut.Handle(), "Advanced cutter");
    ExpectPushButton(frm.btnClose.Handle(), "Close");
    EXPECT_EQ(LinkNames(frm.Handle()),
              (std::vector<std::string>{"(History)", "Report Bugs", "About", "About", "Home Page", "Home Page"}));

    // Looked up when asked: a changed file is what is spoken next; no key, the default name.
    const std::string changed =
        language.Set("frmMain", "btnCut.AccessibleName", "Quick cut").Remove("frmMain", "btnClose.AccessibleName").Text();
    os::WriteFileBytes(State().LanguageFilePath, std::vector<std::uint8_t>(changed.begin(), changed.end()));
    EXPECT_EQ(NameOf(frm.btnCut.Handle()), "Quick cut");
    EXPECT_EQ(NameOf(frm.btnClose.Handle()), "Close");
    frm.Hide();
}

// A language file written before the spoken names: each tool button is called by its program,
// from the program's version resource or else its file name, and each close button by the
// system's word for closing (Wine's is "&Close", with Alt+F4 after a tab, in its window menu).
TEST_F(ScreenReader, WithoutSpokenNamesToolButtonsAreNamedByTheirProgramsAndCloseButtonsByTheSystem) {
    for (const char* key : {"btnCut.AccessibleName", "btnBatchCut.AccessibleName", "btnAdvancedCut.AccessibleName",
                            "btnClose.AccessibleName"})
        language.Remove("frmMain", key);
    language.Remove("frmAbout", "btnFrmClose.AccessibleName")
        .Remove("frmGetNewVersion", "btnCloseFrm.AccessibleName")
        .Set("frmMain", "btnBatchCut.AccessibleName", " \t ")  // blank is as good as missing
        .Install();
    CopyProgram("Snipwell.exe", folder);  // with a version resource; Trundle.exe is not there
    os::WriteFileBytes(folder + "Anvilry.exe", {'M', 'Z', 0, 0});  // no resources to read
    TfrmMain frm;
    frm.Show();
    PumpFor(50ms);
    ExpectPushButton(frm.btnCut.Handle(), "Snipwell stand-in");
    ExpectPushButton(frm.btnBatchCut.Handle(), "Trundle");
    ExpectPushButton(frm.btnAdvancedCut.Handle(), "Anvilry");
    ExpectPushButton(frm.btnClose.Handle(), "Close");
    {
        TfrmAbout about(frm);
        about.Show();
        PumpFor(50ms);
        ExpectPushButton(about.btnFrmClose.Handle(), "Close");
        about.Hide();
    }
    portico::TfrmGetNewVersion dialog(frm);
    dialog.LanguageFilePath = State().LanguageFilePath;
    dialog.Show();
    PumpFor(50ms);
    ExpectPushButton(dialog.btnCloseFrm.Handle(), "Close");
    dialog.Hide();
    frm.Hide();
}

TEST_F(ScreenReader, DefaultActionsDoWhatClicksDo) {
    language.Set("Product", "ProductHomePage", "https://kestrix.example/home").Install();
    TfrmMain frm;
    frm.Show();
    PumpFor(50ms);
    AccessibleWindow client(frm.Handle());
    const std::vector<AccessibleItem> links = client.Elements();
    ASSERT_EQ(links.size(), 6u);
    for (const AccessibleItem& link : links) {
        const ui::GraphicControl* control = nullptr;
        for (const ui::GraphicControl* candidate : frm.Links(false)) {
            RECT r = candidate->Bounds();
            MapWindowPoints(frm.Handle(), HWND_DESKTOP, reinterpret_cast<POINT*>(&r), 2);
            if (EqualRect(&r, &link.Location)) control = candidate;
        }
        EXPECT_TRUE(control) << link.Name << " is not where a link is";
    }

    EXPECT_EQ(client.DoDefaultAction(links[5].Id), S_OK);  // the home page label
    EXPECT_EQ(client.DoDefaultAction(links[4].Id), S_OK);  // and its picture
    PumpFor(100ms);
    EXPECT_EQ(addresses.Addresses(),
              (std::vector<std::string>{"https://kestrix.example/home", "https://kestrix.example/home"}));

    aboutSeen = nullptr;
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, CloseAboutWithEscape);
    EXPECT_EQ(client.DoDefaultAction(links[2].Id), S_OK);  // About: the box opens, Esc closes it
    EXPECT_TRUE(PumpUntil([] { return aboutSeen != nullptr; }, 10s));
    KillTimer(nullptr, timer);
    PumpFor(100ms);
    EXPECT_FALSE(IsWindow(aboutSeen) && IsWindowVisible(aboutSeen));
    EXPECT_TRUE(IsWindowEnabled(frm.Handle()));
    frm.Hide();
}

// A reader's press that arrives once the About box is up, and presses made while it is: none
// starts a tool or opens the home page behind the box.
TEST_F(ScreenReader, ToolButtonsAndLinksDoNothingBehindTheAboutBox) {
    TfrmMain frm;
    frm.Show();
    PumpFor(50ms);
    const std::vector<HWND> tools = {frm.btnCut.Handle(), frm.btnBatchCut.Handle(), frm.btnAdvancedCut.Handle()};
    AccessibleWindow client(frm.Handle());
    const long homePage = client.Elements().back().Id;
    EXPECT_EQ(AccessibleWindow(tools[0]).DoDefaultAction(), S_OK);
    EXPECT_EQ(client.DoDefaultAction(homePage), S_OK);

    std::vector<HRESULT> readerPresses;
    int ticks = 0;
    ui::Timer inside(frm, 50, [&] {
        const HWND about = FindWindowW(L"KestrixForm", L"About");
        if (!about || !IsWindowVisible(about)) return;
        if (++ticks == 1) {
            for (HWND tool : tools) {
                readerPresses.push_back(AccessibleWindow(tool).DoDefaultAction());
                SendMessageW(tool, BM_CLICK, 0, 0);
                PostMessageW(tool, BM_CLICK, 0, 0);
            }
            readerPresses.push_back(client.DoDefaultAction(homePage));
        } else {
            PostMessageW(about, WM_CLOSE, 0, 0);  // also the rescue should a press have nested
        }
    });
    inside.SetEnabled(true);
    MouseMove(frm.Handle(), frm.lblReg.Left() + 2, frm.lblReg.Top() + 2);
    ClickAt(frm.Handle(), frm.lblReg.Left() + 2, frm.lblReg.Top() + 2);  // returns when the box has closed
    inside.SetEnabled(false);
    PumpFor(100ms);
    EXPECT_GE(ticks, 2);
    EXPECT_EQ(readerPresses, std::vector<HRESULT>(4, E_FAIL));
    EXPECT_TRUE(boxes.Boxes().empty()) << boxes.Boxes().front().Text;
    EXPECT_TRUE(addresses.Addresses().empty());

    // With the box gone the same press reaches the tool button: no tool here, so the message.
    EXPECT_EQ(AccessibleWindow(tools[0]).DoDefaultAction(), S_OK);
    PumpFor(100ms);
    EXPECT_EQ(boxes.Boxes().size(), 1u);
    frm.Hide();
}

TEST_F(ScreenReader, AboutBoxAndUpdateDialogButtonsAndLinks) {
    language.Set("Product", "Support Email", "help@kestrix.example").Install();
    TfrmMain frm;
    {
        TfrmAbout about(frm);
        about.Show();
        PumpFor(50ms);
        ExpectPushButton(about.btnExit.Handle(), "OK");  // the caption, not the language file's name
        ExpectPushButton(about.btnFrmClose.Handle(), "Close the box");
        EXPECT_EQ(LinkNames(about.Handle()),
                  (std::vector<std::string>{"Visit the Kestrix home page", "Contact support"}));
        AccessibleWindow client(about.Handle());
        EXPECT_EQ(client.DoDefaultAction(client.Elements()[1].Id), S_OK);
        PumpFor(100ms);
        EXPECT_EQ(addresses.Addresses(), std::vector<std::string>{"MailTo:help@kestrix.example"});
        about.Hide();
    }
    portico::TfrmGetNewVersion dialog(frm);
    dialog.LanguageFilePath = State().LanguageFilePath;
    dialog.Show();
    PumpFor(50ms);
    ExpectPushButton(dialog.btnUpdate.Handle(), "Update");
    ExpectPushButton(dialog.btnCancel.Handle(), "Later");
    ExpectPushButton(dialog.btnCloseFrm.Handle(), "Close the offer");
    // Nothing to list: the dialog leaves its client object to the platform.
    EXPECT_TRUE(AccessibleWindow(dialog.Handle()).Elements().empty());
    dialog.Hide();
}

TEST_F(ScreenReader, TabWalksTheFourButtonsThenTheLinksInReadingOrder) {
    TfrmMain frm;
    frm.Show();
    PumpFor(100ms);
    ASSERT_TRUE(frm.btnCut.Focused());
    const std::string before = folder + "before-tab.bmp", after = folder + "after-tab.bmp";
    CaptureWindow(frm.Handle(), before);
    const std::vector<HWND> buttons = {frm.btnClose.Handle(), frm.btnBatchCut.Handle(), frm.btnAdvancedCut.Handle()};
    for (HWND next : buttons) {
        PressKey(GetFocus(), VK_TAB);
        EXPECT_EQ(GetFocus(), next);
    }
    for (const ui::GraphicControl* link : {static_cast<const ui::GraphicControl*>(&frm.lblHistory),
                                           static_cast<const ui::GraphicControl*>(&frm.lblFeedback),
                                           static_cast<const ui::GraphicControl*>(&frm.lblReg),
                                           static_cast<const ui::GraphicControl*>(&frm.lblHomePage)}) {
        PressKey(GetFocus(), VK_TAB);
        EXPECT_EQ(frm.FocusedLink(), link);
        if (link == &frm.lblReg) SaveScreenshot(frm.Handle(), "portico-main-keyboard-about");
    }
    PressKey(GetFocus(), VK_TAB);
    EXPECT_TRUE(frm.btnCut.Focused());
    // Round the links and back: the window looks exactly as it did.
    PumpFor(50ms);
    CaptureWindow(frm.Handle(), after);
    EXPECT_FALSE(ReadAll(before).empty());
    EXPECT_EQ(ReadAll(before), ReadAll(after));
    os::RemoveFile(before);
    os::RemoveFile(after);
    frm.Hide();
}

}  // namespace
}  // namespace kx::test
