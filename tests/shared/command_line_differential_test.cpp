// The command-line splitter against the platform's own, on the lines that tell them apart.
#include "Scoped.h"
#include "Text.h"

#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kx {
namespace {

std::vector<std::string> PlatformSplit(const std::string& line) {
    int count = 0;
    const Scoped<wchar_t**, LocalFree> wide(CommandLineToArgvW(ToWide(line).c_str(), &count));
    std::vector<std::string> out;
    for (int i = 0; i < count; ++i) out.push_back(FromWide(wide.get()[i]));
    return out;
}

TEST(CommandLineDifferential, SplitsAsThePlatformDoes) {
    for (const char* line : {R"("C:\Program Files\Valedict.exe" 0 "C:\My Files\Product.txt")",
                             "p.exe  \t a\tb  ", R"(p.exe "" a"b c"d)", "p.exe \"unclosed text",
                             R"(p C:\dir\ "C:\dir\\" a\\\"b)", R"(p \"quoted\" "say ""hi""")", R"(p \\\\"x y")",
                             R"(C:\a\p.exe x)", "p \xE4\xB8\xAD\xE6\x96\x87.txt \"\xE4\xB8\xAD \xE6\x96\x87\""})
        EXPECT_EQ(SplitCommandLine(line), PlatformSplit(line)) << line;
}

}  // namespace
}  // namespace kx
