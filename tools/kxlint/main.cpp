// kxlint: checks a language or product file against the keys the programs read, before a
// missing or broken text reaches a customer's screen.
#include "BitmapFile.h"
#include "FileEncryptUnit.h"
#include "Global.h"
#include "LanguageKeys.h"
#include "Os.h"
#include "Text.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

using kx::IniFileKind;
using kx::IniReader;

constexpr std::size_t MaxValueUnits = 2047;

const char* const Usage =
    "usage: kxlint [--program portico|valedict|product] [--scrambled] [--program-folder DIR] FILE\n";

struct Options {
    std::optional<IniFileKind> Program;
    bool Scrambled = false;
    std::string ProgramFolder;
    std::string File;
};

struct Finding {
    int Line;
    std::string Where;
    std::string Message;
};

// Thrown for input that cannot be checked at all.
struct Unusable {
    std::string Message;
};

std::string Quoted(std::string_view text) {
    std::string quoted(1, '"');
    quoted.append(text);
    quoted += '"';
    return quoted;
}

std::optional<Options> ParseArguments(const std::vector<std::string>& args) {
    Options options;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--scrambled") {
            options.Scrambled = true;
        } else if (arg == "--program" && i + 1 < args.size()) {
            const std::string name = kx::LowerAscii(args[++i]);
            if (name == "portico") options.Program = IniFileKind::PorticoLanguage;
            else if (name == "valedict") options.Program = IniFileKind::ValedictLanguage;
            else if (name == "product") options.Program = IniFileKind::ValedictProduct;
            else return std::nullopt;
        } else if (arg == "--program-folder" && i + 1 < args.size()) {
            options.ProgramFolder = args[++i];
        } else if (arg.starts_with("--") || !options.File.empty()) {
            return std::nullopt;
        } else {
            options.File = arg;
        }
    }
    if (options.File.empty()) return std::nullopt;
    return options;
}

IniFileKind ProgramByName(const std::string& path) {
    const std::size_t separator = path.find_last_of("\\/:");
    const std::string name = kx::LowerAscii(separator == std::string::npos ? path : path.substr(separator + 1));
    if (name.starts_with("valedict.")) return IniFileKind::ValedictLanguage;
    return IniFileKind::PorticoLanguage;
}

// Text as the programs would read it: no stray control characters and at least one section.
// Scrambled bytes almost always hold control characters, so they never pass for text.
std::optional<std::vector<IniReader::Section>> AsIniText(const std::vector<std::uint8_t>& bytes) {
    const std::string text = kx::DecodeIniBytes(bytes);
    for (unsigned char c : text)
        if (c < 0x20 && c != '\t' && c != '\r' && c != '\n' && c != '\f' && c != '\v' && c != 0x1A)
            return std::nullopt;
    std::vector<IniReader::Section> sections = IniReader::Parse(text);
    if (sections.empty()) return std::nullopt;
    return sections;
}

std::vector<std::uint8_t> Unscrambled(const std::vector<std::uint8_t>& bytes) {
    std::vector<std::uint8_t> plain(bytes.size());
    const auto length = static_cast<std::uint32_t>(bytes.size());
    kx::DecodeBuffer(bytes.data(), length, plain.data(), length, kx::SuiteCipherKey);
    return plain;
}

std::vector<IniReader::Section> ReadSections(const Options& options) {
    const std::string& file = options.File;
    if (kx::os::DirectoryExists(file)) throw Unusable{file + ": is a folder, not a file"};
    if (!kx::os::FileExists(file)) throw Unusable{file + ": no such file"};
    std::vector<std::uint8_t> bytes;
    try {
        bytes = kx::os::ReadFileBytes(file);
    } catch (const kx::FileError& error) {
        throw Unusable{error.what()};
    }
    if (bytes.empty()) throw Unusable{file + ": the file is empty"};
    if (bytes.size() > 0xFFFFFFFFu) throw Unusable{file + ": the file is too large"};
    if (!options.Scrambled)
        if (auto sections = AsIniText(bytes)) return *sections;
    if (auto sections = AsIniText(Unscrambled(bytes))) return *sections;
    throw Unusable{file + (options.Scrambled ? ": does not unscramble into INI text"
                                             : ": neither INI text nor a scrambled INI text")};
}

// The first section and the first key of it that the reader would answer.
const IniReader::Section* FindSection(const std::vector<IniReader::Section>& sections, std::string_view name) {
    for (const auto& section : sections)
        if (kx::EqualsIgnoreAsciiCase(section.Name, name)) return &section;
    return nullptr;
}

const IniReader::Entry* FindEntry(const IniReader::Section* section, std::string_view key) {
    if (!section) return nullptr;
    for (const auto& entry : section->Entries)
        if (kx::EqualsIgnoreAsciiCase(entry.Key, key)) return &entry;
    return nullptr;
}

std::string Shows(std::string_view readers) {
    return std::string(readers) + (readers.find(',') == std::string_view::npos ? " shows " : " show ");
}

// Walks the text as the template filler does: counts the "%s" it fills and collects every
// other conversion, which it leaves standing.
void CheckTemplate(const kx::LanguageKey& key, const IniReader::Entry& entry, const std::string& where,
                   std::vector<Finding>& findings) {
    const std::string& text = entry.Value;
    int fills = 0;
    std::vector<std::string> standing;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%' || i + 1 >= text.size()) continue;
        if (text[i + 1] == 's') { ++fills; ++i; continue; }
        if (text[i + 1] == '%') {
            if (key.CollapsesPercent) { ++i; continue; }
            standing.push_back("%%");
            if (i + 2 >= text.size() || text[i + 2] != 's') ++i;
            continue;
        }
        std::size_t j = i + 1;
        const std::size_t index = text.find_first_not_of("0123456789", j);
        if (index != std::string::npos && index > j && text[index] == ':') j = index + 1;
        j = std::min(text.find_first_not_of("-0", j), text.size());
        j = std::min(text.find_first_not_of("0123456789*", j), text.size());
        if (j < text.size() && text[j] == '.') j = std::min(text.find_first_not_of("0123456789*", j + 1), text.size());
        j = std::min(text.find_first_not_of("hlLqjzt", j), text.size());
        if (j < text.size() && std::string_view("diouxXeEfFgGaAcspnm").find(text[j]) != std::string_view::npos) {
            standing.push_back(text.substr(i, j - i + 1));
            i = j;
        }
    }
    if (fills != key.Fills) {
        const std::string filled = key.Fills == 1 ? "one value" : std::to_string(key.Fills) + " values";
        findings.push_back({entry.Line, where,
                            "holds " + std::to_string(fills) + " \"%s\" where " + std::string(key.Readers) +
                                " fills in " + filled});
    }
    for (const std::string& conversion : standing)
        findings.push_back({entry.Line, where,
                            Quoted(conversion) + " is not filled in: it shows as it stands in " +
                                std::string(key.Readers)});
}

void CheckKeys(IniFileKind program, const std::vector<IniReader::Section>& sections,
               std::vector<Finding>& findings) {
    for (const kx::LanguageKey& key : kx::LanguageKeys()) {
        // Absent or empty, these have a designed fallback that shows no marker.
        if (key.Key.File != program || !key.Fallback.empty()) continue;
        const std::string where = std::string(key.Key.Section) + "/" + std::string(key.Key.Name);
        const IniReader::Section* section = FindSection(sections, key.Key.Section);
        const IniReader::Entry* entry = FindEntry(section, key.Key.Name);
        if (!entry) {
            findings.push_back({section ? section->Line : 0, where,
                                (section ? "missing; " : "missing, and so is its section; ") + Shows(key.Readers) +
                                    Quoted(key.Default)});
            continue;
        }
        if (entry->Value.empty()) {
            if (key.Kind == kx::ReadKind::Lookup)
                findings.push_back({entry->Line, where, "empty; " + Shows(key.Readers) + Quoted(key.Default)});
            continue;
        }
        if (key.Fills > 0) CheckTemplate(key, *entry, where, findings);
    }
}

void CheckLayout(const std::vector<IniReader::Section>& sections, std::vector<Finding>& findings) {
    std::map<std::string, int> sectionLines;
    for (const auto& section : sections) {
        const auto [first, added] = sectionLines.emplace(kx::LowerAscii(section.Name), section.Line);
        if (!added)
            findings.push_back({section.Line, "[" + section.Name + "]",
                                "repeats the section of line " + std::to_string(first->second) +
                                    "; only the first is read"});
        std::map<std::string, int> keyLines;
        for (const auto& entry : section.Entries) {
            const std::string where = section.Name + "/" + entry.Key;
            const auto [earlier, fresh] = keyLines.emplace(kx::LowerAscii(entry.Key), entry.Line);
            if (!fresh)
                findings.push_back({entry.Line, where,
                                    "repeats the key of line " + std::to_string(earlier->second) +
                                        "; only the first is read"});
            if (entry.StoredUnits > MaxValueUnits)
                findings.push_back({entry.Line, where,
                                    "value is " + std::to_string(entry.StoredUnits) +
                                        " characters long; the reader keeps only the first 2047"});
        }
    }
}

// The same check the programs make before they load a skin bitmap.
bool IsBitmapFile(const std::string& path) {
    try {
        return kx::BitmapFileFault(kx::os::ReadFileBytes(path)).empty();
    } catch (const kx::FileError&) {
        return false;
    }
}

void CheckSkin(const std::string& programFolder, const std::vector<IniReader::Section>& sections,
               std::vector<Finding>& findings) {
    const auto& key = kx::keys::PorticoImagePath.Key;
    const IniReader::Entry* entry = FindEntry(FindSection(sections, key.Section), key.Name);
    if (!entry || entry->Value.empty()) return;  // already reported: the folder would be "???"
    std::string folder = programFolder;
    if (!folder.ends_with('\\') && !folder.ends_with('/')) folder += '\\';
    const std::string where = std::string(key.Section) + "/" + std::string(key.Name);
    for (const kx::SkinBitmap& bitmap : kx::SkinBitmaps()) {
        const std::string relative =
            entry->Value + "\\" + std::string(bitmap.Folder) + "\\" + std::string(bitmap.File);
        const std::string path = folder + relative;
        if (!kx::os::FileExists(path))
            findings.push_back({entry->Line, where,
                                "skin bitmap " + Quoted(relative) + " that " + std::string(bitmap.Reader) +
                                    " loads is missing"});
        else if (!IsBitmapFile(path))
            findings.push_back({entry->Line, where,
                                "skin bitmap " + Quoted(relative) + " that " + std::string(bitmap.Reader) +
                                    " loads is not a bitmap"});
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::optional<Options> options = ParseArguments(kx::os::CommandLineArguments(argc, argv));
    if (!options) {
        std::fputs(Usage, stderr);
        return 2;
    }
    try {
        if (!options->ProgramFolder.empty() && !kx::os::DirectoryExists(options->ProgramFolder))
            throw Unusable{options->ProgramFolder + ": no such program folder"};
        const IniFileKind program = options->Program.value_or(ProgramByName(options->File));
        const std::vector<IniReader::Section> sections = ReadSections(*options);

        std::vector<Finding> findings;
        CheckKeys(program, sections, findings);
        CheckLayout(sections, findings);
        if (program == IniFileKind::PorticoLanguage && !options->ProgramFolder.empty())
            CheckSkin(options->ProgramFolder, sections, findings);

        std::stable_sort(findings.begin(), findings.end(),
                         [](const Finding& a, const Finding& b) { return a.Line < b.Line; });
        for (const Finding& finding : findings)
            std::printf("%s:%d: %s: %s\n", options->File.c_str(), finding.Line, finding.Where.c_str(),
                        finding.Message.c_str());
        return findings.empty() ? 0 : 1;
    } catch (const Unusable& error) {
        std::fprintf(stderr, "kxlint: %s\n", error.Message.c_str());
        return 2;
    }
}
