#include "Bitmap.h"
#include "Form.h"
#include "Gui.h"
#include "ImageButton.h"
#include "Picture.h"

#include <gtest/gtest.h>

#include <vector>

namespace kx::ui {
namespace {

using namespace std::chrono_literals;

constexpr COLORREF Key = RGB(255, 0, 255);
constexpr COLORREF Mark = RGB(0, 200, 0);

// Stripes of 37 rows, a height that no band boundary follows.
COLORREF StripeColor(int y) { return (y / 37) % 2 ? RGB(30, 60, 200) : RGB(220, 140, 20); }

std::shared_ptr<Bitmap> Stripes(int width, int height) {
    auto bitmap = Bitmap::Create(width, height, 0);
    for (int y = 0; y < height; y += 37) bitmap->Fill(RECT{0, y, width, y + 37}, StripeColor(y));
    return bitmap;
}

// A button picture of the key colour with a square of its own in the middle.
std::shared_ptr<Bitmap> MarkedPicture(int size) {
    auto bitmap = Bitmap::Create(size, size, Key);
    bitmap->Fill(RECT{size / 2 - 5, size / 2 - 5, size / 2 + 5, size / 2 + 5}, Mark);
    return bitmap;
}

// As large as the launcher, which is drawn in several bands.
class SkinnedForm : public Form {
public:
    SkinnedForm() : Form(nullptr, FormBorder::None, 800, 480) {
        background.SetBitmap(Stripes(800, 480));
        button.SetTransparent(true);
        button.SetPicNormal(MarkedPicture(60));
        MoveTo(50, 50);
    }
    Picture background{*this, 0, 0, 800, 480};
    TkxImageButton button{*this, 300, 60, 60, 60};  // across a band boundary
};

TEST(Painting, ALargeWindowShowsEveryRowOfItsPictureAndItsTransparentButtons) {
    SkinnedForm form;
    form.Show();
    test::PumpFor(100ms);
    std::vector<int> wrongRows;
    for (int y = 0; y < 480; ++y)
        if (test::PixelOnScreen(form.Handle(), 700, y) != StripeColor(y)) wrongRows.push_back(y);
    EXPECT_TRUE(wrongRows.empty()) << wrongRows.size() << " rows wrong, the first " << wrongRows.front();

    // The button shows the form's stripes where its picture has the key colour.
    for (int y = 0; y < 60; y += 3)
        EXPECT_EQ(test::PixelOnScreen(form.button.Handle(), 2, y), StripeColor(60 + y)) << "button row " << y;
    EXPECT_EQ(test::PixelOnScreen(form.button.Handle(), 30, 30), Mark);
}

TEST(Painting, APartOfALargeWindowIsRedrawnWhereItWasInvalidated) {
    SkinnedForm form;
    form.Show();
    test::PumpFor(100ms);
    form.background.SetBitmap(Bitmap::Create(800, 480, RGB(10, 10, 10)));
    ValidateRect(form.Handle(), nullptr);
    const RECT part{100, 200, 140, 230};
    form.InvalidateArea(part);
    UpdateWindow(form.Handle());
    test::PumpFor(50ms);
    EXPECT_EQ(test::PixelOnScreen(form.Handle(), 120, 215), RGB(10, 10, 10));
    EXPECT_EQ(test::PixelOnScreen(form.Handle(), 120, 190), StripeColor(190));
    EXPECT_EQ(test::PixelOnScreen(form.Handle(), 150, 215), StripeColor(215));
}

// Counts its paints; draws nothing.
class CountedControl : public GraphicControl {
public:
    CountedControl(Form& parent, const RECT& bounds) : GraphicControl(parent) {
        SetBounds(bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top);
    }
    void Paint(HDC) override { ++Paints; }
    int Paints = 0;
};

TEST(Painting, EachWindowlessControlIsDrawnOnlyByTheBandsItLiesIn) {
    SkinnedForm form;
    CountedControl top(form, RECT{10, 10, 60, 30}), bottom(form, RECT{10, 440, 60, 470});
    CountedControl tall(form, RECT{700, 0, 720, 480});
    form.Show();
    test::PumpFor(100ms);
    for (CountedControl* control : {&top, &bottom, &tall}) control->Paints = 0;
    RedrawWindow(form.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(top.Paints, 1);
    EXPECT_EQ(bottom.Paints, 1);
    EXPECT_GT(tall.Paints, 1);  // every band shows a part of it

    const RECT part{20, 445, 40, 460};
    form.InvalidateArea(part);
    UpdateWindow(form.Handle());
    EXPECT_EQ(top.Paints, 1);
    EXPECT_EQ(bottom.Paints, 2);
}

}  // namespace
}  // namespace kx::ui
