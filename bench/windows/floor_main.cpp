// The floor of the start-up benchmark: the least a window of ours must do before its first
// paint, built the same way as the programs. It shows a borderless 800 x 480 window, the
// launcher's, and draws one line of text in the programs' font, so that font loading and font
// linking count on both sides; with the argument "framed" the window is the feedback prompt's
// instead, 576 x 372 inside a sizeable frame with a caption; with "bare" it only fills the
// borderless window. The square drawn last, at the centre, tells the benchmark that the paint
// is complete. With "textless" it is the floor without an input method, as a program without
// a text field may go. With "skinned SKINFOLDER" it draws in one window, without child windows
// and, as the launcher, without an input method, what the launcher's first paint shows: the
// background, the six pictures of its buttons and links and its five lines of text in their
// four fonts; the least the launcher itself could do.
#include "Bitmap.h"
#include "Font.h"
#include "Painting.h"
#include "Scoped.h"
#include "StartupMarks.h"

#include <windows.h>
#include <imm.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

const COLORREF Background = RGB(20, 80, 140);
const COLORREF Finished = RGB(200, 120, 20);
bool drawText = true;

struct SkinPicture {
    std::shared_ptr<kx::ui::Bitmap> Picture;
    int Left, Top;
    bool KeyAtTop;  // buttons take their key colour from the top-left pixel, pictures from the bottom-left
};

struct SkinText {
    const wchar_t* Text;
    int Left, Top, Height;
    bool Bold;
};

std::shared_ptr<kx::ui::Bitmap> skinBackground;
std::vector<SkinPicture> skinPictures;

const SkinText SkinTexts[] = {{L"Kestrix 3.0.0", 39, 13, 13, true}, {L"(History)", 140, 13, 13, false},
                              {L"Report Bugs", 690, 14, 12, true}, {L"About", 654, 65, 11, false},
                              {L"Home Page", 719, 65, 11, false}};

void LoadSkin(const std::string& folder) {
    const auto load = [&](const char* file) { return kx::ui::Bitmap::LoadFromFile(folder + "\\" + file); };
    skinBackground = load("Main.bmp");
    skinPictures = {{load("btnClose_Normal.bmp"), 766, 11, true},      {load("btnEasyCut_Normal.bmp"), 543, 181, true},
                    {load("btnBatchCut_Normal.bmp"), 284, 181, true},  {load("btnAdvancedCut_Normal.bmp"), 25, 181, true},
                    {load("btnHomepage_Normal.bmp"), 691, 58, false}, {load("btnReg_Normal.bmp"), 626, 58, false}};
}

// Draws what lies in the part of the window given, as the launcher does band by band.
void DrawSkin(HDC dc, const RECT& part) {
    skinBackground->Draw(dc, RECT{0, 0, skinBackground->Width(), skinBackground->Height()});
    RECT overlap;
    for (const SkinPicture& p : skinPictures) {
        const kx::ui::Bitmap& picture = *p.Picture;
        const RECT bounds{p.Left, p.Top, p.Left + picture.Width(), p.Top + picture.Height()};
        if (!IntersectRect(&overlap, &bounds, &part)) continue;
        picture.Draw(dc, bounds, p.KeyAtTop ? kx::ui::KeyPixel::TopLeft : kx::ui::KeyPixel::BottomLeft);
    }
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    for (const SkinText& text : SkinTexts) {
        const RECT line{text.Left, text.Top, text.Left + 200, text.Top + text.Height + 4};
        if (!IntersectRect(&overlap, &line, &part)) continue;
        kx::ui::FontSpec font;
        font.Height = text.Height;
        font.Bold = text.Bold;
        const kx::SelectedObject chosen(dc, kx::ui::FontHandle(font));
        TextOutW(dc, text.Left, text.Top, text.Text, static_cast<int>(std::wcslen(text.Text)));
    }
}

void FillColor(HDC dc, const RECT& r, COLORREF color) {
    FillRect(dc, &r, kx::GdiObject<HBRUSH>(CreateSolidBrush(color)).get());
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: {
            if (skinBackground) {
                kx::ui::PaintBuffered(hwnd, [](HDC memory, const RECT&, const RECT& part) { DrawSkin(memory, part); });
                return 0;
            }
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            FillColor(dc, ps.rcPaint, Background);
            if (drawText) {
                const kx::SelectedObject chosen(dc, kx::ui::FontHandle(kx::ui::FontSpec{}));
                SetBkMode(dc, TRANSPARENT);
                SetTextColor(dc, RGB(255, 255, 255));
                RECT line{20, 20, 780, 40};
                DrawTextW(dc, L"Kestrix 3.0.0", -1, &line, DT_SINGLELINE | DT_NOPREFIX);
            }
            RECT client;
            GetClientRect(hwnd, &client);
            const int x = client.right / 2, y = client.bottom / 2;
            FillColor(dc, RECT{x - 4, y - 4, x + 4, y + 4}, drawText ? Finished : Background);
            EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

}  // namespace

int main(int argc, char** argv) {
    kx::ui::MarkStartup("main");
    const char* kind = argc > 1 ? argv[1] : "";
    drawText = std::strcmp(kind, "bare") != 0;
    const bool framed = std::strcmp(kind, "framed") == 0;
    const bool skinned = std::strcmp(kind, "skinned") == 0 && argc > 2;
    if (skinned || std::strcmp(kind, "textless") == 0) ImmDisableIME(static_cast<DWORD>(-1));
    if (skinned) LoadSkin(argv[2]);
    WNDCLASSW wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = L"KestrixFloor";
    RegisterClassW(&wc);
    const DWORD style = framed ? WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME : WS_POPUP;
    RECT r{0, 0, framed ? 576 : 800, framed ? 372 : 480};
    AdjustWindowRectEx(&r, style, FALSE, WS_EX_APPWINDOW);
    const int width = r.right - r.left, height = r.bottom - r.top;
    const int left = (GetSystemMetrics(SM_CXVIRTUALSCREEN) - width) / 2;
    const int top = (GetSystemMetrics(SM_CYVIRTUALSCREEN) - height) / 2;
    HWND hwnd = CreateWindowExW(WS_EX_APPWINDOW, wc.lpszClassName, L"Floor", style | WS_VISIBLE, left, top, width,
                                height, nullptr, nullptr, wc.hInstance, nullptr);
    kx::ui::MarkStartup("windows created");
    UpdateWindow(hwnd);
    kx::ui::MarkStartup("shown");
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
