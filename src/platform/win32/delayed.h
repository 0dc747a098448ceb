#pragma once
// The system functions that only the settings dialog needs (COM and WIC for its pictures,
// the common controls for its tooltip, the shell for its link), loaded at their first call
// from the system folder. The saver and the preview never map those DLLs: a start costs
// what its mode needs. A function that cannot be loaded fails as the call itself would.
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

namespace glimra::win32::delayed {

// A DLL from the system folder, never from beside the program or the current folder. It
// stays loaded for the rest of the process, as an import would; null when it is missing.
HMODULE SystemLibrary(const wchar_t* name);

HRESULT CoInitializeEx(void* reserved, DWORD model);
void CoUninitialize();
HRESULT CoCreateInstance(REFCLSID class_id, IUnknown* outer, DWORD context, REFIID interface_id,
                         void** object);
BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* classes);
HINSTANCE ShellExecuteA(HWND owner, const char* operation, const char* file, const char* parameters,
                        const char* directory, int show);

}  // namespace glimra::win32::delayed
