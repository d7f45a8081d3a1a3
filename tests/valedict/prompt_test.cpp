#include "Application.h"
#include "MainFrm.h"
#include "Os.h"
#include "Screen.h"
#include "ValedictTesting.h"

#include <gtest/gtest.h>

namespace kx::valedict {
namespace {

using namespace std::chrono_literals;
using testing::Installation;

int FontHeightOf(HWND control) {
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof font, &font);
    return font.lfHeight < 0 ? -font.lfHeight : font.lfHeight;
}

void ExpectBounds(const RECT& r, int left, int top, int width, int height) {
    EXPECT_EQ(r.left, left);
    EXPECT_EQ(r.top, top);
    EXPECT_EQ(r.right - r.left, width);
    EXPECT_EQ(r.bottom - r.top, height);
}

TEST(Prompt, StaysHiddenWhileCreatedThenShowsItsTextsWithTheShortNameInTheCaption) {
    const Installation install;
    TfrmMain prompt({"0", install.ProductFile});
    EXPECT_EQ(ExitCode, 1);
    EXPECT_EQ(ProductFilePath, install.ProductFile);
    EXPECT_EQ(LanguageFilePath, kx::os::ProgramFolder() + "Lang\\Valedict.dat");
    // Hidden until its showing, so the taskbar has nothing to show for it yet.
    EXPECT_FALSE(prompt.Visible());
    install.Use();
    prompt.Show();
    test::PumpFor(50ms);

    EXPECT_TRUE(prompt.Visible());
    EXPECT_EQ(prompt.Caption(), "Kestrix Uninstall - Kestrix");
    EXPECT_EQ(ui::Application::Instance().Title(), "Kestrix Uninstall - Kestrix");
    EXPECT_EQ(prompt.lblTip.Text(), "Thank you for using Kestrix!");
    EXPECT_EQ(prompt.btnSurvey.Text(), "Take Survey");
    EXPECT_EQ(prompt.btnOK.Text(), "OK");
    EXPECT_EQ(prompt.lblUninstall.Text(), "Press Uninstall to go on with removing Kestrix.");
    EXPECT_EQ(prompt.btnUninstall.Text(), "Uninstall");

    EXPECT_EQ(prompt.ClientWidth(), 576);
    EXPECT_EQ(prompt.ClientHeight(), 372);
    EXPECT_EQ(prompt.lblTip.Left(), 30);
    EXPECT_EQ(prompt.lblTip.Top(), 27);
    EXPECT_TRUE(prompt.lblTip.Font().Bold);
    EXPECT_EQ(prompt.lblTip.Font().Height, 13);
    EXPECT_GT(prompt.lblTip.Width(), 100);  // auto-sized to its text
    ExpectBounds(prompt.lblDiscount.Bounds(), 48, 77, 375, prompt.lblDiscount.Height());
    EXPECT_GE(prompt.lblDiscount.Height(), 2 * 13);  // the long text wraps and the label grows
    ExpectBounds(prompt.lblUninstall.Bounds(), 48, 315, 375, 37);
    ExpectBounds(prompt.btnSurvey.Bounds(), 456, 72, 90, 25);
    ExpectBounds(prompt.btnUninstall.Bounds(), 456, 310, 90, 25);
    ExpectBounds(prompt.btnOK.Bounds(), 2480, 214, 100, 36);
    EXPECT_EQ(FontHeightOf(prompt.btnSurvey.Handle()), 11);
    EXPECT_EQ(prompt.btnSurvey.Font().Color, RGB(0, 0, 255));
    EXPECT_TRUE(prompt.btnUninstall.Font().Bold);
    EXPECT_EQ(FontHeightOf(prompt.btnOK.Handle()), 13);

    // The hidden OK button comes first in tab order and holds the focus.
    EXPECT_TRUE(prompt.btnOK.Focused());
    HWND second = GetNextDlgTabItem(prompt.Handle(), prompt.btnOK.Handle(), FALSE);
    EXPECT_EQ(second, prompt.btnSurvey.Handle());
    EXPECT_EQ(GetNextDlgTabItem(prompt.Handle(), second, FALSE), prompt.btnUninstall.Handle());
    // None of them is a default button.
    for (HWND button : {prompt.btnOK.Handle(), prompt.btnSurvey.Handle(), prompt.btnUninstall.Handle()})
        EXPECT_FALSE(SendMessageW(button, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON);

    const LONG_PTR style = GetWindowLongPtrW(prompt.Handle(), GWL_STYLE);
    EXPECT_TRUE(style & WS_THICKFRAME);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
}

TEST(Prompt, ShowsTheTitleAloneWithoutAShortNameAndErrorForEveryTextWithoutALanguageFile) {
    {
        const Installation install("");
        TfrmMain prompt({"", install.ProductFile});
        install.Use();
        prompt.Show();
        EXPECT_EQ(prompt.Caption(), "Kestrix Uninstall");
    }
    {
        const Installation install("Kestrix", "");
        TfrmMain prompt({"0", install.ProductFile});
        install.Use();
        prompt.Show();
        EXPECT_EQ(prompt.Caption(), "Error - Kestrix");
        EXPECT_EQ(ui::Application::Instance().Title(), "Error - Kestrix");
        for (const std::string& text : {prompt.lblTip.Text(), prompt.lblDiscount.Text(), prompt.btnSurvey.Text(),
                                        prompt.btnOK.Text(), prompt.lblUninstall.Text(), prompt.btnUninstall.Text()})
            EXPECT_EQ(text, "Error");
    }
}

TEST(Prompt, RefusesEveryResize) {
    const Installation install;
    TfrmMain prompt({"0", install.ProductFile});
    install.Use();
    prompt.Show();
    const RECT before = prompt.WindowRect();
    SetWindowPos(prompt.Handle(), nullptr, 0, 0, 900, 700, SWP_NOMOVE | SWP_NOZORDER);
    MoveWindow(prompt.Handle(), before.left + 10, before.top, 300, 200, TRUE);
    const RECT after = prompt.WindowRect();
    EXPECT_EQ(after.right - after.left, before.right - before.left);
    EXPECT_EQ(after.bottom - after.top, before.bottom - before.top);
    EXPECT_EQ(after.left, before.left + 10);  // moving is still allowed
    EXPECT_EQ(prompt.ClientWidth(), 576);
    EXPECT_EQ(prompt.ClientHeight(), 372);
}

TEST(Prompt, EnterOrSpaceRightAwayPressesTheHiddenOkAndKeepsExitCodeOne) {
    const Installation install;
    for (WPARAM key : {VK_RETURN, VK_SPACE}) {
        TfrmMain prompt({"0", install.ProductFile});
        install.Use();
        prompt.Show();
        ASSERT_TRUE(prompt.btnOK.Focused());
        test::PressKey(prompt.btnOK.Handle(), key);
        EXPECT_FALSE(prompt.Visible()) << key;
        EXPECT_EQ(ExitCode, 1);
    }
    TfrmMain prompt({"0", install.ProductFile});
    install.Use();
    prompt.Show();
    SendMessageW(prompt.btnUninstall.Handle(), BM_CLICK, 0, 0);
    EXPECT_FALSE(prompt.Visible());
    EXPECT_EQ(ExitCode, 0);
}

TEST(Prompt, FirstShowsCentredOnTheWholeDesktopWithAMonitorLeftOfThePrimary) {
    // Two 1920 x 1080 monitors, the second left of the primary.
    ui::SetVirtualScreenSource([] { return RECT{-1920, 0, 1920, 1080}; });
    const Installation install;
    TfrmMain prompt({"0", install.ProductFile});
    install.Use();
    prompt.Show();
    ui::SetVirtualScreenSource(nullptr);
    const RECT r = prompt.WindowRect();
    // Its middle on the meeting edge of the two monitors, whatever the frame's width.
    EXPECT_NEAR((r.left + r.right) / 2.0, 0, 1);
    EXPECT_NEAR((r.top + r.bottom) / 2.0, 540, 1);
    prompt.Hide();
}

}  // namespace
}  // namespace kx::valedict
