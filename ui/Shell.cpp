#include "Shell.h"

#include "Application.h"
#include "Text.h"

#include <windows.h>
#include <shellapi.h>

namespace kx::ui {
namespace {

AddressOpener& Opener() {
    static AddressOpener opener;
    return opener;
}

}  // namespace

void ShellOpen(const std::string& file, const std::string& parameters, int showMode) {
    const std::wstring wideFile = ToWide(file), wideParameters = ToWide(parameters);
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    // The launch is complete on return, so a program may end right after it; failures stay silent.
    info.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    info.lpVerb = L"open";
    info.lpFile = wideFile.c_str();
    info.lpParameters = parameters.empty() ? nullptr : wideParameters.c_str();
    info.nShow = showMode;
    EnsureComApartment();
    ShellExecuteExW(&info);
}

void OpenAddress(const std::string& address, int showMode) {
    if (Opener()) {
        Opener()(address, showMode);
        return;
    }
    ShellOpen(address, "", showMode);
}

void SetAddressOpener(AddressOpener opener) { Opener() = std::move(opener); }

}  // namespace kx::ui
