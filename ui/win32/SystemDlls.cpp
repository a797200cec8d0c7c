#include "SystemDlls.h"

#include <string>

FARPROC systemFunction(const char* dll, const char* name) {
    char folder[MAX_PATH];
    const UINT length = GetSystemDirectoryA(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return nullptr;
    }
    const std::string path = std::string(folder, length) + "\\" + dll;
    HMODULE module = LoadLibraryA(path.c_str());
    return module != nullptr ? GetProcAddress(module, name) : nullptr;
}

void joinComApartment() {
    using CoInitializeExFn = HRESULT(WINAPI*)(void*, DWORD);
    static const bool joined = [] {
        const auto initialize = systemFunction<CoInitializeExFn>("ole32.dll", "CoInitializeEx");
        // The window's thread is a single-threaded apartment, so the calls
        // from a screen reader arrive through its message loop, one at a time.
        return initialize != nullptr && SUCCEEDED(initialize(nullptr, COINIT_APARTMENTTHREADED));
    }();
    static_cast<void>(joined);
}

BSTR allocComString(std::string_view text) {
    using SysAllocStringLenFn = BSTR(WINAPI*)(const OLECHAR*, UINT);
    static const auto alloc =
        systemFunction<SysAllocStringLenFn>("oleaut32.dll", "SysAllocStringLen");
    if (alloc == nullptr) {
        return nullptr;
    }
    const int size = static_cast<int>(text.size());
    const int wide = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
    BSTR result = alloc(nullptr, static_cast<UINT>(wide));
    if (result != nullptr) {
        MultiByteToWideChar(CP_UTF8, 0, text.data(), size, result, wide);
    }
    return result;
}

void freeComString(BSTR text) {
    using SysFreeStringFn = void(WINAPI*)(BSTR);
    static const auto release = systemFunction<SysFreeStringFn>("oleaut32.dll", "SysFreeString");
    if (release != nullptr) {
        release(text);
    }
}
