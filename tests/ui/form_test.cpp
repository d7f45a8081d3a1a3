#include "Application.h"
#include "Form.h"
#include "Gui.h"
#include "Label.h"
#include "Screen.h"
#include "Shell.h"
#include "StdControls.h"
#include "TempDir.h"
#include "Timer.h"

#include <gtest/gtest.h>

#include <objbase.h>

#include <thread>

namespace kx::ui {
namespace {

using namespace std::chrono_literals;

class SampleForm : public Form {
public:
    SampleForm() : Form(nullptr, FormBorder::Dialog, 300, 200) {
        label.SetAutoSize(true);
        label.SetText("A label");
        label.OnClick = [this] { ++labelClicks; };
        first.OnClick = [this] { ++firstClicks; };
        SetTabOrder({&first, &second});
    }
    Label label{*this, 10, 10};
    PushButton second{*this, 10, 100, 80, 25};
    PushButton first{*this, 10, 50, 80, 25};
    int labelClicks = 0;
    int firstClicks = 0;
    int closes = 0;
    int shows = 0;

protected:
    void FormShow() override { ++shows; }
    void FormClose() override { ++closes; }
};

TEST(Form, ShowsWithTheFirstControlInTabOrderFocusedAndRoutesClicksToLabels) {
    SampleForm form;
    form.Show();
    test::PumpFor(100ms);
    EXPECT_EQ(form.shows, 1);
    EXPECT_EQ(form.ClientWidth(), 300);
    EXPECT_EQ(form.ClientHeight(), 200);
    EXPECT_TRUE(form.first.Focused());
    EXPECT_GT(form.label.Width(), 20);
    EXPECT_GT(form.label.Height(), 8);

    test::ClickAt(form.Handle(), form.label.Left() + 2, form.label.Top() + 2);
    EXPECT_EQ(form.labelClicks, 1);
    test::ClickAt(form.Handle(), 250, 180);  // the background
    EXPECT_EQ(form.labelClicks, 1);

    test::PressKey(form.first.Handle(), VK_SPACE);
    EXPECT_EQ(form.firstClicks, 1);
    form.Close();
    EXPECT_EQ(form.closes, 1);
    EXPECT_FALSE(form.Visible());
}

TEST(Form, ModalShowingEndsOnCloseFromATimerAndRestoresTheOwner) {
    SampleForm owner;
    owner.Show();
    class Dialog : public Form {
    public:
        explicit Dialog(Form& owner) : Form(&owner, FormBorder::DialogNoButtons, 200, 100) {}
        Timer closer{*this, 50, [this] { Close(); }};
    } dialog(owner);
    dialog.SetPosition(FormPosition::OwnerCenter);
    dialog.closer.SetEnabled(true);
    bool ownerDisabledMeanwhile = false;
    Timer probe(owner, 20, [&] { ownerDisabledMeanwhile |= !IsWindowEnabled(owner.Handle()); });
    probe.SetEnabled(true);
    EXPECT_EQ(dialog.ShowModal(), mrCancel);
    EXPECT_TRUE(ownerDisabledMeanwhile);
    EXPECT_TRUE(IsWindowEnabled(owner.Handle()));
    EXPECT_FALSE(dialog.Visible());
    const RECT o = owner.WindowRect(), d = dialog.WindowRect();
    EXPECT_EQ(d.left - o.left, ((o.right - o.left) - (d.right - d.left)) / 2);
}

TEST(Form, AnOwnerCentredFormIsCentredOverItsOwnerAtEveryShowing) {
    SampleForm owner;
    owner.Show();
    Form dialog(&owner, FormBorder::None, 100, 60);
    dialog.SetPosition(FormPosition::OwnerCenter);
    for (const POINT ownerAt : {POINT{40, 30}, POINT{230, 170}}) {
        owner.MoveTo(ownerAt.x, ownerAt.y);
        dialog.Show();
        const RECT o = owner.WindowRect(), d = dialog.WindowRect();
        EXPECT_EQ(d.left, o.left + ((o.right - o.left) - 100) / 2);
        EXPECT_EQ(d.top, o.top + ((o.bottom - o.top) - 60) / 2);
        dialog.Hide();
    }
}

// The monitors as the test lays them out, in place of the system's.
class StandInMonitors {
public:
    explicit StandInMonitors(RECT virtualScreen) {
        SetVirtualScreenSource([virtualScreen] { return virtualScreen; });
    }
    ~StandInMonitors() { SetVirtualScreenSource(nullptr); }
};

RECT DesktopCentredAt(int width, int height) {
    Form form(nullptr, FormBorder::None, width, height);
    form.SetPosition(FormPosition::DesktopCenter);
    form.Show();
    const RECT placed = form.WindowRect();
    form.Hide();
    return placed;
}

TEST(Form, DesktopCentringCountsMonitorsLeftOfOrAboveThePrimaryAndStaysOnTheDesktop) {
    {
        // A 1920 x 1080 monitor left of a primary of the same size.
        const StandInMonitors monitors({-1920, 0, 1920, 1080});
        const RECT r = DesktopCentredAt(800, 480);
        EXPECT_EQ(r.left, -400);
        EXPECT_EQ(r.top, 300);
        EXPECT_EQ(r.right, 400);
    }
    {
        // A 1280 x 1024 monitor above a 1920 x 1080 primary, its left edge at 200.
        const StandInMonitors monitors({0, -1024, 1920, 1080});
        const RECT r = DesktopCentredAt(800, 480);
        EXPECT_EQ(r.left, 560);
        EXPECT_EQ(r.top, -212);
    }
    {
        // Larger than the desktop: its top-left corner stays on it.
        const StandInMonitors monitors({-640, -100, 0, 380});
        const RECT r = DesktopCentredAt(800, 600);
        EXPECT_EQ(r.left, -640);
        EXPECT_EQ(r.top, -100);
    }
    {
        // One monitor: as before.
        const StandInMonitors monitors({0, 0, 1024, 768});
        const RECT r = DesktopCentredAt(800, 480);
        EXPECT_EQ(r.left, 112);
        EXPECT_EQ(r.top, 144);
    }
    // Without the stand-in, the system's own metrics are used again.
    const RECT screen = VirtualScreen();
    EXPECT_EQ(screen.left, GetSystemMetrics(SM_XVIRTUALSCREEN));
    EXPECT_EQ(screen.right - screen.left, GetSystemMetrics(SM_CXVIRTUALSCREEN));
}

TEST(Form, AModalBoxEndingOverAnotherGivesTheActivationBackToTheBoxBelow) {
    class Box : public Form {
    public:
        explicit Box(Form& owner) : Form(&owner, FormBorder::Dialog, 200, 120) {
            ok.OnClick = [this] {
                ++okClicks;
                Close();
            };
        }
        PushButton ok{*this, 10, 10, 80, 25};
        int okClicks = 0;
    };
    SampleForm owner;
    owner.Show();
    Box below(owner), top(owner);  // both owned by the main window, as the launcher's boxes are
    HWND activeAfterTop = nullptr, focusAfterTop = nullptr;
    Timer opener(owner, 50, [&] {
        opener.SetEnabled(false);
        Timer closer(top, 50, [&] { top.Close(); });
        closer.SetEnabled(true);
        top.ShowModal();
        activeAfterTop = GetActiveWindow();
        focusAfterTop = GetFocus();
        if (focusAfterTop) test::PressKey(focusAfterTop, VK_RETURN);
        if (below.Modal() && below.okClicks == 0) below.Close();  // never leaves the test hanging
    });
    opener.SetEnabled(true);
    below.ShowModal();
    EXPECT_EQ(activeAfterTop, below.Handle());
    EXPECT_TRUE(focusAfterTop && IsChild(below.Handle(), focusAfterTop));
    EXPECT_EQ(below.okClicks, 1);  // Enter works in the box below
    EXPECT_TRUE(IsWindowEnabled(owner.Handle()));
}

TEST(Form, AnErrorInAHandlerGoesToTheDefaultErrorBoxAndTheProgramGoesOn) {
    Application::Instance().SetTitle("Kestrix 3.0");
    test::MessageBoxRecorder boxes;
    SampleForm form;
    Timer failing(form, 10, [&] {
        failing.SetEnabled(false);
        throw std::runtime_error("Cannot open file \"x.bmp\": not found");
    });
    failing.SetEnabled(true);
    ASSERT_TRUE(test::PumpUntil([&] { return !boxes.Boxes().empty(); }, 2s));
    EXPECT_EQ(boxes.Boxes()[0].Caption, "Kestrix 3.0");
    EXPECT_EQ(boxes.Boxes()[0].Text, "Cannot open file \"x.bmp\": not found.");
    EXPECT_EQ(boxes.Boxes()[0].Icon, MessageIcon::Error);
}

TEST(Application, AShellLaunchRunsInASingleThreadedApartment) {
    // A thread of its own: the test program's main thread may have one already.
    const test::TempDir dir;
    HRESULT before = S_OK, after = S_OK;
    APTTYPE type{};
    std::thread([&] {
        APTTYPEQUALIFIER qualifier{};
        StartGuiProgram();
        before = CoGetApartmentType(&type, &qualifier);
        ShellOpen(dir.File("no such program.exe"), "", SW_SHOWNORMAL);
        after = CoGetApartmentType(&type, &qualifier);
        CoUninitialize();
    }).join();
    EXPECT_EQ(before, CO_E_NOTINITIALIZED);  // a start pays for none
    ASSERT_EQ(after, S_OK);                  // the shell's COM handlers need one
    EXPECT_TRUE(type == APTTYPE_MAINSTA || type == APTTYPE_STA) << type;
}

TEST(Form, TabLeavesTheRichEditForTheNextControl) {
    class TextForm : public Form {
    public:
        TextForm() : Form(nullptr, FormBorder::Dialog, 300, 200) {}
        RichEdit text{*this, 10, 10, 200, 100};
        Edit address{*this, 10, 120, 200, 21};
    } form;
    form.Show();
    test::PumpFor(100ms);
    ASSERT_TRUE(form.text.Focused());
    test::PressKey(form.text.Handle(), 'A');
    SendMessageW(form.text.Handle(), WM_CHAR, 'a', 1);
    test::PressKey(form.text.Handle(), VK_TAB);
    EXPECT_TRUE(form.address.Focused());
    EXPECT_EQ(form.text.Text().find('\t'), std::string::npos);
    form.Hide();
}

TEST(Form, ErrorTextGetsAFullStopOnlyAfterCharactersSortingAfterIt) {
    EXPECT_EQ(ErrorBoxText("No such file"), "No such file.");
    EXPECT_EQ(ErrorBoxText("Done."), "Done.");
    EXPECT_EQ(ErrorBoxText("Stop!"), "Stop!");
    EXPECT_EQ(ErrorBoxText("Code 7"), "Code 7.");
    EXPECT_EQ(ErrorBoxText(""), "");
}

}  // namespace
}  // namespace kx::ui
