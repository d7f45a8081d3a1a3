// kxcipher: scrambles or unscrambles a file with the suite's key.
#include "FileEncryptUnit.h"
#include "Os.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    const std::vector<std::string> args = kx::os::CommandLineArguments(argc, argv);
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
