#include "app/headless/check_report.h"

#include <algorithm>

namespace app {

namespace {

std::string Upper(std::string s) {
    for (char& c : s) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return s;
}

// An undrawn command tends to repeat all through a file; it is named once, with a count.
bool Grouped(doc::LoadWarning kind) {
    return kind == doc::LoadWarning::UndrawnCommand;
}

std::string Plural(std::size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

void CheckReport::OnWarning(doc::LoadWarning kind, std::int64_t line, const std::string& text) {
    if (Grouped(kind)) {
        std::string key = std::to_string(static_cast<int>(kind)) + ':' + Upper(text);
        const auto [at, fresh] = m_groupIndex.try_emplace(std::move(key), m_entries.size());
        if (!fresh) {
            ++m_entries[at->second].count;
            return;
        }
    }
    m_entries.push_back({kind, line, text, 1});
}

std::vector<std::string> CheckReport::Lines(const std::string& file) const {
    std::vector<const Entry*> sorted;
    sorted.reserve(m_entries.size());
    for (const Entry& e : m_entries) sorted.push_back(&e);
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const Entry* a, const Entry* b) { return a->line < b->line; });
    std::vector<std::string> lines;
    lines.reserve(sorted.size());
    for (const Entry* e : sorted) {
        lines.push_back(file + ":" + std::to_string(e->line) +
                        ": warning: " + WarningText(e->kind, e->text, e->count));
    }
    return lines;
}

std::string WarningText(doc::LoadWarning kind, const std::string& text, std::size_t count) {
    switch (kind) {
        case doc::LoadWarning::UndrawnCommand:
            return "command \"" + text + "\" is not drawn by the viewer (" +
                   Plural(count, "line", "lines") + ")";
        case doc::LoadWarning::NotANumber:
            return "\"" + text + "\" is not a number; read as 0";
        case doc::LoadWarning::UnwrittenPoint:
            return "index " + text + " names a point that no block of this file wrote";
        case doc::LoadWarning::OutOfBounds:
            return "out of bounds, ignored: " + text;
        case doc::LoadWarning::ShortPolygon:
            return "polygon with fewer than 3 vertices dropped" +
                   (text.empty() ? std::string() : " (" + text + ")");
        case doc::LoadWarning::BlockNotClosed:
            return "block not closed by \")\"" + (text.empty() ? std::string() : ": " + text);
        case doc::LoadWarning::Misspelt: {
            const std::size_t space = text.rfind(' ');
            if (space == std::string::npos) return "\"" + text + "\" is no keyword";
            return "\"" + text.substr(0, space) + "\" is no keyword: likely a misspelling of \"" +
                   text.substr(space + 1) + "\"; the line is not read";
        }
        case doc::LoadWarning::AfterEnd:
            return "lines after \"ENDA\" are not read" +
                   (text.empty() ? std::string() : " (the first begins \"" + text + "\")");
    }
    return text;
}

std::string SummaryLine(const std::string& file, const doc::LoadSummary& summary,
                        std::size_t warnings) {
    return file + ": " + Plural(summary.points, "point", "points") + ", " +
           Plural(summary.faces, "face", "faces") + ", " +
           Plural(summary.strokes, "stroke", "strokes") + ", " +
           Plural(warnings, "warning", "warnings");
}

}  // namespace app
