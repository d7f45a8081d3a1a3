// kxcipher: scrambles or unscrambles a file with the suite's key.
#include "FileEncryptUnit.h"
#include "Os.h"

#ifdef _WIN32
#include "Text.h"
#include <windows.h>
#include <shellapi.h>
#endif

#include <cstdio>
#include <string>
#include <vector>

namespace {

// UTF-8 arguments on every platform, so that any file name can be given.
std::vector<std::string> Arguments(int argc, char** argv) {
#ifdef _WIN32
    (void)argc;
    (void)argv;
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> out;
    for (int i = 0; i < count; ++i) out.push_back(kx::FromWide(wide[i]));
    LocalFree(wide);
    return out;
#else
    return std::vector<std::string>(argv, argv + argc);
#endif
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args = Arguments(argc, argv);
    if (args.size() != 4 || (args[1] != "encode" && args[1] != "decode")) {
        std::fputs("usage: kxcipher encode|decode IN OUT\n", stderr);
        return 2;
    }
    try {
        kx::CipherFile(args[2], args[3], kx::SuiteCipherKey, args[1] == "encode");
    } catch (const kx::FileError& error) {
        std::fprintf(stderr, "kxcipher: %s\n", error.what());
        return 1;
    }
    return 0;
}
