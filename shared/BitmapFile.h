// A check of a bitmap file's bytes before the platform's loader sees them: the loader trusts
// the headers and reads past the end of a file that claims more than it holds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kx {

// Empty when the headers, the colour table and the pixels all fit the file; otherwise why not.
std::string BitmapFileFault(const std::vector<std::uint8_t>& bytes);

}  // namespace kx
