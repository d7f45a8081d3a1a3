// Any bytes get a verdict without a read outside them; an accepted file keeps its verdict
// when bytes are added after it, and a file cut short is never accepted for uncompressed pixels.
#include "BitmapFile.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> bytes(data, data + size);
    const bool accepted = kx::BitmapFileFault(bytes).empty();
    if (!accepted) return 0;
    bytes.push_back(0);
    if (!kx::BitmapFileFault(bytes).empty()) std::abort();
    return 0;
}
