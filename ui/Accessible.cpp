#include "Accessible.h"

#include "Application.h"
#include "Control.h"
#include "Form.h"
#include "Text.h"

#include <oleacc.h>

#include <string>
#include <vector>

namespace kx::ui {
namespace {

HRESULT Text(const std::string& text, BSTR* out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    const std::wstring wide = ToWide(text);
    if (wide.empty()) return S_FALSE;
    *out = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT Int(VARIANT* out, LONG value) {
    if (!out) return E_POINTER;
    VariantInit(out);
    out->vt = VT_I4;
    out->lVal = value;
    return S_OK;
}

// "&Update" is announced as "Update"; "&&" stands for one ampersand.
std::string WithoutAccelerator(const std::string& caption) {
    std::string plain;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&' && i + 1 < caption.size()) ++i;
        plain += caption[i];
    }
    return plain;
}

// Forwards everything to the platform's standard client object; the derived objects answer
// for what the platform cannot know.
class StandardClient : public IAccessible {
public:
    explicit StandardClient(HWND hwnd) : hwnd_(hwnd) {
        void* standard = nullptr;
        if (SUCCEEDED(CreateStdAccessibleObject(hwnd, OBJID_CLIENT, AccessibleInterfaceId, &standard)))
            standard_ = static_cast<IAccessible*>(standard);
    }
    virtual ~StandardClient() {
        if (standard_) standard_->Release();
    }
    StandardClient(const StandardClient&) = delete;
    StandardClient& operator=(const StandardClient&) = delete;
    bool Ready() const { return standard_ != nullptr; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == AccessibleInterfaceId) {
            *out = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&references_);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
        return Alive() ? standard_->get_accParent(parent) : RPC_E_DISCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override {
        return Alive() ? standard_->get_accChildCount(count) : RPC_E_DISCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
        return Alive() ? standard_->get_accChild(child, out) : RPC_E_DISCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* out) override {
        return Alive() ? standard_->get_accName(child, out) : RPC_E_DISCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* out) override {
        return Alive() ? standard_->get_accValue(child, out) : RPC_E_DISCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* out) override {
        return Alive() ? standard_->get_accDescription(child, out) : RPC_E_DISCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* out) override {
        return Alive() ? standard_->get_accRole(child, out) : RPC_E_DISCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* out) override {
        return Alive() ? standard_->get_accState(child, out) : RPC_E_DISCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* out) override {
        return Alive() ? standard_->get_accHelp(child, out) : RPC_E_DISCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override {
        return Alive() ? standard_->get_accHelpTopic(file, child, topic) : RPC_E_DISCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* out) override {
        return Alive() ? standard_->get_accKeyboardShortcut(child, out) : RPC_E_DISCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* out) override {
        return Alive() ? standard_->get_accFocus(out) : RPC_E_DISCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* out) override {
        return Alive() ? standard_->get_accSelection(out) : RPC_E_DISCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* out) override {
        return Alive() ? standard_->get_accDefaultAction(child, out) : RPC_E_DISCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT child) override {
        return Alive() ? standard_->accSelect(flags, child) : RPC_E_DISCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height,
                                          VARIANT child) override {
        return Alive() ? standard_->accLocation(left, top, width, height, child) : RPC_E_DISCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* out) override {
        return Alive() ? standard_->accNavigate(direction, start, out) : RPC_E_DISCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* out) override {
        return Alive() ? standard_->accHitTest(x, y, out) : RPC_E_DISCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        return Alive() ? standard_->accDoDefaultAction(child) : RPC_E_DISCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

protected:
    // A reader may keep the object after the window is gone; then every call fails cleanly.
    virtual bool Alive() const { return IsWindow(hwnd_) != FALSE; }
    static bool IsSelf(const VARIANT& child) { return child.vt == VT_I4 && child.lVal == CHILDID_SELF; }
    HWND Window() const { return hwnd_; }
    IAccessible* Standard() const { return standard_; }

private:
    HWND hwnd_;
    IAccessible* standard_ = nullptr;
    LONG references_ = 1;
};

class ButtonObject final : public StandardClient {
public:
    using StandardClient::StandardClient;

    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* out) override {
        if (!IsSelf(child)) return StandardClient::get_accName(child, out);
        WinControl* button = Button();
        if (!button) return RPC_E_DISCONNECTED;
        return Text(WithoutAccelerator(button->AccessibleText()), out);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* out) override {
        if (!IsSelf(child)) return StandardClient::get_accRole(child, out);
        return Alive() ? Int(out, ROLE_SYSTEM_PUSHBUTTON) : RPC_E_DISCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* out) override {
        if (!IsSelf(child)) return StandardClient::get_accDefaultAction(child, out);
        return Alive() ? Text("Press", out) : RPC_E_DISCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        if (!IsSelf(child)) return E_INVALIDARG;
        WinControl* button = Button();
        if (!button) return RPC_E_DISCONNECTED;
        if (!CanAct(button->Handle()) || !button->Visible()) return E_FAIL;
        // The press may open a modal window; the reader's call returns first.
        PostMessageW(button->Handle(), BM_CLICK, 0, 0);
        return S_OK;
    }
    // Not every platform's library moves the focus for a reader.
    HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT child) override {
        if (!IsSelf(child) || flags != SELFLAG_TAKEFOCUS) return StandardClient::accSelect(flags, child);
        WinControl* button = Button();
        if (!button) return RPC_E_DISCONNECTED;
        if (!CanAct(button->Handle()) || !button->Visible()) return E_FAIL;
        button->SetFocus();
        return S_OK;
    }

private:
    WinControl* Button() const { return WinControl::FromHandle(Window()); }
    bool Alive() const override { return Button() != nullptr; }
};

class FieldObject final : public StandardClient {
public:
    using StandardClient::StandardClient;

    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* out) override {
        if (!IsSelf(child)) return StandardClient::get_accName(child, out);
        WinControl* field = WinControl::FromHandle(Window());
        if (!field) return RPC_E_DISCONNECTED;
        return Text(field->AccessibleName ? field->AccessibleName() : std::string(), out);
    }
    // Not every platform's library knows the rich edit class.
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* out) override {
        if (!IsSelf(child)) return StandardClient::get_accRole(child, out);
        return Alive() ? Int(out, ROLE_SYSTEM_TEXT) : RPC_E_DISCONNECTED;
    }

private:
    bool Alive() const override { return WinControl::FromHandle(Window()) != nullptr; }
};

// One numbering for every question: the form itself, then its links 1..n in reading order, then
// the platform's children, their numbers shifted by n. A child window is asked through its own
// object, which knows it best (not every platform's client object answers for its children).
class FormObject final : public StandardClient {
public:
    using StandardClient::StandardClient;

    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override {
        if (!count) return E_POINTER;
        const HRESULT standard = StandardClient::get_accChildCount(count);
        if (FAILED(standard)) return standard;
        *count += static_cast<LONG>(Links().size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (Link(child)) return S_FALSE;  // a simple element, answered by this object
        return StandardClient::get_accChild(PlatformNumber(child), out);
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* out) override {
        return Route(
            child, [&](GraphicControl& link) { return Text(link.AccessibleText(), out); },
            [&](IAccessible* object, VARIANT c) { return object->get_accName(c, out); });
    }
    // The text properties a link has none of; a platform child is asked for its own.
    HRESULT NoTextForALink(VARIANT child, BSTR* out, HRESULT (STDMETHODCALLTYPE IAccessible::*ask)(VARIANT, BSTR*)) {
        return Route(
            child, [&](GraphicControl&) { return Text({}, out); },
            [&](IAccessible* object, VARIANT c) { return (object->*ask)(c, out); });
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* out) override {
        return NoTextForALink(child, out, &IAccessible::get_accValue);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* out) override {
        return NoTextForALink(child, out, &IAccessible::get_accDescription);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* out) override {
        return NoTextForALink(child, out, &IAccessible::get_accHelp);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override {
        return Route(
            child,
            [&](GraphicControl&) {
                if (!topic) return E_POINTER;
                *topic = -1;
                return Text({}, file);
            },
            [&](IAccessible* object, VARIANT c) { return object->get_accHelpTopic(file, c, topic); });
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* out) override {
        return NoTextForALink(child, out, &IAccessible::get_accKeyboardShortcut);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* out) override {
        return Route(
            child, [&](GraphicControl&) { return Int(out, ROLE_SYSTEM_LINK); },
            [&](IAccessible* object, VARIANT c) { return object->get_accRole(c, out); });
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* out) override {
        return Route(
            child,
            [&](GraphicControl& link) {
                LONG state = STATE_SYSTEM_LINKED;
                if (link.LinkTabStop()) state |= STATE_SYSTEM_FOCUSABLE;
                if (&link == FocusedLink()) state |= STATE_SYSTEM_FOCUSED;
                return Int(out, state);
            },
            [&](IAccessible* object, VARIANT c) { return object->get_accState(c, out); });
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* out) override {
        return Route(
            child, [&](GraphicControl&) { return Text("click", out); },
            [&](IAccessible* object, VARIANT c) { return object->get_accDefaultAction(c, out); });
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        return Route(
            child,
            [&](GraphicControl& link) {
                if (!CanAct(Window())) return E_FAIL;
                Form::FromHandle(Window())->ClickLinkLater(link);
                return S_OK;
            },
            [&](IAccessible* object, VARIANT c) { return object->accDoDefaultAction(c); });
    }
    HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT child) override {
        return Route(
            child,
            [&](GraphicControl& link) {
                if (flags != SELFLAG_TAKEFOCUS || !link.LinkTabStop()) return E_INVALIDARG;
                if (!CanAct(Window())) return E_FAIL;
                Form::FromHandle(Window())->FocusLink(&link);
                return S_OK;
            },
            [&](IAccessible* object, VARIANT c) { return object->accSelect(flags, c); });
    }
    HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height,
                                          VARIANT child) override {
        return Route(
            child,
            [&](GraphicControl& link) {
                if (!left || !top || !width || !height) return E_POINTER;
                POINT origin{link.Left(), link.Top()};
                ClientToScreen(Window(), &origin);
                *left = origin.x;
                *top = origin.y;
                *width = link.Width();
                *height = link.Height();
                return S_OK;
            },
            [&](IAccessible* object, VARIANT c) { return object->accLocation(left, top, width, height, c); });
    }
    HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* out) override {
        if (!out) return E_POINTER;
        VariantInit(out);
        if (!Alive()) return RPC_E_DISCONNECTED;
        LONG platformCount = 0;
        if (FAILED(StandardClient::get_accChildCount(&platformCount))) platformCount = 0;
        const LONG last = static_cast<LONG>(Links().size()) + platformCount;
        // Through the children in their order the numbers alone tell the way.
        LONG reached = 0;
        if (IsSelf(start) && (direction == NAVDIR_FIRSTCHILD || direction == NAVDIR_LASTCHILD)) {
            reached = direction == NAVDIR_FIRSTCHILD ? 1 : last;
        } else if (!IsSelf(start) && start.vt == VT_I4 && start.lVal > 0 && start.lVal <= last &&
                   (direction == NAVDIR_NEXT || direction == NAVDIR_PREVIOUS)) {
            reached = start.lVal + (direction == NAVDIR_NEXT ? 1 : -1);
        } else if (Link(start)) {
            return S_FALSE;  // the links are not laid out for moving by direction
        } else {
            // The form's own neighbours, or a platform child's by direction: the platform's answer.
            const HRESULT result = StandardClient::accNavigate(direction, PlatformNumber(start), out);
            return IsSelf(start) ? result : ShiftOut(result, out);
        }
        if (reached < 1 || reached > last) return S_FALSE;
        return Int(out, reached);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* out) override {
        if (!Alive()) return RPC_E_DISCONNECTED;
        POINT client{x, y};
        ScreenToClient(Window(), &client);
        const std::vector<GraphicControl*> links = Links();
        for (std::size_t i = 0; i < links.size(); ++i)
            if (links[i]->HitTest(client)) return Int(out, static_cast<LONG>(i + 1));
        return ShiftOut(StandardClient::accHitTest(x, y, out), out);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* out) override {
        if (!Alive()) return RPC_E_DISCONNECTED;
        const std::vector<GraphicControl*> links = Links();
        if (GraphicControl* focused = FocusedLink())
            for (std::size_t i = 0; i < links.size(); ++i)
                if (links[i] == focused) return Int(out, static_cast<LONG>(i + 1));
        return ShiftOut(StandardClient::get_accFocus(out), out);
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* out) override {
        return ShiftOut(StandardClient::get_accSelection(out), out);
    }

private:
    bool Alive() const override { return Form::FromHandle(Window()) != nullptr; }
    std::vector<GraphicControl*> Links() const {
        Form* form = Form::FromHandle(Window());
        return form ? form->Links(false) : std::vector<GraphicControl*>{};
    }
    GraphicControl* FocusedLink() const {
        Form* form = Form::FromHandle(Window());
        return form ? form->FocusedLink() : nullptr;
    }
    GraphicControl* Link(const VARIANT& child) const {
        if (child.vt != VT_I4 || child.lVal <= 0) return nullptr;
        const std::vector<GraphicControl*> links = Links();
        return static_cast<std::size_t>(child.lVal) <= links.size() ? links[static_cast<std::size_t>(child.lVal) - 1]
                                                                      : nullptr;
    }
    // A child number past the links, in the platform's numbering; any other passes unchanged.
    VARIANT PlatformNumber(VARIANT child) const {
        if (child.vt == VT_I4 && child.lVal > 0) child.lVal -= static_cast<LONG>(Links().size());
        return child;
    }
    // A child number the platform gives out names its child among ours too.
    HRESULT ShiftOut(HRESULT result, VARIANT* out) const {
        if (result == S_OK && out && out->vt == VT_I4 && out->lVal > 0) out->lVal += static_cast<LONG>(Links().size());
        return result;
    }
    // The platform numbers its children by the order of the child windows.
    HWND ChildWindow(LONG number) const {
        HWND child = GetWindow(Window(), GW_CHILD);
        for (LONG i = 1; child && i < number; ++i) child = GetWindow(child, GW_HWNDNEXT);
        return child;
    }
    // Answers for a link through onLink; for anything else through onPlatform, given a child
    // window's own object and CHILDID_SELF, or the platform's client object and the number.
    template <typename LinkCall, typename PlatformCall>
    HRESULT Route(const VARIANT& child, LinkCall onLink, PlatformCall onPlatform) const {
        if (!Alive()) return RPC_E_DISCONNECTED;
        if (GraphicControl* link = Link(child)) return onLink(*link);
        const VARIANT platform = PlatformNumber(child);
        HWND window = platform.vt == VT_I4 && platform.lVal > 0 ? ChildWindow(platform.lVal) : nullptr;
        void* object = nullptr;
        if (!window || FAILED(AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT),
                                                         AccessibleInterfaceId, &object)))
            return onPlatform(Standard(), platform);
        auto* accessible = static_cast<IAccessible*>(object);
        VARIANT self;
        VariantInit(&self);
        self.vt = VT_I4;
        self.lVal = CHILDID_SELF;
        const HRESULT result = onPlatform(accessible, self);
        accessible->Release();
        return result;
    }
};

template <typename Object>
LRESULT Answer(HWND hwnd, WPARAM flags, LPARAM objectId) {
    if (static_cast<LONG>(objectId) != OBJID_CLIENT || !EnsureComApartment()) return 0;
    auto* object = new Object(hwnd);
    LRESULT result = 0;
    if (object->Ready()) result = LresultFromObject(AccessibleInterfaceId, flags, static_cast<IAccessible*>(object));
    object->Release();
    return result > 0 ? result : 0;
}

}  // namespace

LRESULT AnswerButtonObject(WinControl& button, WPARAM flags, LPARAM objectId) {
    return Answer<ButtonObject>(button.Handle(), flags, objectId);
}

LRESULT AnswerFieldObject(WinControl& field, WPARAM flags, LPARAM objectId) {
    if (!field.AccessibleName) return 0;
    return Answer<FieldObject>(field.Handle(), flags, objectId);
}

LRESULT AnswerFormObject(Form& form, WPARAM flags, LPARAM objectId) {
    if (form.Links(false).empty()) return 0;
    return Answer<FormObject>(form.Handle(), flags, objectId);
}

}  // namespace kx::ui
