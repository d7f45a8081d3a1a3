#include "VersionDocument.h"

#include "Os.h"
#include "Text.h"
#include "uQvJSON.h"

namespace kx {
namespace {

// The member's text, or nothing when it is absent or not a string.
std::optional<std::string> StringMember(const TqvJSONobject& root, const char16_t* name) {
    const auto* value = dynamic_cast<const TqvJSONstring*>(root.ValueOf(name));
    if (!value) return std::nullopt;
    return Utf16ToUtf8(value->Text);
}

}  // namespace

bool SameAddress(const std::string& requested, const std::string& loaded) {
    return EqualsIgnoreAsciiCase(requested, loaded);
}

std::optional<VersionOffer> ReadVersionDocument(const std::string& requested, const std::string& loaded,
                                                const std::string& body) {
    if (!SameAddress(requested, loaded)) return std::nullopt;
    // The tree is freed on every path by its owner here.
    const std::unique_ptr<TqvJSONbase> root = TqvJSON::ParseDocument(body);
    const auto* object = dynamic_cast<const TqvJSONobject*>(root.get());
    if (!object) return std::nullopt;
    std::optional<std::string> version = StringMember(*object, u"Version");
    if (!version) return std::nullopt;
    std::optional<std::string> download = StringMember(*object, u"DownloadURL");
    if (!download) return std::nullopt;
    if (version->empty() || download->empty()) return std::nullopt;
    return VersionOffer{*version, *download};
}

}  // namespace kx
