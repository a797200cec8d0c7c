#include "AccessibleDescription.h"

#include "ComObject.h"
#include "SystemDlls.h"

#include <oleacc.h>

// Windows' standard accessible object for a window's client area, with the
// description of ours. Every other call goes to the standard object as it is.
class DescribedClient final : public ComObject<IAccessible, IOleWindow> {
public:
    DescribedClient(IAccessible* standard, HWND hwnd, const std::string* description)
        : m_standard(standard), m_hwnd(hwnd), m_description(description) {
        m_standard->AddRef();
    }

    void detach() { m_description = nullptr; }

    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override {
        if (description == nullptr) {
            return E_INVALIDARG;
        }
        if (m_description == nullptr || m_description->empty() || child.vt != VT_I4 ||
            child.lVal != CHILDID_SELF) {
            return m_standard->get_accDescription(child, description);
        }
        *description = allocComString(*m_description);
        return *description != nullptr ? S_OK : E_OUTOFMEMORY;
    }

    // How a reader finds the window an accessible object belongs to.
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* hwnd) override {
        if (hwnd == nullptr) {
            return E_INVALIDARG;
        }
        *hwnd = m_hwnd;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // The rest is Windows' standard answer.
    // clang-format off
#define FORWARD(method, parameters, arguments)                                                     \
    HRESULT STDMETHODCALLTYPE method parameters override {                                         \
        return m_standard->method arguments;                                                       \
    }
    FORWARD(GetTypeInfoCount, (UINT* count), (count))
    FORWARD(GetTypeInfo, (UINT index, LCID locale, ITypeInfo** info), (index, locale, info))
    FORWARD(GetIDsOfNames, (REFIID riid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids),
            (riid, names, count, locale, ids))
    FORWARD(Invoke,
            (DISPID id, REFIID riid, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
             EXCEPINFO* exception, UINT* argError),
            (id, riid, locale, flags, params, result, exception, argError))
    FORWARD(get_accParent, (IDispatch** parent), (parent))
    FORWARD(get_accChildCount, (LONG* count), (count))
    FORWARD(get_accChild, (VARIANT child, IDispatch** object), (child, object))
    FORWARD(get_accName, (VARIANT child, BSTR* name), (child, name))
    FORWARD(get_accValue, (VARIANT child, BSTR* value), (child, value))
    FORWARD(get_accRole, (VARIANT child, VARIANT* role), (child, role))
    FORWARD(get_accState, (VARIANT child, VARIANT* state), (child, state))
    FORWARD(get_accHelp, (VARIANT child, BSTR* help), (child, help))
    FORWARD(get_accHelpTopic, (BSTR* file, VARIANT child, LONG* topic), (file, child, topic))
    FORWARD(get_accKeyboardShortcut, (VARIANT child, BSTR* shortcut), (child, shortcut))
    FORWARD(get_accFocus, (VARIANT* child), (child))
    FORWARD(get_accSelection, (VARIANT* children), (children))
    FORWARD(get_accDefaultAction, (VARIANT child, BSTR* action), (child, action))
    FORWARD(accSelect, (LONG flags, VARIANT child), (flags, child))
    FORWARD(accLocation, (LONG* left, LONG* top, LONG* width, LONG* height, VARIANT child),
            (left, top, width, height, child))
    FORWARD(accNavigate, (LONG direction, VARIANT start, VARIANT* end), (direction, start, end))
    FORWARD(accHitTest, (LONG left, LONG top, VARIANT* child), (left, top, child))
    FORWARD(accDoDefaultAction, (VARIANT child), (child))
    FORWARD(put_accName, (VARIANT child, BSTR name), (child, name))
    FORWARD(put_accValue, (VARIANT child, BSTR value), (child, value))
#undef FORWARD
    // clang-format on

private:
    // Defined after the class: straight after the block above that
    // clang-format leaves alone, its versions disagree on a short body.
    ~DescribedClient() override;

    void* alsoAnswers(REFIID riid) override {
        return riid == __uuidof(IDispatch) ? static_cast<IAccessible*>(this) : nullptr;
    }

    IAccessible* m_standard;
    HWND m_hwnd;
    const std::string* m_description;
};

DescribedClient::~DescribedClient() {
    m_standard->Release();
}

AccessibleDescription::~AccessibleDescription() {
    detach();
}

LRESULT AccessibleDescription::answerGetObject(HWND hwnd, WPARAM wParam, LPARAM lParam) {
    using CreateStdAccessibleObjectFn = HRESULT(WINAPI*)(HWND, LONG, REFIID, void**);
    using LresultFromObjectFn = LRESULT(WINAPI*)(REFIID, WPARAM, LPUNKNOWN);
    // The object id comes as a 32-bit number in a 64-bit parameter.
    if (static_cast<DWORD>(lParam) != static_cast<DWORD>(OBJID_CLIENT)) {
        return 0;
    }
    static const auto createStandard =
        systemFunction<CreateStdAccessibleObjectFn>("oleacc.dll", "CreateStdAccessibleObject");
    static const auto answer =
        systemFunction<LresultFromObjectFn>("oleacc.dll", "LresultFromObject");
    if (createStandard == nullptr || answer == nullptr) {
        return 0;
    }
    if (m_object == nullptr) {
        joinComApartment();
        IAccessible* standard = nullptr;
        if (FAILED(createStandard(hwnd, OBJID_CLIENT, __uuidof(IAccessible),
                                  reinterpret_cast<void**>(&standard)))) {
            return 0;
        }
        // One object for the window's life, so that a reader sees the same
        // object each time it asks.
        m_object = new DescribedClient(standard, hwnd, m_text);
        standard->Release();
    }
    return answer(__uuidof(IAccessible), wParam, static_cast<IAccessible*>(m_object));
}

void AccessibleDescription::detach() {
    if (m_object != nullptr) {
        m_object->detach();
        m_object->Release();
        m_object = nullptr;
    }
}
