#include "ui/common/accessible.h"

#include "common/system_folder_win.h"
#include "common/unique_handle_win.h"
#include "ui/common/late_bound.h"

#include <new>
#include <vector>
#include <oleacc.h>

namespace ui {
namespace {

// Written out rather than linked from an import library, which would tie the exe to oleacc at load time.
constexpr IID kIidUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr IID kIidDispatch = {0x00020400, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr IID kIidAccessible = {0x618736E0, 0x3C3D, 0x11CF, {0x81, 0x0C, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};

// oleacc and the COM it needs, loaded on the first request of an accessibility client and kept for the
// life of the process: the objects handed out run oleacc's code.
class Runtime {
public:
    using CreateStandard = HRESULT(WINAPI*)(HWND, LONG, REFIID, void**);
    using ToLresult = LRESULT(WINAPI*)(REFIID, WPARAM, LPUNKNOWN);
    using AllocString = BSTR(WINAPI*)(const OLECHAR*);

    // nullptr when the runtime is missing; it is then not looked for again.
    static const Runtime* Get() noexcept
    {
        static Runtime runtime;
        return runtime.ready_ ? &runtime : nullptr;
    }
    static bool Loaded() noexcept { return loaded_; }

    CreateStandard createStandard = nullptr;
    ToLresult toLresult = nullptr;
    AllocString allocString = nullptr;

    Runtime(const Runtime&) = delete;
    Runtime& operator=(const Runtime&) = delete;

private:
    using ComInit = HRESULT(WINAPI*)(void*, DWORD);
    using ComUninit = void(WINAPI*)();

    Runtime() noexcept
    {
        loaded_ = true;
        // Handing an object to another process takes COM on this thread; a thread that already has
        // it in another mode still works for clients in this process.
        const auto comInit = LookUp<ComInit>(ole32_.Get(), "CoInitializeEx");
        comUninit_ = LookUp<ComUninit>(ole32_.Get(), "CoUninitialize");
        comInitialised_ = comInit && comUninit_ && SUCCEEDED(comInit(nullptr, COINIT_APARTMENTTHREADED));
        createStandard = LookUp<CreateStandard>(oleacc_.Get(), "CreateStdAccessibleObject");
        toLresult = LookUp<ToLresult>(oleacc_.Get(), "LresultFromObject");
        allocString = LookUp<AllocString>(oleaut32_.Get(), "SysAllocString");
        ready_ = createStandard && toLresult && allocString;
    }
    ~Runtime()
    {
        if (comInitialised_)
            comUninit_();
    }

    static inline bool loaded_ = false;
    // Declared in load order, so that they are freed in reverse. From the system folder only: oleacc is
    // not among the libraries the system always takes from there, and the program's folder may hold
    // anything.
    ModuleHandle ole32_{LoadSystemLibrary(L"ole32.dll")};
    ModuleHandle oleaut32_{LoadSystemLibrary(L"oleaut32.dll")};
    ModuleHandle oleacc_{LoadSystemLibrary(L"oleacc.dll")};
    ComUninit comUninit_ = nullptr;
    bool comInitialised_ = false;
    bool ready_ = false;
};

bool IsSelf(const VARIANT& child)
{
    return child.vt == VT_I4 && child.lVal == CHILDID_SELF;
}

// The system's standard object for the control, reporting our name and role for the control itself;
// everything else, its children included, is the standard object's answer. COM wants one identity for
// every interface an object hands out, so the standard object's other interfaces are refused rather than
// passed on: a client then goes by IAccessible alone, as it must for any object that has no more. It
// finds the control's window through the parent, the control's window object, and its children through
// get_accChild.
class AnsweringAccessible final : public IAccessible {
public:
    AnsweringAccessible(IAccessible* standard, AccessibleAnswer answer) noexcept
        : standard_(standard), answer_(answer)
    {
    }
    AnsweringAccessible(const AnsweringAccessible&) = delete;
    AnsweringAccessible& operator=(const AnsweringAccessible&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (!object)
            return E_POINTER;
        if (!IsEqualIID(iid, kIidUnknown) && !IsEqualIID(iid, kIidDispatch) && !IsEqualIID(iid, kIidAccessible)) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = static_cast<IAccessible*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG left = InterlockedDecrement(&references_);
        if (left == 0)
            delete this;
        return static_cast<ULONG>(left);
    }

    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override
    {
        if (!IsSelf(child) || !answer_.name)
            return standard_->get_accName(child, name);
        if (!name)
            return E_POINTER;
        const Runtime* runtime = Runtime::Get();
        *name = runtime ? runtime->allocString(answer_.name) : nullptr;
        return *name ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override
    {
        if (!IsSelf(child) || answer_.role == 0)
            return standard_->get_accRole(child, role);
        if (!role)
            return E_POINTER;
        VariantInitLocal(*role);
        role->vt = VT_I4;
        role->lVal = answer_.role;
        return S_OK;
    }

    // The rest is the standard object's.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override { return standard_->GetTypeInfoCount(count); }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override
    {
        return standard_->GetTypeInfo(index, locale, info);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override
    {
        return standard_->GetIDsOfNames(iid, names, count, locale, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* parameters,
                                     VARIANT* result, EXCEPINFO* exception, UINT* badArgument) override
    {
        return standard_->Invoke(id, iid, locale, flags, parameters, result, exception, badArgument);
    }
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override { return standard_->get_accParent(parent); }
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override { return standard_->get_accChildCount(count); }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override
    {
        return standard_->get_accChild(child, object);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override
    {
        return standard_->get_accValue(child, value);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override
    {
        return standard_->get_accDescription(child, text);
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override
    {
        return standard_->get_accState(child, state);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override
    {
        return standard_->get_accHelp(child, help);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override
    {
        return standard_->get_accHelpTopic(file, child, topic);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override
    {
        return standard_->get_accKeyboardShortcut(child, shortcut);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override { return standard_->get_accFocus(child); }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override
    {
        return standard_->get_accSelection(children);
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override
    {
        return standard_->get_accDefaultAction(child, action);
    }
    HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT child) override { return standard_->accSelect(flags, child); }
    HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT child) override
    {
        return standard_->accLocation(left, top, width, height, child);
    }
    HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override
    {
        return standard_->accNavigate(direction, start, end);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(LONG left, LONG top, VARIANT* child) override
    {
        return standard_->accHitTest(left, top, child);
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override { return standard_->accDoDefaultAction(child); }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override { return standard_->put_accName(child, name); }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override
    {
        return standard_->put_accValue(child, value);
    }

protected:
    // Only Release ends the object.
    ~AnsweringAccessible() { standard_->Release(); }

private:
    // VariantInit without importing oleaut32 for it.
    static void VariantInitLocal(VARIANT& value) noexcept { value.vt = VT_EMPTY; }

    IAccessible* standard_; // owned: one reference
    AccessibleAnswer answer_;
    LONG references_ = 1;
};

// The answer to WM_GETOBJECT for the control's client area; 0 lets the control answer as before.
LRESULT AnswerFor(HWND control, WPARAM flags, const AccessibleAnswer& answer) noexcept
{
    const Runtime* runtime = Runtime::Get();
    if (!runtime)
        return 0;
    IAccessible* standard = nullptr;
    if (FAILED(runtime->createStandard(control, OBJID_CLIENT, kIidAccessible, reinterpret_cast<void**>(&standard))) ||
        !standard)
        return 0;
    auto* answering = new (std::nothrow) AnsweringAccessible(standard, answer);
    if (!answering) {
        standard->Release();
        return 0;
    }
    const LRESULT result = runtime->toLresult(kIidAccessible, flags, static_cast<IAccessible*>(answering));
    answering->Release(); // the reference made by LresultFromObject keeps it alive for the client
    return result > 0 ? result : 0;
}

struct Subclass {
    HWND control = nullptr;
    WNDPROC previous = nullptr;
    AccessibleAnswer answer;
};

// Kept in the process rather than as window properties: the subclass sees every message the control
// gets, a list fills with thousands of them, and under Wine each property lookup is a trip to its server.
// One thread, the user-interface thread, touches this.
std::vector<Subclass>& Subclasses()
{
    static std::vector<Subclass> subclasses;
    return subclasses;
}

Subclass* SubclassOf(HWND control)
{
    for (Subclass& subclass : Subclasses())
        if (subclass.control == control)
            return &subclass;
    return nullptr;
}

LRESULT CALLBACK SubclassProcedure(HWND control, UINT message, WPARAM wParam, LPARAM lParam)
{
    const Subclass* subclass = SubclassOf(control);
    if (!subclass)
        return DefWindowProcW(control, message, wParam, lParam);
    if (message == WM_GETOBJECT && static_cast<DWORD>(lParam) == static_cast<DWORD>(OBJID_CLIENT)) {
        const LRESULT answer = AnswerFor(control, wParam, subclass->answer);
        if (answer > 0)
            return answer;
    }
    const WNDPROC previous = subclass->previous;
    if (message == WM_NCDESTROY) {
        // The control goes: so does what we kept for it. Its procedure is not put back, since a subclass
        // made after ours would then be cut out while the control still needs it for this last message.
        auto& subclasses = Subclasses();
        subclasses.erase(subclasses.begin() + (subclass - subclasses.data()));
    }
    return CallWindowProcW(previous, control, message, wParam, lParam);
}

bool Attach(HWND control, AccessibleAnswer answer)
{
    if (!control || SubclassOf(control))
        return false;
    try {
        Subclasses().push_back(Subclass{control, nullptr, answer});
    } catch (...) {
        return false;
    }
    Subclass& subclass = Subclasses().back();
    subclass.previous = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SubclassProcedure)));
    if (subclass.previous)
        return true;
    Subclasses().pop_back();
    return false;
}

bool HasClass(HWND window, const wchar_t* name)
{
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    return lstrcmpiW(className, name) == 0;
}

// A combo box's edit field is its only child window (its drop-down list is a pop-up of its own).
HWND EditFieldOf(HWND combo)
{
    for (HWND child = GetWindow(combo, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (HasClass(child, L"Edit"))
            return child;
    return nullptr;
}

} // namespace

bool AnswerAccessibility(HWND control, AccessibleAnswer answer)
{
    if (!Attach(control, answer))
        return false;
    if (HasClass(control, L"ComboBox"))
        Attach(EditFieldOf(control), answer);
    return true;
}

bool AccessibilityRuntimeLoaded()
{
    return Runtime::Loaded();
}

} // namespace ui
