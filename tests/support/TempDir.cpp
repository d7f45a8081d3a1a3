#include "TempDir.h"

#include "Os.h"

#include <atomic>
#include <chrono>
#include <filesystem>

namespace kx::test {
namespace {

std::filesystem::path ToPath(std::string utf8) {
#ifndef _WIN32
    for (char& c : utf8)
        if (c == '\\') c = '/';
#endif
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string FromPath(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

}  // namespace

TempDir::TempDir() {
    static std::atomic<int> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    const std::filesystem::path dir =
        ToPath(os::TempFolder()) / ("kxtest-" + std::to_string(stamp) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(dir);
    path_ = FromPath(dir) + static_cast<char>(std::filesystem::path::preferred_separator);
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(ToPath(path_), ignored);
}

std::string TempDir::Write(std::string_view name, std::string_view content) const {
    return WriteBytes(name, std::vector<std::uint8_t>(content.begin(), content.end()));
}

std::string TempDir::WriteBytes(std::string_view name, const std::vector<std::uint8_t>& content) const {
    const std::string path = File(name);
    std::filesystem::create_directories(ToPath(path).parent_path());
    os::WriteFileBytes(path, content);
    return path;
}

std::string ReadText(const std::string& path) {
    const std::vector<std::uint8_t> bytes = os::ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

void MakeDirectories(const std::string& path) { std::filesystem::create_directories(ToPath(path)); }

}  // namespace kx::test
