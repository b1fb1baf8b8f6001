#pragma once
// A load's warnings kept for later, for a load read apart from the one it stands for: given
// to that load's observer, in order, once the two are joined.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "doc/load_observer.h"

namespace doc {

class RecordedWarnings : public LoadObserver {
public:
    struct Warning {
        LoadWarning kind;
        std::int64_t line;
        std::string text;
        std::int64_t textLine;  // the line number that ends the text; 0 for none
    };

    RecordedWarnings() = default;
    // Keeps at most `limit` warnings; the one past it sets `full` instead (a load that
    // watches it can stop: what it recorded no longer stands for the load).
    RecordedWarnings(std::size_t limit, std::atomic<bool>* full) : m_limit(limit), m_full(full) {}

    void OnWarning(LoadWarning kind, std::int64_t line, const std::string& text) override {
        Keep({kind, line, text, 0});
    }
    void OnWarningNamingLine(LoadWarning kind, std::int64_t line, const std::string& text,
                             std::int64_t textLine) override {
        Keep({kind, line, text, textLine});
    }

    // Gives every warning to `observer`, its line numbers (and those its text ends with)
    // moved on by `linesBefore`.
    void Replay(LoadObserver& observer, std::int64_t linesBefore) const {
        for (const Warning& w : m_list) {
            if (w.textLine != 0) {
                observer.OnWarningNamingLine(w.kind, linesBefore + w.line, w.text,
                                             linesBefore + w.textLine);
            } else {
                observer.OnWarning(w.kind, linesBefore + w.line, w.text);
            }
        }
    }
    [[nodiscard]] bool Overflowed() const { return m_overflowed; }

private:
    void Keep(Warning w) {
        if (m_list.size() >= m_limit) {
            m_overflowed = true;
            if (m_full != nullptr) {
                m_full->store(true, std::memory_order_relaxed);
            }
            return;
        }
        m_list.push_back(std::move(w));
    }

    std::vector<Warning> m_list;
    std::size_t m_limit = SIZE_MAX;
    std::atomic<bool>* m_full = nullptr;
    bool m_overflowed = false;
};

}  // namespace doc
