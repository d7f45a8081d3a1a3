#include "LauncherState.h"

#include "Global.h"
#include "Text.h"

#include <windows.h>
#include <winver.h>

#include <cstdlib>
#include <cwchar>
#include <vector>

namespace kx::portico {

LauncherState& State() {
    static LauncherState state;
    return state;
}

std::string Lookup(const LanguageKey& key) { return ReadKey(State().LanguageFilePath, key); }

std::function<std::string()> SpokenName(const LanguageKey& key, std::function<std::string()> otherwise) {
    return [key, otherwise = std::move(otherwise)] {
        std::string name = Lookup(key);
        if (TrimControlAndBlank(name).empty() && otherwise) name = otherwise();
        return name;
    };
}

std::string ProgramName(const std::string& path) {
    const std::wstring file = ToWide(path);
    DWORD ignored = 0;
    std::vector<BYTE> info(GetFileVersionInfoSizeW(file.c_str(), &ignored));
    struct Translation {
        WORD Language, CodePage;
    };
    void* table = nullptr;
    UINT tableBytes = 0;
    if (!info.empty() && GetFileVersionInfoW(file.c_str(), 0, static_cast<DWORD>(info.size()), info.data()) &&
        VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation", &table, &tableBytes)) {
        const auto* translations = static_cast<const Translation*>(table);
        for (UINT i = 0; i < tableBytes / sizeof(Translation); ++i) {
            wchar_t query[64];
            swprintf(query, 64, L"\\StringFileInfo\\%04x%04x\\FileDescription", translations[i].Language,
                     translations[i].CodePage);
            void* text = nullptr;
            UINT length = 0;
            if (!VerQueryValueW(info.data(), query, &text, &length) || length == 0) continue;
            const auto* characters = static_cast<const wchar_t*>(text);
            const std::string description =
                TrimControlAndBlank(FromWide(std::wstring(characters, wcsnlen(characters, length))));
            if (!description.empty()) return description;
        }
    }
    std::string name = path.substr(path.find_last_of("\\/") + 1);
    if (name.size() > 4 && EqualsIgnoreAsciiCase(std::string_view(name).substr(name.size() - 4), ".exe"))
        name.resize(name.size() - 4);
    return name;
}

bool TextToBool(std::string_view text) {
    const std::string trimmed = TrimControlAndBlank(text);
    if (EqualsIgnoreAsciiCase(trimmed, "true")) return true;
    if (trimmed.empty()) return false;
    // Decimal numbers only, with an optional sign and fraction: "0.0" is false, "-2" true.
    std::size_t i = 0;
    if (trimmed[i] == '+' || trimmed[i] == '-') ++i;
    bool digits = false, nonZero = false, dot = false;
    for (; i < trimmed.size(); ++i) {
        const char c = trimmed[i];
        if (c >= '0' && c <= '9') {
            digits = true;
            nonZero |= c != '0';
        } else if (c == '.' && !dot) {
            dot = true;
        } else {
            return false;
        }
    }
    return digits && nonZero;
}

}  // namespace kx::portico
