// Picture buttons and windowless links as a screen reader and a keyboard-only user meet them.
#include "Accessibility.h"
#include "Form.h"
#include "Gui.h"
#include "ImageButton.h"
#include "Picture.h"
#include "StdControls.h"
#include "URLLabel.h"

#include <gtest/gtest.h>

namespace kx::ui {
namespace {

using namespace std::chrono_literals;
using test::AccessibleItem;
using test::AccessibleWindow;

// Two picture buttons, then links laid out out of painting order: the picture half of a
// picture-and-text link, its label, a link label on the line above and one further left.
class LinkForm : public Form {
public:
    LinkForm() : Form(nullptr, FormBorder::None, 400, 200) {
        SetColor(RGB(0, 120, 0));
        MoveTo(60, 60);
        named.SetCaption("&Open");
        pictured.AccessibleName = [this] { return spokenName; };
        named.OnClick = [this] { ++buttonClicks; };
        pictured.OnClick = [this] { ++buttonClicks; };
        SetTabOrder({&named, &pictured});

        picture.SetBitmap(Bitmap::Create(20, 20, RGB(200, 200, 0)));
        picture.AccessibleName = [this] { return label.Text(); };
        picture.SetLinkTabStop(false);
        label.SetAutoSize(true);
        label.SetText("Home Page");
        upper.SetText("Report Bugs");
        left.SetText("(History)");
        plain.SetText("Not a link");
        for (GraphicControl* link : {static_cast<GraphicControl*>(&picture), static_cast<GraphicControl*>(&label)})
            link->OnClick = [this] { ++homeClicks; };
        upper.OnClick = [this] { ++upperClicks; };
        left.OnClick = [this] { ++leftClicks; };
    }
    TkxImageButton named{*this, 10, 150, 60, 30};
    TkxImageButton pictured{*this, 80, 150, 60, 30};
    Picture picture{*this, 300, 60, 20, 20};
    Label label{*this, 324, 64};
    TkxURLLabel upper{*this, 250, 10};
    TkxURLLabel left{*this, 20, 12};
    Label plain{*this, 20, 100};
    std::string spokenName = "Fast cutter";
    int buttonClicks = 0, homeClicks = 0, upperClicks = 0, leftClicks = 0;
};

RECT OnScreen(const Form& form, const GraphicControl& control) {
    RECT r = control.Bounds();
    MapWindowPoints(form.Handle(), HWND_DESKTOP, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void ExpectRect(const RECT& actual, const RECT& expected) {
    EXPECT_EQ(actual.left, expected.left);
    EXPECT_EQ(actual.top, expected.top);
    EXPECT_EQ(actual.right, expected.right);
    EXPECT_EQ(actual.bottom, expected.bottom);
}

// Tab as the dialog keys see it, with Shift held or not.
void Tab(HWND focus, bool shift = false) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(keys);
    test::PressKey(focus, VK_TAB);
    keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
}

std::vector<COLORREF> Ring(HWND hwnd, const RECT& r) {
    std::vector<COLORREF> pixels;
    for (int x = r.left - 1; x <= r.right; ++x) {
        pixels.push_back(test::PixelOnScreen(hwnd, x, r.top - 1));
        pixels.push_back(test::PixelOnScreen(hwnd, x, r.bottom));
    }
    return pixels;
}

TEST(Accessible, PictureButtonsArePushButtonsNamedByCaptionOrByTheirSpokenName) {
    LinkForm form;
    form.Show();
    test::PumpFor(50ms);
    AccessibleWindow named(form.named.Handle());
    AccessibleWindow pictured(form.pictured.Handle());
    ASSERT_TRUE(named.Valid());
    ASSERT_TRUE(pictured.Valid());
    EXPECT_EQ(named.Self().Name, "Open");  // the accelerator's ampersand is not spoken
    EXPECT_EQ(named.Self().Role, ROLE_SYSTEM_PUSHBUTTON);
    EXPECT_EQ(pictured.Self().Name, "Fast cutter");
    EXPECT_EQ(pictured.Self().Role, ROLE_SYSTEM_PUSHBUTTON);
    EXPECT_EQ(pictured.Self().DefaultAction, "Press");
    // Asked each time, so a changed text is what is spoken next.
    form.spokenName.clear();
    EXPECT_EQ(pictured.Self().Name, "");
    form.pictured.SetCaption("Cut");
    EXPECT_EQ(pictured.Self().Name, "Cut");
    ExpectRect(pictured.Self().Location, [&] {
        RECT r;
        GetWindowRect(form.pictured.Handle(), &r);
        return r;
    }());

    EXPECT_EQ(pictured.DoDefaultAction(), S_OK);
    EXPECT_EQ(form.buttonClicks, 0);  // the reader's call returns before the click runs
    test::PumpFor(50ms);
    EXPECT_EQ(form.buttonClicks, 1);
    form.pictured.SetEnabled(false);
    EXPECT_NE(pictured.DoDefaultAction(), S_OK);
    test::PumpFor(50ms);
    EXPECT_EQ(form.buttonClicks, 1);
    form.Hide();
}

TEST(Accessible, TheFormListsItsLinksInReadingOrderAndClicksThemAsThePointerDoes) {
    LinkForm form;
    form.Show();
    test::PumpFor(50ms);
    AccessibleWindow client(form.Handle());
    ASSERT_TRUE(client.Valid());
    const std::vector<AccessibleItem> links = client.Elements();
    ASSERT_EQ(links.size(), 4u);  // the plain label is not among them
    const std::pair<const char*, const GraphicControl*> expected[] = {
        {"(History)", &form.left}, {"Report Bugs", &form.upper}, {"Home Page", &form.picture}, {"Home Page", &form.label}};
    for (std::size_t i = 0; i < links.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(links[i].Name, expected[i].first);
        EXPECT_EQ(links[i].Role, ROLE_SYSTEM_LINK);
        EXPECT_EQ(links[i].DefaultAction, "click");
        ExpectRect(links[i].Location, OnScreen(form, *expected[i].second));
        const RECT& at = links[i].Location;
        EXPECT_EQ(client.HitTest({(at.left + at.right) / 2, (at.top + at.bottom) / 2}), links[i].Id);
    }
    // The two picture buttons stay the platform's children, after the links.
    EXPECT_EQ(client.ChildCount(), 6);

    EXPECT_EQ(client.DoDefaultAction(links[1].Id), S_OK);
    EXPECT_EQ(client.DoDefaultAction(links[2].Id), S_OK);
    test::PumpFor(50ms);
    EXPECT_EQ(form.upperClicks, 1);
    EXPECT_EQ(form.homeClicks, 1);

    // A hidden link is neither listed nor clicked when the reader asked before it went.
    EXPECT_EQ(client.DoDefaultAction(links[0].Id), S_OK);
    form.left.SetVisible(false);
    test::PumpFor(50ms);
    EXPECT_EQ(form.leftClicks, 0);
    EXPECT_EQ(client.Elements().size(), 3u);
    form.Hide();
}

TEST(Accessible, EveryQuestionNumbersTheLinksFirstAndThePlatformsChildrenAfterThem) {
    class FieldForm : public LinkForm {
    public:
        FieldForm() { field.SetText("typed"); }
        Edit field{*this, 200, 150, 100, 21};
    } form;
    form.Show();
    test::PumpFor(50ms);
    AccessibleWindow client(form.Handle());
    ASSERT_TRUE(client.Valid());
    ASSERT_EQ(client.ChildCount(), 7);  // four links, then the two buttons and the field

    // A link has no value, description, help or shortcut: it says so itself.
    for (long id = 1; id <= 4; ++id) {
        SCOPED_TRACE(id);
        const AccessibleItem link = client.Item(id);
        EXPECT_EQ(link.Role, ROLE_SYSTEM_LINK);
        for (const HRESULT result : {link.ValueResult, link.DescriptionResult, link.HelpResult,
                                     link.KeyboardShortcutResult, link.HelpTopicResult})
            EXPECT_EQ(result, S_FALSE);
        EXPECT_EQ(link.Value + link.Description + link.Help + link.KeyboardShortcut + link.HelpFile, "");
    }
    // A windowed child answers every question as its own object does.
    const std::pair<long, HWND> windowed[] = {
        {5, form.named.Handle()}, {6, form.pictured.Handle()}, {7, form.field.Handle()}};
    for (const auto& [id, hwnd] : windowed) {
        SCOPED_TRACE(id);
        const AccessibleItem child = client.Item(id);
        const AccessibleItem own = AccessibleWindow(hwnd).Self();
        EXPECT_EQ(child.Name, own.Name);
        EXPECT_EQ(child.Role, own.Role);
        EXPECT_EQ(child.State, own.State);
        EXPECT_EQ(child.DefaultAction, own.DefaultAction);
        ExpectRect(child.Location, own.Location);
        EXPECT_EQ(child.Value, own.Value);
        EXPECT_EQ(child.ValueResult, own.ValueResult);
        EXPECT_EQ(child.Description, own.Description);
        EXPECT_EQ(child.DescriptionResult, own.DescriptionResult);
        EXPECT_EQ(child.Help, own.Help);
        EXPECT_EQ(child.HelpResult, own.HelpResult);
        EXPECT_EQ(child.KeyboardShortcut, own.KeyboardShortcut);
        EXPECT_EQ(child.KeyboardShortcutResult, own.KeyboardShortcutResult);
        EXPECT_EQ(child.HelpTopicResult, own.HelpTopicResult);
    }
    EXPECT_EQ(client.Item(5).Name, "Open");
    EXPECT_EQ(client.Item(6).Name, "Fast cutter");
    EXPECT_EQ(client.Item(7).Role, ROLE_SYSTEM_TEXT);

    // Navigation goes through the links and on into the platform's children.
    EXPECT_EQ(client.Navigate(NAVDIR_FIRSTCHILD), 1);
    EXPECT_EQ(client.Navigate(NAVDIR_LASTCHILD), 7);
    EXPECT_EQ(client.Navigate(NAVDIR_NEXT, 1), 2);
    EXPECT_EQ(client.Navigate(NAVDIR_NEXT, 4), 5);
    EXPECT_EQ(client.Navigate(NAVDIR_PREVIOUS, 5), 4);
    EXPECT_EQ(client.Navigate(NAVDIR_NEXT, 6), 7);
    EXPECT_EQ(client.Navigate(NAVDIR_NEXT, 7), 0);
    EXPECT_EQ(client.Navigate(NAVDIR_PREVIOUS, 1), 0);

    // Taking the focus and pressing reach the child the number names.
    EXPECT_EQ(client.Select(SELFLAG_TAKEFOCUS, 4), S_OK);
    EXPECT_EQ(form.FocusedLink(), &form.label);
    EXPECT_EQ(client.Focus(), 4);
    EXPECT_NE(client.Select(SELFLAG_TAKEFOCUS, 3), S_OK);  // the picture half takes no focus
    EXPECT_EQ(form.FocusedLink(), &form.label);
    EXPECT_EQ(client.Select(SELFLAG_TAKEFOCUS, 6), S_OK);
    EXPECT_TRUE(form.pictured.Focused());
    EXPECT_EQ(client.DoDefaultAction(5), S_OK);
    test::PumpFor(50ms);
    EXPECT_EQ(form.buttonClicks, 1);
    EXPECT_EQ(form.homeClicks + form.upperClicks + form.leftClicks, 0);
    form.Hide();
}

TEST(Accessible, ObjectsKeptAfterTheirWindowsAreGoneFailCleanly) {
    auto form = std::make_unique<LinkForm>();
    form->Show();
    test::PumpFor(50ms);
    AccessibleWindow client(form->Handle());
    AccessibleWindow button(form->pictured.Handle());
    ASSERT_TRUE(client.Valid());
    ASSERT_TRUE(button.Valid());
    form.reset();
    EXPECT_EQ(button.Self().Name, "");
    EXPECT_NE(button.DoDefaultAction(), S_OK);
    EXPECT_TRUE(client.Elements().empty());
    test::PumpFor(50ms);
}

TEST(Accessible, TabGoesFromTheButtonsThroughTheLinksAndBackWithAFocusRectangle) {
    LinkForm form;
    form.Show();
    test::PumpFor(100ms);
    ASSERT_TRUE(form.named.Focused());
    const RECT leftRect = form.left.Bounds();
    const std::vector<COLORREF> unfocused = Ring(form.Handle(), leftRect);

    Tab(form.named.Handle());
    ASSERT_TRUE(form.pictured.Focused());
    Tab(form.pictured.Handle());
    EXPECT_EQ(GetFocus(), form.Handle());
    EXPECT_EQ(form.FocusedLink(), &form.left);
    test::PumpFor(50ms);
    EXPECT_NE(Ring(form.Handle(), leftRect), unfocused);
    AccessibleWindow client(form.Handle());
    EXPECT_EQ(client.Focus(), client.Elements()[0].Id);
    EXPECT_TRUE(client.Elements()[0].State & STATE_SYSTEM_FOCUSED);

    Tab(form.Handle());
    EXPECT_EQ(form.FocusedLink(), &form.upper);
    Tab(form.Handle());
    EXPECT_EQ(form.FocusedLink(), &form.label);  // the picture half is passed over
    test::PumpFor(50ms);
    EXPECT_EQ(Ring(form.Handle(), leftRect), unfocused);
    test::PressKey(form.Handle(), VK_RETURN);
    EXPECT_EQ(form.homeClicks, 1);
    test::PressKey(form.Handle(), VK_SPACE);
    EXPECT_EQ(form.homeClicks, 2);
    EXPECT_EQ(form.buttonClicks, 0);

    Tab(form.Handle());  // past the last link, back to the first button
    EXPECT_TRUE(form.named.Focused());
    EXPECT_EQ(form.FocusedLink(), nullptr);
    Tab(form.named.Handle(), true);  // and backwards to the last link
    EXPECT_EQ(form.FocusedLink(), &form.label);
    Tab(form.Handle(), true);
    EXPECT_EQ(form.FocusedLink(), &form.upper);
    Tab(form.Handle(), true);
    Tab(form.Handle(), true);
    EXPECT_TRUE(form.pictured.Focused());

    // A click on a button takes the focus from the links for good.
    Tab(form.pictured.Handle());
    ASSERT_EQ(form.FocusedLink(), &form.left);
    test::ClickAt(form.named.Handle(), 5, 5);
    EXPECT_TRUE(form.named.Focused());
    EXPECT_EQ(form.FocusedLink(), nullptr);
    test::PumpFor(50ms);
    EXPECT_EQ(Ring(form.Handle(), leftRect), unfocused);
    form.Hide();
}

TEST(Accessible, EscapeStillPressesTheCancelButtonWhileALinkHasTheFocus) {
    LinkForm form;
    form.pictured.SetCancel(true);
    form.Show();
    test::PumpFor(50ms);
    Tab(form.named.Handle());
    Tab(form.pictured.Handle());
    ASSERT_EQ(form.FocusedLink(), &form.left);
    test::PressKey(form.Handle(), VK_ESCAPE);
    EXPECT_EQ(form.buttonClicks, 1);
    EXPECT_EQ(form.leftClicks, 0);
    form.Hide();
}

TEST(Accessible, PlatformControlsKeepThePlatformsAnswers) {
    class PlainForm : public Form {
    public:
        PlainForm() : Form(nullptr, FormBorder::Dialog, 200, 100) { ok.SetText("&Submit"); }
        PushButton ok{*this, 10, 10, 80, 25};
        Edit text{*this, 10, 50, 120, 21};
    } form;
    form.Show();
    test::PumpFor(50ms);
    AccessibleWindow ok(form.ok.Handle());
    ASSERT_TRUE(ok.Valid());
    EXPECT_EQ(ok.Self().Name, "Submit");
    EXPECT_EQ(ok.Self().Role, ROLE_SYSTEM_PUSHBUTTON);
    AccessibleWindow text(form.text.Handle());
    EXPECT_EQ(text.Self().Role, ROLE_SYSTEM_TEXT);
    form.Hide();
}

}  // namespace
}  // namespace kx::ui
