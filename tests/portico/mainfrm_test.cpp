#include "Install.h"

#include "Application.h"
#include "LauncherState.h"
#include "MainFrm.h"
#include "Os.h"
#include "Scoped.h"
#include "Screen.h"
#include "Text.h"

namespace kx::test {
namespace {

using namespace std::chrono_literals;
using portico::State;
using portico::TfrmMain;

// Counts the window moves the form asks for instead of letting the system run one.
class WatchedMain : public TfrmMain {
public:
    int drags = 0;

protected:
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
        if (message == WM_SYSCOMMAND && wParam == 0xF012 && lParam == 0) {
            ++drags;
            result = 0;
            return true;
        }
        return TfrmMain::HandleMessage(message, wParam, lParam, result);
    }
};

using MainWindow = LauncherTest;

TEST_F(MainWindow, CaptionsReadDirectlyShowTheLauncherMarkerAndLookupsTheirs) {
    language.Remove("frmMain", "Title").Remove("frmMain", "lblHomepage").Set("frmMain", "lblAbout", "").Install();
    TfrmMain missing;
    EXPECT_EQ(missing.Caption(), "1.1");
    EXPECT_EQ(missing.lblHomePage.Text(), "1.1");
    EXPECT_EQ(missing.lblReg.Text(), "???");  // empty looked-up value
    EXPECT_EQ(missing.lblFeedback.Text(), "Report Bugs");
    EXPECT_TRUE(missing.lblFeedback.URL.empty());

    language.Set("frmMain", "Title", "").Remove("frmMain", "lblAbout").Install();
    TfrmMain empty;
    EXPECT_EQ(empty.Caption(), "");
    EXPECT_EQ(empty.lblReg.Text(), "???");
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(MainWindow, TitleJoinsNameAndVersionAndBecomesTheApplicationTitle) {
    {
        TfrmMain frm;
        EXPECT_EQ(frm.lblTitle.Text(), "Kestrix 3.0.2");
        EXPECT_EQ(ui::Application::Instance().Title(), "Kestrix 3.0.2");
        EXPECT_EQ(frm.Caption(), "Kestrix Launcher");
    }
    language.Remove("Product", "Product short Name").Install();
    {
        TfrmMain frm;
        EXPECT_EQ(frm.lblTitle.Text(), "??? 3.0.2");
    }
    language.Set("Product", "Product short Name", "1.1").Remove("frmAbout", "VersionNumber").Install();
    {
        TfrmMain frm;
        EXPECT_EQ(frm.lblTitle.Text(), "Wrenfold Panvert ???");
        EXPECT_EQ(ui::Application::Instance().Title(), "Wrenfold Panvert ???");
    }
}

TEST_F(MainWindow, LinksAreLaidOutRightToLeftFromTheMeasuredWidths) {
    TfrmMain frm;
    const int home = frm.lblHomePage.Width();
    EXPECT_EQ(frm.lblHomePage.Left(), 800 - home - 30);
    EXPECT_EQ(frm.imgHomepage.Left(), frm.lblHomePage.Left() - 24 - 4);
    EXPECT_EQ(frm.lblReg.Left(), frm.imgHomepage.Left() - frm.lblReg.Width() - 15);
    EXPECT_EQ(frm.imgReg.Left(), frm.lblReg.Left() - 24 - 4);
    EXPECT_EQ(frm.lblFeedback.Left(), 766 - 5 - frm.lblFeedback.Width());
    for (const ui::GraphicControl* c : {static_cast<const ui::GraphicControl*>(&frm.imgReg),
                                        static_cast<const ui::GraphicControl*>(&frm.imgHomepage)})
        EXPECT_EQ(c->Top(), 58);
    EXPECT_EQ(frm.lblReg.Top(), 65);
    EXPECT_EQ(frm.lblHomePage.Top(), 65);
    EXPECT_EQ(frm.lblFeedback.Top(), 14);
    EXPECT_EQ(frm.lblHistory.Top(), frm.lblTitle.Top());
    EXPECT_EQ(frm.lblHistory.Left(), frm.lblTitle.Left() + frm.lblTitle.Width() + 5);
    EXPECT_EQ(frm.lblTitle.Left(), 39);
    if (home == 51) {
        EXPECT_EQ(frm.lblHomePage.Left(), 719);
        EXPECT_EQ(frm.imgHomepage.Left(), 691);
    }

    language.Set("frmMain", "lblAbout", "About this product and its makers").Install();
    TfrmMain wide;
    EXPECT_EQ(wide.lblHomePage.Left(), frm.lblHomePage.Left());
    EXPECT_EQ(wide.imgHomepage.Left(), frm.imgHomepage.Left());
    EXPECT_GT(wide.lblReg.Width(), frm.lblReg.Width());
    EXPECT_EQ(wide.lblReg.Left(), frm.lblReg.Left() - (wide.lblReg.Width() - frm.lblReg.Width()));
    EXPECT_EQ(wide.imgReg.Left(), wide.lblReg.Left() - 28);
}

TEST_F(MainWindow, HomePageLabelFiftyOnePixelsWideGivesTheDesignedFigures) {
    // Find a caption that measures 51 pixels in the link font, as the layout was drawn for.
    std::string caption;
    for (const char* candidate : {"Homepage", "Home Page", "Home page", "Web Page", "Web Site", "Website",
                                  "Our Home", "HomePage", "Visit Site", "Web home"}) {
        ui::FontSpec font;
        font.Color = RGB(255, 255, 255);
        if (ui::MeasureText(font, ToWide(candidate)).cx == 51) {
            caption = candidate;
            break;
        }
    }
    if (caption.empty()) GTEST_SKIP() << "no candidate caption measures 51 pixels with this system's Tahoma";
    language.Set("frmMain", "lblHomepage", caption).Install();
    TfrmMain frm;
    ASSERT_EQ(frm.lblHomePage.Width(), 51);
    EXPECT_EQ(frm.lblHomePage.Left(), 719);
    EXPECT_EQ(frm.imgHomepage.Left(), 691);
}

TEST_F(MainWindow, BrandAndEditionComeFromTheProductSection) {
    {
        TfrmMain frm;
        EXPECT_TRUE(frm.lblFeedback.Visible());
        EXPECT_TRUE(frm.lblHistory.Visible());
        EXPECT_FALSE(State().FreeEdition);
        EXPECT_EQ(State().CompanyName, "wrenfold");
    }
    language.Set("Product", "Company Name", "BrambleWick").Set("frmAbout", "Type", "TRUE").Install();
    {
        TfrmMain frm;
        EXPECT_EQ(State().BrandNumber, 4);
        EXPECT_EQ(State().CompanyName, "bramblewick");
        EXPECT_FALSE(frm.lblFeedback.Visible());
        EXPECT_FALSE(frm.lblHistory.Visible());
        EXPECT_TRUE(State().FreeEdition);
    }
    language.Set("Product", "Company Name", "Tavvel").Set("frmAbout", "Type", "2").Install();
    {
        TfrmMain frm;
        EXPECT_EQ(State().BrandNumber, 2);
        EXPECT_TRUE(frm.lblFeedback.Visible());
        EXPECT_TRUE(frm.lblHistory.Visible());
        EXPECT_TRUE(State().FreeEdition);
    }
    EXPECT_EQ(State().SkinPath, folder + "Skin\\Main\\");
    for (const char* flag : {"yes", "0", "false", "0.0"}) {
        language.Set("frmAbout", "Type", flag).Install();
        TfrmMain frm;
        EXPECT_FALSE(State().FreeEdition) << flag;
    }
}

TEST_F(MainWindow, AMissingLanguageFileIsReportedAndTheWindowStillOpens) {
    os::RemoveFile(folder + "Lang\\Main.dat");
    ui::Application::Instance().SetTitle("");  // as at the program's start
    TfrmMain frm;
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].Caption, "portico_tests.exe");  // no title yet: the program's file name
    EXPECT_EQ(boxes.Boxes()[0].Icon, ui::MessageIcon::Error);
    EXPECT_NE(boxes.Boxes()[0].Text.find("Main.dat"), std::string::npos);
    EXPECT_EQ(frm.lblHomePage.Text(), "Home Page");  // the built-in caption
    frm.Show();
    EXPECT_TRUE(frm.Visible());
    frm.Hide();
}

TEST_F(MainWindow, FirstShowingCentresLoadsTheSkinAndStartsTheTimerOnce) {
    TfrmMain frm;
    EXPECT_FALSE(frm.TimerVersionAndAD.Enabled());
    frm.Show();
    EXPECT_TRUE(boxes.Boxes().empty());
    EXPECT_EQ(frm.Tag, 1);
    EXPECT_TRUE(frm.TimerVersionAndAD.Enabled());
    EXPECT_TRUE(frm.btnCut.Focused());
    const RECT r = frm.WindowRect();
    EXPECT_EQ(r.right - r.left, 800);
    EXPECT_EQ(r.bottom - r.top, 480);
    EXPECT_EQ(r.left, std::max(0, (GetSystemMetrics(SM_CXVIRTUALSCREEN) - 800) / 2));
    EXPECT_EQ(r.top, std::max(0, (GetSystemMetrics(SM_CYVIRTUALSCREEN) - 480) / 2));
    ASSERT_TRUE(frm.Image1.GetBitmap());
    EXPECT_EQ(frm.btnCut.Width(), 232);
    EXPECT_EQ(frm.btnClose.Width(), 29);
    EXPECT_EQ(frm.btnClose.Height(), 20);
    EXPECT_TRUE(frm.btnClose.PicDisabled());
    EXPECT_FALSE(frm.btnCut.PicDisabled());  // the tools have no disabled picture
    EXPECT_EQ(frm.btnAdvancedCut.Left(), 25);
    EXPECT_EQ(frm.btnBatchCut.Left(), 284);
    // The timer fires once and switches itself off.
    ASSERT_TRUE(PumpUntil([&] { return !frm.TimerVersionAndAD.Enabled(); }, 10s));

    const auto background = frm.Image1.GetBitmap();
    frm.Hide();
    os::RemoveFile(folder + "Skin\\Main\\Main.bmp");
    frm.Show();
    EXPECT_TRUE(boxes.Boxes().empty());  // nothing was loaded again
    EXPECT_EQ(frm.Image1.GetBitmap(), background);
    EXPECT_FALSE(frm.TimerVersionAndAD.Enabled());
    frm.Hide();
}

TEST_F(MainWindow, FirstShowingCentresOnTheWholeDesktopWithAMonitorAboveThePrimary) {
    // A 1920 x 1024 monitor above a 1920 x 1080 primary.
    ui::SetVirtualScreenSource([] { return RECT{0, -1024, 1920, 1080}; });
    TfrmMain frm;
    frm.Show();
    ui::SetVirtualScreenSource(nullptr);
    const RECT r = frm.WindowRect();
    EXPECT_EQ(r.left, 560);
    EXPECT_EQ(r.top, -212);
    EXPECT_EQ(r.bottom, 268);
    frm.Hide();
}

TEST_F(MainWindow, AMissingSkinBitmapStopsTheLoadingAndTheNextShowingTriesAgain) {
    const std::string missing = folder + "Skin\\Main\\btnBatchCut_On.bmp", aside = folder + "btnBatchCut_On.aside";
    ASSERT_TRUE(MoveFileW(ToWide(missing).c_str(), ToWide(aside).c_str()));
    TfrmMain frm;
    frm.Show();
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_NE(boxes.Boxes()[0].Text.find("btnBatchCut_On.bmp\": the file does not exist."), std::string::npos)
        << boxes.Boxes()[0].Text;
    EXPECT_TRUE(frm.Visible());
    EXPECT_TRUE(frm.btnCut.PicMouseDown());
    EXPECT_TRUE(frm.btnBatchCut.PicNormal());
    EXPECT_FALSE(frm.btnBatchCut.PicMouseOn());
    EXPECT_FALSE(frm.btnAdvancedCut.PicNormal());
    EXPECT_FALSE(frm.imgReg.GetBitmap());
    EXPECT_EQ(frm.Tag, 0);
    EXPECT_TRUE(frm.TimerVersionAndAD.Enabled());

    frm.Hide();
    frm.TimerVersionAndAD.SetEnabled(false);
    // The picture comes back; the window's pictures are read from their files meanwhile.
    ASSERT_TRUE(MoveFileW(ToWide(aside).c_str(), ToWide(missing).c_str()));
    frm.Show();
    EXPECT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(frm.Tag, 1);
    EXPECT_TRUE(frm.TimerVersionAndAD.Enabled());
    EXPECT_TRUE(frm.btnAdvancedCut.PicNormal());
    EXPECT_TRUE(frm.imgReg.GetBitmap());
    frm.Hide();
}

TEST_F(MainWindow, LinkPicturesFollowThePointerOverPictureAndLabelAlike) {
    const std::string skin = folder + "Skin\\Main\\";
    WriteSolidBitmap(skin + "btnHomepage_Normal.bmp", 24, 26, RGB(10, 10, 10));
    WriteSolidBitmap(skin + "btnHomepage_On.bmp", 24, 26, RGB(0, 200, 0));
    WriteSolidBitmap(skin + "btnHomepage_Down.bmp", 24, 26, RGB(200, 0, 0));
    WriteSolidBitmap(skin + "btnReg_On.bmp", 24, 26, RGB(0, 0, 200));
    WatchedMain frm;
    frm.Show();
    HWND f = frm.Handle();
    auto shown = [](const ui::Picture& p) { return p.GetBitmap()->PixelAt(5, 5); };
    EXPECT_EQ(shown(frm.imgHomepage), RGB(10, 10, 10));
    MouseMove(f, frm.lblHomePage.Left() + 2, frm.lblHomePage.Top() + 2);
    EXPECT_EQ(shown(frm.imgHomepage), RGB(0, 200, 0));
    MouseDown(f, frm.lblHomePage.Left() + 2, frm.lblHomePage.Top() + 2, WM_RBUTTONDOWN);
    EXPECT_EQ(shown(frm.imgHomepage), RGB(200, 0, 0));
    MouseMove(f, 400, 470);
    EXPECT_EQ(shown(frm.imgHomepage), RGB(10, 10, 10));
    MouseMove(f, frm.imgReg.Left() + 5, frm.imgReg.Top() + 5);
    EXPECT_EQ(shown(frm.imgReg), RGB(0, 0, 200));
    // The pressed picture stays after a click, until the pointer leaves.
    MouseMove(f, frm.imgHomepage.Left() + 5, frm.imgHomepage.Top() + 5);
    ClickAt(f, frm.imgHomepage.Left() + 5, frm.imgHomepage.Top() + 5);
    EXPECT_EQ(shown(frm.imgHomepage), RGB(200, 0, 0));
    EXPECT_EQ(frm.drags, 0);

    // A link picture that cannot be loaded is reported; the picture keeps what it showed.
    os::RemoveFile(skin + "btnHomepage_Normal.bmp");
    MouseMove(f, 400, 470);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_NE(boxes.Boxes()[0].Text.find("btnHomepage_Normal.bmp"), std::string::npos);
    EXPECT_EQ(shown(frm.imgHomepage), RGB(200, 0, 0));
    frm.Hide();
}

TEST_F(MainWindow, OnlyTheBackgroundStartsAWindowMove) {
    WatchedMain frm;
    frm.Show();
    HWND f = frm.Handle();
    MouseDown(f, 400, 470);
    MouseUp(f, 400, 470);
    EXPECT_EQ(frm.drags, 1);
    MouseDown(f, 400, 470, WM_RBUTTONDOWN);
    EXPECT_EQ(frm.drags, 2);
    for (const ui::Label* label : {&frm.lblTitle, &frm.lblReg, &frm.lblHomePage}) {
        MouseDown(f, label->Left() + 2, label->Top() + 2);
        MouseUp(f, 5, 470);  // away from the label: no click
    }
    MouseDown(frm.btnClose.Handle(), 3, 3);
    MouseUp(frm.btnClose.Handle(), -30, 3);
    EXPECT_EQ(frm.drags, 2);
    EXPECT_TRUE(frm.Visible());
    frm.Hide();
}

TEST_F(MainWindow, CloseButtonEndsTheLoopAndFreesTheUpdateDialog) {
    TfrmMain frm;
    ui::Application::Instance().SetMainForm(&frm);
    frm.Show();
    portico::frmGetNewVersion = std::make_unique<portico::TfrmGetNewVersion>(frm);
    ClickAt(frm.btnClose.Handle(), 5, 5);
    EXPECT_FALSE(frm.Visible());
    EXPECT_FALSE(portico::frmGetNewVersion);
    EXPECT_TRUE(ui::Application::Instance().Terminated());
    ui::Application::Instance().SetMainForm(nullptr);
    // The posted quit must not end the next test's pumping.
    MSG msg;
    PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}

TEST_F(MainWindow, ALanguageFileHeldOpenWithoutSharingCountsAsMissing) {
    TfrmMain frm;
    KernelHandle held(CreateFileW(ToWide(State().LanguageFilePath).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held);
    frm.lblHomePageClick();
    held.reset();
    ASSERT_EQ(addresses.Addresses().size(), 1u);
    EXPECT_EQ(addresses.Addresses()[0], "???");  // the lookup's default, as for a missing file
    EXPECT_TRUE(boxes.Boxes().empty());
    frm.lblHomePageClick();
    EXPECT_EQ(addresses.Addresses().back(), "https://home.kestrix.example/");
}

}  // namespace
}  // namespace kx::test
