#include "doc/split_line.h"

#include <array>
#include <cstdint>

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

std::uint8_t ClassOf(char c) { return kClasses[static_cast<unsigned char>(c)]; }

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

int CTarnoDoc::SplitLine(std::string_view line, std::string* tokens) {
    if (line.empty()) {
        return 0;
    }
    for (int k = 0; k < kClearedSlots; ++k) {
        tokens[k].clear();
    }
    // Each slot written is replaced whole, so what a longer line left in the slots past
    // kClearedSlots never runs into a new token.
    bool dropped = false;
    return Scan(line, kTokenSlots, dropped, [tokens](int slot, std::string_view token) {
        tokens[slot].assign(token);
    });
}

}  // namespace doc
