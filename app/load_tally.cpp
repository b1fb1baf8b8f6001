#include "app/load_tally.h"

#include <algorithm>
#include <string_view>

namespace app {

namespace {

std::string Count(std::size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

bool Plain(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           std::string_view("/._-+,:@%=").find(c) != std::string_view::npos;
}

}  // namespace

void LoadTally::OnWarning(doc::LoadWarning kind, std::int64_t /*line*/, const std::string& text) {
    if (kind != doc::LoadWarning::UndrawnCommand) {
        ++m_otherWarnings;
        return;
    }
    ++m_skippedCommands;
    std::string name = text;
    for (char& c : name) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    m_undrawnNames.insert(std::move(name));
}

void LoadTally::Reset() {
    m_otherWarnings = 0;
    m_skippedCommands = 0;
    m_undrawnNames.clear();
}

std::string LoadStatusText(const std::string& name, const std::string& path,
                           const doc::LoadSummary& summary, const LoadTally& tally) {
    std::string text = name + ": ";
    if (summary.faces == 0 && summary.strokes == 0) {
        text += "nothing to draw";
        if (tally.SkippedCommands() > 0) {
            text += ": " +
                    Count(tally.SkippedCommands(), "command of another kind",
                          "commands of other kinds") +
                    " skipped";
        }
    } else {
        text += Count(summary.faces, "face", "faces") + ", " +
                Count(summary.strokes, "stroke", "strokes");
    }
    if (tally.WarningCount() > 0) {
        text += "; " + Count(tally.WarningCount(), "warning", "warnings") +
                ", listed by tarno --check " + ShellWord(path);
    }
    return text;
}

std::string ShellWord(const std::string& path) {
    if (!path.empty() && std::all_of(path.begin(), path.end(), Plain)) return path;
    std::string quoted = "'";
    for (const char c : path) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += c;
        }
    }
    return quoted + "'";
}

}  // namespace app
