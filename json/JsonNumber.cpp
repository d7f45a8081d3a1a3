// Decimal to long double and to double without the C library: its conversions either follow
// the locale's decimal separator or, on some targets, round through double. Each format is
// rounded to from the decimal itself, never from the other.
//
// Cost is linear in the digits. The magnitude is bounded from the digit count and the
// exponent first; then up to 38 leading digits are multiplied by a 128-bit approximation of
// the power of five, once rounded down and once up (the upper bound is needed only near a
// rounding point of either format). Only when the two bounds round differently is the value compared exactly,
// with every digit that can matter, against the halfway point between the two candidates.
#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#if defined(_MSC_VER) && defined(_M_X64)
#include <intrin.h>
#endif

#include "JsonNumber.h"

namespace kx::json {

namespace {

using Limits = std::numeric_limits<long double>;
static_assert(Limits::digits == 64 || Limits::digits == 53, "long double is the x87 extended or the IEEE double format");

// A binary format, rounded to on its own: each format gets one rounding from the text.
struct Format {
    int precision;
    int minExponent;  // of a normal value m * 2^e, 1 <= m < 2
    int maxExponent;
    int gridExponent;  // weight of the lowest subnormal bit
};

template <class T>
constexpr Format FormatOf() {
    using L = std::numeric_limits<T>;
    return {L::digits, L::min_exponent - 1, L::max_exponent - 1, L::min_exponent - L::digits};
}

constexpr Format kExtended = FormatOf<long double>();
constexpr Format kDouble = FormatOf<double>();

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int BitLength(std::uint64_t x) { return std::bit_width(x); }

// ---- 128-bit integers, of two halves: not every compiler has a type for them ----

struct Uint128 {
    std::uint64_t high = 0, low = 0;
    friend bool operator==(const Uint128&, const Uint128&) = default;
    friend auto operator<=>(const Uint128&, const Uint128&) = default;  // the high half first
};

constexpr Uint128 TopBit128{std::uint64_t{1} << 63, 0};

Uint128 Add(Uint128 a, std::uint64_t b) {
    const std::uint64_t low = a.low + b;
    return {a.high + (low < b ? 1 : 0), low};
}

Uint128 Subtract(Uint128 a, Uint128 b) { return {a.high - b.high - (a.low < b.low ? 1 : 0), a.low - b.low}; }

Uint128 ShiftLeft1(Uint128 a, bool in = false) { return {(a.high << 1) | (a.low >> 63), (a.low << 1) | (in ? 1 : 0)}; }

Uint128 ShiftRight1(Uint128 a) { return {a.high >> 1, (a.low >> 1) | (a.high << 63)}; }

Uint128 Multiply64(std::uint64_t a, std::uint64_t b) {
#if defined(__SIZEOF_INT128__)
    // One instruction where the compiler has the type.
    __extension__ using Native = unsigned __int128;
    const Native product = static_cast<Native>(a) * b;
    return {static_cast<std::uint64_t>(product >> 64), static_cast<std::uint64_t>(product)};
#elif defined(_MSC_VER) && defined(_M_X64)
    std::uint64_t high;
    const std::uint64_t low = _umul128(a, b, &high);
    return {high, low};
#else
    constexpr std::uint64_t Half = 0xFFFFFFFF;
    const std::uint64_t lowLow = (a & Half) * (b & Half), lowHigh = (a & Half) * (b >> 32);
    const std::uint64_t highLow = (a >> 32) * (b & Half), highHigh = (a >> 32) * (b >> 32);
    const std::uint64_t middle = (lowLow >> 32) + (lowHigh & Half) + (highLow & Half);
    return {highHigh + (lowHigh >> 32) + (highLow >> 32) + (middle >> 32), (middle << 32) | (lowLow & Half)};
#endif
}

// a * b in four 64-bit words, the lowest first.
std::array<std::uint64_t, 4> FullProduct(Uint128 a, Uint128 b) {
    const Uint128 lowLow = Multiply64(a.low, b.low), lowHigh = Multiply64(a.low, b.high);
    const Uint128 highLow = Multiply64(a.high, b.low), highHigh = Multiply64(a.high, b.high);
    const Uint128 middle = Add(Add({0, lowLow.high}, lowHigh.low), highLow.low);
    const Uint128 upper = Add(Add(Add({0, highHigh.low}, lowHigh.high), highLow.high), middle.high);
    return {lowLow.low, middle.low, upper.low, highHigh.high + upper.high};
}

// ---- little-endian base-2^32 integers ----

using Big = std::vector<std::uint32_t>;

void Trim(Big& a) {
    while (!a.empty() && a.back() == 0) a.pop_back();
}

void MulSmall(Big& a, std::uint32_t factor, std::uint32_t add = 0) {
    std::uint64_t carry = add;
    for (auto& word : a) {
        const std::uint64_t product = std::uint64_t{word} * factor + carry;
        word = static_cast<std::uint32_t>(product);
        carry = product >> 32;
    }
    if (carry) a.push_back(static_cast<std::uint32_t>(carry));
}

Big Multiply(const Big& a, const Big& b) {
    if (a.empty() || b.empty()) return {};
    Big out(a.size() + b.size(), 0);
    for (std::size_t i = 0; i < a.size(); ++i) {
        std::uint64_t carry = 0;
        for (std::size_t j = 0; j < b.size(); ++j) {
            const std::uint64_t t = std::uint64_t{a[i]} * b[j] + out[i + j] + carry;
            out[i + j] = static_cast<std::uint32_t>(t);
            carry = t >> 32;
        }
        out[i + b.size()] = static_cast<std::uint32_t>(carry);
    }
    Trim(out);
    return out;
}

int BitLength(const Big& a) {
    return a.empty() ? 0 : static_cast<int>(a.size() - 1) * 32 + BitLength(std::uint64_t{a.back()});
}

Big ShiftLeft(const Big& a, std::int64_t bits) {
    if (a.empty()) return {};
    Big out(static_cast<std::size_t>(bits / 32), 0);
    const int shift = static_cast<int>(bits % 32);
    std::uint32_t carry = 0;
    for (std::uint32_t word : a) {
        out.push_back(shift ? (word << shift) | carry : word);
        carry = shift ? word >> (32 - shift) : 0;
    }
    if (carry) out.push_back(carry);
    return out;
}

int Compare(const Big& a, const Big& b) {  // both trimmed
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    for (std::size_t i = a.size(); i-- > 0;)
        if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
    return 0;
}

Big FromUint128(Uint128 x) {
    Big out{static_cast<std::uint32_t>(x.low), static_cast<std::uint32_t>(x.low >> 32),
            static_cast<std::uint32_t>(x.high), static_cast<std::uint32_t>(x.high >> 32)};
    Trim(out);
    return out;
}

// ---- powers of five ----

// value ~ mantissa * 2^exponent with the top bit of the mantissa set.
struct Wide {
    Uint128 mantissa;
    int exponent;
};

// The top 128 bits, cut off.
Wide TopBits128(const Big& a) {
    const int length = BitLength(a);
    Uint128 mantissa;
    for (int bit = length - 1, taken = 0; taken < 128; --bit, ++taken)
        mantissa = ShiftLeft1(mantissa, bit >= 0 && ((a[static_cast<std::size_t>(bit / 32)] >> (bit % 32)) & 1u));
    return {mantissa, length - 128};
}

// floor(2^255 / divisor) for a divisor in (2^127, 2^128], by restoring division.
Uint128 DivideTopPower(Uint128 divisor) {
    Uint128 remainder, quotient;
    for (int bit = 255; bit >= 0; --bit) {
        const bool carry = remainder.high >> 63;
        remainder = ShiftLeft1(remainder, bit == 255);
        quotient = ShiftLeft1(quotient);
        if (carry || remainder >= divisor) {
            remainder = Subtract(remainder, divisor);  // the true difference is below 2^128
            quotient.low |= 1;
        }
    }
    return quotient;
}

// 5^-n from the leading 128 bits of 5^n, rounded down: a few units of its last bit low at
// most, with no big division.
Wide Reciprocal(const Big& power) {
    const Wide top = TopBits128(power);  // power lies in [top, top + 1) * 2^top.exponent when cut
    const bool cut = BitLength(power) > 128;
    // 2^255 / (top + cut) never exceeds 2^255 / (power / 2^top.exponent).
    const Uint128 divisor = Add(top.mantissa, cut ? 1 : 0);
    if (divisor == Uint128{}) return {TopBit128, -(top.exponent + 255)};  // top + 1 = 2^128
    return {DivideTopPower(divisor), -(top.exponent + 255)};
}

constexpr int kExactTableSize = 15;  // 5^(2^14): beyond any exponent the exact comparison needs
constexpr int kWideTableSize = 13;   // 5^(2^12): beyond any exponent with a finite, non-zero result

constexpr int kNearPowers = 64;  // 5^-64 to 5^64 are looked up whole

struct PowerTables {
    std::array<Wide, kWideTableSize> up;     // 5^(2^k), rounded down
    std::array<Wide, kWideTableSize> down;   // 5^-(2^k), rounded down
    std::array<Wide, 2 * kNearPowers + 1> near;  // 5^(n - kNearPowers), as PowerFromSquares gives them
};

Wide MultiplyWide(Wide a, Wide b);
Wide PowerFromSquares(const PowerTables& tables, int n);

// 5^(2^k) exactly, the first count of them.
std::vector<Big> SquaredPowersOfFive(int count) {
    std::vector<Big> powers{Big{5}};
    while (static_cast<int>(powers.size()) < count) powers.push_back(Multiply(powers.back(), powers.back()));
    return powers;
}

const PowerTables& Tables() {
    static const PowerTables tables = [] {
        PowerTables t;
        const std::vector<Big> exact = SquaredPowersOfFive(kWideTableSize);
        for (std::size_t k = 0; k < exact.size(); ++k) {
            t.up[k] = TopBits128(exact[k]);
            t.down[k] = Reciprocal(exact[k]);
        }
        for (int n = -kNearPowers; n <= kNearPowers; ++n) t.near[static_cast<std::size_t>(n + kNearPowers)] = PowerFromSquares(t, n);
        return t;
    }();
    return tables;
}

// Only the exact comparison needs them, rarely: built on first use.
const std::vector<Big>& ExactPowers() {
    static const std::vector<Big> powers = SquaredPowersOfFive(kExactTableSize);
    return powers;
}

Big PowerOfFive(std::int64_t n) {
    Big result{1};
    for (int k = 0; n; ++k, n >>= 1)
        if (n & 1) result = Multiply(result, ExactPowers()[static_cast<std::size_t>(k)]);
    return result;
}

// Product of two normalized mantissas, cut to the top 128 bits.
Wide MultiplyWide(Wide a, Wide b) {
    const std::array<std::uint64_t, 4> words = FullProduct(a.mantissa, b.mantissa);
    Uint128 high{words[3], words[2]};
    int exponent = a.exponent + b.exponent + 128;
    if (!(high.high >> 63)) {
        high = ShiftLeft1(high, words[1] >> 63);
        --exponent;
    }
    return {high, exponent};
}

// 5^n, never above the true value and less than 2^-118 of it below (each table entry and each
// product a few units of its last bit low).
Wide PowerFromSquares(const PowerTables& tables, int n) {
    const auto& table = n < 0 ? tables.down : tables.up;
    Wide result{TopBit128, -127};
    unsigned magnitude = static_cast<unsigned>(n < 0 ? -n : n);
    for (int k = 0; magnitude; ++k, magnitude >>= 1)
        if (magnitude & 1) result = MultiplyWide(result, table[static_cast<std::size_t>(k)]);
    return result;
}

Wide ApproximatePowerOfFive(int n) {
    const PowerTables& tables = Tables();
    if (n >= -kNearPowers && n <= kNearPowers) return tables.near[static_cast<std::size_t>(n + kNearPowers)];
    return PowerFromSquares(tables, n);
}

// ---- rounding ----

// The top 64 bits of a non-zero value, the bit after them, and whether any lower bit is set.
struct Truncated {
    std::uint64_t high;
    std::int64_t exponent;  // value ~ high * 2^exponent
    bool round;
    bool sticky;
    std::uint64_t below = 0;  // the 64 bits after high, the rounding bit first
};

// a * b * 2^exponent, both non-zero.
Truncated TruncatedProduct(Uint128 a, Uint128 b, std::int64_t exponent) {
    auto [w0, w1, w2, w3] = FullProduct(a, b);
    // Shifted up until its top bit is the top bit of w3: nothing is lost, and the parts of
    // the result are whole words then.
    std::int64_t length = 256;
    while (w3 == 0) {
        w3 = w2, w2 = w1, w1 = w0, w0 = 0;
        length -= 64;
    }
    const int zeros = std::countl_zero(w3);
    if (zeros) {
        w3 = w3 << zeros | w2 >> (64 - zeros);
        w2 = w2 << zeros | w1 >> (64 - zeros);
        w1 <<= zeros;  // what is left of it below w2; w0 stays below as a whole
        length -= zeros;
    }
    return {w3, exponent + length - 64, (w2 >> 63) != 0, (w2 << 1 | w1 | w0) != 0, w2};
}

// value = mantissa * 2^exponent in the one form each value has in a format: the exponent is
// the weight of the last mantissa bit the format keeps at that magnitude (its grid exponent
// for zero).
struct Rounded {
    std::uint64_t mantissa;
    std::int64_t exponent;
    friend bool operator==(const Rounded&, const Rounded&) = default;
};

template <const Format& F>
Rounded Normalized(Rounded r) {
    if (r.mantissa == 0) return {0, F.gridExponent};
    const std::int64_t top = r.exponent + BitLength(r.mantissa) - 1;
    const std::int64_t lowest = std::max<std::int64_t>(F.gridExponent, top - F.precision + 1);
    if (lowest > r.exponent) {  // a rounding carry: the dropped bits are zero
        r.mantissa >>= lowest - r.exponent;
        r.exponent = lowest;
    }
    return r;
}

// The next value up.
template <const Format& F>
Rounded Next(Rounded r) {
    if (r.mantissa == ~std::uint64_t{0}) return {std::uint64_t{1} << 63, r.exponent + 1};
    ++r.mantissa;
    return Normalized<F>(r);
}

// Bits a format keeps of a truncated value: fewer below the normal range.
template <const Format& F>
std::int64_t KeptBits(const Truncated& t) {
    const std::int64_t top = t.exponent + 63;
    return top >= F.minExponent ? F.precision : F.precision - (F.minExponent - top);
}

// To nearest, ties to even.
template <const Format& F>
Rounded Round(const Truncated& t) {
    const std::int64_t shift = 64 - KeptBits<F>(t);
    Rounded r{0, t.exponent + shift};
    bool round = false, sticky = false;
    if (shift == 0) {
        r.mantissa = t.high;
        round = t.round;
        sticky = t.sticky;
    } else if (shift < 64) {
        r.mantissa = t.high >> shift;
        round = (t.high >> (shift - 1)) & 1;
        sticky = t.round || t.sticky || (t.high & ((std::uint64_t{1} << (shift - 1)) - 1));
    } else if (shift == 64) {  // only the rounding bit is left, the top one
        round = true;
        sticky = t.round || t.sticky || (t.high << 1) != 0;
    }
    if (round && (sticky || (r.mantissa & 1))) return Next<F>(r);
    return Normalized<F>(r);
}

// Whether a value that lies above t by less than a few units of t's last bit rounds as t
// does in this format: its dropped bits are clear of the rounding points. Below the normal
// range it is never asked.
template <const Format& F>
bool RoundsAsLowerBound(const Truncated& t) {
    const std::int64_t kept = KeptBits<F>(t);
    if (kept != F.precision) return false;
    const std::uint64_t dropped = kept == 64 ? t.below : (t.high << kept) | (t.below >> (64 - kept));
    const std::uint64_t margin = std::uint64_t{1} << 16, half = std::uint64_t{1} << 63;
    const std::uint64_t fromHalf = dropped >= half ? dropped - half : half - dropped;
    return dropped > margin && dropped < ~margin && fromHalf > margin;
}

// Whether a non-zero value lies exactly halfway between two neighbours of the format: its
// lowest set bit is the one just below the last the format keeps at that magnitude.
template <const Format& F>
bool IsHalfway(const Rounded& r) {
    const std::int64_t top = r.exponent + BitLength(r.mantissa) - 1;
    const std::int64_t last = std::max<std::int64_t>(F.gridExponent, top - F.precision + 1);
    return r.exponent + std::countr_zero(r.mantissa) == last - 1;
}

template <const Format& F>
bool Overflows(const Rounded& r) {
    return r.mantissa && r.exponent + BitLength(r.mantissa) - 1 > F.maxExponent;
}

// Built from its bits, so that no FPU rounding is involved; infinity beyond the range.
double AssembleDouble(Rounded r) {
    if (Overflows<kDouble>(r)) return std::numeric_limits<double>::infinity();
    if (r.mantissa == 0) return 0.0;
    const int length = BitLength(r.mantissa);
    const std::int64_t top = r.exponent + length - 1;  // binary exponent of the leading bit
    std::uint64_t bits;
    if (top >= kDouble.minExponent) {
        bits = (static_cast<std::uint64_t>(top + 1023) << 52) | ((r.mantissa << (53 - length)) & ((std::uint64_t{1} << 52) - 1));
    } else {
        bits = r.mantissa << (r.exponent - kDouble.gridExponent);
    }
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

long double AssembleExtended(Rounded r) {
    if constexpr (kExtended.precision == 53) {
        return AssembleDouble(r);
    } else {
        if (r.mantissa == 0) return 0.0L;
        const int length = BitLength(r.mantissa);
        const std::int64_t top = r.exponent + length - 1;
        std::uint64_t significand;
        std::uint16_t biased;
        if (top >= kExtended.minExponent) {
            significand = r.mantissa << (64 - length);
            biased = static_cast<std::uint16_t>(top + 16383);
        } else {
            significand = r.mantissa << (r.exponent - kExtended.gridExponent);
            biased = 0;
        }
        unsigned char bytes[sizeof(long double)] = {};
        std::memcpy(bytes, &significand, 8);
        std::memcpy(bytes + 8, &biased, 2);
        long double value;
        std::memcpy(&value, bytes, sizeof value);
        return value;
    }
}

// ---- the decimal ----

// The significant digits d1..dn of 0.d1...dn * 10^scale, d1 and dn non-zero, spread over
// the integer and the fraction part of the text.
class Digits {
public:
    Digits(std::string_view integer, std::string_view fraction, std::size_t first, std::size_t count)
        : integer_(integer), fraction_(fraction), first_(first), count_(count) {}

    std::size_t Count() const { return count_; }
    Uint128 Leading(std::size_t count) const {
        std::uint64_t high = 0, low = 0;
        std::size_t k = 0;
        const std::size_t split = count > 19 ? count - 19 : 0;
        ForEach(count, [&](unsigned digit) {
            if (k++ < split) high = high * 10 + digit;
            else low = low * 10 + digit;
        });
        return Add(Multiply64(high, 10'000'000'000'000'000'000u), low);
    }
    Big Integer(std::size_t count) const {
        Big n;
        std::uint32_t chunk = 0, scale = 1;
        ForEach(count, [&](unsigned digit) {
            chunk = chunk * 10 + digit;
            scale *= 10;
            if (scale == 1'000'000'000u) {
                MulSmall(n, scale, chunk);
                chunk = 0, scale = 1;
            }
        });
        if (scale > 1) MulSmall(n, scale, chunk);
        return n;
    }

private:
    // The first count digits, in order, the integer part's first.
    template <class F>
    void ForEach(std::size_t count, F&& f) const {
        std::size_t i = first_;
        const std::size_t end = first_ + count;
        for (; i < end && i < integer_.size(); ++i) f(static_cast<unsigned>(integer_[i] - '0'));
        for (; i < end; ++i) f(static_cast<unsigned>(fraction_[i - integer_.size()] - '0'));
    }

    std::string_view integer_, fraction_;
    std::size_t first_, count_;
};

constexpr std::size_t kLeadingDigits = 38;  // 10^38 < 2^128

// A halfway point (2M+1) * 2^(e-1) has at most this many significant digits, so further
// digits only tell whether the value lies above it.
constexpr std::size_t kMaxHalfwayDigits = 11600;

// Sign of digits * 10^(scale - n) - (2M+1) * 2^(e-1).
int CompareWithHalfway(const Digits& digits, std::int64_t scale, const Rounded& below) {
    const std::size_t used = std::min(digits.Count(), kMaxHalfwayDigits);
    const std::int64_t decimalExponent = scale - static_cast<std::int64_t>(used);
    const std::int64_t binaryExponent = below.exponent - 1;
    Big value = digits.Integer(used);
    Big halfway = FromUint128({below.mantissa >> 63, (below.mantissa << 1) | 1});
    if (decimalExponent >= 0)
        value = Multiply(value, PowerOfFive(decimalExponent));
    else
        halfway = Multiply(halfway, PowerOfFive(-decimalExponent));
    const std::int64_t common = std::min(decimalExponent, binaryExponent);
    const int order = Compare(ShiftLeft(value, decimalExponent - common), ShiftLeft(halfway, binaryExponent - common));
    return order != 0 ? order : (used < digits.Count() ? 1 : 0);
}

constexpr int kExactPowers = 55;  // 5^55 < 2^128: up to it, a power of five and the products that build it are exact

// digits * 10^(scale - n), non-zero, from up to 38 leading digits times a power of five.
// The true value lies in [leading * five, (leading + cut) * (five + slack)): above the lower
// bound by less than 2^11 units of its 128th bit. The upper bound is needed only where that
// can cross a rounding point of a format, and is the same for both formats. With every digit
// used and a power of five that 128 bits hold, the lower bound is the value itself.
class Product {
public:
    Product(const Digits& digits, std::int64_t scale)
        : digits_(digits), scale_(scale), used_(std::min(digits.Count(), kLeadingDigits)),
          leading_(digits.Leading(used_)), power_(static_cast<int>(scale - static_cast<std::int64_t>(used_))),
          five_(ApproximatePowerOfFive(power_)), low_(TruncatedProduct(leading_, five_.mantissa, five_.exponent + power_)),
          exact_(used_ == digits.Count() && power_ >= 0 && power_ <= kExactPowers) {}

    template <const Format& F>
    Rounded Nearest() {
        Rounded result = Round<F>(low_);
        if (exact_ || RoundsAsLowerBound<F>(low_)) return result;
        if (Round<F>(High()) != result) {
            // The bounds are at most one step apart: the halfway point between them decides.
            const int order = CompareWithHalfway(digits_, scale_, result);
            if (order > 0 || (order == 0 && (result.mantissa & 1))) result = Next<F>(result);
        }
        return result;
    }

private:
    const Truncated& High() {
        if (!high_) {
            const std::uint64_t slack = std::uint64_t{1} << 10;
            const bool roomForSlack = five_.mantissa <= Uint128{~std::uint64_t{0}, ~std::uint64_t{0} - slack};
            const Uint128 fiveAbove = Add(roomForSlack ? five_.mantissa : ShiftRight1(five_.mantissa), slack);
            const bool cut = used_ < digits_.Count();
            high_ = TruncatedProduct(Add(leading_, cut ? 1 : 0), fiveAbove, five_.exponent + power_ + (roomForSlack ? 0 : 1));
        }
        return *high_;
    }

    const Digits& digits_;
    const std::int64_t scale_;
    const std::size_t used_;
    const Uint128 leading_;
    const int power_;  // 10^power = 5^power * 2^power
    const Wide five_;
    const Truncated low_;
    const bool exact_;
    std::optional<Truncated> high_;
};

// False when it overflows long double.
bool ConvertMagnitude(const Digits& digits, std::int64_t scale, ConvertedNumber& value) {
    Product product(digits, scale);
    const Rounded extended = product.Nearest<kExtended>();
    if (Overflows<kExtended>(extended)) return false;
    value.extended = AssembleExtended(extended);
    if constexpr (kExtended.precision == kDouble.precision) {
        value.nearest = value.narrowed = value.extended;
    } else {
        value.nearest = AssembleDouble(product.Nearest<kDouble>());
        value.narrowed = value.nearest;
        // Narrowing rounds as the text did unless the long double landed on a tie.
        if (IsHalfway<kDouble>(extended)) {
            const int zeros = std::countl_zero(extended.mantissa);
            value.narrowed = AssembleDouble(Round<kDouble>(Truncated{extended.mantissa << zeros, extended.exponent - zeros, false, false}));
        }
    }
    return true;
}

}  // namespace

bool ScanNumber(std::string_view text, std::size_t pos, NumberText& number) {
    const std::size_t n = text.size();
    std::size_t q = pos;
    const auto digits = [&] {
        const std::size_t begin = q;
        while (q < n && IsDigit(text[q])) ++q;
        return text.substr(begin, q - begin);
    };
    number = {};
    if (q < n && (text[q] == '+' || text[q] == '-')) number.negative = text[q++] == '-';
    number.integer = digits();
    if (number.integer.empty()) return false;
    if (q < n && text[q] == '.') {
        ++q;
        number.fraction = digits();
        if (number.fraction.empty()) return false;
    }
    if (q < n && (text[q] == 'e' || text[q] == 'E')) {
        ++q;
        bool negative = false;
        if (q < n && (text[q] == '+' || text[q] == '-')) negative = text[q++] == '-';
        const std::size_t begin = q;
        // Saturated, so that it cannot overflow itself.
        for (; q < n && IsDigit(text[q]); ++q)
            if (number.exponent < 1'000'000'000) number.exponent = number.exponent * 10 + (text[q] - '0');
        if (q == begin) return false;
        if (negative) number.exponent = -number.exponent;
    }
    number.end = q;
    return true;
}

std::size_t MatchNumber(std::string_view text, std::size_t pos) {
    NumberText number;
    return ScanNumber(text, pos, number) ? number.end : std::string_view::npos;
}

namespace {

// Both formats of a 64-bit integer, each exact or rounded once.
ConvertedNumber FromInteger(std::uint64_t integer) {
    // Exact in both, whatever precision the FPU is set to.
    if (integer >> std::numeric_limits<double>::digits == 0)
        return {static_cast<long double>(integer), static_cast<double>(integer), static_cast<double>(integer)};
    const int zeros = std::countl_zero(integer);
    const Truncated t{integer << zeros, -zeros, false, false};
    const double nearest = AssembleDouble(Round<kDouble>(t));
    return {AssembleExtended(Round<kExtended>(t)), nearest, nearest};  // exact in 64 bits, or the double itself
}

// The magnitude of a number.
bool ConvertUnsigned(std::string_view intPart, std::string_view fracPart, std::int64_t exponent, ConvertedNumber& value) {
    if (fracPart.empty() && exponent == 0 && intPart.size() <= 19) {
        std::uint64_t integer = 0;
        for (char c : intPart) integer = integer * 10 + static_cast<unsigned>(c - '0');
        value = FromInteger(integer);
        return true;
    }

    const std::size_t total = intPart.size() + fracPart.size();
    const auto digitAt = [&](std::size_t k) { return k < intPart.size() ? intPart[k] : fracPart[k - intPart.size()]; };
    std::size_t first = 0;
    while (first < total && digitAt(first) == '0') ++first;
    value = {};
    if (first == total) return true;
    std::size_t last = total - 1;
    while (digitAt(last) == '0') --last;
    // value = 0.d[first]...d[last] * 10^scale, so 10^(scale-1) <= value < 10^scale
    const std::int64_t scale = static_cast<std::int64_t>(intPart.size()) - static_cast<std::int64_t>(first) + exponent;

    if (scale - 1 > Limits::max_exponent10) return false;
    if (scale < Limits::min_exponent10 - 40) return true;  // below half the smallest subnormal
    return ConvertMagnitude(Digits(intPart, fracPart, first, last - first + 1), scale, value);
}

}  // namespace

bool ConvertNumber(const NumberText& number, ConvertedNumber& value) {
    if (!ConvertUnsigned(number.integer, number.fraction, number.exponent, value)) return false;
    if (number.negative) value = {-value.extended, -value.nearest, -value.narrowed};
    return true;
}

bool ConvertNumber(std::string_view matched, ConvertedNumber& value) {
    NumberText number;
    ScanNumber(matched, 0, number);
    return ConvertNumber(number, value);
}

}  // namespace kx::json
