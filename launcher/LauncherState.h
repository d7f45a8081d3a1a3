// Values the launcher sets while its main window is created and reads for the rest of the run.
#pragma once

#include "LanguageKeys.h"

#include <functional>
#include <string>
#include <string_view>

namespace kx::portico {

struct LauncherState {
    std::string LanguageFilePath;  // the decoded text file every lookup reads
    std::string SkinPath;          // program folder + ImagePath + "\Main\"
    std::string CompanyName;       // lower-cased
    int BrandNumber = 0;
    bool FreeEdition = false;
};

LauncherState& State();

// The key on the language file as it is now, read by its kind.
std::string Lookup(const LanguageKey& key);

// The spoken name of a picture button, read from the language file each time it is asked;
// when the file has none (every file written before these keys), what otherwise gives.
std::function<std::string()> SpokenName(const LanguageKey& key, std::function<std::string()> otherwise = {});

// A program as its user knows it: the FileDescription of its version resource, else its file
// name without ".exe".
std::string ProgramName(const std::string& path);

// A stored flag: a number is true when not zero; True and False in any letter case; else false.
bool TextToBool(std::string_view text);

}  // namespace kx::portico
