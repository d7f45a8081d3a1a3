// Reading the version service's answer: the document must be the one asked for, and a JSON
// object with non-empty string members Version and DownloadURL.
#pragma once

#include <optional>
#include <string>

namespace kx {

struct VersionOffer {
    std::string Version;
    std::string DownloadAddress;
};

// The loaded address must equal the requested one, ignoring the case of a to z only.
bool SameAddress(const std::string& requested, const std::string& loaded);

// Nothing when the address differs, the body is not a JSON object, or either member is
// missing, not a string or empty.
std::optional<VersionOffer> ReadVersionDocument(const std::string& requested, const std::string& loaded,
                                                const std::string& body);

}  // namespace kx
