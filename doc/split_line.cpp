#include "doc/split_line.h"

#include <array>
#include <bit>
#include <climits>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "doc/tarno_doc.h"

namespace doc {

namespace {

enum ByteClass : std::uint8_t { kWord, kBlank, kBracket, kRemark };

constexpr std::array<std::uint8_t, 256> MakeClasses() {
    std::array<std::uint8_t, 256> classes{};
    classes[' '] = kBlank;
    classes['\t'] = kBlank;
    classes['\n'] = kBlank;
    for (const char c : {'(', ')', '[', ']', '{', '}'}) {
        classes[static_cast<unsigned char>(c)] = kBracket;
    }
    classes[';'] = kRemark;
    return classes;
}

constexpr std::array<std::uint8_t, 256> kClasses = MakeClasses();

std::uint8_t ClassOf(char c) {
    return kClasses[static_cast<unsigned char>(c)];
}

// Hands each token to `emit` (as a view into `line`) until the line, a remark or `slots`
// tokens end it; returns the count. A word runs until a blank, bracket or ";"; a bracket is
// a token of its own.
template <class Emit>
int Scan(std::string_view line, int slots, bool& dropped, Emit&& emit) {
    dropped = false;
    int count = 0;
    const char* p = line.data();
    const char* const end = p + line.size();
    while (p < end) {
        const std::uint8_t cls = ClassOf(*p);
        if (cls == kBlank) {
            ++p;
            continue;
        }
        if (cls == kRemark) {
            break;
        }
        if (count == slots) {
            dropped = true;
            break;
        }
        const char* q = p + 1;
        if (cls == kWord) {
            while (q < end && ClassOf(*q) == kWord) {
                ++q;
            }
        }
        emit(count++, std::string_view(p, static_cast<std::size_t>(q - p)));
        p = q;
    }
    return count;
}

}  // namespace

int SplitIntoViews(std::string_view line, std::string_view* tokens, int slots, bool& dropped) {
    return Scan(line, slots, dropped,
                [tokens](int slot, std::string_view token) { tokens[slot] = token; });
}

#if defined(__SSE2__)

namespace {

// Bit k of `blank` / `bracket` / `remark`: byte k of the 64 at p is a blank (space, tab,
// line feed), a bracket or ";". Only the blocks that hold one of the first `length` bytes
// are looked at.
void Classify(const char* p, std::size_t length, std::uint64_t& blank, std::uint64_t& bracket,
              std::uint64_t& remark) {
    blank = 0;
    bracket = 0;
    remark = 0;
    const auto eq = [](__m128i v, char c) { return _mm_cmpeq_epi8(v, _mm_set1_epi8(c)); };
    const auto bits = [](__m128i m, std::size_t block) {
        return static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm_movemask_epi8(m)))
               << (16 * block);
    };
    for (std::size_t k = 0; k * 16 < length; ++k) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + k * 16));
        const __m128i b = _mm_or_si128(_mm_or_si128(eq(v, ' '), eq(v, '\t')), eq(v, '\n'));
        // "(" and ")" differ in the lowest bit only; "[" "]" "{" "}" with bit 5 set are
        // "{" and "}", and no other byte becomes either.
        const __m128i paren = eq(_mm_and_si128(v, _mm_set1_epi8(static_cast<char>(0xFE))), '(');
        const __m128i folded = _mm_or_si128(v, _mm_set1_epi8(0x20));
        const __m128i r = _mm_or_si128(paren, _mm_or_si128(eq(folded, '{'), eq(folded, '}')));
        blank |= bits(b, k);
        bracket |= bits(r, k);
        remark |= bits(eq(v, ';'), k);
    }
}

}  // namespace

int SplitPaddedLine(std::string_view line, std::string_view* tokens, int slots, bool& dropped) {
    dropped = false;
    const char* const base = line.data();
    std::size_t n = line.size();
    int count = 0;
    std::size_t i = 0;  // start of the window of 64 bytes; never inside a token
    while (i < n) {
        const std::size_t length = n - i < 64 ? n - i : 64;
        std::uint64_t blank = 0;
        std::uint64_t bracket = 0;
        std::uint64_t remark = 0;
        Classify(base + i, length, blank, bracket, remark);
        std::uint64_t valid = length == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << length) - 1;
        remark &= valid;
        if (remark != 0) {
            // A remark ends the line: nothing from its ";" on is looked at.
            const auto r = static_cast<unsigned>(std::countr_zero(remark));
            valid = (std::uint64_t{1} << r) - 1;
            n = i + r;
        }
        bracket &= valid;
        const std::uint64_t word = ~(blank | bracket) & valid;
        // Each token has one bit in `starts` (its first byte) and one in `lasts` (its last
        // byte), so the k-th of each bound the k-th token; a bracket is both. Whether a
        // word in the window's last byte ends there is known only from the next byte:
        // such a word has no bit in `lasts` and is scanned on below.
        const std::uint64_t open = i + 64 < n ? std::uint64_t{1} << 63 : 0;
        std::uint64_t starts = (word & ~(word << 1)) | bracket;
        std::uint64_t lasts = (word & ~(word >> 1) & ~open) | bracket;
        std::size_t next = i + 64;
        while (starts != 0) {
            if (count == slots) {
                dropped = true;
                return count;
            }
            const auto s = static_cast<unsigned>(std::countr_zero(starts));
            if (lasts == 0) {
                // The word runs on past this window (a ";" in this window would have ended
                // it, and one further on stops the scan as any non-word byte does).
                std::size_t j = i + 64;
                while (j < n && ClassOf(base[j]) == kWord) {
                    ++j;
                }
                tokens[count++] = std::string_view(base + i + s, j - (i + s));
                next = j;
                break;
            }
            const auto e = static_cast<unsigned>(std::countr_zero(lasts));
            tokens[count++] = std::string_view(base + i + s, e - s + 1);
            starts &= starts - 1;
            lasts &= lasts - 1;
        }
        i = next;
    }
    return count;
}

#else

int SplitPaddedLine(std::string_view line, std::string_view* tokens, int slots, bool& dropped) {
    return SplitIntoViews(line, tokens, slots, dropped);
}

#endif

bool NextToken(std::string_view line, std::size_t& pos, std::string_view& token) {
    const std::size_t n = line.size();
    std::size_t i = pos;
    while (i < n && ClassOf(line[i]) == kBlank) {
        ++i;
    }
    if (i >= n || ClassOf(line[i]) == kRemark) {
        pos = n;
        return false;
    }
    std::size_t j = i + 1;
    if (ClassOf(line[i]) == kWord) {
        while (j < n && ClassOf(line[j]) == kWord) {
            ++j;
        }
    }
    token = line.substr(i, j - i);
    pos = j;
    return true;
}

int CTarnoDoc::SplitLine(std::string_view line, std::string* tokens,
                         std::vector<std::string>* overflow) {
    if (overflow != nullptr) {
        overflow->clear();
    }
    if (line.empty()) {
        return 0;
    }
    for (int k = 0; k < kClearedSlots; ++k) {
        tokens[k].clear();
    }
    // Each slot written is replaced whole, so what a longer line left in the slots past
    // kClearedSlots never runs into a new token.
    bool dropped = false;
    return Scan(line, overflow != nullptr ? INT_MAX : kTokenSlots, dropped,
                [tokens, overflow](int slot, std::string_view token) {
                    if (slot < kTokenSlots) {
                        tokens[slot].assign(token);
                    } else if (overflow != nullptr) {
                        overflow->emplace_back(token);
                    }
                });
}

}  // namespace doc
