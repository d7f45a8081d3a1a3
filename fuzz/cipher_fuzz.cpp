// The cipher round-trips every input both ways, and a change stays hidden before its position.
#include "FileEncryptUnit.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto n = static_cast<std::uint32_t>(size);
    std::vector<std::uint8_t> stored(size), plain(size);
    if (!kx::EncodeBuffer(data, n, stored.data(), n, kx::SuiteCipherKey)) std::abort();
    if (!kx::DecodeBuffer(stored.data(), n, plain.data(), n, kx::SuiteCipherKey)) std::abort();
    if (size && std::memcmp(plain.data(), data, size) != 0) std::abort();
    if (!kx::DecodeBuffer(data, n, plain.data(), n, kx::SuiteCipherKey)) std::abort();
    if (!kx::EncodeBuffer(plain.data(), n, stored.data(), n, kx::SuiteCipherKey)) std::abort();
    if (size && std::memcmp(stored.data(), data, size) != 0) std::abort();
    if (size > 1) {
        std::vector<std::uint8_t> changed(data, data + size), changedStored(size);
        const std::size_t at = data[0] % size;
        changed[at] ^= 0x80;
        kx::EncodeBuffer(changed.data(), n, changedStored.data(), n, kx::SuiteCipherKey);
        kx::EncodeBuffer(data, n, stored.data(), n, kx::SuiteCipherKey);
        if (std::memcmp(stored.data(), changedStored.data(), at) != 0 || stored[at] == changedStored[at]) std::abort();
    }
    return 0;
}
