// kxcipher: scrambles or unscrambles a file with the suite's key.
#include "FileEncryptUnit.h"
#include "Os.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc != 4 || (std::strcmp(argv[1], "encode") != 0 && std::strcmp(argv[1], "decode") != 0)) {
        std::fputs("usage: kxcipher encode|decode IN OUT\n", stderr);
        return 2;
    }
    try {
        kx::CipherFile(argv[2], argv[3], kx::SuiteCipherKey, std::strcmp(argv[1], "encode") == 0);
    } catch (const kx::FileError& error) {
        std::fprintf(stderr, "kxcipher: %s\n", error.what());
        return 1;
    }
    return 0;
}
