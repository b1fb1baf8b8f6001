#pragma once
// The warnings of one load, collected while it runs and printed as "FILE:LINE: warning:"
// lines, the way compilers print them, so that editors can jump to each.

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "doc/load_observer.h"

namespace app {

class CheckReport final : public doc::LoadObserver {
public:
    void OnWarning(doc::LoadWarning kind, std::int64_t line, const std::string& text) override;

    // One line per warning, in line order; an undrawn command once per name (in any
    // letter case), at its first line, with a count.
    [[nodiscard]] std::vector<std::string> Lines(const std::string& file) const;
    [[nodiscard]] std::size_t WarningCount() const { return m_entries.size(); }

private:
    struct Entry {
        doc::LoadWarning kind;
        std::int64_t line;
        std::string text;
        std::size_t count;
    };
    std::vector<Entry> m_entries;
    // Grouped warnings by kind and upper-cased text: a file of a million undrawn commands
    // must not compare each against every earlier one.
    std::unordered_map<std::string, std::size_t> m_groupIndex;
};

// "FILE: N points, N faces, N strokes, N warnings".
[[nodiscard]] std::string SummaryLine(const std::string& file, const doc::LoadSummary& summary,
                                      std::size_t warnings);

// The text of one warning, without file and line.
[[nodiscard]] std::string WarningText(doc::LoadWarning kind, const std::string& text,
                                      std::size_t count);

}  // namespace app
