// Arbitrary bytes as a language file: decoding and reading never fail, values stay in bounds.
#include "Global.h"
#include "Os.h"
#include "Text.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = kx::os::TempFolder() + "kx-ini-fuzz-" + std::to_string(getpid()) + ".ini";
    kx::os::WriteFileBytes(path, std::vector<std::uint8_t>(data, data + size));
    const kx::IniReader reader(path);
    for (const auto& section : reader.Sections()) {
        for (const auto& entry : section.Entries) {
            const std::string value = reader.ReadText(section.Name, entry.Key, "\x01");
            if (kx::Utf8ToUtf16(value).size() > 2047) std::abort();
        }
    }
    for (const char* key : {"Title", "Product short Name", ";x", "", " "})
        (void)reader.ReadText("frmMain", key, "???");
    (void)kx::ReadIniValue(path, "Product", "Company Name", "");
    return 0;
}
