#include "SystemLibrary.h"

namespace kx::ui {

void RestrictLibrarySearchToSystemFolder() {
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    // Wine's theme engine loads msimg32 on its first blend through a search that still includes
    // the program folder; a DLL already loaded is not searched for again.
    LoadSystemLibrary(L"msimg32.dll");
}

HMODULE LoadSystemLibrary(const wchar_t* name) { return LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32); }

}  // namespace kx::ui
