#include "doc/source_line.h"

#include "platform/io/text_file.h"

namespace doc {

bool ReadSourceLine(const std::string& path, std::int64_t line, std::string& text) {
    if (line < 1) {
        return false;
    }
    rm::TextFile file;
    if (!file.Open(path)) {
        return false;
    }
    std::string_view current;
    for (std::int64_t n = 1; n <= line; ++n) {
        if (file.ReadLine(current) != rm::ReadStatus::Line) {
            return false;
        }
    }
    if (line == 1 && current.starts_with("\xEF\xBB\xBF")) {
        current.remove_prefix(3);
    }
    text.assign(current);
    return true;
}

std::string PrintableLine(std::string_view text, std::size_t limit) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    const bool cut = text.size() > limit;
    if (cut) text = text.substr(0, limit);
    std::string out;
    out.reserve(text.size() + 3);
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\t') {
            out += ' ';
        } else if (u < 0x20 || u == 0x7F) {
            out += '?';
        } else {
            out += c;
        }
    }
    if (cut) out += "...";
    return out;
}

}  // namespace doc
