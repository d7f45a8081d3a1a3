// Opening things through the shell's "open" verb, with no owner window and no working folder.
#pragma once

#include <functional>
#include <string>

namespace kx::ui {

// Programs and files beside the program: always started for real.
void ShellOpen(const std::string& file, const std::string& parameters, int showMode);

// Web and mail addresses: one function, which tests may replace with a recorder.
void OpenAddress(const std::string& address, int showMode);
using AddressOpener = std::function<void(const std::string& address, int showMode)>;
void SetAddressOpener(AddressOpener opener);  // empty restores the shell

}  // namespace kx::ui
