#include "doc/keywords.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>

#include "doc/tokens.h"

namespace doc {

namespace {

constexpr std::array<std::pair<std::string_view, Keyword>, 15> kWhole = {{
    {"ENDA", Keyword::EndA},
    {"POINTS", Keyword::Points},
    {"VECPOINTS", Keyword::VecPoints},
    {"VECTORPOINTS", Keyword::VectorPoints},
    {"POLY", Keyword::Poly},
    {"SHADEDPOLY", Keyword::ShadedPoly},
    {"TEXPOLY", Keyword::TexPoly},
    {"SHADEDTEXPOLY", Keyword::ShadedTexPoly},
    {"MOVETO", Keyword::MoveTo},
    {"DRAWTO", Keyword::DrawTo},
    {"MOVETOPT", Keyword::MoveToPt},
    {"DRAWTOPT", Keyword::DrawToPt},
    {"LINECOLOR", Keyword::LineColor},
    {"SURFACECOLOR", Keyword::SurfaceColor},
    {"SHADEDCOLOR", Keyword::ShadedColor},
}};

// The shortest and the longest whole keyword ("ENDA"/"POLY" and "SHADEDTEXPOLY").
constexpr std::size_t kShortestKeyword = 4;
constexpr std::size_t kLongestKeyword = 13;
constexpr std::string_view kAutoPoints = "AUTOPOINTS";
// A misspelling is at most this many edits from a keyword (two for long keywords).
constexpr std::size_t kMostEdits = 2;
constexpr std::size_t kLongKeyword = 7;

// Edit distance (insertions, deletions, changes) of two short words, or `limit` + 1 when
// it is larger than `limit`.
std::size_t Distance(std::string_view a, std::string_view b, std::size_t limit) {
    const std::size_t gap = a.size() > b.size() ? a.size() - b.size() : b.size() - a.size();
    if (gap > limit) {
        return limit + 1;
    }
    std::array<std::size_t, kLongestKeyword + kMostEdits + 2> row{};  // b is a keyword
    for (std::size_t j = 0; j <= b.size(); ++j) {
        row[j] = j;
    }
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// A word of up to kLongestKeyword bytes and its length in sixteen bytes, so that a token
// is matched against a keyword with two compares and no call.
struct PackedWord {
    std::uint64_t low = 0;
    std::uint64_t high = 0;
    bool operator==(const PackedWord& other) const {
        return ((low ^ other.low) | (high ^ other.high)) == 0;
    }
};
constexpr std::size_t kPackedBytes = 16;
static_assert(kLongestKeyword < kPackedBytes - 1);

// Eight bytes with their a to z made upper-case, all at once: a byte's high bit in `from`
// is set when its low seven bits are at least "a", in `past` when they are past "z".
constexpr std::uint64_t UpperEight(std::uint64_t x) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
    constexpr std::uint64_t kHigh = kOnes * 0x80;
    const std::uint64_t low = x & (kOnes * 0x7F);
    const std::uint64_t from = low + kOnes * (0x80 - 'a');
    const std::uint64_t past = low + kOnes * (0x80 - 'z' - 1);
    const std::uint64_t lower = from & ~past & ~x & kHigh;
    return x ^ (lower >> 2);  // 0x80 >> 2 is the case bit
}

// `word` is no longer than kLongestKeyword; with `upper` its a to z are taken upper-case.
constexpr PackedWord Pack(std::string_view word, bool upper) {
    std::array<char, kPackedBytes> bytes{};
    for (std::size_t k = 0; k < word.size(); ++k) {
        bytes[k] = word[k];
    }
    bytes[kPackedBytes - 1] = static_cast<char>(word.size());
    PackedWord packed = std::bit_cast<PackedWord>(bytes);
    if (upper) {
        // The length byte is below "a" and stays as it is.
        packed.low = UpperEight(packed.low);
        packed.high = UpperEight(packed.high);
    }
    return packed;
}

constexpr std::array<PackedWord, kWhole.size()> PackWhole() {
    std::array<PackedWord, kWhole.size()> packed{};
    for (std::size_t k = 0; k < kWhole.size(); ++k) {
        packed[k] = Pack(kWhole[k].first, false);
    }
    return packed;
}

constexpr std::array<PackedWord, kWhole.size()> kPackedWhole = PackWhole();

// The whole keywords by length: no length has more than three.
constexpr std::size_t kMostOfOneLength = 3;
struct SameLength {
    std::array<std::uint8_t, kMostOfOneLength> entries{};
    std::size_t count = 0;
};

constexpr std::array<SameLength, kLongestKeyword + 1> ByLength() {
    std::array<SameLength, kLongestKeyword + 1> table{};
    for (std::size_t k = 0; k < kWhole.size(); ++k) {
        SameLength& same = table[kWhole[k].first.size()];
        same.entries[same.count++] = static_cast<std::uint8_t>(k);  // a constant: overflow fails
    }
    return table;
}

constexpr std::array<SameLength, kLongestKeyword + 1> kByLength = ByLength();

// The entry of kWhole that `packed` (of a word `length` bytes long) is, or kWhole.size().
std::size_t FindWhole(const PackedWord& packed, std::size_t length) {
    const SameLength& same = kByLength[length];
    for (std::size_t k = 0; k < same.count; ++k) {
        if (packed == kPackedWhole[same.entries[k]]) {
            return same.entries[k];
        }
    }
    return kWhole.size();
}

}  // namespace

std::string_view LikelyKeyword(std::string_view token) {
    if (token.size() + 1 < kShortestKeyword || token.size() > kLongestKeyword + kMostEdits ||
        MatchKeyword(token) != Keyword::None) {
        return {};
    }
    std::string_view best;
    std::size_t bestDistance = kMostEdits + 1;
    const auto consider = [&](std::string_view name) {
        const std::size_t limit = name.size() >= kLongKeyword ? kMostEdits : 1;
        const std::size_t d = Distance(token, name, limit);
        if (d <= limit && d < bestDistance) {
            best = name;
            bestDistance = d;
        }
    };
    for (const auto& entry : kWhole) {
        consider(entry.first);
    }
    consider(kAutoPoints);
    return best;
}

Keyword MatchKeyword(std::string_view token) {
    // A whole keyword contains no "AUTOPOINTS" and is no other whole keyword, so the
    // whole ones are tested first: they are what nearly every line opens with.
    if (token.size() >= kShortestKeyword && token.size() <= kLongestKeyword) {
        const std::size_t k = FindWhole(Pack(token, false), token.size());
        if (k < kWhole.size()) {
            return kWhole[k].second;
        }
    }
    if (token.size() >= kAutoPoints.size() && token.find(kAutoPoints) != std::string_view::npos) {
        return Keyword::AutoPoints;
    }
    return Keyword::None;
}

Keyword MatchPaddedKeyword(std::string_view token) {
    const std::size_t n = token.size();
    if (n >= kShortestKeyword && n <= kLongestKeyword) {
        // The token's bytes and, past them, zeros up to its length in the last byte: Pack's
        // layout, read straight from the buffer.
        std::uint64_t low = 0;
        std::uint64_t high = 0;
        std::memcpy(&low, token.data(), sizeof low);
        std::memcpy(&high, token.data() + sizeof low, sizeof high);
        constexpr std::size_t kWordBytes = sizeof low;
        if (n < kWordBytes) {
            low &= (std::uint64_t{1} << (8 * n)) - 1;
            high = 0;
        } else {
            high &= (std::uint64_t{1} << (8 * (n - kWordBytes))) - 1;  // n - 8 is below 8
        }
        high |= static_cast<std::uint64_t>(n) << (8 * (kWordBytes - 1));
        const std::size_t k = FindWhole({UpperEight(low), UpperEight(high)}, n);
        if (k < kWhole.size()) {
            return kWhole[k].second;
        }
    }
    if (n < kAutoPoints.size()) {
        return Keyword::None;
    }
    std::string upper(token);
    for (char& c : upper) {
        c = UpperByte(c);
    }
    return MatchKeyword(upper);
}

std::string_view KeywordName(std::string_view token) {
    if (token.size() >= kShortestKeyword && token.size() <= kLongestKeyword) {
        const std::size_t k = FindWhole(Pack(token, true), token.size());
        if (k < kWhole.size()) {
            return kWhole[k].first;
        }
    }
    return {};
}

std::string_view KeywordNameOf(Keyword keyword) {
    for (const auto& [name, whole] : kWhole) {
        if (whole == keyword) {
            return name;
        }
    }
    return {};
}

}  // namespace doc
