// Number form and conversion shared by the parser and the variant conversions; internal.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kx::json {

// A number's text in its parts, as the form reads them.
struct NumberText {
    bool negative = false;
    std::string_view integer, fraction;  // the digit runs; no fraction is an empty one
    std::int64_t exponent = 0;           // saturated far beyond any magnitude that matters
    std::size_t end = 0;                 // past the number
};

// The number that starts exactly at pos; false when none does.
bool ScanNumber(std::string_view text, std::size_t pos, NumberText& number);

// End of the number that starts exactly at pos, or npos when none does.
std::size_t MatchNumber(std::string_view text, std::size_t pos);

// A number rounded once from its text to each format: not the double of the long double,
// which would round twice.
struct ConvertedNumber {
    long double extended = 0;
    double nearest = 0;   // infinity beyond the double range
    double narrowed = 0;  // the long double's own double: other than nearest only on a tie
};

// Converts a number with '.' as the separator whatever the locale, scanned or matched. False
// when its magnitude overflows long double; values too small to represent become zero.
bool ConvertNumber(const NumberText& number, ConvertedNumber& value);
bool ConvertNumber(std::string_view matched, ConvertedNumber& value);

}  // namespace kx::json
