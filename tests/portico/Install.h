// A launcher installation for the tests: the test program runs from a private copy of itself,
// so its own folder is the program folder that the launcher reads, and its temporary folder
// is private too.
#pragma once

#include "Gui.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace kx::test {

// The folder the build put the programs in (the stubs, kxskingen, Portico.exe).
std::string BuildBinFolder();
std::string InstallFolder();  // the running test's program folder

// The launcher's language file, edited entry by entry and installed scrambled.
class LanguageFile {
public:
    LanguageFile();
    LanguageFile& Set(const std::string& section, const std::string& key, const std::string& value);
    LanguageFile& Remove(const std::string& section, const std::string& key);
    std::string Text() const;
    void Install() const;  // Lang\Main.dat in the program folder
    void InstallIn(const std::string& programFolder) const;

private:
    struct Entry {
        std::string Section, Key, Value;
    };
    std::vector<Entry> entries_;
};

// Any bytes as the launcher's language file, scrambled as the installer leaves it.
void InstallLanguageBytes(const std::string& bytes, const std::string& programFolder = InstallFolder());
void MakeSkin(const std::string& folder);  // the generated demo skin, as <folder>\Main and \About
void CopyProgram(const std::string& name, const std::string& toFolder);
// A solid 24-bit bitmap file.
void WriteSolidBitmap(const std::string& path, int width, int height, COLORREF color);
std::string ReadAll(const std::string& path);  // empty when missing

// Every launcher test starts from the default texts and skin, with nothing opened for real.
class LauncherTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    LanguageFile language;
    MessageBoxRecorder boxes;
    AddressRecorder addresses;
    std::string folder;  // the program folder
};

}  // namespace kx::test
