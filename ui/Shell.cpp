#include "Shell.h"

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
    ShellExecuteW(nullptr, L"open", wideFile.c_str(), parameters.empty() ? nullptr : wideParameters.c_str(), nullptr,
                  showMode);
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
