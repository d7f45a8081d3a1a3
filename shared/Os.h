// The small operating-system layer of the portable code. Paths are UTF-8 and may use "\"
// as the separator everywhere: the POSIX branch maps it to "/".
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kx {

// A file that cannot be opened, read or written; the message names the file and the reason.
class FileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

namespace os {

// Folder of the running program's file, with a trailing separator.
std::string ProgramFolder();
// The user's temporary folder as the platform reports it, with a trailing separator.
std::string TempFolder();

bool FileExists(const std::string& path);  // a file, not a folder
bool DirectoryExists(const std::string& path);
void RemoveFile(const std::string& path);  // quietly does nothing when it cannot
// Opens, reads whole and closes: no handle stays open, and others may write, rename, remove or
// replace the file meanwhile.
std::vector<std::uint8_t> ReadFileBytes(const std::string& path);                      // FileError
void WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);  // FileError
// For a file other programs may read or write at the same moment: an identical file is left
// alone; otherwise a new file is written beside it and put in its place in one step, so that no
// reader ever sees it half written. A reader holding the old one is waited for briefly.
void ReplaceFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);  // FileError

// Whether the program runs with administrator rights (on Windows, an elevated token).
bool RunsElevated();

struct LocalTime {
    int Year, Month, Day, Hour, Minute, Second;
};
LocalTime CurrentLocalTime();

// Text of language and product files: the system code page on Windows, UTF-8 elsewhere.
std::string SystemCodePageToUtf8(std::string_view bytes);
std::string Utf16ToSystemCodePage(std::u16string_view text);

std::string EnvironmentVariable(const char* name);  // empty when unset

// The program's arguments in UTF-8, the program itself first; on Windows from the wide
// command line, so that any file name arrives intact.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

}  // namespace os
}  // namespace kx
