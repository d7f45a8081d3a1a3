// kxinibench FILE SECTION KEY [COUNT]: the cost of one lookup with IniReader (file read once),
// ReadIniValue (file read every time) and the platform's GetPrivateProfileStringW.
#include "Global.h"
#include "Os.h"
#include "Text.h"

#include <windows.h>

#include <cstdio>
#include <functional>
#include <string>

namespace {

double MicrosecondsPerCall(int count, const std::function<void()>& call) {
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    call();
    QueryPerformanceCounter(&start);
    for (int i = 0; i < count; ++i) call();
    QueryPerformanceCounter(&end);
    return 1e6 * static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart) / count;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args = kx::os::CommandLineArguments(argc, argv);
    if (args.size() < 4) {
        std::fputs("usage: kxinibench FILE SECTION KEY [COUNT]\n", stderr);
        return 2;
    }
    const std::string &file = args[1], &section = args[2], &key = args[3];
    const int count = args.size() > 4 ? std::atoi(args[4].c_str()) : 2000;
    const kx::IniReader reader(file);
    std::string sink;
    const std::wstring wideFile = kx::ToWide(file), wideSection = kx::ToWide(section), wideKey = kx::ToWide(key);
    const double readerCost = MicrosecondsPerCall(count, [&] { sink = reader.ReadText(section, key, "???"); });
    const double lookupCost = MicrosecondsPerCall(count, [&] { sink = kx::ReadIniValue(file, section, key); });
    const double platformCost = MicrosecondsPerCall(count, [&] {
        wchar_t buffer[2048];
        GetPrivateProfileStringW(wideSection.c_str(), wideKey.c_str(), L"???", buffer, 2048, wideFile.c_str());
    });
    std::printf("%-28s %10s %12s\n", "per lookup", "us", "x platform");
    std::printf("%-28s %10.2f %12.3f\n", "IniReader::ReadText", readerCost, readerCost / platformCost);
    std::printf("%-28s %10.2f %12.3f\n", "ReadIniValue", lookupCost, lookupCost / platformCost);
    std::printf("%-28s %10.2f %12.3f\n", "GetPrivateProfileStringW", platformCost, 1.0);
    return 0;
}
