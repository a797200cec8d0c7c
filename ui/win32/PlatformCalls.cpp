#include "PlatformCalls.h"

#include "ComObject.h"
#include "SystemDlls.h"

#include <uiautomationcore.h>

namespace {

// Declared here: the MinGW headers lack the call, which Windows 10 version
// 1709 introduced, and its two enumerations.
enum NotificationKindValue { kNotificationKindOther = 4 };
enum NotificationProcessingValue { kNotificationProcessingAll = 2 };
using UiaRaiseNotificationEventFn = HRESULT(WINAPI*)(IRawElementProviderSimple*, int, int, BSTR,
                                                     BSTR);
using UiaClientsAreListeningFn = BOOL(WINAPI*)();
using UiaHostProviderFromHwndFn = HRESULT(WINAPI*)(HWND, IRawElementProviderSimple**);

// What a notification comes from: the game's window as UI Automation already
// knows it, through the provider Windows keeps for every window. It adds
// nothing of its own, and no reader finds it by walking the windows; it only
// names the window a notification belongs to.
class WindowNotifier final : public ComObject<IRawElementProviderSimple> {
public:
    explicit WindowNotifier(HWND hwnd) : m_hwnd(hwnd) {}

    HWND window() const { return m_hwnd; }

    HRESULT STDMETHODCALLTYPE get_ProviderOptions(ProviderOptions* options) override {
        // Readers' calls come through the window thread's message loop.
        *options = static_cast<ProviderOptions>(ProviderOptions_ServerSideProvider |
                                                ProviderOptions_UseComThreading);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetPatternProvider(PATTERNID, IUnknown** pattern) override {
        *pattern = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetPropertyValue(PROPERTYID, VARIANT* value) override {
        value->vt = VT_EMPTY;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE
    get_HostRawElementProvider(IRawElementProviderSimple** host) override {
        static const auto hostOf = systemFunction<UiaHostProviderFromHwndFn>(
            "uiautomationcore.dll", "UiaHostProviderFromHwnd");
        *host = nullptr;
        return hostOf != nullptr ? hostOf(m_hwnd, host) : E_FAIL;
    }

private:
    HWND m_hwnd;
};

// Wine exports the notification call, but as of Wine 10 it does nothing and
// reports success, UiaClientsAreListening always says yes, and a reader
// cannot ask for notifications (adding a handler fails as not implemented).
// A notification there would reach nobody, while the MSAA path works.
bool underWine() {
    return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
}

} // namespace

PlatformCalls::~PlatformCalls() {
    if (m_notifier != nullptr) {
        m_notifier->Release();
    }
}

int PlatformCalls::messageBox(HWND owner, const std::string& text, const std::string& caption,
                              UINT type) {
    return MessageBoxA(owner, text.c_str(), caption.c_str(), type);
}

void PlatformCalls::endProgram() {
    // ExitProcess rather than PostQuitMessage: the quit question is answered
    // inside a key handler, and no timer or queued key may run after it.
    ExitProcess(0);
}

bool PlatformCalls::notify(HWND window, std::string_view text) {
    // Screen readers say they run; without one, UI Automation is not even
    // loaded, and a sighted player's program stays as it was.
    BOOL readerRuns = FALSE;
    if (!SystemParametersInfoA(SPI_GETSCREENREADER, 0, &readerRuns, 0) || !readerRuns ||
        underWine()) {
        return false;
    }
    static const auto raise = systemFunction<UiaRaiseNotificationEventFn>(
        "uiautomationcore.dll", "UiaRaiseNotificationEvent");
    static const auto listening =
        systemFunction<UiaClientsAreListeningFn>("uiautomationcore.dll", "UiaClientsAreListening");
    if (raise == nullptr || listening == nullptr || !listening()) {
        return false;
    }
    joinComApartment();
    if (m_notifier == nullptr || static_cast<WindowNotifier*>(m_notifier)->window() != window) {
        if (m_notifier != nullptr) {
            m_notifier->Release();
        }
        m_notifier = new WindowNotifier(window);
    }
    BSTR said = allocComString(text);
    BSTR activity = allocComString("Vantrel news");
    const HRESULT result =
        raise(m_notifier, kNotificationKindOther, kNotificationProcessingAll, said, activity);
    freeComString(said);
    freeComString(activity);
    return SUCCEEDED(result);
}
