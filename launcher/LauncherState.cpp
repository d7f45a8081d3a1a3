#include "LauncherState.h"

#include "Global.h"
#include "Text.h"

#include <cstdlib>

namespace kx::portico {

LauncherState& State() {
    static LauncherState state;
    return state;
}

std::string Lookup(std::string_view section, std::string_view key) {
    return ReadIniValue(State().LanguageFilePath, section, key, MissingLookup);
}

std::function<std::string()> SpokenName(std::string_view section, std::string_view key) {
    return [section, key] { return ReadOptionalText(State().LanguageFilePath, section, key); };
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
