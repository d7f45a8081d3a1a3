#include "Global.h"

#include "FileEncryptUnit.h"
#include "Text.h"

#include <cstdio>

#ifndef KX_MAKER_HOME_PAGE
#define KX_MAKER_HOME_PAGE "https://www.kestrix.example/"
#endif

namespace kx {
namespace {

// The profile-file reader returns at most this many UTF-16 units of a value.
constexpr std::size_t MaxValueUnits = 2047;

std::string_view Unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

std::string CutToUnits(std::string_view value, std::size_t& storedUnits) {
    std::u16string units = Utf8ToUtf16(value);
    storedUnits = units.size();
    if (units.size() <= MaxValueUnits) return std::string(value);
    units.resize(MaxValueUnits);
    if (units.back() >= 0xD800 && units.back() < 0xDC00) units.pop_back();  // never half a pair
    return Utf16ToUtf8(units);
}

std::string BaseNameWithoutExtension(const std::string& path) {
    const std::size_t separator = path.find_last_of("\\/:");
    std::string name = separator == std::string::npos ? path : path.substr(separator + 1);
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos) name.resize(dot);
    return name;
}

// A copy other programs may be reading, or writing alike at the same moment, is replaced whole
// and never seen half written. A missing source leaves no stale copy behind.
std::string DecodeToTemporaryCopy(const std::string& baseName, const std::string& source) {
    const std::string copy = os::TempFolder() + baseName + ".txt";
    std::vector<std::uint8_t> plain;
    try {
        plain = CipherFileBytes(source, SuiteCipherKey, false);
    } catch (const FileError&) {
        os::RemoveFile(copy);
        throw;
    }
    os::ReplaceFileBytes(copy, plain);
    return copy;
}

std::string ProductSource(const std::string& path) {
    return os::FileExists(path) ? path : os::ProgramFolder() + "Lang\\" + path;
}

// Text that is not a whole signed decimal number, or does not fit 32 bits, counts as 0.
long long VersionComponent(std::string_view text) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i == text.size()) return 0;
    long long value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return 0;
        value = value * 10 + (text[i] - '0');
        if (value > 2147483648LL) return 0;
    }
    value = negative ? -value : value;
    return value > 2147483647LL ? 0 : value;
}

long long TakeComponent(std::string_view& rest) {
    const std::size_t dot = rest.find('.');
    const std::string_view component = rest.substr(0, dot);
    rest = dot == std::string_view::npos ? std::string_view() : rest.substr(dot + 1);
    return VersionComponent(component);
}

}  // namespace

const char* MakerHomePageUrl() { return KX_MAKER_HOME_PAGE; }

std::string HomePageAddress(const std::string& languageFile) {
    const std::string url = ReadKey(languageFile, keys::PorticoHomePage);
    return url == MissingLauncherCaption ? MakerHomePageUrl() : url;
}

std::string DecodeLanguageFile(const std::string& name) {
    return DecodeToTemporaryCopy(name, os::ProgramFolder() + "Lang\\" + name + ".dat");
}

std::string DecodeProductFile(const std::string& path) {
    return DecodeToTemporaryCopy(BaseNameWithoutExtension(path), ProductSource(path));
}

IniReader DecodeProductInMemory(const std::string& path) {
    const std::string source = ProductSource(path);
    return IniReader(source, CipherFileBytes(source, SuiteCipherKey, false));
}

std::string DecodeIniBytes(const std::vector<std::uint8_t>& bytes) {
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF") return std::string(text.substr(3));
    if (text.size() >= 2 && text.substr(0, 2) == "\xFF\xFE") {
        std::u16string units;
        for (std::size_t i = 2; i + 1 < text.size(); i += 2)
            units += static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
        return Utf16ToUtf8(units);
    }
    return os::SystemCodePageToUtf8(text);
}

std::vector<IniReader::Section> IniReader::Parse(std::string_view text) {
    std::vector<Section> sections;
    std::size_t start = 0;
    int lineNumber = 0;
    while (start <= text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = text.size();
        ++lineNumber;
        const std::string_view line = TrimBlanks(text.substr(start, end - start));
        if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ++end;
        start = end + 1;

        if (!line.empty() && line.front() == '[') {
            // A section name ends at the first "]".
            const std::size_t close = line.find(']');
            const std::string_view name = line.substr(1, close == std::string_view::npos ? std::string_view::npos
                                                                                        : close - 1);
            sections.push_back({std::string(TrimBlanks(name)), lineNumber, {}});
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos || sections.empty()) continue;
        std::size_t storedUnits = 0;
        std::string value = CutToUnits(Unquote(TrimBlanks(line.substr(equals + 1))), storedUnits);
        sections.back().Entries.push_back(
            {std::string(TrimBlanks(line.substr(0, equals))), std::move(value), lineNumber, storedUnits});
    }
    return sections;
}

IniReader::IniReader(std::string path) : path_(std::move(path)) {
    if (!os::FileExists(path_)) return;
    // A file that is there but cannot be read (held open by another program, no access, an
    // I/O error) counts as missing, as the platform's profile reading treats it.
    try {
        sections_ = Parse(DecodeIniBytes(os::ReadFileBytes(path_)));
        readable_ = true;
    } catch (const FileError&) {
    }
}

IniReader::IniReader(std::string path, const std::vector<std::uint8_t>& bytes)
    : path_(std::move(path)), sections_(Parse(DecodeIniBytes(bytes))), readable_(true) {}

std::string IniReader::ReadText(std::string_view section, std::string_view key, std::string_view defaultValue) const {
    section = TrimBlanks(section);
    key = TrimBlanks(key);
    // A key asked for with a leading ";" is a comment, as the platform treats it.
    if (key.empty() || key.front() == ';') return std::string(defaultValue);
    for (const Section& s : sections_) {
        if (!EqualsIgnoreAsciiCase(s.Name, section)) continue;
        // Only the first of two same-named sections is read.
        for (const Entry& e : s.Entries)
            if (EqualsIgnoreAsciiCase(e.Key, key)) return e.Value;
        break;
    }
    return std::string(defaultValue);
}

std::string ResolveIniFile(const std::string& path) {
    if (os::FileExists(path)) return path;
    const std::string inProgramFolder = os::ProgramFolder() + path;
    return os::FileExists(inProgramFolder) ? inProgramFolder : std::string();
}

std::string ReadIniValue(const std::string& file, std::string_view section, std::string_view key,
                         std::string_view defaultValue) {
    if (defaultValue.empty()) defaultValue = MissingLookup;
    const std::string resolved = ResolveIniFile(file);
    if (resolved.empty()) return std::string(defaultValue);
    std::string value = IniReader(resolved).ReadText(section, key, defaultValue);
    return value.empty() ? std::string(defaultValue) : value;
}

std::string ReadIniValue(const std::string& file, std::string_view section, std::string_view key) {
    return ReadIniValue(file, section, key, MissingLookup);
}

std::unique_ptr<IniReader> OpenIniFile(const std::string& file) {
    const std::string resolved = ResolveIniFile(file);
    if (resolved.empty()) return nullptr;
    auto reader = std::make_unique<IniReader>(resolved);
    return reader->Readable() ? std::move(reader) : nullptr;
}

std::string ReadKey(const IniReader& reader, const LanguageKey& key) {
    std::string value = reader.ReadText(key.Key.Section, key.Key.Name, key.Default);
    return value.empty() && key.Kind == ReadKind::Lookup ? std::string(key.Default) : value;
}

std::string ReadKey(const IniReader* reader, const LanguageKey& key) {
    return reader ? ReadKey(*reader, key) : std::string(key.Default);
}

std::string ReadKey(const std::string& file, const LanguageKey& key) {
    if (key.Kind == ReadKind::Lookup) return ReadIniValue(file, key.Key.Section, key.Key.Name, key.Default);
    return ReadKey(OpenIniFile(file).get(), key);
}

int BrandNumberOf(std::string_view companyName) {
    static constexpr std::pair<const char*, int> Brands[] = {
        {"wrenfold", 0}, {"plenvik", 1}, {"tavvel", 2},   {"dorrany", 3},
        {"bramblewick", 4}, {"ulmcrest", 5}, {"fennick", 6}, {"quorrel", 20},
    };
    const std::string lowered = LowerAscii(companyName);
    for (const auto& [name, number] : Brands)
        if (lowered == name) return number;
    return 0;
}

std::string FormatTimeStampQuery(const os::LocalTime& t) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "?rand=%.4d%.2d%.2d%.2d%.2d%.2d", t.Year, t.Month, t.Day, t.Hour, t.Minute,
                  t.Second);
    return buffer;
}

std::string TimeStampQuery() { return FormatTimeStampQuery(os::CurrentLocalTime()); }

bool IsNewerVersion(std::string_view candidate, std::string_view current) {
    while (!candidate.empty() || !current.empty()) {
        const long long offered = TakeComponent(candidate);
        const long long installed = TakeComponent(current);
        if (offered != installed) return offered > installed;
    }
    return false;
}

}  // namespace kx
