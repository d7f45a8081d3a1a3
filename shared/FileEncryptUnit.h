// The suite's resource-file cipher: a byte-wise autokey stream over whole files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kx {

struct CipherKey {
    std::uint16_t Multiplier;
    std::uint16_t Addend;
    std::uint16_t StartKey;
};

// The one key every scrambled file of the suite is made with.
inline constexpr CipherKey SuiteCipherKey{1573, 6841, 2459};

// Both return false, writing nothing, when the lengths differ.
bool DecodeBuffer(const std::uint8_t* source, std::uint32_t sourceLength, std::uint8_t* destination,
                  std::uint32_t destinationLength, CipherKey key);
bool EncodeBuffer(const std::uint8_t* source, std::uint32_t sourceLength, std::uint8_t* destination,
                  std::uint32_t destinationLength, CipherKey key);

// Reads the whole input and ciphers it in memory. File errors throw kx::FileError.
std::vector<std::uint8_t> CipherFileBytes(const std::string& inputPath, CipherKey key, bool encode);
// As CipherFileBytes, and replaces the output with the result.
bool CipherFile(const std::string& inputPath, const std::string& outputPath, CipherKey key, bool encode);
bool DecodeFile(const std::string& inputPath, const std::string& outputPath, CipherKey key);

}  // namespace kx
