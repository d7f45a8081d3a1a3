// A private folder for one test, removed with everything in it when the test ends.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kx::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The folder's path with a trailing separator, in the form the product code uses.
    const std::string& Path() const { return path_; }
    std::string File(std::string_view name) const { return path_ + std::string(name); }
    std::string Write(std::string_view name, std::string_view content) const;
    std::string WriteBytes(std::string_view name, const std::vector<std::uint8_t>& content) const;

private:
    std::string path_;
};

std::string ReadText(const std::string& path);
void MakeDirectories(const std::string& path);

}  // namespace kx::test
