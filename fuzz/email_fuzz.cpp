// The address check decides by UTF-16 units; on bytes, the same rule reads: any byte above
// 0x7F fails, and plain ASCII is judged by a second, independent reading of the rule. Bytes
// that are not UTF-8 at all must be handled safely as well.
#include "Survey.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

bool AllowedByte(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == '_';
}

bool AsciiVerdict(std::string_view s) {
    const std::size_t at = s.find('@');
    if (at == std::string_view::npos || s.find("..") != std::string_view::npos) return false;
    const std::string_view local = s.substr(0, at), domain = s.substr(at + 1);
    if (local.empty() || domain.size() < 4) return false;
    const std::size_t dot = domain.find('.');
    if (dot == std::string_view::npos || dot + 1 == domain.size()) return false;
    return std::all_of(local.begin(), local.end(), AllowedByte) &&
           std::all_of(domain.begin(), domain.end(), AllowedByte);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const bool valid = kx::valedict::IsValidEmailAddress(text);
    const bool ascii = std::none_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) > 0x7F; });
    if (ascii ? valid != AsciiVerdict(text) : valid) std::abort();
    if (valid && std::count(text.begin(), text.end(), '@') != 1) std::abort();
    return 0;
}
