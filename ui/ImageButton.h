// The picture button: a focusable child window that shows one picture per state.
#pragma once

#include "Bitmap.h"
#include "Control.h"

#include <functional>
#include <memory>
#include <string>

namespace kx::ui {

// Input, focus, caption and the repeat timer; what is drawn is left to the derived class.
class TkxCustomButton : public WinControl {
public:
    TkxCustomButton(Form& parent, int left, int top, int width, int height);
    ~TkxCustomButton() override;

    void SetCaption(const std::string& caption);
    const std::string& Caption() const { return caption_; }
    void SetTransparent(bool transparent);
    bool Transparent() const { return transparent_; }
    void SetDrawFocused(bool drawFocused);
    void SetFocusedRectMargin(int margin);
    void SetMouseContinuouslyDownInterval(int intervalMs) { repeatInterval_ = intervalMs; }
    int MouseContinuouslyDownInterval() const { return repeatInterval_; }
    void SetTabStop(bool tabStop);
    bool TabStop() const;
    void SetColor(COLORREF color);
    // Enter in the form clicks the default button, Escape the cancel button.
    void SetDefault(bool isDefault);
    void SetCancel(bool isCancel);

    bool Hovered() const { return hovered_; }
    bool Pressed() const { return pressed_; }
    bool Repeating() const { return repeating_; }

    int ModalResult = 0;  // copied to the parent form on every click
    std::function<void()> OnClick;
    std::function<void()> OnMouseEnter;
    std::function<void()> OnMouseExit;
    std::function<void()> OnMouseContinuouslyDown;
    // A blank caption leaves the spoken name to AccessibleName.
    std::string AccessibleText() const override;

    virtual void Click();
    void Repaint();
    bool HandleCommand(WORD code) override;

protected:
    // Paints into an off-screen bitmap of the control's size; the background is already there.
    virtual void PaintContent(HDC dc, const RECT& area) = 0;
    void PaintFrameAndCaption(HDC dc, const RECT& area);

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleWindowMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void Paint();
    void PointerMoved(int x, int y);
    void PointerLeft();
    void LeftButtonDown();
    void LeftButtonUp(int x, int y);
    void CancelMode();
    void StopRepeat();
    void KeyDown(WPARAM key);
    void KeyUp(WPARAM key);

    std::string caption_;
    bool transparent_ = false;
    bool drawFocused_ = false;
    int focusMargin_ = 2;
    int repeatInterval_ = 100;
    COLORREF color_;
    bool hovered_ = false;
    bool pressed_ = false;
    bool repeating_ = false;
    bool tracking_ = false;
    bool capturing_ = false;  // the left button went down on us and has not come up
    bool releasing_ = false;
    WPARAM keyDown_ = 0;
};

class TkxImageButton : public TkxCustomButton {
public:
    TkxImageButton(Form& parent, int left, int top, int width, int height);

    void SetPicNormal(std::shared_ptr<Bitmap> picture);
    void SetPicMouseOn(std::shared_ptr<Bitmap> picture);
    void SetPicMouseDown(std::shared_ptr<Bitmap> picture);
    void SetPicDisabled(std::shared_ptr<Bitmap> picture);
    const std::shared_ptr<Bitmap>& PicNormal() const { return normal_; }
    const std::shared_ptr<Bitmap>& PicMouseOn() const { return mouseOn_; }
    const std::shared_ptr<Bitmap>& PicMouseDown() const { return mouseDown_; }
    const std::shared_ptr<Bitmap>& PicDisabled() const { return disabled_; }

    void SetAutoSize(bool autoSize);
    void SetStretch(bool stretch);

    // The picture the current state shows; nullptr when nothing is drawn.
    const Bitmap* CurrentPicture() const;

protected:
    void PaintContent(HDC dc, const RECT& area) override;

private:
    void AdjustSize();

    std::shared_ptr<Bitmap> normal_, mouseOn_, mouseDown_, disabled_;
    bool autoSize_ = false;
    bool stretch_ = false;
};

}  // namespace kx::ui
