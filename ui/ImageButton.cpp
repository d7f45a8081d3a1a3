#include "ImageButton.h"

#include "Accessible.h"
#include "Application.h"
#include "Form.h"
#include "Painting.h"
#include "Scoped.h"
#include "Text.h"

#include <windowsx.h>

namespace kx::ui {
namespace {

constexpr wchar_t ButtonClassName[] = L"KestrixImageButton";
constexpr UINT_PTR RepeatTimerId = 1;

const wchar_t* ButtonClass(WNDPROC proc) {
    static const bool registered = [proc] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = ButtonClassName;
        return RegisterClassExW(&wc) != 0;
    }();
    (void)registered;
    return ButtonClassName;
}

bool IsClickKey(WPARAM key) { return key == VK_SPACE || key == VK_RETURN; }

}  // namespace

TkxCustomButton::TkxCustomButton(Form& parent, int left, int top, int width, int height)
    : WinControl(parent, ButtonClass(&TkxCustomButton::WindowProc), WS_TABSTOP, 0, left, top, width, height),
      color_(parent.Color()) {}

TkxCustomButton::~TkxCustomButton() { StopRepeat(); }

LRESULT CALLBACK TkxCustomButton::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    // The control is known once its creation has returned; what comes before needs no care.
    auto* button = dynamic_cast<TkxCustomButton*>(WinControl::FromHandle(hwnd));
    if (!button) return DefWindowProcW(hwnd, message, wParam, lParam);
    LRESULT result = 0;
    Application::Instance().Guarded([&] { result = button->HandleWindowMessage(message, wParam, lParam); });
    return result;
}

LRESULT TkxCustomButton::HandleWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND hwnd = Handle();
    switch (message) {
        case WM_NCPAINT:
            if (NothingOutsideTheClientArea(hwnd)) return 0;
            break;
        case WM_ERASEBKGND:
            return 1;  // the paint covers everything; erasing would only flicker
        case WM_PAINT:
            Paint();
            return 0;
        case WM_MOUSEMOVE:
            PointerMoved(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            return 0;
        case WM_MOUSELEAVE:
            tracking_ = false;
            PointerLeft();
            return 0;
        case WM_LBUTTONDOWN:
            LeftButtonDown();
            return 0;
        case WM_LBUTTONUP:
            LeftButtonUp(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            return 0;
        case WM_TIMER:
            if (wParam == RepeatTimerId && repeating_ && OnMouseContinuouslyDown) OnMouseContinuouslyDown();
            return 0;
        case WM_CANCELMODE:
            CancelMode();
            return 0;
        case WM_CAPTURECHANGED:
            if (!releasing_ && reinterpret_cast<HWND>(lParam) != hwnd) CancelMode();
            return 0;
        case WM_GETDLGCODE: {
            // Space and Enter come to the button itself, so that it shows them pressed.
            const auto* msg = reinterpret_cast<const MSG*>(lParam);
            LRESULT code = DLGC_BUTTON | (GetWindowLongPtrW(hwnd, GWLP_ID) == IDOK ? DLGC_DEFPUSHBUTTON
                                                                                   : DLGC_UNDEFPUSHBUTTON);
            if (msg && (msg->message == WM_KEYDOWN || msg->message == WM_KEYUP || msg->message == WM_CHAR) &&
                IsClickKey(msg->wParam))
                code |= DLGC_WANTMESSAGE;
            if (msg && msg->message == WM_KEYDOWN && msg->wParam == VK_TAB &&
                Parent().TabLeadsToLinks(hwnd, GetKeyState(VK_SHIFT) < 0))
                code |= DLGC_WANTMESSAGE;  // the form's links come next
            return code;
        }
        case WM_KEYDOWN:
            if (wParam == VK_TAB) {
                const bool backwards = GetKeyState(VK_SHIFT) < 0;
                if (Parent().TabLeadsToLinks(hwnd, backwards)) Parent().TabToLinks(backwards);
                return 0;
            }
            KeyDown(wParam);
            return 0;
        case WM_GETOBJECT:
            if (const LRESULT object = AnswerButtonObject(*this, wParam, lParam)) return object;
            break;
        case WM_KEYUP:
            KeyUp(wParam);
            return 0;
        case WM_CHAR:
            if (IsClickKey(wParam == L' ' ? VK_SPACE : wParam == L'\r' ? VK_RETURN : 0)) return 0;
            break;
        case BM_CLICK:  // the dialog keys' accelerator for our caption
            Click();
            return 0;
        case WM_SETFOCUS:
        case WM_KILLFOCUS: {
            const bool wasPressedByKey = message == WM_KILLFOCUS && keyDown_;
            if (wasPressedByKey) {
                keyDown_ = 0;
                pressed_ = false;
            }
            // Without a focus rectangle the focus changes nothing drawn, unless a key held it down.
            if (drawFocused_ || wasPressedByKey) Repaint();
            return 0;
        }
        case WM_ENABLE:
            if (!wParam) CancelMode();
            Repaint();
            return 0;
        case WM_SETFONT:
            Repaint();
            return 0;
        case WM_GETFONT:
            return reinterpret_cast<LRESULT>(FontHandle(Font()));
        default:
            break;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

void TkxCustomButton::PointerMoved(int x, int y) {
    RECT r;
    GetClientRect(Handle(), &r);
    if (x < 0 || y < 0 || x >= r.right || y >= r.bottom) {
        // Only a captured pointer reports positions outside: it has moved off the button.
        if (hovered_ || pressed_) {
            hovered_ = false;
            pressed_ = false;
            StopRepeat();
            Repaint();
            if (OnMouseExit) OnMouseExit();
        }
        return;
    }
    if (!tracking_) {
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, Handle(), 0};
        tracking_ = TrackMouseEvent(&track) != FALSE;
    }
    if (hovered_) return;
    hovered_ = true;
    Repaint();
    if (OnMouseEnter) OnMouseEnter();
}

void TkxCustomButton::PointerLeft() {
    if (!hovered_ && !pressed_ && !repeating_) return;
    hovered_ = false;
    pressed_ = false;
    StopRepeat();
    Repaint();
    if (OnMouseExit) OnMouseExit();
}

void TkxCustomButton::LeftButtonDown() {
    pressed_ = true;
    capturing_ = true;
    SetCapture(Handle());
    if (!repeating_) {
        SetTimer(Handle(), RepeatTimerId, repeatInterval_ > 0 ? static_cast<UINT>(repeatInterval_) : 0,
                 nullptr);
        repeating_ = true;
    }
    if (Enabled() && Visible() && !Focused()) WinControl::SetFocus();
    Repaint();
}

void TkxCustomButton::LeftButtonUp(int x, int y) {
    const bool wasDown = capturing_;
    capturing_ = false;
    if (GetCapture() == Handle()) {
        releasing_ = true;
        ReleaseCapture();
        releasing_ = false;
    }
    RECT r;
    GetClientRect(Handle(), &r);
    const bool over = x >= 0 && y >= 0 && x < r.right && y < r.bottom;
    if (wasDown && over) {
        Click();
    } else if (pressed_ || repeating_) {
        pressed_ = false;
        StopRepeat();
        Repaint();
    }
}

void TkxCustomButton::CancelMode() {
    capturing_ = false;
    keyDown_ = 0;
    if (GetCapture() == Handle()) {
        releasing_ = true;
        ReleaseCapture();
        releasing_ = false;
    }
    hovered_ = false;
    pressed_ = false;
    StopRepeat();
    Repaint();
}

void TkxCustomButton::StopRepeat() {
    if (!repeating_) return;
    KillTimer(Handle(), RepeatTimerId);
    repeating_ = false;
}

void TkxCustomButton::KeyDown(WPARAM key) {
    if (!IsClickKey(key) || !Enabled()) return;
    keyDown_ = key;
    if (!pressed_) {
        pressed_ = true;
        Repaint();
    }
}

void TkxCustomButton::KeyUp(WPARAM key) {
    if (!IsClickKey(key) || keyDown_ != key) return;
    keyDown_ = 0;
    if (!pressed_) return;
    pressed_ = false;
    Repaint();
    Click();
}

void TkxCustomButton::Click() {
    if (pressed_ || repeating_) {
        StopRepeat();
        pressed_ = false;
        Repaint();
    }
    // BM_CLICK and posted input reach a button behind a modal window too.
    if (!CanAct(Handle())) return;
    Parent().SetModalResult(ModalResult);
    if (OnClick) OnClick();
}

bool TkxCustomButton::HandleCommand(WORD code) {
    if (code != BN_CLICKED || !CanAct(Handle()) || !Visible()) return false;
    Click();
    return true;
}

std::string TkxCustomButton::AccessibleText() const {
    if (!TrimControlAndBlank(caption_).empty()) return caption_;
    return AccessibleName ? AccessibleName() : std::string();
}

void TkxCustomButton::Repaint() { InvalidateRect(Handle(), nullptr, FALSE); }

void TkxCustomButton::SetCaption(const std::string& caption) {
    caption_ = caption;
    SetText(caption);  // the window text carries the accelerator for the dialog keys
    Repaint();
}

void TkxCustomButton::SetTransparent(bool transparent) {
    transparent_ = transparent;
    Repaint();
}

void TkxCustomButton::SetDrawFocused(bool drawFocused) {
    drawFocused_ = drawFocused;
    Repaint();
}

void TkxCustomButton::SetFocusedRectMargin(int margin) {
    focusMargin_ = margin;
    Repaint();
}

void TkxCustomButton::SetTabStop(bool tabStop) {
    HWND hwnd = Handle();
    LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE);
    style = tabStop ? (style | WS_TABSTOP) : (style & ~static_cast<LONG_PTR>(WS_TABSTOP));
    SetWindowLongPtrW(hwnd, GWL_STYLE, style);
    Repaint();
}

bool TkxCustomButton::TabStop() const { return (GetWindowLongPtrW(Handle(), GWL_STYLE) & WS_TABSTOP) != 0; }

void TkxCustomButton::SetColor(COLORREF color) {
    color_ = color;
    Repaint();
}

void TkxCustomButton::SetDefault(bool isDefault) {
    SetWindowLongPtrW(Handle(), GWLP_ID, isDefault ? IDOK : 0);
}

void TkxCustomButton::SetCancel(bool isCancel) {
    SetWindowLongPtrW(Handle(), GWLP_ID, isCancel ? IDCANCEL : 0);
}

void TkxCustomButton::Paint() {
    PaintBuffered(Handle(), [this](HDC memory, const RECT& area, const RECT&) {
        if (transparent_) {
            Parent().PaintArea(memory, Bounds());
        } else {
            FillRect(memory, &area, GdiObject<HBRUSH>(CreateSolidBrush(color_)).get());
        }
        PaintContent(memory, area);
        PaintFrameAndCaption(memory, area);
    });
}

void TkxCustomButton::PaintFrameAndCaption(HDC dc, const RECT& area) {
    if (Focused() && TabStop() && drawFocused_) {
        RECT focus = area;
        InflateRect(&focus, -focusMargin_, -focusMargin_);
        SetTextColor(dc, RGB(0, 0, 0));
        SetBkColor(dc, RGB(255, 255, 255));
        DrawFocusRect(dc, &focus);
    }
    if (TrimControlAndBlank(caption_).empty()) return;
    const std::wstring text = ToWide(caption_);
    const SelectedObject font(dc, FontHandle(Font()));
    SetBkMode(dc, TRANSPARENT);
    const UINT flags = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
    RECT r = area;
    if (Enabled()) {
        SetTextColor(dc, Font().Color);
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, flags);
    } else {
        OffsetRect(&r, 1, 1);
        SetTextColor(dc, RGB(255, 255, 255));
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, flags);
        r = area;
        SetTextColor(dc, RGB(0x80, 0x80, 0x80));
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, flags);
    }
}

TkxImageButton::TkxImageButton(Form& parent, int left, int top, int width, int height)
    : TkxCustomButton(parent, left, top, width, height) {}

void TkxImageButton::SetPicNormal(std::shared_ptr<Bitmap> picture) {
    normal_ = std::move(picture);
    AdjustSize();
    Repaint();
}

void TkxImageButton::SetPicMouseOn(std::shared_ptr<Bitmap> picture) {
    mouseOn_ = std::move(picture);
    AdjustSize();
    Repaint();
}

void TkxImageButton::SetPicMouseDown(std::shared_ptr<Bitmap> picture) {
    mouseDown_ = std::move(picture);
    AdjustSize();
    Repaint();
}

void TkxImageButton::SetPicDisabled(std::shared_ptr<Bitmap> picture) {
    disabled_ = std::move(picture);
    AdjustSize();
    Repaint();
}

void TkxImageButton::SetAutoSize(bool autoSize) {
    autoSize_ = autoSize;
    AdjustSize();
}

void TkxImageButton::SetStretch(bool stretch) {
    stretch_ = stretch;
    Repaint();
}

void TkxImageButton::AdjustSize() {
    if (!autoSize_ || !normal_) return;
    const RECT r = Bounds();
    SetBounds(r.left, r.top, normal_->Width(), normal_->Height());
}

const Bitmap* TkxImageButton::CurrentPicture() const {
    const std::shared_ptr<Bitmap>* chosen = &normal_;
    if (!Enabled())
        chosen = &disabled_;
    else if (Pressed())
        chosen = &mouseDown_;
    else if (Hovered())
        chosen = &mouseOn_;
    return *chosen ? chosen->get() : normal_.get();
}

void TkxImageButton::PaintContent(HDC dc, const RECT& area) {
    const Bitmap* picture = CurrentPicture();
    if (!picture) return;
    RECT dest = area;
    if (!stretch_) dest = {0, 0, picture->Width(), picture->Height()};
    picture->Draw(dc, dest, Transparent() ? KeyPixel::TopLeft : KeyPixel::None);
}

}  // namespace kx::ui
