// The keyboard's road to a form's windowless links: the form window holds the focus on their
// behalf, draws the focus rectangle and turns Tab, Enter and Space into moves and clicks.
#include "Form.h"

#include "Accessible.h"
#include "Application.h"
#include "Control.h"

#include <algorithm>

namespace kx::ui {
namespace {

const UINT ClickLinkMessage = RegisterWindowMessageW(L"KestrixClickLink");

bool IsLinkKey(WPARAM key) { return key == VK_TAB || key == VK_RETURN || key == VK_SPACE; }
bool IsLinkChar(WPARAM ch) { return ch == L'\t' || ch == L'\r' || ch == L' '; }

// A line holds the controls that start above the bottom of its first control.
std::vector<GraphicControl*> InReadingOrder(std::vector<GraphicControl*> controls) {
    std::stable_sort(controls.begin(), controls.end(),
                     [](const GraphicControl* a, const GraphicControl* b) { return a->Top() < b->Top(); });
    for (std::size_t start = 0; start < controls.size();) {
        std::size_t end = start + 1;
        const int lineBottom = controls[start]->Top() + controls[start]->Height();
        while (end < controls.size() && controls[end]->Top() < lineBottom) ++end;
        std::stable_sort(controls.begin() + static_cast<std::ptrdiff_t>(start),
                         controls.begin() + static_cast<std::ptrdiff_t>(end),
                         [](const GraphicControl* a, const GraphicControl* b) { return a->Left() < b->Left(); });
        start = end;
    }
    return controls;
}

RECT FocusRectOf(const GraphicControl& link) {
    RECT r = link.Bounds();
    InflateRect(&r, 1, 1);
    return r;
}

}  // namespace

std::vector<GraphicControl*> Form::Links(bool tabStopsOnly) const {
    std::vector<GraphicControl*> links;
    for (GraphicControl* control : graphics_)
        if (control->Visible() && control->IsLink() && (!tabStopsOnly || control->LinkTabStop()))
            links.push_back(control);
    return InReadingOrder(std::move(links));
}

GraphicControl* Form::FocusedLink() const {
    return focusedLink_ && focusedLink_->Visible() && GetFocus() == hwnd_ ? focusedLink_ : nullptr;
}

void Form::FocusLink(GraphicControl* link) {
    InvalidateLinkFocus();
    focusedLink_ = link;
    if (!link) return;
    if (GetFocus() == hwnd_)
        ShowLinkFocus();
    else
        ::SetFocus(hwnd_);  // its WM_SETFOCUS shows the link
}

void Form::ShowLinkFocus() const {
    InvalidateLinkFocus();
    const std::vector<GraphicControl*> links = Links(false);
    const auto at = std::find(links.begin(), links.end(), focusedLink_);
    if (at != links.end())
        NotifyWinEvent(EVENT_OBJECT_FOCUS, hwnd_, OBJID_CLIENT, static_cast<LONG>(at - links.begin()) + 1);
}

void Form::ClickLinkLater(GraphicControl& link) { PostMessageW(hwnd_, ClickLinkMessage, 0, reinterpret_cast<LPARAM>(&link)); }

HWND Form::WindowedTabEnd(bool last) const {
    HWND first = GetNextDlgTabItem(hwnd_, nullptr, FALSE);
    if (!first || !IsChild(hwnd_, first)) return nullptr;
    return last ? GetNextDlgTabItem(hwnd_, first, TRUE) : first;  // before the first comes the last
}

bool Form::TabLeadsToLinks(HWND from, bool backwards) const {
    return !Links(true).empty() && from == WindowedTabEnd(!backwards);
}

void Form::TabToLinks(bool backwards) {
    const std::vector<GraphicControl*> links = Links(true);
    if (!links.empty()) FocusLink(backwards ? links.back() : links.front());
}

void Form::MoveLinkFocus(bool backwards) {
    const std::vector<GraphicControl*> links = Links(true);
    const auto at = std::find(links.begin(), links.end(), focusedLink_);
    std::ptrdiff_t next = at == links.end() ? (backwards ? static_cast<std::ptrdiff_t>(links.size()) - 1 : 0)
                                            : (at - links.begin()) + (backwards ? -1 : 1);
    if (next < 0 || next >= static_cast<std::ptrdiff_t>(links.size())) {
        // Past either end the windowed controls take over, as they hand over to the links.
        if (HWND windowed = WindowedTabEnd(backwards)) {
            InvalidateLinkFocus();
            focusedLink_ = nullptr;
            ::SetFocus(windowed);
            return;
        }
        next = backwards ? static_cast<std::ptrdiff_t>(links.size()) - 1 : 0;
    }
    if (!links.empty()) FocusLink(links[static_cast<std::size_t>(next)]);
}

bool Form::WantsLinkKey(const MSG* message) const {
    if (!message || !FocusedLink()) return false;
    switch (message->message) {
        case WM_KEYDOWN:
        case WM_KEYUP: return IsLinkKey(message->wParam);
        case WM_CHAR: return IsLinkChar(message->wParam);
        default: return false;
    }
}

void Form::InvalidateLinkFocus() const {
    if (!focusedLink_) return;
    const RECT r = FocusRectOf(*focusedLink_);
    InvalidateRect(hwnd_, &r, FALSE);
}

void Form::PaintLinkFocus(HDC dc) const {
    const GraphicControl* link = FocusedLink();
    if (!link) return;
    const RECT r = FocusRectOf(*link);
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkColor(dc, RGB(255, 255, 255));
    DrawFocusRect(dc, &r);
}

bool Form::HandleLinkMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    Application& app = Application::Instance();
    result = 0;
    switch (message) {
        case WM_GETOBJECT:
            result = AnswerFormObject(*this, wParam, lParam);
            return result != 0;
        case WM_GETDLGCODE:
            if (!WantsLinkKey(reinterpret_cast<const MSG*>(lParam))) return false;
            result = DLGC_WANTMESSAGE;
            return true;
        case WM_KEYDOWN: {
            GraphicControl* link = FocusedLink();
            if (!link || !IsLinkKey(wParam)) return false;
            const bool repeated = (lParam & (1 << 30)) != 0;
            if (wParam == VK_TAB)
                app.Guarded([&] { MoveLinkFocus(GetKeyState(VK_SHIFT) < 0); });
            else if (!repeated)
                app.Guarded([&] { ClickGraphic(*link); });
            return true;
        }
        case WM_KEYUP:
            return FocusedLink() && IsLinkKey(wParam);
        case WM_CHAR:
            return FocusedLink() && IsLinkChar(wParam);
        case WM_SETFOCUS:
            if (!focusedLink_ || !focusedLink_->Visible()) {
                focusedLink_ = nullptr;
                return false;
            }
            ShowLinkFocus();
            return true;
        case WM_KILLFOCUS:
            InvalidateLinkFocus();
            // Focus given to one of our controls ends the link's turn; another window only borrows it.
            if (wParam && IsChild(hwnd_, reinterpret_cast<HWND>(wParam))) focusedLink_ = nullptr;
            return false;
        default:
            break;
    }
    if (message != ClickLinkMessage) return false;
    auto* link = reinterpret_cast<GraphicControl*>(lParam);
    // The link may have gone or been hidden since the reader asked.
    if (std::find(graphics_.begin(), graphics_.end(), link) != graphics_.end() && link->Visible() && link->IsLink())
        app.Guarded([&] { ClickGraphic(*link); });
    return true;
}

}  // namespace kx::ui
