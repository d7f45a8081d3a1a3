// Compares the reader with the platform's own profile-file routine on generated files.
#include "Global.h"
#include "TempDir.h"
#include "Text.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <random>

namespace kx {
namespace {

std::string PlatformRead(const std::string& file, const std::string& section, const std::string& key) {
    std::wstring buffer(2048, L'\0');
    const DWORD length = GetPrivateProfileStringW(ToWide(section).c_str(), ToWide(key).c_str(), L"<default>",
                                                  buffer.data(), 2048, ToWide(file).c_str());
    buffer.resize(length);
    return FromWide(buffer);
}

struct Generated {
    std::string Text;
    std::vector<std::pair<std::string, std::string>> Queries;
};

// Sections and keys are drawn from small pools so that duplicates and case variants occur.
Generated Generate(std::mt19937& random) {
    const std::vector<std::string> sections = {"Main", "main", " Main ", "Product", "PRODUCT", "frmAbout"};
    const std::vector<std::string> keys = {"Title", "title", " Title ", "Company Name", "k", "K", "Type"};
    const std::vector<std::string> values = {"plain", "  padded  ", "\"quoted\"", "'single'", "\"\"twice\"\"",
                                             "\"open", "", ";semi", "a=b", "x\ty", std::string(2100, 'v'),
                                             "\"mixed'", "  \"spaced quotes\"  "};
    const std::vector<std::string> noise = {"just a line", "; comment line", "", "   ", "# hash=1"};
    Generated g;
    const std::string eol = random() % 2 ? "\r\n" : "\n";
    const int lines = 10 + static_cast<int>(random() % 30);
    for (int i = 0; i < lines; ++i) {
        switch (random() % 6) {
            case 0: g.Text += "[" + sections[random() % sections.size()] + "]" + eol; break;
            case 1: g.Text += noise[random() % noise.size()] + eol; break;
            default: {
                std::string separator = random() % 3 ? "=" : " = ";
                g.Text += keys[random() % keys.size()] + separator + values[random() % values.size()] + eol;
            }
        }
    }
    for (const std::string& s : sections)
        for (const std::string& k : keys) g.Queries.emplace_back(s, k);
    return g;
}

TEST(ProfileDifferential, ReaderAgreesWithThePlatformOnGeneratedFiles) {
    test::TempDir dir;
    std::mt19937 random(2026);
    int compared = 0;
    for (int n = 0; n < 150; ++n) {
        const Generated g = Generate(random);
        const std::string file = dir.Write("gen" + std::to_string(n) + ".ini", g.Text);
        const IniReader reader(file);
        for (const auto& [section, key] : g.Queries) {
            EXPECT_EQ(reader.ReadText(section, key, "<default>"), PlatformRead(file, section, key))
                << "file " << n << " [" << section << "] " << key << "\n" << g.Text;
            ++compared;
        }
    }
    EXPECT_GT(compared, 1000);
}

// Where the platform under test is not Windows itself, Windows' documented behaviour is the rule.
TEST(ProfileDifferential, WindowsRulesWhereEmulationsDiffer) {
    test::TempDir dir;
    const IniReader reader(dir.Write("rules.ini", "[a]b]\nk=v\n[s]\n;c=1\n"));
    EXPECT_EQ(reader.ReadText("a", "k", "d"), "v");
    EXPECT_EQ(reader.ReadText("s", ";c", "d"), "d");
}

}  // namespace
}  // namespace kx
