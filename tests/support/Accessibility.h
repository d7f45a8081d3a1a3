// Reads windows as a screen reader does, through the platform's accessibility library.
#pragma once

#include <windows.h>

#include <oleacc.h>

#include <string>
#include <vector>

namespace kx::test {

struct AccessibleItem {
    long Id = CHILDID_SELF;
    std::string Name;
    long Role = 0;
    long State = 0;
    std::string DefaultAction;
    RECT Location{};  // screen coordinates
    // Each text property, with the code the object answered it with.
    std::string Value, Description, Help, KeyboardShortcut, HelpFile;
    HRESULT ValueResult = E_FAIL, DescriptionResult = E_FAIL, HelpResult = E_FAIL, KeyboardShortcutResult = E_FAIL,
            HelpTopicResult = E_FAIL;
};

// The client object of a window, as AccessibleObjectFromWindow gives it.
class AccessibleWindow {
public:
    explicit AccessibleWindow(HWND hwnd);
    ~AccessibleWindow();
    AccessibleWindow(const AccessibleWindow&) = delete;
    AccessibleWindow& operator=(const AccessibleWindow&) = delete;

    bool Valid() const { return object_ != nullptr; }
    AccessibleItem Self() const { return Item(CHILDID_SELF); }
    AccessibleItem Item(long id) const;
    long ChildCount() const;
    // The children this object answers for itself (simple elements), in its order.
    std::vector<AccessibleItem> Elements() const;
    HRESULT DoDefaultAction(long id = CHILDID_SELF) const;
    HRESULT Select(long flags, long id) const;
    // The selected child's number; CHILDID_SELF when nothing is, -1 when the answer is no number.
    long Selection() const;
    // The child number accNavigate reaches from the start; 0 when it reaches none of ours.
    long Navigate(long direction, long start = CHILDID_SELF) const;
    // The child number under a screen point; CHILDID_SELF or 0 for none of ours.
    long HitTest(POINT screen) const;
    long Focus() const;  // the focused simple element, or CHILDID_SELF

private:
    IAccessible* object_ = nullptr;
    bool comStarted_ = false;
};

// Every picture button and platform control of a window, each read as its own client object.
std::vector<AccessibleItem> AccessibleControlsOf(HWND parent);

}  // namespace kx::test
