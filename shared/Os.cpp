#include "Os.h"

#include "Text.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kx::os {

namespace {

// Whole files read into memory stay below 2 GiB: their sizes fit the platforms' 32-bit counts.
constexpr long long MaxFileBytes = 0x7FFFFFFF;

}  // namespace

#ifdef _WIN32

namespace {

std::string SystemReason(DWORD code) {
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::string reason = length ? TrimControlAndBlank(FromWide(std::wstring_view(buffer, length)))
                                : "system error " + std::to_string(code);
    if (buffer) LocalFree(buffer);
    while (!reason.empty() && reason.back() == '.') reason.pop_back();
    return reason;
}

[[noreturn]] void ThrowFileError(const char* what, const std::string& path) {
    throw FileError(std::string(what) + " \"" + path + "\": " + SystemReason(GetLastError()));
}

class Handle {
public:
    explicit Handle(HANDLE h) : handle_(h) {}
    ~Handle() { if (valid()) CloseHandle(handle_); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return handle_; }
    // Files fail as INVALID_HANDLE_VALUE, mappings as null.
    bool valid() const { return handle_ && handle_ != INVALID_HANDLE_VALUE; }
private:
    HANDLE handle_;
};

DWORD Attributes(const std::string& path) { return GetFileAttributesW(ToWide(path).c_str()); }

// The size of a file opened for reading whole, within what one read can hold.
LARGE_INTEGER SizeToRead(const Handle& file, const std::string& path) {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size)) ThrowFileError("Cannot read file", path);
    if (size.QuadPart > MaxFileBytes) throw FileError("The file \"" + path + "\" is too large");
    return size;
}

// Up to size bytes from the file's start: fewer if it has just been cut short.
std::vector<std::uint8_t> ReadUpTo(const Handle& file, LARGE_INTEGER size, const std::string& path) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size.QuadPart));
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD got = 0;
        if (!ReadFile(file.get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &got, nullptr))
            ThrowFileError("Cannot read file", path);
        if (got == 0) break;
        done += got;
    }
    bytes.resize(done);
    return bytes;
}

}  // namespace

std::string ProgramFolder() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length < buffer.size()) {
            buffer.resize(length);
            break;
        }
        buffer.resize(buffer.size() * 2);
    }
    return FromWide(buffer.substr(0, buffer.find_last_of(L"\\/") + 1));
}

std::string TempFolder() {
    wchar_t buffer[MAX_PATH + 2];
    const DWORD length = GetTempPathW(MAX_PATH + 2, buffer);
    return FromWide(std::wstring_view(buffer, length));
}

bool FileExists(const std::string& path) {
    const DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& path) {
    const DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void RemoveFile(const std::string& path) { DeleteFileW(ToWide(path).c_str()); }

std::vector<std::uint8_t> ReadFileBytes(const std::string& path) {
    Handle file(CreateFileW(ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) ThrowFileError("Cannot open file", path);
    return ReadUpTo(file, SizeToRead(file, path), path);
}

FileView::FileView(const std::string& path) {
    // A mapped file stays open: others may still write, rename or remove it meanwhile.
    Handle file(CreateFileW(ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) ThrowFileError("Cannot open file", path);
    const LARGE_INTEGER size = SizeToRead(file, path);
    // A mapping costs three more calls into the system than a read, and some memory of the
    // program's own is at hand for a small file.
    constexpr long long SmallFileBytes = 64 * 1024;
    if (size.QuadPart <= SmallFileBytes) {
        read_ = ReadUpTo(file, size, path);
        data_ = read_.data();
        size_ = read_.size();
        return;
    }
    // The view keeps the mapping and the file open by itself. Of the size learned above: a file
    // cut short since cannot be mapped read-only to that size, and no view is shorter than size_.
    const Handle mapping(CreateFileMappingW(file.get(), nullptr, PAGE_READONLY, static_cast<DWORD>(size.HighPart),
                                            size.LowPart, nullptr));
    if (!mapping.valid()) ThrowFileError("Cannot read file", path);
    view_ = MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0);
    if (!view_) ThrowFileError("Cannot read file", path);
    data_ = static_cast<const std::uint8_t*>(view_);
    size_ = static_cast<std::size_t>(size.QuadPart);
}

FileView::~FileView() {
    if (view_) UnmapViewOfFile(view_);
}

void WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    // Readers may open the file while it is written: a second program starting reads it then.
    Handle file(CreateFileW(ToWide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) ThrowFileError("Cannot create file", path);
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD wrote = 0;
        if (!WriteFile(file.get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &wrote, nullptr))
            ThrowFileError("Cannot write file", path);
        done += wrote;
    }
}

LocalTime CurrentLocalTime() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

std::string SystemCodePageToUtf8(std::string_view bytes) {
    if (bytes.empty()) return {};
    const int length = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(), length);
    return FromWide(wide);
}

std::string Utf16ToSystemCodePage(std::u16string_view text) {
    if (text.empty()) return {};
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    const int count = static_cast<int>(text.size());
    const int length = WideCharToMultiByte(CP_ACP, 0, wide, count, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide, count, out.data(), length, nullptr, nullptr);
    return out;
}

std::string EnvironmentVariable(const char* name) {
    const std::wstring wideName = ToWide(name);
    const DWORD length = GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
    if (length == 0) return {};
    std::wstring value(length, L'\0');
    const DWORD got = GetEnvironmentVariableW(wideName.c_str(), value.data(), length);
    value.resize(got);
    return FromWide(value);
}

// Split here rather than by the shell, whose DLL the programs do not load to start.
std::vector<std::string> CommandLineArguments(int, char**) { return SplitCommandLine(FromWide(GetCommandLineW())); }

#else  // POSIX

namespace {

std::string NativePath(const std::string& path) {
    std::string out = path;
    for (char& c : out)
        if (c == '\\') c = '/';
    return out;
}

[[noreturn]] void ThrowFileError(const char* what, const std::string& path) {
    throw FileError(std::string(what) + " \"" + path + "\": " + std::strerror(errno));
}

bool StatMode(const std::string& path, mode_t kind) {
    struct stat info {};
    return ::stat(NativePath(path).c_str(), &info) == 0 && (info.st_mode & S_IFMT) == kind;
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

std::string ProgramFolder() {
    std::string buffer(PATH_MAX, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length <= 0) return "./";
    buffer.resize(static_cast<std::size_t>(length));
    return buffer.substr(0, buffer.rfind('/') + 1);
}

std::string TempFolder() {
    std::string folder = EnvironmentVariable("TMPDIR");
    if (folder.empty()) folder = "/tmp";
    if (folder.back() != '/') folder += '/';
    return folder;
}

bool FileExists(const std::string& path) { return StatMode(path, S_IFREG); }
bool DirectoryExists(const std::string& path) { return StatMode(path, S_IFDIR); }
void RemoveFile(const std::string& path) { ::unlink(NativePath(path).c_str()); }

std::vector<std::uint8_t> ReadFileBytes(const std::string& path) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(NativePath(path).c_str(), "rb"));
    if (!file || DirectoryExists(path)) {
        if (file) errno = EISDIR;
        ThrowFileError("Cannot open file", path);
    }
    std::vector<std::uint8_t> bytes;
    std::uint8_t chunk[65536];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) bytes.insert(bytes.end(), chunk, chunk + got);
    if (std::ferror(file.get())) ThrowFileError("Cannot read file", path);
    return bytes;
}

FileView::FileView(const std::string& path) : read_(ReadFileBytes(path)), data_(read_.data()), size_(read_.size()) {}

FileView::~FileView() = default;

void WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(NativePath(path).c_str(), "wb"));
    if (!file) ThrowFileError("Cannot create file", path);
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size())
        ThrowFileError("Cannot write file", path);
    if (std::fflush(file.get()) != 0) ThrowFileError("Cannot write file", path);
}

LocalTime CurrentLocalTime() {
    const std::time_t now = std::time(nullptr);
    std::tm t{};
    localtime_r(&now, &t);
    return {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec};
}

std::string SystemCodePageToUtf8(std::string_view bytes) { return std::string(bytes); }
std::string Utf16ToSystemCodePage(std::u16string_view text) { return Utf16ToUtf8(text); }

std::string EnvironmentVariable(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

#endif

}  // namespace kx::os
