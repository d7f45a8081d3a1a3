// A top-level window: frame, size and position rules, showing (also modally), closing,
// timers, private messages, windowless controls painted into one off-screen bitmap per paint.
#pragma once

#include "Font.h"

#include <windows.h>

#include <string>
#include <vector>

namespace kx::ui {

class GraphicControl;
class WinControl;
class Timer;
enum class MouseButton;

enum class FormBorder {
    None,             // no border, no caption: the client area is the whole window
    Dialog,           // dialog frame with system menu and close button
    DialogNoButtons,  // dialog frame with a title bar and nothing in it
    Sizeable,         // sizeable-style frame with system menu and close button only
};

enum class FormPosition {
    Designed,       // where it was put
    DesktopCenter,  // centred on the desktop spanning all monitors
    ScreenCenter,   // centred on the primary screen
    OwnerCenter,    // centred over the owner
};

enum ModalResult { mrNone = 0, mrOk = 1, mrCancel = 2 };

class Form {
public:
    Form(Form* owner, FormBorder border, int clientWidth, int clientHeight);
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    HWND Handle() const { return hwnd_; }
    Form* Owner() const { return owner_; }
    static Form* FromHandle(HWND hwnd);

    void SetCaption(const std::string& caption);
    std::string Caption() const;
    // The system's own word for closing the window, in the user's language: the Close item of
    // its window menu without the accelerator key (the mnemonic's "&" stays, as on a caption).
    std::string CloseCommandText() const;

    void Show();
    void Hide();
    bool Visible() const;
    // A form already showing modally is not shown again inside its own loop: the call returns
    // mrNone at once and leaves the result to the showing under way.
    int ShowModal();
    bool Modal() const { return modal_; }
    // Ends a modal showing with mrCancel, or hides the form; closing the main form ends the loop.
    void Close();
    void SetModalResult(int result) { modalResult_ = result; }
    int GetModalResult() const { return modalResult_; }

    void SetPosition(FormPosition position) { position_ = position; }
    void SetClientSize(int width, int height);
    int ClientWidth() const;
    int ClientHeight() const;
    RECT WindowRect() const;  // screen coordinates
    void MoveTo(int left, int top);

    void SetColor(COLORREF color);
    COLORREF Color() const { return color_; }
    const FontSpec& Font() const { return font_; }
    void SetFont(const FontSpec& font) { font_ = font; }

    void Invalidate();
    void InvalidateArea(const RECT& area);
    // Paints the form's background and windowless controls for the given client area into dc,
    // whose origin stands for the area's top-left corner (transparent children use it).
    void PaintArea(HDC dc, const RECT& area);

    // Lets the window system move the window with the pointer, as if its caption were dragged.
    void BeginDrag();
    // A rectangle with rounded corners from (0, 0) to (width + 1, height + 1).
    void SetRoundedShape(int cornerSize);

    void Post(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    // Tab order of the windowed controls, first to last.
    void SetTabOrder(const std::vector<WinControl*>& order);

    // Registry of controls, in painting order (controls call these themselves).
    void AddGraphic(GraphicControl* control);
    void RemoveGraphic(GraphicControl* control);
    void AddTimer(Timer* timer);
    void RemoveTimer(Timer* timer);

    // The visible windowless links in reading order (top left to bottom right); with
    // tabStopsOnly, those Tab stops at. Tab reaches them after the windowed controls.
    std::vector<GraphicControl*> Links(bool tabStopsOnly) const;
    // The link that has the keyboard focus; the form window itself holds it meanwhile.
    GraphicControl* FocusedLink() const;
    void FocusLink(GraphicControl* link);
    // Clicks the link from the message loop, so that the caller returns before any modal window.
    void ClickLinkLater(GraphicControl& link);
    // Whether Tab from this windowed control goes on to the links, and doing so.
    bool TabLeadsToLinks(HWND from, bool backwards) const;
    void TabToLinks(bool backwards);

protected:
    virtual void FormShow() {}
    virtual void FormClose() {}
    virtual bool FormCanResize() { return true; }
    // Private and other messages the form wants; true when handled.
    virtual bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    void Paint();
    // PaintArea's drawing, in dc's own client coordinates: only what overlaps area is drawn.
    void DrawArea(HDC dc, const RECT& area);
    void PlaceForShowing();
    GraphicControl* HitTest(POINT client) const;
    void MouseMove(POINT client);
    void MouseLeaveForm();
    void MouseDown(MouseButton button, POINT client);
    void MouseUp(POINT client);
    bool SetCursorFor(POINT client);
    void FocusFirstControl();
    // Keyboard focus and screen-reader answers for the windowless links; true when handled.
    bool HandleLinkMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // Clicks a windowless control unless a modal window has disabled the form.
    void ClickGraphic(GraphicControl& control);
    bool WantsLinkKey(const MSG* message) const;
    void MoveLinkFocus(bool backwards);
    void InvalidateLinkFocus() const;
    void ShowLinkFocus() const;
    HWND WindowedTabEnd(bool last) const;  // the first or last windowed control Tab stops at
    void PaintLinkFocus(HDC dc) const;

    HWND hwnd_ = nullptr;
    Form* owner_;
    FormBorder border_;
    FormPosition position_ = FormPosition::Designed;
    bool placed_ = false;
    bool modal_ = false;
    int modalResult_ = mrNone;
    bool sizeFixed_ = false;
    COLORREF color_ = GetSysColor(COLOR_BTNFACE);
    FontSpec font_;
    HWND lastFocus_ = nullptr;
    std::vector<GraphicControl*> graphics_;
    std::vector<Timer*> timers_;
    GraphicControl* hovered_ = nullptr;
    GraphicControl* pressed_ = nullptr;
    bool trackingLeave_ = false;
    GraphicControl* focusedLink_ = nullptr;
};

}  // namespace kx::ui
