#include "FileEncryptUnit.h"

#include "Os.h"

namespace kx {
namespace {

enum class Direction { Encode, Decode };

bool RunCipher(const std::uint8_t* source, std::uint32_t sourceLength, std::uint8_t* destination,
               std::uint32_t destinationLength, CipherKey key, Direction direction) {
    if (sourceLength != destinationLength) return false;
    std::uint16_t state = key.StartKey;
    for (std::uint32_t i = 0; i < sourceLength; ++i) {
        const auto mask = static_cast<std::uint8_t>(state >> 8);
        const std::uint8_t out = source[i] ^ mask;
        destination[i] = out;
        // The key always advances from the plain byte, whichever way the data flows.
        const std::uint8_t plain = direction == Direction::Decode ? out : source[i];
        const auto t = static_cast<std::uint16_t>((plain + (state & 0xFF)) & 0xFF);
        state = static_cast<std::uint16_t>(t * key.Multiplier + key.Addend);
    }
    return true;
}

}  // namespace

bool DecodeBuffer(const std::uint8_t* source, std::uint32_t sourceLength, std::uint8_t* destination,
                  std::uint32_t destinationLength, CipherKey key) {
    return RunCipher(source, sourceLength, destination, destinationLength, key, Direction::Decode);
}

bool EncodeBuffer(const std::uint8_t* source, std::uint32_t sourceLength, std::uint8_t* destination,
                  std::uint32_t destinationLength, CipherKey key) {
    return RunCipher(source, sourceLength, destination, destinationLength, key, Direction::Encode);
}

std::vector<std::uint8_t> CipherFileBytes(const std::string& inputPath, CipherKey key, bool encode) {
    const std::vector<std::uint8_t> input = os::ReadFileBytes(inputPath);
    if (input.size() > UINT32_MAX) throw FileError("The file \"" + inputPath + "\" is too large");
    std::vector<std::uint8_t> output(input.size());
    const auto length = static_cast<std::uint32_t>(input.size());
    if (encode)
        EncodeBuffer(input.data(), length, output.data(), length, key);
    else
        DecodeBuffer(input.data(), length, output.data(), length, key);
    return output;
}

bool CipherFile(const std::string& inputPath, const std::string& outputPath, CipherKey key, bool encode) {
    os::WriteFileBytes(outputPath, CipherFileBytes(inputPath, key, encode));
    return true;
}

bool DecodeFile(const std::string& inputPath, const std::string& outputPath, CipherKey key) {
    return CipherFile(inputPath, outputPath, key, false);
}

}  // namespace kx
