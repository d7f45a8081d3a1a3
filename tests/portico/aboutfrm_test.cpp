#include "Install.h"

#include "AboutFrm.h"
#include "Application.h"
#include "Global.h"
#include "LauncherState.h"
#include "MainFrm.h"
#include "Os.h"
#include "Scoped.h"
#include "Text.h"
#include "Timer.h"

namespace kx::test {
namespace {

using namespace std::chrono_literals;
using portico::TfrmAbout;
using portico::TfrmMain;

class WatchedAbout : public TfrmAbout {
public:
    using TfrmAbout::TfrmAbout;
    int drags = 0;

protected:
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
        if (message == WM_SYSCOMMAND && wParam == 0xF012) {
            ++drags;
            result = 0;
            return true;
        }
        return TfrmAbout::HandleMessage(message, wParam, lParam, result);
    }
};

// Pixels of the top-left 12 x 12 corner that the window's shape leaves out.
int CornerPixelsCut(HWND hwnd) {
    const GdiObject<HRGN> region(CreateRectRgn(0, 0, 0, 0));
    if (GetWindowRgn(hwnd, region.get()) == ERROR) return -1;
    int cut = 0;
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x) cut += PtInRegion(region.get(), x, y) ? 0 : 1;
    return cut;
}

using AboutBox = LauncherTest;

TEST_F(AboutBox, ShowsTheLookedUpTextsAndTheBrandLook) {
    language.Set("frmAbout", "VersionNumber", "1.101").Remove("frmAbout", "copyright").Install();
    TfrmMain main;
    main.Show();
    WatchedAbout about(main);
    EXPECT_EQ(about.ClientWidth(), 481);
    EXPECT_EQ(about.ClientHeight(), 348);
    EXPECT_EQ(about.Caption(), "About");
    about.Show();
    EXPECT_TRUE(boxes.Boxes().empty());
    EXPECT_EQ(about.lblProducteName.Text(), "Kestrix");
    EXPECT_EQ(about.lblCopyright.Text(), "???");
    EXPECT_EQ(about.lblHomepage.Text(), "Visit the Kestrix home page");
    EXPECT_EQ(about.lblHomepage.URL, "https://home.kestrix.example/");
    EXPECT_EQ(about.lblSupport.Text(), "Contact support");
    EXPECT_TRUE(about.lblSupport.URL.empty());
    EXPECT_EQ(about.lblVersion.Text(), "Version: 1.101");
    EXPECT_EQ(about.lblTitle.Text(), "Kestrix 1.101");
    EXPECT_EQ(about.btnExit.Caption(), "Close");
    EXPECT_EQ(about.lblTitle.Font().Color, RGB(255, 255, 255));
    EXPECT_EQ(about.btnExit.Width(), 90);
    EXPECT_EQ(about.btnFrmClose.Width(), 36);
    const int cutNine = CornerPixelsCut(about.Handle());
    // Centred over the main window.
    const RECT m = main.WindowRect(), a = about.WindowRect();
    EXPECT_EQ(a.left - m.left, (800 - 481) / 2);
    EXPECT_EQ(a.top - m.top, (480 - 348) / 2);

    ClickAt(about.Handle(), about.lblHomepage.Left() + 3, about.lblHomepage.Top() + 3);
    ASSERT_EQ(addresses.Addresses().size(), 1u);
    EXPECT_EQ(addresses.Addresses()[0], "https://home.kestrix.example/");

    MouseDown(about.Handle(), 5, 340);
    MouseDown(about.Handle(), about.lblTitle.Left() + 2, about.lblTitle.Top() + 2, WM_RBUTTONDOWN);
    MouseDown(about.Handle(), about.lblVersion.Left() + 2, about.lblVersion.Top() + 2);
    MouseDown(about.btnExit.Handle(), 4, 4);
    MouseUp(about.btnExit.Handle(), -40, -40);
    EXPECT_EQ(about.drags, 2);
    about.Close();

    language.Set("Product", "Company Name", "TAVVEL").Install();
    TfrmMain tavvel;
    TfrmAbout teal(tavvel);
    teal.Show();
    EXPECT_EQ(teal.lblTitle.Font().Color, static_cast<COLORREF>(0x625A26));
    const int cutFive = CornerPixelsCut(teal.Handle());
    EXPECT_GT(cutFive, 0);
    EXPECT_GT(cutNine, cutFive);
    teal.Close();
    main.Hide();
}

TEST_F(AboutBox, SupportLinkOpensMailTheMakerOrTheHelpPage) {
    auto supportAddress = [&] {
        TfrmMain main;
        TfrmAbout about(main);
        about.Show();
        const std::size_t before = addresses.Addresses().size();
        ClickAt(about.Handle(), about.lblSupport.Left() + 3, about.lblSupport.Top() + 3);
        about.Close();
        return addresses.Addresses().size() == before + 1 ? addresses.Addresses().back() : std::string("(none)");
    };
    EXPECT_EQ(supportAddress(), "MailTo:support@kestrix.example");
    language.Remove("Product", "Support Email").Install();
    EXPECT_EQ(supportAddress(), "https://www.kestrix.example/");  // the maker's, not the product's
    language.Set("Product", "Company Name", "Corvith LABORATORY").Install();
    EXPECT_EQ(supportAddress(), "https://www.kestrix.example/help/");
    language.Remove("Product", "ProductHelpPage").Set("Product", "Support Email", "x@kestrix.example").Install();
    EXPECT_EQ(supportAddress(), "???");
}

TEST_F(AboutBox, EachOpeningReadsTheFileAgain) {
    TfrmMain main;
    {
        TfrmAbout about(main);
        about.Show();
        EXPECT_EQ(about.lblCopyright.Text(), "Copyright 2026 Wrenfold");
        about.Close();
    }
    // The decoded copy is what every lookup reads.
    language.Set("frmAbout", "copyright", "Copyright 2027 Wrenfold");
    const std::string text = language.Text();
    os::WriteFileBytes(portico::State().LanguageFilePath, std::vector<std::uint8_t>(text.begin(), text.end()));
    WriteSolidBitmap(folder + "Skin\\About\\Main.bmp", 481, 348, RGB(1, 2, 3));
    TfrmAbout again(main);
    again.Show();
    EXPECT_EQ(again.lblCopyright.Text(), "Copyright 2027 Wrenfold");
    EXPECT_EQ(again.Image1.GetBitmap()->PixelAt(100, 100), RGB(1, 2, 3));
    again.Close();
}

TEST_F(AboutBox, AMissingPictureIsReportedAndTheRestOfTheShowingIsSkipped) {
    os::RemoveFile(folder + "Skin\\About\\btnOK_On.bmp");
    TfrmMain main;
    TfrmAbout about(main);
    about.Show();
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_NE(boxes.Boxes()[0].Text.find("btnOK_On.bmp"), std::string::npos);
    EXPECT_TRUE(about.Visible());
    EXPECT_TRUE(about.btnFrmClose.PicDisabled());
    EXPECT_FALSE(about.btnExit.PicMouseOn());
    EXPECT_EQ(about.lblHomepage.Text(), "Visit the home page of this product");
    EXPECT_EQ(about.lblVersion.Text(), "Version: 1.101");
    EXPECT_EQ(about.btnExit.Caption(), "OK");
    EXPECT_EQ(CornerPixelsCut(about.Handle()), -1);  // still rectangular
    ClickAt(about.btnFrmClose.Handle(), 5, 5);
    EXPECT_FALSE(about.Visible());
}

TEST_F(AboutBox, OpensModallyFromTheAboutLinkAndBothButtonsCloseIt) {
    TfrmMain main;
    main.Show();
    for (const bool useOk : {true, false}) {
        bool sawModal = false;
        HWND aboutWindow = nullptr;
        int ticks = 0;
        ui::Timer probe(main, 50, [&] {
            if (++ticks > 200) {  // never hang: a quit message ends the modal loop
                probe.SetEnabled(false);
                PostQuitMessage(0);
                return;
            }
            EnumThreadWindows(
                GetCurrentThreadId(),
                [](HWND hwnd, LPARAM found) -> BOOL {
                    if (IsWindowVisible(hwnd) && WindowText(hwnd) == "About") *reinterpret_cast<HWND*>(found) = hwnd;
                    return TRUE;
                },
                reinterpret_cast<LPARAM>(&aboutWindow));
            if (!aboutWindow) return;
            probe.SetEnabled(false);
            sawModal = !IsWindowEnabled(main.Handle());
            // The OK button lies at (192, 283), the close button at (435, 4).
            HWND button = ChildWindowFromPoint(aboutWindow, useOk ? POINT{200, 290} : POINT{440, 8});
            ClickAt(button, 3, 3);
        });
        probe.SetEnabled(true);
        MouseMove(main.Handle(), main.lblReg.Left() + 2, main.lblReg.Top() + 2);
        ClickAt(main.Handle(), main.lblReg.Left() + 2, main.lblReg.Top() + 2);
        EXPECT_TRUE(sawModal);
        EXPECT_TRUE(aboutWindow && !IsWindow(aboutWindow));
        EXPECT_TRUE(IsWindowEnabled(main.Handle()));
    }
    EXPECT_TRUE(boxes.Boxes().empty());
    main.Hide();
}

}  // namespace
}  // namespace kx::test
