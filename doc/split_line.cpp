#include "doc/split_line.h"

#include <algorithm>
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

// Fills tokens from slot 0 and returns the count; every slot written is replaced whole, so
// what a longer line left in the upper slots never runs into a new token.
int Fill(std::string_view line, std::string* tokens, bool upper, bool& dropped) {
    dropped = false;
    int count = 0;
    const std::size_t n = line.size();
    std::size_t i = 0;
    while (i < n) {
        const std::uint8_t cls = ClassOf(line[i]);
        if (cls == kBlank) {
            ++i;
            continue;
        }
        if (cls == kRemark) {
            break;
        }
        if (count == CTarnoDoc::kTokenSlots) {
            dropped = true;
            break;
        }
        std::string& slot = tokens[count++];
        if (cls == kBracket) {
            slot.assign(1, line[i]);
            ++i;
            continue;
        }
        std::size_t j = i + 1;
        while (j < n && ClassOf(line[j]) == kWord) {
            ++j;
        }
        slot.assign(line.data() + i, j - i);
        if (upper) {
            for (char& c : slot) {
                c = UpperAscii(c);
            }
        }
        i = j;
    }
    return count;
}

std::array<std::string, CTarnoDoc::kTokenSlots>& Slots() {
    static std::array<std::string, CTarnoDoc::kTokenSlots> slots;
    return slots;
}

// Slots below kClearedSlots that may hold text; only those need emptying.
int g_filledSlots = 0;

}  // namespace

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

std::string* TokenArray() { return Slots().data(); }

int SplitIntoTokenArray(std::string_view line, bool upper, bool& dropped) {
    dropped = false;
    if (line.empty()) {
        return 0;
    }
    std::string* tokens = TokenArray();
    const int count = Fill(line, tokens, upper, dropped);
    for (int k = count; k < g_filledSlots; ++k) {
        tokens[k].clear();
    }
    g_filledSlots = std::min(count, CTarnoDoc::kClearedSlots);
    return count;
}

int CTarnoDoc::SplitLine(std::string_view line, std::string* tokens) {
    if (line.empty()) {
        return 0;
    }
    bool dropped = false;
    const int count = Fill(line, tokens, false, dropped);
    for (int k = count; k < kClearedSlots; ++k) {
        tokens[k].clear();
    }
    if (tokens == TokenArray()) {
        g_filledSlots = std::min(count, kClearedSlots);
    }
    return count;
}

}  // namespace doc
