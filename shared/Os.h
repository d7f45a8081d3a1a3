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
std::vector<std::uint8_t> ReadFileBytes(const std::string& path);                      // FileError
void WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);  // FileError

// A whole file's bytes, read-only. On Windows a large file is mapped into memory and read from
// the system's file cache only where it is touched, so that nothing is copied and no memory of
// the program's own is filled; a small one is read, which costs less than a mapping.
class FileView {
public:
    explicit FileView(const std::string& path);  // FileError
    ~FileView();
    FileView(const FileView&) = delete;
    FileView& operator=(const FileView&) = delete;

    const std::uint8_t* Data() const { return data_; }
    std::size_t Size() const { return size_; }

private:
    std::vector<std::uint8_t> read_;
    const void* view_ = nullptr;
    const std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
};

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
