// File locations, language and product file lookups, and the small operations both programs share.
#pragma once

#include "LanguageKeys.h"
#include "Os.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kx {

// The maker's site, a build setting.
const char* MakerHomePageUrl();
// What the launcher's home page link opens: Product/ProductHomePage, "???" when missing, and
// the maker's site when it is stored as "1.1".
std::string HomePageAddress(const std::string& languageFile);

// Decode the scrambled file into the temporary folder and return the copy's path. A missing
// source throws FileError and removes the old copy; an unwritable copy throws FileError.
std::string DecodeLanguageFile(const std::string& name);
std::string DecodeProductFile(const std::string& path);

// An INI file read with the platform's profile-file rules. The file is read once, when the
// reader is made; a path where no file can be read gives a reader that returns every default.
class IniReader {
public:
    explicit IniReader(std::string path);
    // A reader on a file's bytes already in memory, named by its path.
    IniReader(std::string path, const std::vector<std::uint8_t>& bytes);
    std::string ReadText(std::string_view section, std::string_view key, std::string_view defaultValue) const;
    const std::string& Path() const { return path_; }
    // False when no file could be read: every read gives its default.
    bool Readable() const { return readable_; }

    // Parses INI text already decoded to UTF-8 (exposed for tools that check files).
    struct Entry {
        std::string Key;
        std::string Value;
        int Line;
        std::size_t StoredUnits = 0;  // the value's UTF-16 length before the reader's cut
    };
    struct Section {
        std::string Name;
        int Line;
        std::vector<Entry> Entries;
    };
    static std::vector<Section> Parse(std::string_view text);
    const std::vector<Section>& Sections() const { return sections_; }

private:
    std::string path_;
    std::vector<Section> sections_;
    bool readable_ = false;
};

// Decodes the product file into memory alone, for a run that must write nothing in the
// temporary folder. A missing source throws FileError.
IniReader DecodeProductInMemory(const std::string& path);

// Decodes a language or product file's bytes: UTF-8 after a UTF-8 byte-order mark, UTF-16
// after a UTF-16 one, the system code page otherwise.
std::string DecodeIniBytes(const std::vector<std::uint8_t>& bytes);

// The path itself if a file is there, else the program folder + path; empty when neither.
std::string ResolveIniFile(const std::string& path);

// Launcher form: an empty default means "???". A present but empty value gives the default.
std::string ReadIniValue(const std::string& file, std::string_view section, std::string_view key,
                         std::string_view defaultValue);
// Feedback form: the default is always "???".
std::string ReadIniValue(const std::string& file, std::string_view section, std::string_view key);

std::unique_ptr<IniReader> OpenIniFile(const std::string& file);

// A key read the way its window reads it: a lookup gives the key's default for an absent or
// empty value, a direct read for an absent one only.
std::string ReadKey(const IniReader& reader, const LanguageKey& key);
// No reader, as OpenIniFile gives where no file can be read: the default.
std::string ReadKey(const IniReader* reader, const LanguageKey& key);
// The same on the file as it is now; where no file can be read, the default.
std::string ReadKey(const std::string& file, const LanguageKey& key);

int BrandNumberOf(std::string_view companyName);
// The brand whose launcher shows no feedback or history link and runs no start-up timer work.
inline constexpr int BramblewickBrand = 4;

std::string TimeStampQuery();
std::string FormatTimeStampQuery(const os::LocalTime& time);

bool IsNewerVersion(std::string_view candidate, std::string_view current);

}  // namespace kx
