// Decimal to long double without the C library: its conversions either follow the locale's
// decimal separator or, on some targets, round through double.
#include <algorithm>
#include <array>
#include <cfloat>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "JsonNumber.h"

namespace kx::json {

namespace {

using Limits = std::numeric_limits<long double>;
constexpr int kPrecision = Limits::digits;
static_assert(kPrecision == 64 || kPrecision == 53, "long double is the x87 extended or the IEEE double format");
constexpr int kMinExponent = Limits::min_exponent - 1;  // of a normal value m * 2^e, 1 <= m < 2
constexpr int kMaxExponent = Limits::max_exponent - 1;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// ---- fast path ----

// Clinger: a mantissa and a power of ten that are both exact give a correctly rounded
// result with one multiplication or division.
constexpr std::uint64_t kMaxExactMantissa =
    kPrecision >= 64 ? std::numeric_limits<std::uint64_t>::max() : (std::uint64_t{1} << kPrecision) - 1;
constexpr int kMaxFastDigits = 19;  // 10^19 - 1 still fits in 64 bits

constexpr int MaxExactPowerOfTen() {
    int k = 0;  // 10^k is exact while 5^k fits the mantissa
    std::uint64_t five = 1;
    while (k < 27 && five <= kMaxExactMantissa / 5) {
        five *= 5;
        ++k;
    }
    return k;
}
constexpr int kMaxExactPower = MaxExactPowerOfTen();

constexpr std::array<long double, 28> kPowersOfTen = [] {
    std::array<long double, 28> powers{};
    long double power = 1;
    for (auto& entry : powers) {
        entry = power;
        power *= 10;
    }
    return powers;
}();

// The x87 precision control can be lowered (some run-times start with 53 bits); then the
// fast path would round twice.
bool ArithmeticIsFullPrecision() {
    volatile long double one = 1.0L;
    volatile long double epsilon = LDBL_EPSILON;
    return one + epsilon != one;
}

// ---- exact path: little-endian base-2^32 integers ----

using Big = std::vector<std::uint32_t>;

void MulSmall(Big& a, std::uint32_t factor, std::uint32_t add = 0) {
    std::uint64_t carry = add;
    for (auto& word : a) {
        const std::uint64_t product = std::uint64_t{word} * factor + carry;
        word = static_cast<std::uint32_t>(product);
        carry = product >> 32;
    }
    if (carry) a.push_back(static_cast<std::uint32_t>(carry));
}

void MulPowerOfTen(Big& a, int exponent) {
    for (; exponent >= 9; exponent -= 9) MulSmall(a, 1'000'000'000u);
    static constexpr std::uint32_t kSmall[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};
    if (exponent > 0) MulSmall(a, kSmall[exponent]);
}

int BitLength(const Big& a) {
    for (std::size_t i = a.size(); i-- > 0;) {
        if (a[i]) {
            int bits = 0;
            for (std::uint32_t w = a[i]; w; w >>= 1) ++bits;
            return static_cast<int>(i) * 32 + bits;
        }
    }
    return 0;
}

bool Bit(const Big& a, int index) {
    if (index < 0) return false;
    const auto word = static_cast<std::size_t>(index / 32);
    return word < a.size() && ((a[word] >> (index % 32)) & 1u);
}

bool AnyBitBelow(const Big& a, int index) {
    if (index <= 0) return false;
    const auto whole = static_cast<std::size_t>(index / 32);
    for (std::size_t i = 0; i < whole && i < a.size(); ++i)
        if (a[i]) return true;
    const int rest = index % 32;
    return rest && whole < a.size() && (a[whole] & ((1u << rest) - 1));
}

Big ShiftLeft(const Big& a, int bits) {
    Big out(static_cast<std::size_t>(bits / 32), 0);
    const int shift = bits % 32;
    std::uint32_t carry = 0;
    for (std::uint32_t word : a) {
        out.push_back(shift ? (word << shift) | carry : word);
        carry = shift ? word >> (32 - shift) : 0;
    }
    if (carry) out.push_back(carry);
    return out;
}

void ShiftRightOne(Big& a) {
    for (std::size_t i = 0; i < a.size(); ++i) {
        a[i] >>= 1;
        if (i + 1 < a.size()) a[i] |= a[i + 1] << 31;
    }
}

int Compare(const Big& a, const Big& b) {
    const std::size_t n = std::max(a.size(), b.size());
    for (std::size_t i = n; i-- > 0;) {
        const std::uint32_t x = i < a.size() ? a[i] : 0;
        const std::uint32_t y = i < b.size() ? b[i] : 0;
        if (x != y) return x < y ? -1 : 1;
    }
    return 0;
}

void Subtract(Big& a, const Big& b) {  // a >= b
    std::int64_t borrow = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        std::int64_t difference = std::int64_t{a[i]} - (i < b.size() ? b[i] : 0) - borrow;
        borrow = difference < 0;
        a[i] = static_cast<std::uint32_t>(difference + (borrow << 32));
    }
}

bool IsZero(const Big& a) {
    return std::all_of(a.begin(), a.end(), [](std::uint32_t w) { return w == 0; });
}

// The top 64 bits of a non-zero value, the bit after them, and whether any lower bit is set.
struct Truncated {
    std::uint64_t high;
    int exponent;  // value ~ high * 2^exponent
    bool round;
    bool sticky;
};

Truncated TopBits(const Big& a) {
    const int length = BitLength(a);
    Truncated t{0, length - 64, false, false};
    for (int i = 0; i < 64; ++i) t.high = (t.high << 1) | (Bit(a, length - 1 - i) ? 1u : 0u);
    if (length > 64) {
        t.round = Bit(a, length - 65);
        t.sticky = AnyBitBelow(a, length - 65);
    }
    return t;
}

// Builds M * 2^exponent, M < 2^kPrecision, from its bits so that no FPU rounding is involved.
long double Assemble(std::uint64_t mantissa, int exponent) {
    if (mantissa == 0) return 0.0L;
    int length = 0;
    for (std::uint64_t m = mantissa; m; m >>= 1) ++length;
    if (length > kPrecision) {  // a rounding carry: the dropped bits are zero
        mantissa >>= length - kPrecision;
        exponent += length - kPrecision;
        length = kPrecision;
    }
    const int top = exponent + length - 1;  // binary exponent of the leading bit
    if constexpr (kPrecision == 64) {
        std::uint64_t significand;
        std::uint16_t biased;
        if (top >= kMinExponent) {
            significand = mantissa << (64 - length);
            biased = static_cast<std::uint16_t>(top + 16383);
        } else {
            significand = mantissa << (exponent - (kMinExponent - 63));
            biased = 0;
        }
        unsigned char bytes[sizeof(long double)] = {};
        std::memcpy(bytes, &significand, 8);
        std::memcpy(bytes + 8, &biased, 2);
        long double value;
        std::memcpy(&value, bytes, sizeof value);
        return value;
    } else {
        std::uint64_t bits;
        if (top >= kMinExponent) {
            bits = (static_cast<std::uint64_t>(top + 1023) << 52) | ((mantissa << (53 - length)) & ((std::uint64_t{1} << 52) - 1));
        } else {
            bits = mantissa << (exponent - (kMinExponent - 52));
        }
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
}

// Rounds the truncated value once, to nearest with ties to even, at the precision its
// magnitude allows (fewer bits below the normal range). False on overflow.
bool Round(Truncated t, long double& value) {
    const int top = t.exponent + 63;
    int precision = kPrecision;
    if (top < kMinExponent) precision = kPrecision - (kMinExponent - top);
    if (precision < 0) {
        value = 0;
        return true;
    }
    std::uint64_t mantissa;
    bool round, sticky;
    const int shift = 64 - precision;
    if (shift == 0) {
        mantissa = t.high;
        round = t.round;
        sticky = t.sticky;
    } else if (shift == 64) {
        mantissa = 0;
        round = (t.high >> 63) & 1;
        sticky = t.round || t.sticky || (t.high & ~(std::uint64_t{1} << 63));
    } else {
        mantissa = t.high >> shift;
        round = (t.high >> (shift - 1)) & 1;
        sticky = t.round || t.sticky || (t.high & ((std::uint64_t{1} << (shift - 1)) - 1));
    }
    int exponent = t.exponent + shift;
    if (round && (sticky || (mantissa & 1))) {
        // A carry out of fewer than 64 bits just lengthens the mantissa by one.
        if (++mantissa == 0) {
            mantissa = std::uint64_t{1} << 63;
            ++exponent;
        }
    }
    if (mantissa == 0) {
        value = 0;
        return true;
    }
    int length = 0;
    for (std::uint64_t m = mantissa; m; m >>= 1) ++length;
    if (exponent + length - 1 > kMaxExponent) return false;
    value = Assemble(mantissa, exponent);
    return true;
}

// digits * 10^power, where inexact says non-zero digits were cut off after these.
bool ConvertExactly(std::string_view digits, bool inexact, int power, long double& value) {
    Big n;
    std::size_t i = 0;
    for (; i + 9 <= digits.size(); i += 9) {
        std::uint32_t chunk = 0;
        for (std::size_t k = i; k < i + 9; ++k) chunk = chunk * 10 + static_cast<std::uint32_t>(digits[k] - '0');
        MulSmall(n, 1'000'000'000u, chunk);
    }
    for (; i < digits.size(); ++i) MulSmall(n, 10, static_cast<std::uint32_t>(digits[i] - '0'));

    Truncated t;
    if (power >= 0) {
        MulPowerOfTen(n, power);
        t = TopBits(n);
    } else {
        Big divisor{1};
        MulPowerOfTen(divisor, -power);
        // Enough quotient bits for 64 significant ones and the rounding bit.
        const int extra = std::max(0, BitLength(divisor) - BitLength(n) + 65);
        Big remainder = ShiftLeft(n, extra);
        const int steps = BitLength(remainder) - BitLength(divisor);
        Big quotient(static_cast<std::size_t>(steps / 32 + 1), 0);
        Big shifted = ShiftLeft(divisor, std::max(steps, 0));
        for (int bit = steps; bit >= 0; --bit) {
            if (Compare(remainder, shifted) >= 0) {
                Subtract(remainder, shifted);
                quotient[static_cast<std::size_t>(bit / 32)] |= 1u << (bit % 32);
            }
            ShiftRightOne(shifted);
        }
        t = TopBits(quotient);
        t.exponent -= extra;
        t.sticky = t.sticky || !IsZero(remainder);
    }
    // Cut-off digits lie strictly between this value and the next.
    t.sticky = t.sticky || inexact;
    return Round(t, value);
}

// Beyond this many significant digits only the fact that more non-zero digits follow counts.
constexpr std::size_t kMaxExactDigits = 1000;

}  // namespace

std::size_t MatchNumber(std::string_view text, std::size_t pos) {
    const std::size_t n = text.size();
    std::size_t q = pos;
    const auto digits = [&] {
        const std::size_t begin = q;
        while (q < n && IsDigit(text[q])) ++q;
        return q > begin;
    };
    if (q < n && (text[q] == '+' || text[q] == '-')) ++q;
    if (!digits()) return std::string_view::npos;
    if (q < n && text[q] == '.') {
        ++q;
        if (!digits()) return std::string_view::npos;
    }
    if (q < n && (text[q] == 'e' || text[q] == 'E')) {
        ++q;
        if (q < n && (text[q] == '+' || text[q] == '-')) ++q;
        if (!digits()) return std::string_view::npos;
    }
    return q;
}

bool ConvertNumber(std::string_view s, long double& value) {
    std::size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    const std::size_t intBegin = i;
    while (i < s.size() && IsDigit(s[i])) ++i;
    const std::string_view intPart = s.substr(intBegin, i - intBegin);
    std::string_view fracPart;
    if (i < s.size() && s[i] == '.') {
        const std::size_t fracBegin = ++i;
        while (i < s.size() && IsDigit(s[i])) ++i;
        fracPart = s.substr(fracBegin, i - fracBegin);
    }
    std::int64_t exponent = 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        bool exponentNegative = false;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) exponentNegative = s[i++] == '-';
        // Saturated far beyond any representable magnitude, so it cannot overflow itself.
        for (; i < s.size() && IsDigit(s[i]); ++i)
            if (exponent < 1'000'000'000) exponent = exponent * 10 + (s[i] - '0');
        if (exponentNegative) exponent = -exponent;
    }

    const std::size_t total = intPart.size() + fracPart.size();
    const auto digitAt = [&](std::size_t k) { return k < intPart.size() ? intPart[k] : fracPart[k - intPart.size()]; };
    std::size_t first = 0;
    while (first < total && digitAt(first) == '0') ++first;
    if (first == total) {
        value = negative ? -0.0L : 0.0L;
        return true;
    }
    std::size_t last = total - 1;
    while (digitAt(last) == '0') --last;
    // value = 0.d[first]...d[last] * 10^scale, so 10^(scale-1) <= value < 10^scale
    const std::int64_t scale = static_cast<std::int64_t>(intPart.size()) - static_cast<std::int64_t>(first) + exponent;
    const std::size_t significant = last - first + 1;

    if (scale - 1 > Limits::max_exponent10) return false;
    if (scale < Limits::min_exponent10 - 40) {  // below the smallest subnormal
        value = negative ? -0.0L : 0.0L;
        return true;
    }

    long double result = 0;
    bool fast = false;
    if (significant <= static_cast<std::size_t>(kMaxFastDigits)) {
        std::uint64_t mantissa = 0;
        for (std::size_t k = first; k <= last; ++k) mantissa = mantissa * 10 + static_cast<unsigned>(digitAt(k) - '0');
        const std::int64_t power = scale - static_cast<std::int64_t>(significant);
        if (mantissa <= kMaxExactMantissa && power >= -kMaxExactPower && power <= kMaxExactPower &&
            ArithmeticIsFullPrecision()) {
            result = static_cast<long double>(mantissa);
            result = power < 0 ? result / kPowersOfTen[static_cast<std::size_t>(-power)]
                               : result * kPowersOfTen[static_cast<std::size_t>(power)];
            fast = true;
        }
    }
    if (!fast) {
        const std::size_t used = std::min(significant, kMaxExactDigits);
        std::string digits;
        digits.reserve(used);
        for (std::size_t k = first; k < first + used; ++k) digits.push_back(digitAt(k));
        const auto power = static_cast<int>(scale - static_cast<std::int64_t>(used));
        if (!ConvertExactly(digits, used < significant, power, result)) return false;
    }
    value = negative ? -result : result;
    return true;
}

}  // namespace kx::json
