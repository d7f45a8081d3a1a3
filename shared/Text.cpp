#include "Text.h"

namespace kx {
namespace {

constexpr char32_t Replacement = 0xFFFD;

template <typename Trimmed>
std::string_view TrimEnds(std::string_view text, Trimmed trimmed) {
    std::size_t begin = 0, end = text.size();
    while (begin < end && trimmed(text[begin])) ++begin;
    while (end > begin && trimmed(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

void AppendUtf16(std::u16string& out, char32_t cp) {
    if (cp < 0x10000) {
        out += static_cast<char16_t>(cp);
    } else {
        cp -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (cp >> 10));
        out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    }
}

char LowerChar(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
char UpperChar(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

std::u16string Utf8ToUtf16(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        if (lead < 0x80) {
            out += static_cast<char16_t>(lead);
            ++i;
            continue;
        }
        const int extra = lead >= 0xC2 && lead < 0xE0 ? 1 : lead >= 0xE0 && lead < 0xF0 ? 2
                        : lead >= 0xF0 && lead < 0xF5 ? 3 : 0;
        if (extra == 0) {
            AppendUtf16(out, Replacement);
            ++i;
            continue;
        }
        char32_t cp = lead & (0x3F >> extra);
        bool ok = true;
        for (int k = 1; k <= extra; ++k) {
            if (i + k >= utf8.size()) { ok = false; break; }
            const auto c = static_cast<unsigned char>(utf8[i + k]);
            if ((c & 0xC0) != 0x80) { ok = false; break; }
            cp = (cp << 6) | (c & 0x3F);
        }
        constexpr char32_t minimum[] = {0, 0x80, 0x800, 0x10000};
        if (!ok || cp < minimum[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp < 0xE000)) {
            AppendUtf16(out, Replacement);
            ++i;
            continue;
        }
        AppendUtf16(out, cp);
        i += static_cast<std::size_t>(extra) + 1;
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size());
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        char32_t cp = utf16[i];
        if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
            utf16[i + 1] < 0xE000) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp < 0xE000) {
            cp = Replacement;
        }
        AppendUtf8(out, cp);
    }
    return out;
}

#ifdef _WIN32
std::wstring ToWide(std::string_view utf8) {
    const std::u16string u = Utf8ToUtf16(utf8);
    return std::wstring(u.begin(), u.end());
}

std::string FromWide(std::wstring_view wide) {
    return Utf16ToUtf8(std::u16string(wide.begin(), wide.end()));
}
#endif

std::string LowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = LowerChar(c);
    return out;
}

std::string UpperAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = UpperChar(c);
    return out;
}

bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (LowerChar(a[i]) != LowerChar(b[i])) return false;
    return true;
}

std::string TrimControlAndBlank(std::string_view text) {
    return std::string(TrimEnds(text, [](char c) { return static_cast<unsigned char>(c) <= 0x20; }));
}

std::string_view TrimBlanks(std::string_view text) {
    return TrimEnds(text, [](char c) { return c == ' ' || c == '\t'; });
}

std::string FillTemplate(std::string_view pattern, std::string_view argument, bool collapsePercent) {
    std::string out;
    out.reserve(pattern.size() + argument.size());
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size()) {
            if (pattern[i + 1] == 's') { out += argument; ++i; continue; }
            if (collapsePercent && pattern[i + 1] == '%') { out += '%'; ++i; continue; }
        }
        out += pattern[i];
    }
    return out;
}

bool IsWebAddress(std::string_view address) {
    // Nothing a command line or the shell could read as more than one address: no blank,
    // quote, angle bracket or backslash, only the characters an address is made of.
    const auto isHex = [](char c) { return (c >= '0' && c <= '9') || (LowerChar(c) >= 'a' && LowerChar(c) <= 'f'); };
    for (std::size_t i = 0; i < address.size(); ++i) {
        const char c = address[i];
        if (c == '%') {
            if (address.size() - i < 3 || !isHex(address[i + 1]) || !isHex(address[i + 2])) return false;
            i += 2;
        } else if (!(LowerChar(c) >= 'a' && LowerChar(c) <= 'z') && !(c >= '0' && c <= '9') &&
                   std::string_view("-._~:/?#[]@!$&'()*+,;=").find(c) == std::string_view::npos) {
            return false;
        }
    }
    std::size_t rest = 0;
    for (const std::string_view scheme : {std::string_view("http://"), std::string_view("https://")})
        if (address.size() >= scheme.size() && EqualsIgnoreAsciiCase(address.substr(0, scheme.size()), scheme))
            rest = scheme.size();
    if (rest == 0) return false;
    std::string_view authority = address.substr(rest);
    authority = authority.substr(0, authority.find_first_of("/?#"));
    if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos) authority.remove_prefix(at + 1);
    const std::size_t colon = authority.rfind(':');
    const std::string_view host =
        authority.starts_with('[') || colon == std::string_view::npos ? authority : authority.substr(0, colon);
    return !host.empty();
}

std::vector<std::string> SplitCommandLine(std::string_view line) {
    std::vector<std::string> arguments;
    std::size_t i = 0;
    const auto blank = [&] { return i < line.size() && (line[i] == ' ' || line[i] == '\t'); };
    std::string program;
    if (i < line.size() && line[i] == '"') {
        const std::size_t end = line.find('"', 1);
        program = line.substr(1, end == std::string_view::npos ? std::string_view::npos : end - 1);
        i = end == std::string_view::npos ? line.size() : end + 1;
    }
    while (i < line.size() && !blank()) program += line[i++];
    arguments.push_back(program);
    for (;;) {
        while (blank()) ++i;
        if (i >= line.size()) break;
        std::string argument;
        bool quoted = false;
        while (i < line.size() && (quoted || !blank())) {
            std::size_t backslashes = 0;
            while (i < line.size() && line[i] == '\\') ++backslashes, ++i;
            if (i < line.size() && line[i] == '"') {
                argument.append(backslashes / 2, '\\');
                if (backslashes % 2 == 1) {
                    argument += '"';
                } else if (quoted && i + 1 < line.size() && line[i + 1] == '"') {
                    argument += '"';
                    ++i;
                } else {
                    quoted = !quoted;
                }
                ++i;
            } else {
                argument.append(backslashes, '\\');
                if (i < line.size() && (quoted || !blank())) argument += line[i++];
            }
        }
        arguments.push_back(std::move(argument));
    }
    return arguments;
}

}  // namespace kx
