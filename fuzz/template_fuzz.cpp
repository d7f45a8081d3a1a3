// Templates from files are filled by substitution only: no conversion is ever interpreted.
#include "Text.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find('\0');
    const std::string_view pattern = input.substr(0, split);
    const std::string_view argument = split == std::string_view::npos ? "Kestrix" : input.substr(split + 1);
    for (bool collapse : {false, true}) {
        const std::string filled = kx::FillTemplate(pattern, argument, collapse);
        if (pattern.find('%') == std::string_view::npos && filled != pattern) std::abort();
        if (argument.find('%') == std::string_view::npos) {
            std::size_t percents = 0, inPattern = 0;
            for (char c : filled) percents += c == '%';
            for (char c : pattern) inPattern += c == '%';
            if (percents > inPattern) std::abort();
        }
    }
    return 0;
}
