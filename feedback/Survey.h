// The survey's pure rules: the address check, the content built from the typed lines and
// the subject line.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kx::valedict {

// Letters A-Z and a-z, digits, "-", "." and "_" only, compared as UTF-16 units; empty passes.
bool IsAddressText(std::u16string_view text);
// Text in UTF-8, checked by its UTF-16 units.
bool IsValidEmailAddress(std::string_view address);

// Lines split at the typed breaks (CR LF, CR or LF); a break at the very end opens no line.
std::vector<std::string> TypedLines(std::string_view text);
// The lines joined with "<br>"; nothing else is changed.
std::string JoinLines(std::string_view text);

// The mail title, with " For " and the short name unless the name is missing ("???").
std::string SubjectLine(const std::string& mailTitle, const std::string& shortName);

}  // namespace kx::valedict
