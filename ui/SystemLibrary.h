// Every DLL the programs load comes from the system folder, never from the program folder or
// the current folder, where anyone may have planted a file of the same name.
#pragma once

#include <windows.h>

namespace kx::ui {

// First thing in a program, before anything loads a DLL late.
void RestrictLibrarySearchToSystemFolder();
// A DLL loaded after start, by its system path; nullptr when it cannot be loaded.
HMODULE LoadSystemLibrary(const wchar_t* name);

}  // namespace kx::ui
