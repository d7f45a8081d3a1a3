#include "SystemLibrary.h"

#include <delayimp.h>

#include <string>

namespace kx::ui {
namespace {

using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);

// Windows 7 without update KB2533623 has neither this function nor the LOAD_LIBRARY_SEARCH_*
// flags, and refuses to start a program that imports it: it is looked up instead.
SetDefaultDllDirectoriesFunction SystemSetDefaultDllDirectories() {
    static const auto function = reinterpret_cast<SetDefaultDllDirectoriesFunction>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
    return function;
}

bool RunsUnderWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

// Its dependencies are then searched for in the system folder first, not in the program folder.
HMODULE LoadBySystemPath(const wchar_t* name) {
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    const std::wstring path = std::wstring(folder, length) + L"\\" + name;
    return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

// The delay-load helper loads by name, which without the search flags looks in the program
// folder first. The common controls stay by name: the manifest resolves that name to version 6,
// which the system folder's file is not.
FARPROC WINAPI LoadDelayedLibrary(unsigned notification, PDelayLoadInfo info) {
    if (notification != dliNotePreLoadLibrary || SystemSetDefaultDllDirectories() ||
        lstrcmpiA(info->szDll, "comctl32.dll") == 0)
        return nullptr;
    const std::string name = info->szDll;
    return reinterpret_cast<FARPROC>(LoadBySystemPath(std::wstring(name.begin(), name.end()).c_str()));
}

}  // namespace

void RestrictLibrarySearchToSystemFolder() {
    if (const auto restrict = SystemSetDefaultDllDirectories()) restrict(LOAD_LIBRARY_SEARCH_SYSTEM32);
    else SetDllDirectoryW(L"");  // the current folder out of the search; the rest load by path
    // Wine's theme engine loads msimg32 on its first blend through a search that still includes
    // the program folder; a DLL already loaded is not searched for again. Windows has no need.
    if (RunsUnderWine()) LoadSystemLibrary(L"msimg32.dll");
}

HMODULE LoadSystemLibrary(const wchar_t* name) {
    return SystemSetDefaultDllDirectories() ? LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)
                                            : LoadBySystemPath(name);
}

}  // namespace kx::ui

extern "C" {
#ifdef _MSC_VER
const
#endif
    PfnDliHook __pfnDliNotifyHook2 = kx::ui::LoadDelayedLibrary;
}
