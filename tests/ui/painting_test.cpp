#include "Bitmap.h"
#include "BitmapBytes.h"
#include "Form.h"
#include "Gui.h"
#include "ImageButton.h"
#include "Picture.h"
#include "Scoped.h"
#include "TempDir.h"
#include "Text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
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

// A picture file of 32, 24 or 8 bits whose key-coloured pixels lie in slanted stripes, with pixels
// one step off the key among the others; the key colour is at the left corner given and the
// other left corner is not of it. The 8-bit table holds the key twice; the unused fourth byte of
// a 32-bit pixel varies.
std::string KeyedPictureFile(const test::TempDir& dir, int width, int height, int bitCount, bool keyAtTop, int seed) {
    const test::BitmapHeader header{.Width = width, .Height = height, .BitCount = static_cast<std::uint16_t>(bitCount)};
    const int stride = (width * bitCount + 31) / 32 * 4;
    std::vector<std::uint8_t> bytes = test::BitmapFileBytes(header, static_cast<std::size_t>(stride) * height);
    const auto color = [&](int x, int y) -> COLORREF {
        if (x == 0 && (y == 0 || y == height - 1)) return (y == 0) == keyAtTop ? Key : RGB(10, 20, 30);
        if ((x + 2 * y + seed) % 9 < 3) return Key;
        if ((x * y + seed) % 17 == 0) return x % 2 ? RGB(254, 0, 255) : RGB(255, 1, 255);
        return RGB((x * 7 + seed) % 256, (y * 5 + seed * 3) % 256, (x * y + seed) % 256);
    };
    const std::size_t pixels = test::PixelOffset(header);
    std::vector<COLORREF> table;
    if (bitCount == 8) {
        table = {Key, Key, RGB(254, 0, 255), RGB(255, 1, 255)};
        for (int i = 4; i < 256; ++i) table.push_back(RGB(i * 7 % 256, i * 13 % 256, (i + seed) % 256));
        for (int i = 0; i < 256; ++i) {
            std::uint8_t* entry = &bytes[14 + header.InfoSize + 4 * i];
            entry[0] = GetBValue(table[i]);
            entry[1] = GetGValue(table[i]);
            entry[2] = GetRValue(table[i]);
        }
    }
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t* at = &bytes[pixels + static_cast<std::size_t>(height - 1 - y) * stride];
            const COLORREF c = color(x, y);
            if (bitCount >= 24) {
                std::uint8_t* pixel = at + bitCount / 8 * x;
                pixel[0] = GetBValue(c);
                pixel[1] = GetGValue(c);
                pixel[2] = GetRValue(c);
                if (bitCount == 32) pixel[3] = static_cast<std::uint8_t>(x * 31 + y);
            } else {
                // Key pixels take either of the key's two entries; other colours their first.
                const auto found = std::find(table.begin() + (c == Key ? (x + y) % 2 : 0), table.end(), c);
                at[x] = static_cast<std::uint8_t>(found != table.end() ? found - table.begin() : 4 + (x + y) % 252);
            }
        }
    return dir.WriteBytes("keyed" + std::to_string(seed) + ".bmp", bytes);
}

// A bitmap of the screen's format, as a paint's bands are, and its pixels as the screen shows them.
class ScreenBitmap {
public:
    ScreenBitmap(int width, int height)
        : dc_(CreateCompatibleDC(screen_.get())),
          bitmap_(CreateCompatibleBitmap(screen_.get(), width, height)),
          selected_(dc_.get(), bitmap_.get()),
          width_(width),
          height_(height) {}
    HDC Dc() const { return dc_.get(); }

    void CopyClientArea(HWND hwnd) {
        POINT origin{0, 0};
        ClientToScreen(hwnd, &origin);
        BitBlt(dc_.get(), 0, 0, width_, height_, screen_.get(), origin.x, origin.y, SRCCOPY);
    }
    std::vector<COLORREF> Pixels() const {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width_;
        info.bmiHeader.biHeight = -height_;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        std::vector<COLORREF> pixels(static_cast<std::size_t>(width_) * height_);
        {
            const SelectedObject away(dc_.get(), selected_.Old());  // a selected bitmap's bits cannot be read
            GetDIBits(dc_.get(), bitmap_.get(), 0, static_cast<UINT>(height_), pixels.data(), &info, DIB_RGB_COLORS);
        }
        for (COLORREF& pixel : pixels) pixel &= 0xFFFFFF;  // what the screen shows; the top byte is not
        return pixels;
    }

private:
    WindowDc screen_;
    MemoryDc dc_;
    GdiObject<HBITMAP> bitmap_;
    SelectedObject selected_;
    int width_, height_;
};

// The launcher's size, drawn in bands of 81 rows: the pictures lie across band boundaries at
// several depths (25, 7, 3 and 0 rows above them), and one of them is stretched.
class KeyedForm : public Form {
public:
    KeyedForm() : Form(nullptr, FormBorder::None, 800, 480) {
        background.SetBitmap(Stripes(800, 480));
        const int tops[] = {56, 155, 240, 324, 380}, lefts[] = {20, 170, 320, 470, 20}, depths[] = {24, 8, 32, 8, 24};
        for (int i = 0; i < 5; ++i) {
            auto& picture = pictures.emplace_back(std::make_unique<Picture>(*this, lefts[i], tops[i], 90, 50));
            picture->SetTransparent(true);
            picture->SetStretch(i == 4);
            picture->SetBitmap(Load(i == 4 ? 45 : 90, i == 4 ? 25 : 50, depths[i], false, i));
        }
        button.SetTransparent(true);
        button.SetDrawFocused(false);
        button.SetPicNormal(Load(70, 60, 24, true, 11));
        button.SetPicMouseOn(Load(70, 60, 32, true, 12));
        button.SetPicMouseDown(Load(70, 60, 8, true, 13));
        button.SetPicDisabled(Load(70, 60, 24, true, 14));
        MoveTo(50, 50);
    }

    // What the window shows with the button's picture given, drawn in one piece with the
    // system's transparent blit from the pictures as the system loads them, as every keyed
    // picture was drawn before.
    std::vector<COLORREF> DrawnWithTheTransparentBlit(const Bitmap* buttonPicture) const {
        ScreenBitmap drawing(800, 480);
        const MemoryDc owned(CreateCompatibleDC(drawing.Dc()));
        const HDC source = owned.get();
        const auto draw = [&](HBITMAP picture, const RECT& r, KeyPixel key) {
            BITMAP size{};
            GetObjectW(picture, sizeof size, &size);
            const SelectedObject chosen(source, picture);
            if (key == KeyPixel::None)
                BitBlt(drawing.Dc(), r.left, r.top, r.right - r.left, r.bottom - r.top, source, 0, 0, SRCCOPY);
            else
                GdiTransparentBlt(drawing.Dc(), r.left, r.top, r.right - r.left, r.bottom - r.top, source, 0, 0,
                                  size.bmWidth, size.bmHeight,
                                  GetPixel(source, 0, key == KeyPixel::TopLeft ? 0 : size.bmHeight - 1));
        };
        draw(background.GetBitmap()->Handle(), background.Bounds(), KeyPixel::None);
        for (const auto& picture : pictures)
            draw(SystemLoaded(*picture->GetBitmap()), picture->Bounds(), KeyPixel::BottomLeft);
        draw(SystemLoaded(*buttonPicture), button.Bounds(), KeyPixel::TopLeft);
        return drawing.Pixels();
    }

    test::TempDir dir;
    Picture background{*this, 0, 0, 800, 480};
    std::vector<std::unique_ptr<Picture>> pictures;
    TkxImageButton button{*this, 600, 220, 70, 60};

private:
    std::shared_ptr<Bitmap> Load(int width, int height, int bitCount, bool keyAtTop, int seed) {
        const std::string path = KeyedPictureFile(dir, width, height, bitCount, keyAtTop, seed);
        auto picture = Bitmap::LoadFromFile(path);
        references_.emplace_back(picture.get(), static_cast<HBITMAP>(LoadImageW(
            nullptr, ToWide(path).c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION)));
        return picture;
    }
    // Asking the picture itself for its handle would make it leave its file.
    HBITMAP SystemLoaded(const Bitmap& picture) const {
        for (const auto& [loaded, reference] : references_)
            if (loaded == &picture) return reference.get();
        ADD_FAILURE() << "a picture of no file";
        return nullptr;
    }

    std::vector<std::pair<const Bitmap*, GdiObject<HBITMAP>>> references_;
};

void ExpectShown(const KeyedForm& form, const std::vector<COLORREF>& expected, const char* what) {
    UpdateWindow(form.Handle());
    UpdateWindow(form.button.Handle());
    test::PumpFor(30ms);
    ScreenBitmap shown(800, 480);
    shown.CopyClientArea(form.Handle());
    const std::vector<COLORREF> pixels = shown.Pixels();
    int wrong = 0;
    for (std::size_t i = 0; i < pixels.size(); ++i)
        if (pixels[i] != expected[i] && wrong++ < 3)
            ADD_FAILURE() << what << ": pixel " << i % 800 << ", " << i / 800 << " shows " << std::hex << pixels[i]
                          << " against " << expected[i];
    EXPECT_EQ(wrong, 0) << what;
}

TEST(Painting, KeyedPicturesShowWhatTheSystemsTransparentBlitShowsInEveryStateAndBand) {
    KeyedForm form;
    form.Show();
    test::PumpFor(100ms);
    TkxImageButton& button = form.button;
    ExpectShown(form, form.DrawnWithTheTransparentBlit(button.PicNormal().get()), "normal");

    // Redrawn in parts whose edges cut through the pictures.
    const RECT parts[] = {{33, 70, 517, 171}, {100, 250, 690, 301}, {601, 221, 640, 275}};
    for (const RECT& part : parts) {
        FillRect(WindowDc(form.Handle()).get(), &part, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        form.InvalidateArea(part);
    }
    RedrawWindow(button.Handle(), nullptr, nullptr, RDW_INVALIDATE);
    ExpectShown(form, form.DrawnWithTheTransparentBlit(button.PicNormal().get()), "redrawn in parts");

    test::MouseMove(button.Handle(), 5, 5);
    ExpectShown(form, form.DrawnWithTheTransparentBlit(button.PicMouseOn().get()), "hot");
    test::MouseDown(button.Handle(), 5, 5);
    ExpectShown(form, form.DrawnWithTheTransparentBlit(button.PicMouseDown().get()), "pressed");
    test::MouseUp(button.Handle(), 5, 5);
    button.SetEnabled(false);
    ExpectShown(form, form.DrawnWithTheTransparentBlit(button.PicDisabled().get()), "disabled");

    // The same once every picture has a bitmap of its own, as one asked for its handle has.
    for (const auto& picture : form.pictures) picture->GetBitmap()->Handle();
    button.PicDisabled()->Handle();
    RedrawWindow(form.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
    ExpectShown(form, form.DrawnWithTheTransparentBlit(button.PicDisabled().get()), "drawn from bitmaps");
}

}  // namespace
}  // namespace kx::ui
