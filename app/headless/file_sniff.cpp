#include "app/headless/file_sniff.h"

#include <unistd.h>

#include <array>
#include <string_view>

#include "platform/io/regular_file.h"

namespace app {

namespace {

struct Mark {
    std::string_view bytes;
    const char* name;
};

// Longest first: a UTF-32 LE mark begins with the UTF-16 LE one.
constexpr std::array<Mark, 4> kMarks = {{
    {std::string_view("\xFF\xFE\x00\x00", 4), "UTF-32 (little-endian)"},
    {std::string_view("\x00\x00\xFE\xFF", 4), "UTF-32 (big-endian)"},
    {std::string_view("\xFF\xFE", 2), "UTF-16 (little-endian)"},
    {std::string_view("\xFE\xFF", 2), "UTF-16 (big-endian)"},
}};

}  // namespace

std::vector<FileProblem> SniffTextFile(const std::string& path) {
    std::vector<FileProblem> problems;
    std::string why;
    const int fd = rm::OpenRegularFile(path, why);
    if (fd < 0) return problems;

    std::string head;  // the first bytes, for the byte-order mark
    std::int64_t line = 1;
    std::int64_t firstNul = 0;  // line of the first NUL byte, 0 for none
    std::int64_t lineFeeds = 0;
    std::int64_t loneReturns = 0;
    bool pendingReturn = false;  // the last byte read was a CR
    bool ended = false;
    std::array<char, 1 << 16> buffer{};
    while (!ended) {
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got <= 0) break;
        for (ssize_t i = 0; i < got; ++i) {
            const char c = buffer[static_cast<std::size_t>(i)];
            if (head.size() < 4) head.push_back(c);
            if (c == '\x1A') {
                ended = true;
                break;
            }
            if (pendingReturn && c != '\n') ++loneReturns;
            pendingReturn = c == '\r';
            if (c == '\n') {
                ++lineFeeds;
                ++line;
            } else if (c == '\0' && firstNul == 0) {
                firstNul = line;
            }
        }
    }
    if (pendingReturn) ++loneReturns;
    ::close(fd);

    bool marked = false;
    for (const Mark& mark : kMarks) {
        if (std::string_view(head).starts_with(mark.bytes)) {
            problems.push_back({1, std::string("the file is ") + mark.name +
                                       " text (it opens with that byte-order mark); save it "
                                       "as plain text (ASCII or UTF-8)"});
            marked = true;
            break;
        }
    }
    if (firstNul != 0 && !marked) {
        problems.push_back({firstNul,
                            "binary content: the file holds NUL bytes (the first on "
                            "this line); it is not a text file"});
    }
    if (lineFeeds == 0 && loneReturns > 0) {
        problems.push_back({1,
                            "line ends of CR alone (old Mac style): the whole file reads as "
                            "one line; save it with CR LF or LF line ends"});
    }
    return problems;
}

}  // namespace app
