#pragma once
// How the block readers read their tokens: decimal and hexadecimal values, and the tests
// for the tokens that end a block.

#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace doc {

[[nodiscard]] inline bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The format upper-cases every line a block reader reads (a to z only) and then compares
// tokens with upper-case words. Comparing without regard to the case of a to z gives the
// same answers without copying the line.
[[nodiscard]] constexpr char UpperByte(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

[[nodiscard]] inline bool IsWord(std::string_view t, std::string_view upperWord) {
    if (t.size() != upperWord.size()) {
        return false;
    }
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (UpperByte(t[i]) != upperWord[i]) {
            return false;
        }
    }
    return true;
}

// ")" or "ENDA": either ends the block it stands in. Setting bit 5 of a byte maps
// exactly the two cases of a letter onto one value, so one 32-bit compare does it.
[[nodiscard]] inline bool EndsBlock(std::string_view t) {
    if (t.size() == 1) {
        return t[0] == ')';
    }
    if (t.size() != 4) {
        return false;
    }
    std::uint32_t word = 0;
    std::memcpy(&word, t.data(), 4);
    std::uint32_t enda = 0;
    std::memcpy(&enda, "enda", 4);
    return (word | 0x20202020U) == enda;
}

[[nodiscard]] inline bool IsOpenBracket(std::string_view t) {
    return t.size() == 1 && t[0] == '(';
}

// An optional sign and decimal digits, read up to the first other byte; a token without
// digits reads as 0 and clears `isNumber`. Values beyond 32 bits saturate.
[[nodiscard]] inline std::int32_t ReadDecimal(std::string_view t, bool& isNumber) {
    std::size_t i = 0;
    bool negative = false;
    if (!t.empty() && (t[0] == '-' || t[0] == '+')) {
        negative = t[0] == '-';
        i = 1;
    }
    if (i >= t.size() || !IsDigit(t[i])) {
        isNumber = false;
        return 0;
    }
    isNumber = true;
    // Up to nine digits cannot overflow; longer values go on with saturation.
    const std::size_t n = t.size();
    std::uint32_t small = 0;
    const std::size_t fastEnd = i + 9 < n ? i + 9 : n;
    for (; i < fastEnd && IsDigit(t[i]); ++i) {
        small = small * 10 + static_cast<std::uint32_t>(t[i] - '0');
    }
    std::uint64_t v = small;
    constexpr std::uint64_t kLimit = std::uint64_t{1} << 31;
    for (; i < n && IsDigit(t[i]); ++i) {
        v = v * 10 + static_cast<std::uint64_t>(t[i] - '0');
        if (v > kLimit) {
            v = kLimit;
        }
    }
    if (negative) {
        return static_cast<std::int32_t>(-static_cast<std::int64_t>(v));
    }
    return v >= kLimit ? INT32_MAX : static_cast<std::int32_t>(v);
}

// For a token followed in memory by at least kDecimalPadding readable bytes (a view into
// the file reader's padded buffer): a token of up to four digits after an optional sign,
// the usual coordinate or index, is read as one 32-bit word instead of byte by byte. True
// with `value` as ReadDecimal reads it when the token starts a number and has at most four
// bytes after its sign; false otherwise, and ReadDecimal decides.
inline constexpr std::size_t kDecimalPadding = 4;
[[nodiscard]] inline bool ReadShortDecimal(std::string_view t, std::int32_t& value) {
    const std::size_t n = t.size();
    if (n - 1 >= 5) {
        return false;  // empty, or too long
    }
    const bool negative = t[0] == '-';
    const std::size_t sign = negative || t[0] == '+' ? 1 : 0;
    const std::size_t inToken = n - sign;
    if (inToken - 1 >= 4) {
        return false;  // a lone sign, or five digits
    }
    std::uint32_t word = 0;
    std::memcpy(&word, t.data() + sign, sizeof word);
    // Each byte minus '0': a digit is 0-9, any other byte has a bit in its high nibble
    // either as it is or once 6 is added to its low nibble (which cannot carry over).
    const std::uint32_t values = word ^ 0x30303030U;
    std::uint32_t other = (((values & 0x0F0F0F0FU) + 0x06060606U) | values) & 0xF0F0F0F0U;
    // The bytes past the token stop the digits.
    other |= static_cast<std::uint32_t>(~std::uint64_t{0} << (8 * inToken));
    const auto digits = static_cast<unsigned>(std::countr_zero(other)) / 8;
    if (digits == 0) {
        return false;
    }
    // The digits to the top of the word, most significant first in the lowest byte; the
    // bytes below them read as leading zeros. Then pairs, then the pair of pairs.
    std::uint32_t v = values << (32 - 8 * digits);
    v = (v * (10 * 256 + 1)) >> 8;
    v = ((v & 0x00FF00FFU) * (100 * 65536 + 1)) >> 16;
    value = negative ? -static_cast<std::int32_t>(v) : static_cast<std::int32_t>(v);
    return true;
}

// ReadDecimal for a token with the padding ReadShortDecimal needs.
[[nodiscard]] inline std::int32_t ReadPaddedDecimal(std::string_view t, bool& isNumber) {
    std::int32_t value = 0;
    if (ReadShortDecimal(t, value)) {
        isNumber = true;
        return value;
    }
    return ReadDecimal(t, isNumber);
}

// The values of a line that holds nothing but blanks and plain decimal numbers (an
// optional "-" and one to nine digits each, so that none saturates), at most `most` of
// them, into `values`; their count. -1 for any other line, which is then split and read
// token by token: the values are those ReadDecimal gives, so both ways read alike.
[[nodiscard]] inline int ReadPlainNumbers(std::string_view line, std::int32_t* values, int most) {
    const char* p = line.data();
    const char* const end = p + line.size();
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    int count = 0;
    for (;;) {
        while (p < end && blank(*p)) {
            ++p;
        }
        if (p == end) {
            return count;
        }
        if (count == most) {
            return -1;
        }
        const bool negative = *p == '-';
        p += negative ? 1 : 0;
        const char* const digits = p;
        std::uint32_t v = 0;
        while (p < end && IsDigit(*p)) {
            v = v * 10 + static_cast<std::uint32_t>(*p - '0');
            ++p;
        }
        if (p == digits || p - digits > 9 || (p < end && !blank(*p))) {
            return -1;
        }
        values[count++] = negative ? -static_cast<std::int32_t>(v) : static_cast<std::int32_t>(v);
    }
}

[[nodiscard]] inline int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// A colour value: `percent` if the token holds "%" anywhere; otherwise hex digits (after
// an optional "0x" or "0X") up to the first other byte, saturating at the largest signed
// 32-bit value. A token that starts with no hex digit reads as 0 and clears `isNumber`.
[[nodiscard]] inline std::int32_t ReadColorValue(std::string_view t, std::int32_t percent,
                                                 bool& isNumber) {
    isNumber = true;
    if (t.find('%') != std::string_view::npos) {
        return percent;
    }
    std::size_t i = 0;
    if (t.size() >= 3 && t[0] == '0' && (t[1] == 'X' || t[1] == 'x') && HexDigit(t[2]) >= 0) {
        i = 2;
    }
    if (i >= t.size() || HexDigit(t[i]) < 0) {
        isNumber = false;
        return 0;
    }
    constexpr std::uint64_t kMax = INT32_MAX;
    std::uint64_t v = 0;
    for (; i < t.size(); ++i) {
        const int d = HexDigit(t[i]);
        if (d < 0) {
            break;
        }
        v = v * 16 + static_cast<std::uint64_t>(d);
        if (v > kMax) {
            v = kMax;
        }
    }
    return static_cast<std::int32_t>(v);
}

}  // namespace doc
