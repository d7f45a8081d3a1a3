#include "Accessibility.h"

#include "Accessible.h"
#include "Text.h"

namespace kx::test {
namespace {

using ui::AccessibleInterfaceId;

VARIANT Child(long id) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = id;
    return v;
}

std::string Taken(BSTR text) {
    if (!text) return {};
    std::string result = FromWide(std::wstring(text, SysStringLen(text)));
    SysFreeString(text);
    return result;
}

// The child number a VARIANT answer names; 0 for anything else.
long ChildNumber(HRESULT result, VARIANT& answer) {
    const long id = result == S_OK && answer.vt == VT_I4 ? answer.lVal : 0;
    VariantClear(&answer);
    return id;
}

}  // namespace

AccessibleWindow::AccessibleWindow(HWND hwnd) {
    comStarted_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    void* object = nullptr;
    if (SUCCEEDED(AccessibleObjectFromWindow(hwnd, static_cast<DWORD>(OBJID_CLIENT), AccessibleInterfaceId, &object)))
        object_ = static_cast<IAccessible*>(object);
}

AccessibleWindow::~AccessibleWindow() {
    if (object_) object_->Release();
    if (comStarted_) CoUninitialize();
}

AccessibleItem AccessibleWindow::Item(long id) const {
    AccessibleItem item;
    item.Id = id;
    if (!object_) return item;
    const VARIANT child = Child(id);
    BSTR text = nullptr;
    if (object_->get_accName(child, &text) == S_OK) item.Name = Taken(text);
    VARIANT value;
    VariantInit(&value);
    if (object_->get_accRole(child, &value) == S_OK && value.vt == VT_I4) item.Role = value.lVal;
    VariantClear(&value);
    if (object_->get_accState(child, &value) == S_OK && value.vt == VT_I4) item.State = value.lVal;
    VariantClear(&value);
    text = nullptr;
    if (object_->get_accDefaultAction(child, &text) == S_OK) item.DefaultAction = Taken(text);
    LONG left = 0, top = 0, width = 0, height = 0;
    if (object_->accLocation(&left, &top, &width, &height, child) == S_OK)
        item.Location = {left, top, left + width, top + height};
    const std::pair<HRESULT (STDMETHODCALLTYPE IAccessible::*)(VARIANT, BSTR*), std::pair<std::string*, HRESULT*>>
        texts[] = {{&IAccessible::get_accValue, {&item.Value, &item.ValueResult}},
                   {&IAccessible::get_accDescription, {&item.Description, &item.DescriptionResult}},
                   {&IAccessible::get_accHelp, {&item.Help, &item.HelpResult}},
                   {&IAccessible::get_accKeyboardShortcut, {&item.KeyboardShortcut, &item.KeyboardShortcutResult}}};
    for (const auto& [query, into] : texts) {
        text = nullptr;
        *into.second = (object_->*query)(child, &text);
        *into.first = Taken(text);
    }
    text = nullptr;
    LONG topic = 0;
    item.HelpTopicResult = object_->get_accHelpTopic(&text, child, &topic);
    item.HelpFile = Taken(text);
    return item;
}

long AccessibleWindow::ChildCount() const {
    LONG count = -1;
    if (object_) object_->get_accChildCount(&count);
    return count;
}

std::vector<AccessibleItem> AccessibleWindow::Elements() const {
    std::vector<AccessibleItem> elements;
    for (long id = 1; id <= ChildCount(); ++id) {
        IDispatch* child = nullptr;
        const HRESULT result = object_->get_accChild(Child(id), &child);
        if (child) child->Release();
        if (result == S_FALSE) elements.push_back(Item(id));
    }
    return elements;
}

HRESULT AccessibleWindow::DoDefaultAction(long id) const {
    return object_ ? object_->accDoDefaultAction(Child(id)) : E_FAIL;
}

HRESULT AccessibleWindow::Select(long flags, long id) const {
    return object_ ? object_->accSelect(flags, Child(id)) : E_FAIL;
}

long AccessibleWindow::Selection() const {
    VARIANT selection;
    VariantInit(&selection);
    if (!object_ || FAILED(object_->get_accSelection(&selection))) return -1;
    if (selection.vt == VT_EMPTY) return CHILDID_SELF;
    const long id = selection.vt == VT_I4 ? selection.lVal : -1;
    VariantClear(&selection);
    return id;
}

long AccessibleWindow::Navigate(long direction, long start) const {
    VARIANT reached;
    VariantInit(&reached);
    return object_ ? ChildNumber(object_->accNavigate(direction, Child(start), &reached), reached) : 0;
}

long AccessibleWindow::HitTest(POINT screen) const {
    VARIANT hit;
    VariantInit(&hit);
    return object_ ? ChildNumber(object_->accHitTest(screen.x, screen.y, &hit), hit) : 0;
}

long AccessibleWindow::Focus() const {
    VARIANT focus;
    VariantInit(&focus);
    if (!object_ || object_->get_accFocus(&focus) != S_OK) return CHILDID_SELF;
    const long id = focus.vt == VT_I4 ? focus.lVal : CHILDID_SELF;
    VariantClear(&focus);
    return id;
}

std::vector<AccessibleItem> AccessibleControlsOf(HWND parent) {
    std::vector<AccessibleItem> controls;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsWindowVisible(child)) continue;
        AccessibleWindow control(child);
        controls.push_back(control.Self());
    }
    return controls;
}

}  // namespace kx::test
