// UTF-8 / UTF-16 conversion and small text helpers shared by every module.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kx {

// Malformed input is replaced by U+FFFD so that no text is ever dropped silently.
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

#ifdef _WIN32
// The Win32 boundary: wchar_t is a UTF-16 unit on Windows.
std::wstring ToWide(std::string_view utf8);
std::string FromWide(std::wstring_view wide);
#endif

// Letters A to Z and a to z only, as the stored files expect.
std::string LowerAscii(std::string_view text);
std::string UpperAscii(std::string_view text);
bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b);

// Removes the characters up to and including U+0020 from both ends.
std::string TrimControlAndBlank(std::string_view text);
// Removes spaces and tabs from both ends.
std::string_view TrimBlanks(std::string_view text);

// Replaces every "%s" with the argument; with collapsePercent "%%" becomes "%" as well.
// Any other "%" sequence stays as it stands: texts from files are never printf formats.
std::string FillTemplate(std::string_view pattern, std::string_view argument, bool collapsePercent);

// An absolute "http://" or "https://" address (scheme in any letter case) that names a host
// and holds only the characters an address may (letters, digits, "-._~:/?#[]@!$&'()*+,;="
// and "%" with two hex digits): the only kind of address taken from the network that may be
// handed to the shell.
bool IsWebAddress(std::string_view address);

// A Windows command line split into arguments by the C runtime's rules: blanks separate them;
// double quotes group, and a doubled one inside quotes stands for itself; backslashes are
// literal except before a double quote, where each pair gives one and an odd one makes the
// quote literal. The program name comes first, without escapes: inside quotes up to the next
// quote, else up to the next blank.
std::vector<std::string> SplitCommandLine(std::string_view line);

}  // namespace kx
