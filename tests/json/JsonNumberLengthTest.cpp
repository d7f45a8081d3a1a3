// Numbers of any length: hostile megabyte documents, and halfway points written out in full.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

#include "uQvJSON.h"

namespace kx {
namespace {

constexpr std::size_t kMegabyte = 1u << 20;

#ifdef __GLIBC__
constexpr bool kLibraryRoundsLongInputs = true;
#else
constexpr bool kLibraryRoundsLongInputs = false;  // MinGW's strtold misrounds thousands of digits
#endif

// A megabyte list of the same number; every element has to convert like the C library does
// with the short text of the same value (not every C library rounds long inputs exactly).
void ExpectWholeListConverts(const std::string& number, const std::string& shortForm) {
    std::string text = "[";
    while (text.size() + number.size() + 2 <= kMegabyte) text += number + ",";
    text.back() = ']';
    const auto doc = TqvJSON::ParseDocument(text);
    ASSERT_NE(doc, nullptr) << number.substr(0, 40);
    const auto& list = dynamic_cast<const TqvJSONlist&>(*doc);
    const long double expected = std::strtold(shortForm.c_str(), nullptr);
    ASSERT_EQ(list.ItemCount(), static_cast<std::int32_t>((text.size() - 1) / (number.size() + 1)));
    for (std::int32_t i = 0; i < list.ItemCount(); i += 997) ASSERT_EQ(list.RealAt(i), expected) << i;
}

TEST(JsonNumberCost, MegabyteDocumentsOfHostileNumbersParse) {
    for (const char* number : {"1e4932", "-1.18973149535723176502e+4932", "1e-4900", "3.6451995318824746025e-4951"})
        ExpectWholeListConverts(number, number);
    std::mt19937 random(7);
    std::string mantissa;
    for (int i = 0; i < 1000; ++i) mantissa += static_cast<char>('1' + random() % 9);
    // Forty digits decide the rounding of these (they are nowhere near a halfway point).
    ExpectWholeListConverts(mantissa, mantissa.substr(0, 40) + "e960");
    ExpectWholeListConverts("0." + mantissa + "e-4000", "0." + mantissa.substr(0, 40) + "e-4000");
    ExpectWholeListConverts("0." + std::string(100000, '0') + "1", "0");
    ExpectWholeListConverts("1" + std::string(100000, '0') + "e-100000", "1");
}

TEST(JsonNumberCost, OneNumberAsLongAsTheWholeDocument) {
    const std::string digits(kMegabyte - 2, '7');
    const auto doc = TqvJSON::ParseDocument("0." + digits);
    ASSERT_NE(doc, nullptr);
    // Nowhere near a halfway point, so a hundred digits round the same way.
    EXPECT_EQ(dynamic_cast<const TqvJSONnumber&>(*doc).Number, std::strtold(("0." + digits.substr(0, 100)).c_str(), nullptr));
    EXPECT_EQ(TqvJSON::ParseDocument(digits), nullptr);  // about 10^1048574: overflow
}

// An unsigned big number in base 10^9, enough to write a halfway point out in full.
class Decimal {
public:
    explicit Decimal(std::uint64_t value) {
        for (; value; value /= kBase) limbs_.push_back(static_cast<std::uint32_t>(value % kBase));
    }
    void MultiplyAdd(std::uint32_t factor, std::uint32_t add) {
        std::uint64_t carry = add;
        for (auto& limb : limbs_) {
            const std::uint64_t product = std::uint64_t{limb} * factor + carry;
            limb = static_cast<std::uint32_t>(product % kBase);
            carry = product / kBase;
        }
        for (; carry; carry /= kBase) limbs_.push_back(static_cast<std::uint32_t>(carry % kBase));
    }
    void MultiplyByPower(std::uint32_t base, int exponent) {
        std::uint32_t chunk = 1;
        int chunkExponent = 0;
        while (chunk <= 0xFFFFFFFFu / base / base) chunk *= base, ++chunkExponent;
        for (; exponent >= chunkExponent; exponent -= chunkExponent) MultiplyAdd(chunk, 0);
        for (; exponent > 0; --exponent) MultiplyAdd(base, 0);
    }
    std::string Text() const {
        std::string text = std::to_string(limbs_.back());
        for (std::size_t i = limbs_.size() - 1; i-- > 0;) {
            const std::string limb = std::to_string(limbs_[i]);
            text += std::string(9 - limb.size(), '0') + limb;
        }
        return text;
    }

private:
    static constexpr std::uint32_t kBase = 1'000'000'000;
    std::vector<std::uint32_t> limbs_;
};

// The digits of (2m+1) * 2^power and the decimal exponent that goes with them.
std::pair<std::string, int> Halfway(std::uint64_t m, int power) {
    Decimal value(m);
    value.MultiplyAdd(2, 1);
    if (power >= 0) {
        value.MultiplyByPower(2, power);
        return {value.Text(), 0};
    }
    value.MultiplyByPower(5, -power);  // 2^-k = 5^k * 10^-k
    return {value.Text(), power};
}

// The digit string one unit lower in its last place.
std::string Decremented(std::string digits) {
    std::size_t i = digits.size();
    while (digits[--i] == '0') digits[i] = '9';
    --digits[i];
    return digits;
}

// What a parsed number reads as in format T: RealAt's long double or ReadVariant's double.
template <class T>
T Parsed(const std::string& text) {
    const auto doc = TqvJSON::ParseDocument(text);
    const auto* number = dynamic_cast<const TqvJSONnumber*>(doc.get());
    if (!number) return std::numeric_limits<T>::quiet_NaN();
    if constexpr (std::is_same_v<T, double>) return std::get<double>(number->ReadVariant());
    else return number->Number;
}

template <class T>
T Reference(const std::string& text) {
    if constexpr (std::is_same_v<T, double>) return std::strtod(text.c_str(), nullptr);
    else return std::strtold(text.c_str(), nullptr);
}

template <class T>
struct Range {
    static constexpr int bits = std::numeric_limits<T>::digits;
    static constexpr int lowest = std::numeric_limits<T>::min_exponent - bits;  // of the last mantissa bit
    static constexpr int highest = std::numeric_limits<T>::max_exponent - bits;
    static constexpr std::uint64_t top = bits == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << bits) - 1;
};

// For neighbours a = m * 2^e and b = (m+1) * 2^e in format T: just below their halfway point
// gives a, just above it b, and the point itself the one with the even mantissa, however many
// digits it takes to write. Just off the point is where a wider format lands on it exactly.
template <class T>
void ExpectHalfwayRounding(std::uint64_t m, int e) {
    const auto [digits, exponent] = Halfway(m, e - 1);
    const auto scientific = [](std::string mantissa, int power) { return mantissa.append("e").append(std::to_string(power)); };
    const std::string exact = scientific(digits, exponent);
    const std::string above = scientific(digits + std::string(50, '0') + "1", exponent - 51);
    const std::string below = scientific(Decremented(digits) + std::string(60, '9'), exponent - 60);
    const T a = std::ldexp(static_cast<T>(m), e);
    const T b = m == Range<T>::top && e == Range<T>::highest ? std::numeric_limits<T>::infinity()
                                                               : std::ldexp(static_cast<T>(m + 1), e);
    const std::string label = std::to_string(Range<T>::bits) + " bits, " + std::to_string(digits.size()) +
                              " digits, m=" + std::to_string(m) + " e=" + std::to_string(e);
    EXPECT_EQ(Parsed<T>(below), a) << label;
    EXPECT_EQ(Parsed<T>(above), b) << label;
    EXPECT_EQ(Parsed<T>(exact), m % 2 ? b : a) << label;
    if (kLibraryRoundsLongInputs) {  // the reference agrees on the expectations themselves
        EXPECT_EQ(Reference<T>(below), a) << label;
        EXPECT_EQ(Reference<T>(above), b) << label;
        EXPECT_EQ(Reference<T>(exact), m % 2 ? b : a) << label;
    }
}

template <class T>
void ExpectHalfwayRoundingOverTheRange(std::uint64_t seed) {
    using R = Range<T>;
    std::mt19937_64 random(seed);
    const auto mantissa = [&] {
        const std::uint64_t m = random() >> (64 - R::bits) | std::uint64_t{1} << (R::bits - 1);
        return random() % 2 ? m : m - 1;  // even and odd ones, at the top of the mantissa range too
    };
    // Fractions of hundreds to thousands of digits (2^-k takes about 0.7 k of them) and
    // integers up to the top of the range (2^k about 0.3 k).
    const int fractions = -R::lowest / 2, integers = R::highest - R::highest / 3;
    for (int i = 0; i < 12; ++i) {
        ExpectHalfwayRounding<T>(mantissa(), R::lowest / 4 - static_cast<int>(random() % static_cast<unsigned>(fractions)));
        ExpectHalfwayRounding<T>(mantissa(), R::highest / 3 + static_cast<int>(random() % static_cast<unsigned>(integers)));
        ExpectHalfwayRounding<T>(mantissa(), static_cast<int>(random() % 120) - 60 - R::bits);  // near 1, short
    }
    ExpectHalfwayRounding<T>(R::top - 1, R::highest);  // up to the largest value
    // Half the smallest subnormal ties to zero; the largest subnormal meets the smallest normal.
    ExpectHalfwayRounding<T>(0, R::lowest);
    ExpectHalfwayRounding<T>(1, R::lowest);
    ExpectHalfwayRounding<T>(0x123456789ABCDEFu >> (64 - R::bits + 4), R::lowest);
    ExpectHalfwayRounding<T>((std::uint64_t{1} << (R::bits - 1)) - 1, R::lowest);
}

// Ties of up to a hundred digits, in full and in scientific form: the shorter ones are
// written by all their digits, the longer ones only begun by those that are read first. Many
// end in zeros: with 2m+1 = q * 5^k, (2m+1) * 2^(e-1) ends in k of them once e > k, which
// leaves the digits before them times a positive power of ten.
template <class T>
void ExpectHalfwayRoundingUpToAHundredDigits(std::uint64_t seed) {
    using R = Range<T>;
    __extension__ using Wide = unsigned __int128;
    std::mt19937_64 random(seed);
    const Wide lowest = Wide{1} << R::bits, highest = (Wide{1} << (R::bits + 1)) - 1;  // of 2m+1
    for (int i = 0; i < 300; ++i) {
        const int k = static_cast<int>(random() % (R::bits == 64 ? 27 : 22));
        Wide five = 1;
        for (int j = 0; j < k; ++j) five *= 5;
        const Wide first = (lowest + five - 1) / five, last = highest / five;
        const Wide q = (first + random() % static_cast<std::uint64_t>(last - first)) | 1;
        const auto m = static_cast<std::uint64_t>((q * five - 1) / 2);
        const int e = 1 + static_cast<int>(random() % (i % 2 ? 40 : 250));
        ExpectHalfwayRounding<T>(m, e);
        const std::string digits = Halfway(m, e - 1).first;
        const std::string scientific = digits.substr(0, 1) + "." + digits.substr(1) + "e" + std::to_string(digits.size() - 1);
        const T tie = m % 2 ? std::ldexp(static_cast<T>(m + 1), e) : std::ldexp(static_cast<T>(m), e);
        EXPECT_EQ(Parsed<T>(scientific), tie) << scientific;
        if (kLibraryRoundsLongInputs) {
            EXPECT_EQ(Reference<T>(scientific), tie) << scientific;
        }
    }
}

TEST(JsonNumberRounding, HalfwayPointsOfUpToAHundredDigitsInBothFormats) {
    ExpectHalfwayRoundingUpToAHundredDigits<long double>(55);
    ExpectHalfwayRoundingUpToAHundredDigits<double>(53);
}

TEST(JsonNumberRounding, HalfwayPointsOfTheLongDoubleAtAnyLength) {
    ExpectHalfwayRoundingOverTheRange<long double>(2024);
    // Past the halfway point to overflow, the number does not parse at all.
    const auto [digits, exponent] = Halfway(Range<long double>::top, Range<long double>::highest - 1);
    EXPECT_NE(TqvJSON::ParseDocument(Decremented(digits) + "9e" + std::to_string(exponent - 1)), nullptr);
    EXPECT_EQ(TqvJSON::ParseDocument(digits), nullptr);
}

TEST(JsonNumberRounding, HalfwayPointsOfTheDoubleAtAnyLength) {
    ExpectHalfwayRoundingOverTheRange<double>(1848);
    // From the largest double towards 2^1024: within the long double range, so it parses.
    ExpectHalfwayRounding<double>(Range<double>::top, Range<double>::highest);
    // 1 + 2^-53 and a little: the long double is the tie itself, the double rounds up.
    EXPECT_EQ(Parsed<double>("1.00000000000000011102230246251565404236316680908203126"), 1.0000000000000002);
    EXPECT_EQ(Parsed<double>("1.00000000000000011102230246251565404236316680908203125"), 1.0);
    EXPECT_EQ(Parsed<double>("1.00000000000000011102230246251565404236316680908203124"), 1.0);
}

}  // namespace
}  // namespace kx
