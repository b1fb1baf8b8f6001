#include "doc/load_context.h"

#include "doc/tarno_doc.h"

namespace doc {

bool LoadContext::ReadRaw(std::string_view& text) {
    if (m_failed) {
        return false;
    }
    const rm::ReadStatus status = file.ReadLine(text);
    if (status == rm::ReadStatus::Error) {
        Fail("read error at line " + std::to_string(line + 1) + ": " + file.Error());
        return false;
    }
    if (status == rm::ReadStatus::End) {
        return false;
    }
    ++line;
    if (file.LineStart() == 0 && text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);  // byte-order mark of a file saved as UTF-8
    }
    return true;
}

bool LoadContext::Rewind() {
    if (!file.SeekTo(file.LineStart())) {
        Fail("cannot return to line " + std::to_string(line) + ": " + file.Error());
        return false;
    }
    --line;
    return true;
}

LoadContext::BlockLine LoadContext::NextBlockLine(int& count) {
    std::string_view text;
    while (ReadRaw(text)) {
        if (text.empty()) {
            return BlockLine::Empty;
        }
        bool dropped = false;
        count = SplitIntoTokenArray(text, true, dropped);
        if (dropped && observer != nullptr) {
            Warn(LoadWarning::OutOfBounds,
                 "token " + std::to_string(CTarnoDoc::kTokenSlots + 1) + " and on");
        }
        if (count > 0) {
            return BlockLine::Tokens;
        }
    }
    return BlockLine::End;
}

void LoadContext::Fail(std::string text) {
    if (!m_failed) {
        m_failed = true;
        m_failure = std::move(text);
    }
}

void LoadContext::Warn(LoadWarning kind, std::string_view text) const {
    WarnAt(kind, line, text);
}

void LoadContext::WarnAt(LoadWarning kind, std::int64_t atLine, std::string_view text) const {
    if (observer != nullptr) {
        observer->OnWarning(kind, atLine, std::string(text));
    }
}

void LoadContext::WarnNotClosed(BlockLine how, std::int64_t keywordLine,
                                std::string_view keyword) const {
    if (observer == nullptr || m_failed) {
        return;
    }
    std::string text(keyword);
    if (how == BlockLine::Empty) {
        text += " ended by the empty line " + std::to_string(line);
    } else {
        text += " ended by the end of the file";
    }
    WarnAt(LoadWarning::BlockNotClosed, keywordLine, text);
}

}  // namespace doc
