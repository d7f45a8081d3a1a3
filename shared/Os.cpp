#include "Os.h"

#include "Scoped.h"
#include "Text.h"

#include <atomic>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kx::os {

namespace {

// Whole files read into memory stay below 2 GiB: their sizes fit the platforms' 32-bit counts.
constexpr long long MaxFileBytes = 0x7FFFFFFF;

unsigned long ProcessId();

std::string FreshNameBeside(const std::string& path) {
    static std::atomic<unsigned> writes{0};
    return path + "." + std::to_string(ProcessId()) + "." + std::to_string(writes++) + ".new";
}

// An identical copy needs no replacing; one that cannot be read does.
bool HoldsBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    try {
        return ReadFileBytes(path) == bytes;
    } catch (const FileError&) {
        return false;
    }
}

}  // namespace

#ifdef _WIN32

namespace {

std::string SystemReason(DWORD code) {
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    const Scoped<wchar_t*, LocalFree> owned(buffer);
    std::string reason = length ? TrimControlAndBlank(FromWide(std::wstring_view(buffer, length)))
                                : "system error " + std::to_string(code);
    while (!reason.empty() && reason.back() == '.') reason.pop_back();
    return reason;
}

[[noreturn]] void ThrowFileError(const char* what, const std::string& path) {
    throw FileError(std::string(what) + " \"" + path + "\": " + SystemReason(GetLastError()));
}

DWORD Attributes(const std::string& path) { return GetFileAttributesW(ToWide(path).c_str()); }

unsigned long ProcessId() { return GetCurrentProcessId(); }

void WriteAll(const KernelHandle& file, const std::vector<std::uint8_t>& bytes, const std::string& path) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD wrote = 0;
        if (!WriteFile(file.get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &wrote, nullptr))
            ThrowFileError("Cannot write file", path);
        done += wrote;
    }
}

// A file of its own beside the target, named after this process and this write so that two
// writers never meet; one left by a program that ended half way is passed over.
std::wstring WriteNewFileBeside(const std::vector<std::uint8_t>& bytes, const std::string& path) {
    for (unsigned attempt = 0;; ++attempt) {
        const std::wstring fresh = ToWide(FreshNameBeside(path));
        HANDLE created = CreateFileW(fresh.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (created == INVALID_HANDLE_VALUE) {
            if (GetLastError() == ERROR_FILE_EXISTS && attempt < 100) continue;
            ThrowFileError("Cannot create file", path);
        }
        try {
            const KernelHandle file(created);
            WriteAll(file, bytes, path);
        } catch (const FileError&) {
            DeleteFileW(fresh.c_str());  // closed by now
            throw;
        }
        return fresh;
    }
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
    const KernelHandle file(CreateFileW(ToWide(path).c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) ThrowFileError("Cannot open file", path);
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size)) ThrowFileError("Cannot read file", path);
    if (size.QuadPart > MaxFileBytes) throw FileError("The file \"" + path + "\" is too large");
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size.QuadPart));
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD got = 0;
        if (!ReadFile(file.get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &got, nullptr))
            ThrowFileError("Cannot read file", path);
        if (got == 0) break;  // cut short since its size was asked
        done += got;
    }
    bytes.resize(done);
    return bytes;
}

void WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    const KernelHandle file(CreateFileW(ToWide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) ThrowFileError("Cannot create file", path);
    WriteAll(file, bytes, path);
}

void ReplaceFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    if (HoldsBytes(path, bytes)) return;
    const std::wstring target = ToWide(path);
    const std::wstring fresh = WriteNewFileBeside(bytes, path);
    // A reader that opened the old file without delete sharing holds it for a moment only.
    constexpr int Attempts = 200;
    constexpr DWORD PauseMs = 10;
    DWORD error = ERROR_SUCCESS;
    for (int attempt = 0; attempt < Attempts; ++attempt) {
        if (MoveFileExW(fresh.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) return;
        error = GetLastError();
        if (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED) break;
        Sleep(PauseMs);
    }
    DeleteFileW(fresh.c_str());
    SetLastError(error);
    ThrowFileError("Cannot create file", path);
}

bool RunsElevated() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
    const KernelHandle owned(token);
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    return GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size) && elevation.TokenIsElevated;
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

unsigned long ProcessId() { return static_cast<unsigned long>(::getpid()); }

bool StatMode(const std::string& path, mode_t kind) {
    struct stat info {};
    return ::stat(NativePath(path).c_str(), &info) == 0 && (info.st_mode & S_IFMT) == kind;
}

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
    const StdioFile file(std::fopen(NativePath(path).c_str(), "rb"));
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

void WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    const StdioFile file(std::fopen(NativePath(path).c_str(), "wb"));
    if (!file) ThrowFileError("Cannot create file", path);
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size())
        ThrowFileError("Cannot write file", path);
    if (std::fflush(file.get()) != 0) ThrowFileError("Cannot write file", path);
}

void ReplaceFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    if (HoldsBytes(path, bytes)) return;
    const std::string fresh = FreshNameBeside(path);
    try {
        WriteFileBytes(fresh, bytes);
    } catch (const FileError&) {
        RemoveFile(fresh);
        throw;
    }
    if (std::rename(NativePath(fresh).c_str(), NativePath(path).c_str()) != 0) {
        const int error = errno;
        RemoveFile(fresh);
        errno = error;
        ThrowFileError("Cannot create file", path);
    }
}

bool RunsElevated() { return ::geteuid() == 0; }

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
