#include "platform/win32/delayed.h"

#include <shellapi.h>

#include <string>

namespace glimra::win32::delayed {

HMODULE SystemLibrary(const wchar_t* name) {
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    std::wstring path(folder, length);
    path.append(L"\\").append(name);
    return LoadLibraryW(path.c_str());
}

namespace {

// The function's address, looked up once; null when the DLL or the function is missing.
template <typename Function>
Function* Find(const wchar_t* library, const char* name) {
    const HMODULE module = SystemLibrary(library);
    if (module == nullptr) return nullptr;
    return reinterpret_cast<Function*>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

HRESULT CoInitializeEx(void* reserved, DWORD model) {
    static const auto function = Find<decltype(::CoInitializeEx)>(L"ole32.dll", "CoInitializeEx");
    return function ? function(reserved, model) : E_NOTIMPL;
}

void CoUninitialize() {
    static const auto function = Find<decltype(::CoUninitialize)>(L"ole32.dll", "CoUninitialize");
    if (function) function();
}

HRESULT CoCreateInstance(REFCLSID class_id, IUnknown* outer, DWORD context, REFIID interface_id,
                         void** object) {
    static const auto function =
        Find<decltype(::CoCreateInstance)>(L"ole32.dll", "CoCreateInstance");
    return function ? function(class_id, outer, context, interface_id, object) : E_NOTIMPL;
}

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* classes) {
    static const auto function =
        Find<decltype(::InitCommonControlsEx)>(L"comctl32.dll", "InitCommonControlsEx");
    return function ? function(classes) : FALSE;
}

HINSTANCE ShellExecuteA(HWND owner, const char* operation, const char* file, const char* parameters,
                        const char* directory, int show) {
    static const auto function = Find<decltype(::ShellExecuteA)>(L"shell32.dll", "ShellExecuteA");
    return function ? function(owner, operation, file, parameters, directory, show)
                    : reinterpret_cast<HINSTANCE>(SE_ERR_DLLNOTFOUND);
}

}  // namespace glimra::win32::delayed
