#include "Control.h"

#include "Application.h"
#include "Form.h"
#include "Text.h"

namespace kx::ui {

bool CanAct(HWND hwnd) { return IsWindowEnabled(hwnd) && IsWindowEnabled(GetAncestor(hwnd, GA_ROOT)); }

bool NothingOutsideTheClientArea(HWND hwnd) {
    RECT window, client;
    GetWindowRect(hwnd, &window);
    GetClientRect(hwnd, &client);
    return window.right - window.left == client.right && window.bottom - window.top == client.bottom;
}

GraphicControl::GraphicControl(Form& parent) : parent_(parent) { parent_.AddGraphic(this); }

GraphicControl::~GraphicControl() { parent_.RemoveGraphic(this); }

void GraphicControl::SetBounds(int left, int top, int width, int height) {
    const RECT old = bounds_;
    bounds_ = {left, top, left + width, top + height};
    if (!EqualRect(&old, &bounds_)) {
        parent_.InvalidateArea(old);
        Invalidate();
    }
}

void GraphicControl::SetVisible(bool visible) {
    if (visible_ == visible) return;
    visible_ = visible;
    parent_.InvalidateArea(bounds_);
}

void GraphicControl::Invalidate() const { parent_.InvalidateArea(bounds_); }

bool GraphicControl::HitTest(POINT client) const { return visible_ && PtInRect(&bounds_, client); }

std::string GraphicControl::AccessibleText() const { return AccessibleName ? AccessibleName() : std::string(); }

void GraphicControl::MouseEnter() {
    if (OnMouseEnter) OnMouseEnter();
}

void GraphicControl::MouseLeave() {
    if (OnMouseLeave) OnMouseLeave();
}

void GraphicControl::MouseDown(MouseButton button, int x, int y) {
    if (OnMouseDown) OnMouseDown(button, x, y);
}

void GraphicControl::Click() {
    if (OnClick) OnClick();
}

WinControl::WinControl(Form& parent, const wchar_t* className, DWORD style, DWORD exStyle, int left, int top,
                       int width, int height)
    : parent_(parent),
      hwnd_(CreateWindowExW(exStyle, className, L"", style | WS_CHILD | WS_VISIBLE, left, top, width, height,
                            parent.Handle(), nullptr, GetModuleHandleW(nullptr), nullptr)) {
    if (!hwnd_) throw std::runtime_error("Cannot create a control");
    SetPropW(hwnd_, L"KxControl", this);
    font_ = parent.Font();
    SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(FontHandle(font_)), FALSE);
}

WinControl::~WinControl() {
    RemovePropW(hwnd_, L"KxControl");
    DestroyWindow(hwnd_);
}

WinControl* WinControl::FromHandle(HWND hwnd) {
    return hwnd ? static_cast<WinControl*>(GetPropW(hwnd, L"KxControl")) : nullptr;
}

void WinControl::SetText(const std::string& text) { SetWindowTextW(hwnd_, ToWide(text).c_str()); }

std::string WinControl::Text() const {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd_)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(hwnd_, text.data(), static_cast<int>(text.size()))));
    return FromWide(text);
}

void WinControl::SetFont(const FontSpec& font) {
    font_ = font;
    SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(FontHandle(font_)), TRUE);
}

void WinControl::SetBounds(int left, int top, int width, int height) {
    // Every picture of a skinned button sets its size again; only a change is worth a move.
    const RECT r = Bounds();
    if (r.left == left && r.top == top && r.right - r.left == width && r.bottom - r.top == height) return;
    SetWindowPos(hwnd_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

RECT WinControl::Bounds() const {
    RECT r;
    GetWindowRect(hwnd_, &r);
    MapWindowPoints(HWND_DESKTOP, parent_.Handle(), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

int WinControl::Width() const {
    const RECT r = Bounds();
    return r.right - r.left;
}

int WinControl::Height() const {
    const RECT r = Bounds();
    return r.bottom - r.top;
}

void WinControl::SetVisible(bool visible) { ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE); }
bool WinControl::Visible() const { return (GetWindowLongPtrW(hwnd_, GWL_STYLE) & WS_VISIBLE) != 0; }
void WinControl::SetEnabled(bool enabled) { EnableWindow(hwnd_, enabled); }
bool WinControl::Enabled() const { return IsWindowEnabled(hwnd_) != FALSE; }
void WinControl::SetFocus() { ::SetFocus(hwnd_); }
bool WinControl::Focused() const { return GetFocus() == hwnd_; }
bool WinControl::HandleCommand(WORD) { return false; }
bool WinControl::HandleColor(HDC, HBRUSH&) { return false; }

}  // namespace kx::ui
