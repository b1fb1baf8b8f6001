#pragma once
// What one load made, in the words the status bar uses after it: the faces and strokes,
// or that there is nothing to draw and how many commands of other kinds were passed over,
// and how many warnings `tarno --check` would list for the file. No Qt.

#include <cstdint>
#include <string>
#include <unordered_set>

#include "doc/load_observer.h"

namespace app {

// Counts a load's warnings as --check lists them: an undrawn command once per name (in any
// letter case), every other warning on its own. Cheap enough to run on every load.
class LoadTally final : public doc::LoadObserver {
public:
    void OnWarning(doc::LoadWarning kind, std::int64_t line, const std::string& text) override;
    void Reset();

    [[nodiscard]] std::size_t WarningCount() const {
        return m_otherWarnings + m_undrawnNames.size();
    }
    // Lines that begin with a command the viewer does not draw.
    [[nodiscard]] std::size_t SkippedCommands() const { return m_skippedCommands; }

private:
    std::size_t m_otherWarnings = 0;
    std::size_t m_skippedCommands = 0;
    std::unordered_set<std::string> m_undrawnNames;  // upper case
};

// "NAME: 21 faces, 0 strokes", or "NAME: nothing to draw: 14 commands of other kinds
// skipped", followed where there are warnings by their count and the command that lists
// them for `path`.
[[nodiscard]] std::string LoadStatusText(const std::string& name, const std::string& path,
                                         const doc::LoadSummary& summary, const LoadTally& tally);

// `path` as one shell word: unchanged when it holds only plain characters, otherwise in
// single quotes.
[[nodiscard]] std::string ShellWord(const std::string& path);

}  // namespace app
