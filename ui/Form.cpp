#include "Form.h"

#include "Application.h"
#include "Control.h"
#include "Painting.h"
#include "Scoped.h"
#include "Screen.h"
#include "Text.h"
#include "Timer.h"

#include <windowsx.h>

#include <algorithm>
#include <string_view>

namespace kx::ui {
namespace {

constexpr wchar_t FormClassName[] = L"KestrixForm";

void RegisterFormClass(WNDPROC proc) {
    static bool registered = false;
    if (registered) return;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
    if (!wc.hIcon) wc.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    wc.lpszClassName = FormClassName;
    RegisterClassExW(&wc);
    registered = true;
}

DWORD StyleOf(FormBorder border) {
    switch (border) {
        case FormBorder::None: return WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX;
        case FormBorder::Dialog: return WS_POPUP | WS_CAPTION | WS_SYSMENU;
        case FormBorder::DialogNoButtons: return WS_POPUP | WS_CAPTION;
        case FormBorder::Sizeable: return WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME;
    }
    return WS_POPUP;
}

DWORD ExStyleOf(FormBorder border, bool owned) {
    DWORD ex = WS_EX_CONTROLPARENT;
    if (border == FormBorder::Dialog || border == FormBorder::DialogNoButtons) ex |= WS_EX_DLGMODALFRAME;
    if (!owned) ex |= WS_EX_APPWINDOW;
    return ex;
}

MouseButton ButtonOf(UINT message) {
    switch (message) {
        case WM_RBUTTONDOWN: return MouseButton::Right;
        case WM_MBUTTONDOWN: return MouseButton::Middle;
        default: return MouseButton::Left;
    }
}

}  // namespace

Form::Form(Form* owner, FormBorder border, int clientWidth, int clientHeight) : owner_(owner), border_(border) {
    RegisterFormClass(&Form::WindowProc);
    RECT r{0, 0, clientWidth, clientHeight};
    const DWORD style = StyleOf(border) | WS_CLIPCHILDREN;
    const DWORD ex = ExStyleOf(border, owner != nullptr);
    AdjustWindowRectEx(&r, style, FALSE, ex);
    hwnd_ = CreateWindowExW(ex, FormClassName, L"", style, 0, 0, r.right - r.left, r.bottom - r.top,
                            owner ? owner->Handle() : nullptr, nullptr, GetModuleHandleW(nullptr), this);
    if (!hwnd_) throw std::runtime_error("Cannot create a window");
    SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(FontHandle(font_)), FALSE);
    sizeFixed_ = true;
}

Form::~Form() {
    for (Timer* timer : timers_) KillTimer(hwnd_, reinterpret_cast<UINT_PTR>(timer));
    if (hwnd_) {
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
}

LRESULT CALLBACK Form::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        auto* form = static_cast<Form*>(create->lpCreateParams);
        form->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    }
    auto* form = reinterpret_cast<Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!form) return DefWindowProcW(hwnd, message, wParam, lParam);
    return form->Dispatch(message, wParam, lParam);
}

Form* Form::FromHandle(HWND hwnd) {
    wchar_t className[32] = {};
    if (!hwnd || !GetClassNameW(hwnd, className, 32) || std::wstring_view(className) != FormClassName) return nullptr;
    return reinterpret_cast<Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

bool Form::HandleMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

LRESULT Form::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    Application& app = Application::Instance();
    LRESULT result = 0;
    bool handled = false;
    app.Guarded([&] { handled = HandleMessage(message, wParam, lParam, result); });
    if (handled) return result;
    if (HandleLinkMessage(message, wParam, lParam, result)) return result;

    switch (message) {
        case WM_CLOSE:
            app.Guarded([&] { Close(); });
            return 0;
        case WM_NCPAINT:
            if (NothingOutsideTheClientArea(hwnd_)) return 0;
            break;
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT:
            Paint();
            return 0;
        case WM_TIMER: {
            const auto it = std::find(timers_.begin(), timers_.end(), reinterpret_cast<Timer*>(wParam));
            if (it != timers_.end()) (*it)->Fire();
            return 0;
        }
        case WM_COMMAND:
            if (WinControl* control = WinControl::FromHandle(reinterpret_cast<HWND>(lParam))) {
                app.Guarded([&] { control->HandleCommand(HIWORD(wParam)); });
            } else if (LOWORD(wParam) == IDOK && lParam == 0) {
                // Enter with no default button: a focused push button takes it, as in dialogs.
                HWND focus = GetFocus();
                WinControl* focused = WinControl::FromHandle(focus);
                if (focused && IsChild(hwnd_, focus) &&
                    (SendMessageW(focus, WM_GETDLGCODE, 0, 0) & DLGC_UNDEFPUSHBUTTON))
                    app.Guarded([&] { focused->HandleCommand(BN_CLICKED); });
            }
            return 0;  // otherwise the dialog keys' IDOK and IDCANCEL do nothing by themselves
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORBTN:
            if (WinControl* control = WinControl::FromHandle(reinterpret_cast<HWND>(lParam))) {
                HBRUSH brush = nullptr;
                if (control->HandleColor(reinterpret_cast<HDC>(wParam), brush)) return reinterpret_cast<LRESULT>(brush);
            }
            break;
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_INACTIVE) {
                HWND focus = GetFocus();
                if (focus && IsChild(hwnd_, focus)) lastFocus_ = focus;
            }
            break;
        case WM_SETFOCUS:
            if (lastFocus_ && IsWindow(lastFocus_) && IsWindowVisible(lastFocus_) && IsWindowEnabled(lastFocus_))
                ::SetFocus(lastFocus_);
            else
                FocusFirstControl();
            return 0;
        case WM_WINDOWPOSCHANGING:
            if (sizeFixed_ && !FormCanResize()) reinterpret_cast<WINDOWPOS*>(lParam)->flags |= SWP_NOSIZE;
            break;
        case WM_MOUSEMOVE:
            app.Guarded([&] { MouseMove({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}); });
            return 0;
        case WM_MOUSELEAVE:
            app.Guarded([&] { MouseLeaveForm(); });
            return 0;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            app.Guarded([&] { MouseDown(ButtonOf(message), {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}); });
            return 0;
        case WM_LBUTTONUP:
            app.Guarded([&] { MouseUp({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}); });
            return 0;
        case WM_CAPTURECHANGED:
            pressed_ = nullptr;
            return 0;
        case WM_SETCURSOR:
            if (app.ScreenCursor()) {
                ::SetCursor(app.ScreenCursor());
                return TRUE;
            }
            if (reinterpret_cast<HWND>(wParam) == hwnd_ && LOWORD(lParam) == HTCLIENT) {
                POINT p;
                GetCursorPos(&p);
                ScreenToClient(hwnd_, &p);
                if (SetCursorFor(p)) return TRUE;
            }
            break;
        default:
            break;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

void Form::SetCaption(const std::string& caption) { SetWindowTextW(hwnd_, ToWide(caption).c_str()); }

std::string Form::Caption() const {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd_)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(hwnd_, text.data(), static_cast<int>(text.size()))));
    return FromWide(text);
}

std::string Form::CloseCommandText() const {
    wchar_t text[128] = {};
    if (!GetMenuStringW(GetSystemMenu(hwnd_, FALSE), SC_CLOSE, text, 128, MF_BYCOMMAND)) return {};
    std::wstring_view item(text);
    return FromWide(std::wstring(item.substr(0, item.find(L'\t'))));
}

void Form::PlaceForShowing() {
    // Over the owner at every showing, as the owner may have moved; elsewhere only at the first.
    if (Visible() || (placed_ && position_ != FormPosition::OwnerCenter)) return;
    placed_ = true;
    const RECT r = WindowRect();
    const int width = r.right - r.left, height = r.bottom - r.top;
    int left = r.left, top = r.top;
    switch (position_) {
        case FormPosition::Designed: return;
        case FormPosition::DesktopCenter: {
            const POINT corner = CentredOn(VirtualScreen(), width, height);
            left = corner.x;
            top = corner.y;
            break;
        }
        case FormPosition::ScreenCenter:
            left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
            top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
            break;
        case FormPosition::OwnerCenter:
            if (owner_) {
                const RECT o = owner_->WindowRect();
                left = o.left + ((o.right - o.left) - width) / 2;
                top = o.top + ((o.bottom - o.top) - height) / 2;
            } else {
                left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
                top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
            }
            break;
    }
    MoveTo(left, top);
}

void Form::Show() {
    PlaceForShowing();
    Application::Instance().Guarded([&] { FormShow(); });
    if (IsWindowVisible(hwnd_)) return;
    ShowWindow(hwnd_, SW_SHOW);
    UpdateWindow(hwnd_);
    HWND focus = GetFocus();
    if (!focus || !IsChild(hwnd_, focus)) FocusFirstControl();
}

void Form::Hide() { ShowWindow(hwnd_, SW_HIDE); }

bool Form::Visible() const { return IsWindowVisible(hwnd_) != FALSE; }

int Form::ShowModal() {
    if (modal_) return mrNone;
    const HWND below = GetActiveWindow();
    // Every other enabled window of the program waits while this one is up.
    std::vector<HWND> disabled;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM self) -> BOOL {
            auto* list = reinterpret_cast<std::vector<HWND>*>(self);
            if (IsWindowVisible(hwnd) && IsWindowEnabled(hwnd)) list->push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&disabled));
    disabled.erase(std::remove(disabled.begin(), disabled.end(), hwnd_), disabled.end());
    for (HWND hwnd : disabled) EnableWindow(hwnd, FALSE);

    modal_ = true;
    modalResult_ = mrNone;
    Show();
    Application& app = Application::Instance();
    while (modalResult_ == mrNone) {
        if (!app.HandleOneMessage()) {
            PostQuitMessage(0);  // the outer loop must see it too
            if (modalResult_ == mrNone) modalResult_ = mrCancel;
        }
    }
    modal_ = false;
    for (HWND hwnd : disabled)
        if (IsWindow(hwnd)) EnableWindow(hwnd, TRUE);
    app.Guarded([&] { FormClose(); });
    // Activation goes back to the window that had it, which may be a modal box still up over
    // the owner; the owner only when that window can no longer take it.
    const bool belowUsable = below && below != hwnd_ && IsWindow(below) && IsWindowVisible(below) && IsWindowEnabled(below);
    if (belowUsable) SetActiveWindow(below);
    else if (owner_) SetActiveWindow(owner_->Handle());
    Hide();
    return modalResult_;
}

void Form::Close() {
    if (modal_) {
        if (modalResult_ == mrNone) modalResult_ = mrCancel;
        return;
    }
    FormClose();
    Hide();
    if (Application::Instance().MainForm() == this) Application::Instance().Terminate();
}

void Form::SetClientSize(int width, int height) {
    RECT r{0, 0, width, height};
    AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_EXSTYLE)));
    const bool fixed = sizeFixed_;
    sizeFixed_ = false;
    SetWindowPos(hwnd_, nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    sizeFixed_ = fixed;
}

int Form::ClientWidth() const {
    RECT r;
    GetClientRect(hwnd_, &r);
    return r.right;
}

int Form::ClientHeight() const {
    RECT r;
    GetClientRect(hwnd_, &r);
    return r.bottom;
}

RECT Form::WindowRect() const {
    RECT r;
    GetWindowRect(hwnd_, &r);
    return r;
}

void Form::MoveTo(int left, int top) {
    SetWindowPos(hwnd_, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form::SetColor(COLORREF color) {
    color_ = color;
    Invalidate();
}

void Form::Invalidate() { InvalidateRect(hwnd_, nullptr, FALSE); }

void Form::InvalidateArea(const RECT& area) { ::InvalidateRect(hwnd_, &area, FALSE); }

void Form::PaintArea(HDC dc, const RECT& area) {
    POINT oldOrigin;
    OffsetViewportOrgEx(dc, -area.left, -area.top, &oldOrigin);
    DrawArea(dc, area);
    SetViewportOrgEx(dc, oldOrigin.x, oldOrigin.y, nullptr);
}

void Form::DrawArea(HDC dc, const RECT& area) {
    FillRect(dc, &area, GdiObject<HBRUSH>(CreateSolidBrush(color_)).get());
    for (GraphicControl* control : graphics_) {
        RECT overlap;
        if (!control->Visible() || !IntersectRect(&overlap, &control->Bounds(), &area)) continue;
        const int saved = SaveDC(dc);
        IntersectClipRect(dc, control->Left(), control->Top(), control->Left() + control->Width(),
                          control->Top() + control->Height());
        control->Paint(dc);
        RestoreDC(dc, saved);
    }
}

void Form::Paint() {
    PaintBuffered(hwnd_, [this](HDC memory, const RECT&, const RECT& part) {
        DrawArea(memory, part);
        PaintLinkFocus(memory);
    });
}

void Form::BeginDrag() {
    pressed_ = nullptr;
    ReleaseCapture();
    SendMessageW(hwnd_, WM_SYSCOMMAND, 0xF012, 0);
}

void Form::SetRoundedShape(int cornerSize) {
    const RECT r = WindowRect();
    HRGN region = CreateRoundRectRgn(0, 0, r.right - r.left + 1, r.bottom - r.top + 1, cornerSize, cornerSize);
    SetWindowRgn(hwnd_, region, TRUE);  // the window system owns the region from here on
}

void Form::Post(UINT message, WPARAM wParam, LPARAM lParam) const { PostMessageW(hwnd_, message, wParam, lParam); }

void Form::SetTabOrder(const std::vector<WinControl*>& order) {
    HWND previous = HWND_TOP;
    for (WinControl* control : order) {
        SetWindowPos(control->Handle(), previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        previous = control->Handle();
    }
}

void Form::FocusFirstControl() {
    HWND first = GetNextDlgTabItem(hwnd_, nullptr, FALSE);
    if (first && IsChild(hwnd_, first)) ::SetFocus(first);
}

void Form::AddGraphic(GraphicControl* control) { graphics_.push_back(control); }

void Form::RemoveGraphic(GraphicControl* control) {
    graphics_.erase(std::remove(graphics_.begin(), graphics_.end(), control), graphics_.end());
    if (hovered_ == control) hovered_ = nullptr;
    if (pressed_ == control) pressed_ = nullptr;
    if (focusedLink_ == control) focusedLink_ = nullptr;
}

void Form::AddTimer(Timer* timer) { timers_.push_back(timer); }

void Form::RemoveTimer(Timer* timer) {
    KillTimer(hwnd_, reinterpret_cast<UINT_PTR>(timer));
    timers_.erase(std::remove(timers_.begin(), timers_.end(), timer), timers_.end());
}

GraphicControl* Form::HitTest(POINT client) const {
    for (auto it = graphics_.rbegin(); it != graphics_.rend(); ++it)
        if ((*it)->HitTest(client)) return *it;
    return nullptr;
}

void Form::MouseMove(POINT client) {
    if (!trackingLeave_) {
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, hwnd_, 0};
        trackingLeave_ = TrackMouseEvent(&track) != FALSE;
    }
    GraphicControl* hit = HitTest(client);
    if (hit == hovered_) return;
    GraphicControl* left = hovered_;
    hovered_ = hit;
    if (left) left->MouseLeave();
    if (hit) hit->MouseEnter();
}

void Form::MouseLeaveForm() {
    trackingLeave_ = false;
    if (GraphicControl* left = hovered_) {
        hovered_ = nullptr;
        left->MouseLeave();
    }
}

void Form::MouseDown(MouseButton button, POINT client) {
    GraphicControl* hit = HitTest(client);
    if (!hit) return;
    if (button == MouseButton::Left) {
        pressed_ = hit;
        SetCapture(hwnd_);
    }
    hit->MouseDown(button, client.x - hit->Left(), client.y - hit->Top());
}

void Form::MouseUp(POINT client) {
    GraphicControl* pressed = pressed_;
    pressed_ = nullptr;
    if (GetCapture() == hwnd_) ReleaseCapture();
    if (pressed && HitTest(client) == pressed) ClickGraphic(*pressed);
}

void Form::ClickGraphic(GraphicControl& control) {
    if (CanAct(hwnd_)) control.Click();
}

bool Form::SetCursorFor(POINT client) {
    GraphicControl* hit = HitTest(client);
    ::SetCursor(LoadCursorW(nullptr, hit ? hit->Cursor() : IDC_ARROW));
    return true;
}

}  // namespace kx::ui
