// Number form and conversion shared by the parser and the variant conversions; internal.
#pragma once

#include <cstddef>
#include <string_view>

namespace kx::json {

// End of the number that starts exactly at pos, or npos when none does.
std::size_t MatchNumber(std::string_view text, std::size_t pos);

// A number rounded once from its text to each format: not the double of the long double,
// which would round twice.
struct ConvertedNumber {
    long double extended = 0;
    double nearest = 0;   // infinity beyond the double range
    double narrowed = 0;  // the long double's own double: other than nearest only on a tie
};

// Converts a matched number with '.' as the separator whatever the locale. False when its
// magnitude overflows long double; values too small to represent become zero.
bool ConvertNumber(std::string_view matched, ConvertedNumber& value);

}  // namespace kx::json
