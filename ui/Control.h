// Controls of a form: windowless graphic controls painted by the form, and windowed controls.
#pragma once

#include "Font.h"

#include <windows.h>

#include <functional>
#include <string>

namespace kx::ui {

class Form;

// Whether a control in this window may act on a click, a key or a screen reader's request: the
// window and its top-level window are enabled. A modal window disables only the top-level
// windows below it; their children stay enabled.
bool CanAct(HWND hwnd);

// A window without border, caption or scroll bars: its non-client area is empty and painting it,
// which costs the system a device context and a region, shows nothing.
bool NothingOutsideTheClientArea(HWND hwnd);

enum class MouseButton { Left, Right, Middle };

class GraphicControl {
public:
    explicit GraphicControl(Form& parent);
    virtual ~GraphicControl();
    GraphicControl(const GraphicControl&) = delete;
    GraphicControl& operator=(const GraphicControl&) = delete;

    Form& Parent() const { return parent_; }
    const RECT& Bounds() const { return bounds_; }
    int Left() const { return bounds_.left; }
    int Top() const { return bounds_.top; }
    int Width() const { return bounds_.right - bounds_.left; }
    int Height() const { return bounds_.bottom - bounds_.top; }
    void SetBounds(int left, int top, int width, int height);
    void SetLeft(int left) { SetBounds(left, Top(), Width(), Height()); }
    void SetTop(int top) { SetBounds(Left(), top, Width(), Height()); }
    bool Visible() const { return visible_; }
    void SetVisible(bool visible);
    void SetCursor(LPCWSTR systemCursor) { cursor_ = systemCursor; }
    LPCWSTR Cursor() const { return cursor_; }
    void Invalidate() const;

    virtual void Paint(HDC dc) = 0;  // in the form's client coordinates
    virtual bool HitTest(POINT client) const;

    // A link acts on a click; keyboard and screen readers reach it as they reach a button.
    virtual bool IsLink() const { return static_cast<bool>(OnClick); }
    // Whether Tab stops at the link; the picture half of a picture-and-text link does not.
    bool LinkTabStop() const { return linkTabStop_; }
    void SetLinkTabStop(bool tabStop) { linkTabStop_ = tabStop; }
    // What a screen reader announces: AccessibleName when given, else the control's own text.
    virtual std::string AccessibleText() const;
    std::function<std::string()> AccessibleName;

    std::function<void(MouseButton, int x, int y)> OnMouseDown;
    std::function<void()> OnMouseEnter;
    std::function<void()> OnMouseLeave;
    std::function<void()> OnClick;

    // Called by the form's pointer routing.
    virtual void MouseEnter();
    virtual void MouseLeave();
    virtual void MouseDown(MouseButton button, int x, int y);
    virtual void Click();

private:
    Form& parent_;
    RECT bounds_{0, 0, 0, 0};
    bool visible_ = true;
    bool linkTabStop_ = true;
    LPCWSTR cursor_ = IDC_ARROW;
};

class WinControl {
public:
    WinControl(Form& parent, const wchar_t* className, DWORD style, DWORD exStyle, int left, int top, int width,
               int height);
    virtual ~WinControl();
    WinControl(const WinControl&) = delete;
    WinControl& operator=(const WinControl&) = delete;

    HWND Handle() const { return hwnd_; }
    Form& Parent() const { return parent_; }
    void SetText(const std::string& text);
    std::string Text() const;
    void SetFont(const FontSpec& font);
    const FontSpec& Font() const { return font_; }
    void SetBounds(int left, int top, int width, int height);
    RECT Bounds() const;  // in the parent's client coordinates
    int Left() const { return Bounds().left; }
    int Top() const { return Bounds().top; }
    int Width() const;
    int Height() const;
    void SetVisible(bool visible);
    bool Visible() const;
    void SetEnabled(bool enabled);
    bool Enabled() const;
    void SetFocus();
    bool Focused() const;
    // What a screen reader announces: AccessibleName when given (asked each time), else the
    // window text.
    virtual std::string AccessibleText() const { return AccessibleName ? AccessibleName() : Text(); }
    std::function<std::string()> AccessibleName;

    // WM_COMMAND notifications and colour requests the parent form forwards; true when handled.
    virtual bool HandleCommand(WORD code);
    virtual bool HandleColor(HDC dc, HBRUSH& brush);

    static WinControl* FromHandle(HWND hwnd);

private:
    Form& parent_;
    HWND hwnd_;
    FontSpec font_;
};

}  // namespace kx::ui
