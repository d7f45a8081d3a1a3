#include "Accessibility.h"
#include "Application.h"
#include "Form.h"
#include "Gui.h"
#include "ImageButton.h"
#include "Shell.h"
#include "StdControls.h"
#include "Timer.h"
#include "URLLabel.h"

#include <gtest/gtest.h>

namespace kx::ui {
namespace {

using namespace std::chrono_literals;

constexpr COLORREF FormGreen = RGB(0, 160, 0);
constexpr COLORREF Magenta = RGB(255, 0, 255);

// A solid picture whose top-left pixel can be given its own colour.
std::shared_ptr<Bitmap> Solid(COLORREF color, int width = 40, int height = 30, COLORREF corner = CLR_INVALID) {
    auto bitmap = Bitmap::Create(width, height, color);
    if (corner != CLR_INVALID) bitmap->Fill(RECT{0, 0, 1, 1}, corner);
    return bitmap;
}

class ButtonForm : public Form {
public:
    ButtonForm() : Form(nullptr, FormBorder::None, 200, 120) {
        SetColor(FormGreen);
        button.OnClick = [this] { ++clicks; };
        button.OnMouseEnter = [this] { ++enters; };
        button.OnMouseExit = [this] { ++exits; };
        button.OnMouseContinuouslyDown = [this] { ++repeats; };
        SetTabOrder({&button, &other});
        MoveTo(100, 100);
    }
    TkxImageButton button{*this, 20, 20, 60, 40};
    PushButton other{*this, 120, 20, 60, 25};
    int clicks = 0, enters = 0, exits = 0, repeats = 0;
};

COLORREF ShownAt(const TkxImageButton& button, int x, int y) {
    UpdateWindow(button.Handle());
    test::PumpFor(30ms);
    return test::PixelOnScreen(button.Handle(), x, y);
}

struct Pictures {
    std::shared_ptr<Bitmap> normal = Solid(RGB(200, 0, 0));
    std::shared_ptr<Bitmap> on = Solid(RGB(0, 0, 200));
    std::shared_ptr<Bitmap> down = Solid(RGB(200, 200, 0));
    std::shared_ptr<Bitmap> disabled = Solid(RGB(90, 90, 90));
};

TEST(ImageButton, ShowsTheFirstMatchingPictureOfItsStateOnTheScreen) {
    ButtonForm form;
    Pictures p;
    form.button.SetPicNormal(p.normal);
    form.button.SetPicMouseOn(p.on);
    form.button.SetPicMouseDown(p.down);
    form.button.SetPicDisabled(p.disabled);
    form.Show();
    test::PumpFor(50ms);
    HWND b = form.button.Handle();
    EXPECT_EQ(ShownAt(form.button, 10, 10), RGB(200, 0, 0));

    test::MouseMove(b, 10, 10);
    EXPECT_TRUE(form.button.Hovered());
    EXPECT_EQ(form.enters, 1);
    EXPECT_EQ(ShownAt(form.button, 10, 10), RGB(0, 0, 200));

    test::MouseDown(b, 10, 10);
    EXPECT_TRUE(form.button.Pressed());
    EXPECT_TRUE(form.button.Focused());
    EXPECT_EQ(ShownAt(form.button, 10, 10), RGB(200, 200, 0));
    test::MouseUp(b, 10, 10);
    EXPECT_EQ(form.clicks, 1);
    EXPECT_EQ(form.button.CurrentPicture(), p.on.get());  // still under the pointer

    form.button.SetEnabled(false);
    EXPECT_EQ(ShownAt(form.button, 10, 10), RGB(90, 90, 90));
    // Disabled wins over every other state.
    form.button.SetEnabled(true);
    test::MouseMove(b, 12, 12);
    form.button.SetEnabled(false);
    EXPECT_EQ(form.button.CurrentPicture(), p.disabled.get());
}

TEST(ImageButton, OnlyANormalPictureServesEveryStateAndNoPictureLeavesTheBackground) {
    ButtonForm form;
    auto normal = Solid(RGB(200, 0, 0));
    form.button.SetPicNormal(normal);
    form.Show();
    HWND b = form.button.Handle();
    test::MouseMove(b, 5, 5);
    EXPECT_EQ(form.button.CurrentPicture(), normal.get());
    test::MouseDown(b, 5, 5);
    EXPECT_EQ(form.button.CurrentPicture(), normal.get());
    EXPECT_EQ(ShownAt(form.button, 10, 10), RGB(200, 0, 0));
    test::MouseUp(b, 5, 5);
    form.button.SetEnabled(false);
    EXPECT_EQ(form.button.CurrentPicture(), normal.get());
    EXPECT_EQ(ShownAt(form.button, 10, 10), RGB(200, 0, 0));

    ButtonForm bare;
    bare.button.SetColor(RGB(10, 20, 30));
    bare.Show();
    EXPECT_EQ(bare.button.CurrentPicture(), nullptr);
    EXPECT_EQ(ShownAt(bare.button, 30, 20), RGB(10, 20, 30));
    bare.button.SetTransparent(true);
    EXPECT_EQ(ShownAt(bare.button, 30, 20), FormGreen);
}

TEST(ImageButton, TransparentPaintingKeysOutTheTopLeftColourOverTheParent) {
    ButtonForm form;
    form.button.SetTransparent(true);
    // The corner colour marks what is left out; the rest of the picture is drawn.
    auto picture = Solid(RGB(0, 0, 220), 60, 40, Magenta);
    picture->Fill(RECT{0, 0, 60, 8}, Magenta);
    form.button.SetPicNormal(picture);
    form.Show();
    EXPECT_EQ(ShownAt(form.button, 30, 3), FormGreen);
    EXPECT_EQ(ShownAt(form.button, 30, 20), RGB(0, 0, 220));
}

TEST(ImageButton, AutoSizeTakesTheNormalPictureAndStretchFillsTheControl) {
    ButtonForm form;
    form.button.SetPicMouseOn(Solid(RGB(1, 2, 3), 90, 70));
    form.button.SetAutoSize(true);
    EXPECT_EQ(form.button.Width(), 60);  // only the normal picture sizes it
    form.button.SetPicNormal(Solid(RGB(200, 0, 0), 33, 21));
    EXPECT_EQ(form.button.Width(), 33);
    EXPECT_EQ(form.button.Height(), 21);

    form.button.SetAutoSize(false);
    form.button.SetBounds(20, 20, 80, 60);
    form.button.SetStretch(true);
    form.Show();
    EXPECT_EQ(ShownAt(form.button, 75, 55), RGB(200, 0, 0));
    form.button.SetStretch(false);
    EXPECT_NE(ShownAt(form.button, 75, 55), RGB(200, 0, 0));
}

TEST(ImageButton, HoldingTheLeftButtonRepeatsUntilReleaseThenClicksOnce) {
    ButtonForm form;
    form.button.SetPicNormal(Solid(RGB(200, 0, 0)));
    form.Show();
    HWND b = form.button.Handle();
    test::MouseMove(b, 10, 10);
    test::MouseDown(b, 10, 10);
    EXPECT_TRUE(form.button.Repeating());
    ASSERT_TRUE(test::PumpUntil([&] { return form.repeats >= 3; }, 10s));
    EXPECT_EQ(form.clicks, 0);
    test::MouseUp(b, 10, 10);
    EXPECT_EQ(form.clicks, 1);
    EXPECT_FALSE(form.button.Repeating());
    EXPECT_FALSE(form.button.Pressed());
    const int repeats = form.repeats;
    test::PumpFor(400ms);
    EXPECT_EQ(form.repeats, repeats);  // the timer went with the release

    // A pointer leaving ends the repeating as well.
    test::MouseDown(b, 10, 10);
    SendMessageW(b, WM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(form.button.Repeating());
    EXPECT_FALSE(form.button.Hovered());
    EXPECT_EQ(form.exits, 1);
    test::MouseUp(b, -20, -20);
    EXPECT_EQ(form.clicks, 1);
}

TEST(ImageButton, DraggingOffAPressedButtonShowsNormalAndReleasingOutsideDoesNotClick) {
    ButtonForm form;
    Pictures p;
    form.button.SetPicNormal(p.normal);
    form.button.SetPicMouseOn(p.on);
    form.button.SetPicMouseDown(p.down);
    form.Show();
    HWND b = form.button.Handle();
    test::MouseMove(b, 10, 10);
    test::MouseDown(b, 10, 10);
    EXPECT_EQ(form.button.CurrentPicture(), p.down.get());
    test::MouseMove(b, 10, -6);  // captured: positions outside still arrive
    EXPECT_FALSE(form.button.Pressed());
    EXPECT_FALSE(form.button.Hovered());
    EXPECT_EQ(form.button.CurrentPicture(), p.normal.get());
    EXPECT_EQ(ShownAt(form.button, 10, 10), RGB(200, 0, 0));
    test::MouseMove(b, 80, 10);
    test::MouseUp(b, 80, 10);
    EXPECT_EQ(form.clicks, 0);
    EXPECT_NE(GetCapture(), b);

    // Cancel-mode clears the state and the timer.
    test::MouseMove(b, 10, 10);
    test::MouseDown(b, 10, 10);
    SendMessageW(b, WM_CANCELMODE, 0, 0);
    EXPECT_FALSE(form.button.Pressed());
    EXPECT_FALSE(form.button.Hovered());
    EXPECT_FALSE(form.button.Repeating());
    EXPECT_NE(GetCapture(), b);
    test::MouseUp(b, 10, 10);
    EXPECT_EQ(form.clicks, 0);
}

TEST(ImageButton, SpaceAndEnterPressAndClickAndTheFormKeysReachDefaultAndCancel) {
    ButtonForm form;
    Pictures p;
    form.button.SetPicNormal(p.normal);
    form.button.SetPicMouseDown(p.down);
    form.Show();
    HWND b = form.button.Handle();
    form.button.SetFocus();
    PostMessageW(b, WM_KEYDOWN, VK_SPACE, 1);
    test::PumpFor(30ms);
    EXPECT_TRUE(form.button.Pressed());
    EXPECT_EQ(form.button.CurrentPicture(), p.down.get());
    EXPECT_EQ(form.clicks, 0);
    PostMessageW(b, WM_KEYUP, VK_SPACE, static_cast<LPARAM>(0xC0000001u));
    test::PumpFor(30ms);
    EXPECT_EQ(form.clicks, 1);
    EXPECT_FALSE(form.button.Pressed());

    test::PressKey(b, VK_RETURN);
    EXPECT_EQ(form.clicks, 2);
    form.button.SetEnabled(false);
    test::PressKey(b, VK_SPACE);
    EXPECT_EQ(form.clicks, 2);
    form.button.SetEnabled(true);

    form.other.SetFocus();
    form.button.SetCancel(true);
    test::PressKey(form.other.Handle(), VK_ESCAPE);
    EXPECT_EQ(form.clicks, 3);
    form.button.SetDefault(true);
    Edit edit(form, 10, 80, 100, 20);
    edit.SetFocus();
    test::PressKey(edit.Handle(), VK_RETURN);
    EXPECT_EQ(form.clicks, 4);
}

TEST(ImageButton, AClickHandsItsModalResultToTheForm) {
    ButtonForm owner;
    owner.Show();
    class Dialog : public Form {
    public:
        explicit Dialog(Form& o) : Form(&o, FormBorder::None, 120, 80) { ok.ModalResult = mrOk; }
        TkxImageButton ok{*this, 10, 10, 50, 30};
        Timer press{*this, 30, [this] {
                        press.SetEnabled(false);
                        test::MouseMove(ok.Handle(), 5, 5);
                        test::MouseDown(ok.Handle(), 5, 5);
                        test::MouseUp(ok.Handle(), 5, 5);
                    }};
        // A click that does nothing fails the test instead of holding it here for good.
        Timer rescue{*this, 10000, [this] { SetModalResult(mrCancel); }};
    } dialog(owner);
    dialog.press.SetEnabled(true);
    dialog.rescue.SetEnabled(true);
    EXPECT_EQ(dialog.ShowModal(), mrOk);
}

// Clicks, click messages and a reader's presses reach a form that a modal window has disabled:
// its button and its link act on none of them, even on a press the reader asked for before the
// window came up, and the modal form itself is not shown a second time inside its own loop.
TEST(ImageButton, NothingBehindAModalWindowActsAndAModalFormIsNotShownTwice) {
    ButtonForm owner;
    TkxURLLabel link(owner, 10, 80);
    link.SetText("Visit us");
    int linkClicks = 0;
    link.OnClick = [&] { ++linkClicks; };
    owner.Show();
    test::PumpFor(30ms);
    test::AccessibleWindow ownerClient(owner.Handle());
    ASSERT_EQ(ownerClient.Elements().size(), 1u);
    EXPECT_EQ(test::AccessibleWindow(owner.button.Handle()).DoDefaultAction(), S_OK);
    EXPECT_EQ(ownerClient.DoDefaultAction(1), S_OK);

    class Dialog : public Form {
    public:
        explicit Dialog(Form& o) : Form(&o, FormBorder::None, 120, 80) { ok.ModalResult = mrOk; }
        TkxImageButton ok{*this, 10, 10, 50, 30};
        std::function<void()> Inside;
        Timer act{*this, 30, [this] {
                      act.SetEnabled(false);
                      Inside();
                  }};
        Timer rescue{*this, 5000, [this] { Close(); }};
    } dialog(owner);
    int nested = -1;
    std::vector<HRESULT> readerPresses;
    dialog.Inside = [&] {
        HWND button = owner.button.Handle();
        SendMessageW(button, BM_CLICK, 0, 0);
        test::ClickAt(button, 5, 5);
        SendMessageW(owner.Handle(), WM_COMMAND, MAKEWPARAM(0, BN_CLICKED), reinterpret_cast<LPARAM>(button));
        test::ClickAt(owner.Handle(), link.Left() + 2, link.Top() + 2);
        readerPresses.push_back(test::AccessibleWindow(button).DoDefaultAction());
        readerPresses.push_back(ownerClient.DoDefaultAction(1));
        nested = dialog.ShowModal();
        PostMessageW(dialog.ok.Handle(), BM_CLICK, 0, 0);
    };
    dialog.act.SetEnabled(true);
    dialog.rescue.SetEnabled(true);
    EXPECT_EQ(dialog.ShowModal(), mrOk);
    EXPECT_EQ(nested, mrNone);
    EXPECT_EQ(readerPresses, (std::vector<HRESULT>{E_FAIL, E_FAIL}));
    test::PumpFor(30ms);
    EXPECT_EQ(owner.clicks, 0);
    EXPECT_EQ(linkClicks, 0);

    // With the dialog gone the same presses act.
    SendMessageW(owner.button.Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(ownerClient.DoDefaultAction(1), S_OK);
    test::PumpFor(30ms);
    EXPECT_EQ(owner.clicks, 1);
    EXPECT_EQ(linkClicks, 1);
}

TEST(URLLabel, FollowsThePointerWithItsColoursAndOpensOnlyANonBlankAddress) {
    ButtonForm form;
    TkxURLLabel link(form, 10, 80);
    link.SetText("Visit us");
    EXPECT_TRUE(link.Font().Underline);
    EXPECT_EQ(link.Font().Color, RGB(0, 0, 255));
    EXPECT_EQ(link.Cursor(), IDC_HAND);
    EXPECT_GT(link.Width(), 20);  // sized to its text
    form.Show();
    HWND f = form.Handle();
    test::MouseMove(f, link.Left() + 3, link.Top() + 3);
    EXPECT_EQ(link.Font().Color, RGB(255, 0, 0));
    test::MouseMove(f, 190, 110);
    EXPECT_EQ(link.Font().Color, RGB(0, 0, 255));
    link.SetFontLinkColor(RGB(1, 2, 3));
    EXPECT_EQ(link.Font().Color, RGB(1, 2, 3));

    std::vector<std::pair<std::string, int>> opened;
    SetAddressOpener([&](const std::string& address, int show) { opened.emplace_back(address, show); });
    int clicks = 0;
    link.OnClick = [&] { ++clicks; };
    link.URL = " \t ";
    test::ClickAt(f, link.Left() + 3, link.Top() + 3);
    EXPECT_TRUE(opened.empty());
    EXPECT_EQ(clicks, 1);
    link.URL = "  https://www.kestrix.example/news  ";
    test::ClickAt(f, link.Left() + 3, link.Top() + 3);
    SetAddressOpener(nullptr);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].first, "https://www.kestrix.example/news");
    EXPECT_EQ(opened[0].second, SW_SHOW);
    EXPECT_EQ(clicks, 2);
}

}  // namespace
}  // namespace kx::ui
