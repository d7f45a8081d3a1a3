#include "Survey.h"

#include "Global.h"
#include "Text.h"

namespace kx::valedict {

bool IsAddressText(std::u16string_view text) {
    for (char16_t c : text) {
        const bool allowed = (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') ||
                             c == u'-' || c == u'.' || c == u'_';
        if (!allowed) return false;
    }
    return true;
}

bool IsValidEmailAddress(std::string_view address) {
    const std::u16string s = Utf8ToUtf16(address);
    const std::size_t at = s.find(u'@');
    if (at == std::u16string::npos) return false;
    if (s.find(u"..") != std::u16string::npos) return false;
    const std::u16string_view local = std::u16string_view(s).substr(0, at);
    const std::u16string_view domain = std::u16string_view(s).substr(at + 1);
    if (local.empty()) return false;
    if (domain.size() < 4) return false;
    // Only the first dot of the domain counts.
    const std::size_t dot = domain.find(u'.');
    if (dot == std::u16string_view::npos || dot == domain.size() - 1) return false;
    return IsAddressText(local) && IsAddressText(domain);
}

std::vector<std::string> TypedLines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.emplace_back(text.substr(start));
            break;
        }
        lines.emplace_back(text.substr(start, end - start));
        start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    return lines;
}

std::string JoinLines(std::string_view text) {
    std::string joined;
    bool first = true;
    for (const std::string& line : TypedLines(text)) {
        if (!first) joined += "<br>";
        joined += line;
        first = false;
    }
    return joined;
}

std::string SubjectLine(const std::string& mailTitle, const std::string& shortName) {
    if (shortName == MissingLookup) return mailTitle;
    return mailTitle + " For " + shortName;
}

}  // namespace kx::valedict
