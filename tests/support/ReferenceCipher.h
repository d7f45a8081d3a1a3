// The suite's cipher written independently of the product code (32-bit arithmetic,
// explicit reductions), for checking the product and the tools against it.
#pragma once

#include <cstdint>
#include <vector>

namespace kx::test {

inline std::vector<std::uint8_t> ReferenceEncode(const std::vector<std::uint8_t>& plain) {
    std::vector<std::uint8_t> out;
    std::uint32_t key = 2459;
    for (std::uint8_t p : plain) {
        out.push_back(static_cast<std::uint8_t>(p ^ ((key >> 8) & 0xFF)));
        const std::uint32_t low = key % 256;
        key = (((p + low) % 256) * 1573u + 6841u) % 65536u;
    }
    return out;
}

}  // namespace kx::test
